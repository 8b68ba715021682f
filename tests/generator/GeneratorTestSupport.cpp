#include "GeneratorTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>

#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace foldcraft::test {
namespace {

std::map<std::string, std::string> Tree(const std::string& dir, const std::string& hide) {
    std::map<std::string, std::string> files;
    if (!fs::is_directory(dir)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file()) continue;
        std::string text = ReadFile(entry.path());
        for (size_t at = 0; !hide.empty() && (at = text.find(hide, at)) != std::string::npos;)
            text.replace(at, hide.size(), "@");
        files[fs::relative(entry.path(), dir)] = text;
    }
    return files;
}

}  // namespace

void UseUtc() {
    setenv("TZ", "UTC", 1);
    tzset();
}

std::unique_ptr<CFoldcraftDoc> NewProject() {
    ScopedClockPin pin(kCreated);
    auto doc = std::make_unique<CFoldcraftDoc>();
    doc->OnNewDocument();
    return doc;
}

CBuildTreeFolder& AddFolder(CBuildTreeFolder& parent, const std::string& name,
                            const std::string& comment) {
    ScopedClockPin pin(kCreated);
    return *parent.AddFolder(std::make_unique<CBuildTreeFolder>(name, "(folder)", comment));
}

CBuildTreeDoc& AddDoc(CBuildTreeFolder& parent, const std::string& name, const std::string& link,
                      const std::string& comment, std::int32_t size, Time fileTime) {
    ScopedClockPin pin(kCreated);
    CBuildTreeDoc& doc = *parent.AddDoc(std::make_unique<CBuildTreeDoc>(name, link, comment));
    doc.m_nFileSize = size;
    doc.m_timeFile = fileTime;
    return doc;
}

CHotspotArea& AddArea(CBuildTreeFolder& folder, std::int32_t shape, const std::string& link,
                      std::initializer_list<std::int32_t> coords) {
    auto area = std::make_unique<CHotspotArea>();
    area->m_nShape = shape;
    area->m_strLink = link;
    area->m_arrCoords.assign(coords.begin(), coords.end());
    return *folder.AddHotspot(std::move(area));
}

void ExpectFixtureTree(const std::string& dir, const std::string& name, const std::string& hide) {
    const std::string fixtures = std::string(FOLDCRAFT_TESTS_DIR) + "/generator/fixtures/" + name;
    const auto written = Tree(dir, hide);
    if (const char* update = std::getenv("FOLDCRAFT_WRITE_FIXTURES"); update && *update == '1') {
        fs::remove_all(fixtures);
        for (const auto& [path, text] : written) {
            fs::create_directories(fs::path(fixtures + "/" + path).parent_path());
            std::ofstream(fixtures + "/" + path, std::ios::binary) << text;
        }
    }
    const auto expected = Tree(fixtures, "");
    ASSERT_FALSE(expected.empty()) << fixtures;
    for (const auto& [path, text] : expected) {
        EXPECT_EQ(written.count(path) ? written.at(path) : "<missing>", text)
            << name << "/" << path;
    }
    for (const auto& [path, text] : written) EXPECT_TRUE(expected.count(path)) << "extra " << path;
}

}  // namespace foldcraft::test
