#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "model/Clock.h"
#include "model/FoldcraftDoc.h"

namespace foldcraft::test {

// Items of the test projects are created at kCreated; pages are written at kNow,
// when those items are active. kFuture makes an item inactive.
constexpr Time kCreated = 1700000000;  // Tuesday 14 November 2023, 22:13:20 UTC
constexpr Time kNow = kCreated + 3600;
constexpr Time kFuture = kNow + 86400;
constexpr Time kMarch7 = 1078668300;  // Sunday 7 March 2004, 14:05:00 UTC

// Sets TZ=UTC for tests that format local times.
void UseUtc();

// A project with every field at its New value, created at kCreated.
std::unique_ptr<CFoldcraftDoc> NewProject();

CBuildTreeFolder& AddFolder(CBuildTreeFolder& parent, const std::string& name,
                            const std::string& comment = "");
CBuildTreeDoc& AddDoc(CBuildTreeFolder& parent, const std::string& name, const std::string& link,
                      const std::string& comment = "", std::int32_t size = 0,
                      Time fileTime = kCreated);
CHotspotArea& AddArea(CBuildTreeFolder& folder, std::int32_t shape, const std::string& link,
                      std::initializer_list<std::int32_t> coords);

// Expects the regular files under dir (the tree's shape and every file's bytes, with
// each `hide` in them written as "@") to be those under fixtures/<name>. With
// FOLDCRAFT_WRITE_FIXTURES=1 in the environment it writes the fixtures instead.
void ExpectFixtureTree(const std::string& dir, const std::string& name,
                       const std::string& hide = "");

}  // namespace foldcraft::test
