#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "model/BuildTreeFolder.h"
#include "support/TempDir.h"

namespace foldcraft::test {

// The pinned "now" of the project file fixtures (2023-11-14 22:13:20 UTC).
constexpr std::int64_t kFixtureTime = 1'700'000'000;

// The bytes of tests/model/fixtures/<name> (made by tools/make-model-fixtures.py).
inline std::string Fixture(const std::string& name) {
    return ReadFile(std::string(FOLDCRAFT_TESTS_DIR) + "/model/fixtures/" + name);
}

// A folder on one line: "name[sub[...] doc doc @shape:coords]", children in order.
inline std::string Outline(const CBuildTreeFolder& folder) {
    std::string out = folder.m_strName + "[";
    const auto add = [&](const std::string& s) { out += (out.back() == '[' ? "" : " ") + s; };
    for (const auto& sub : folder.m_arrFolders) add(Outline(*sub));
    for (const auto& doc : folder.m_arrDocs) add(doc->m_strName.empty() ? "''" : doc->m_strName);
    for (const auto& area : folder.m_arrHotspots)
        add("@" + std::to_string(area->m_nShape) + ":" + std::to_string(area->m_arrCoords.size()));
    return out + "]";
}

// Everything under dir, sorted: "a/" a directory, "f=bytes" a file, "l->target" a
// link (not followed), "p|" anything else.
inline std::vector<std::string> Tree(const std::string& dir, const std::string& prefix = "") {
    namespace fs = std::filesystem;
    std::vector<std::string> entries;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = prefix + entry.path().filename().string();
        const fs::file_type type = entry.symlink_status().type();
        if (type == fs::file_type::symlink) {
            entries.push_back(name + "->" + fs::read_symlink(entry.path()).string());
        } else if (type == fs::file_type::directory) {
            entries.push_back(name + "/");
            for (auto& inner : Tree(entry.path(), name + "/")) entries.push_back(std::move(inner));
        } else {
            entries.push_back(
                name + (type == fs::file_type::regular ? "=" + ReadFile(entry.path()) : "|"));
        }
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

// Makes the symbolic link given as "name->target" in dir.
inline void MakeLink(const std::string& dir, const std::string& link) {
    const size_t arrow = link.find("->");
    std::filesystem::create_symlink(link.substr(arrow + 2), dir + "/" + link.substr(0, arrow));
}

}  // namespace foldcraft::test
