// The site tree and the project document: the active test, sorting, very deep
// trees, hotspot geometry, New values and design defaults; the build clock.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "ModelTestSupport.h"
#include "model/BuildTreeFolder.h"
#include "model/FoldcraftDoc.h"
#include "model/ProjectFile.h"
#include "model/TextCase.h"

using foldcraft::ReadProjectBytes;
using foldcraft::Time;
using foldcraft::WriteProjectBytes;
using foldcraft::test::Fixture;
using foldcraft::test::Outline;

namespace {

using Names = std::vector<std::string>;
using Coords = std::vector<std::int32_t>;

// A folder named name with a document and a sub-folder for each of names, in order.
std::unique_ptr<CBuildTreeFolder> Filled(const std::string& name, const Names& names) {
    auto folder = std::make_unique<CBuildTreeFolder>(name, "(folder)", "");
    for (const auto& n : names) {
        folder->AddDoc(std::make_unique<CBuildTreeDoc>(n, "/" + n, ""));
        folder->AddFolder(std::make_unique<CBuildTreeFolder>(n, "(folder)", ""));
    }
    return folder;
}

std::unique_ptr<CHotspotArea> Area(std::int32_t shape, Coords coords) {
    auto area = std::make_unique<CHotspotArea>();
    area->m_nShape = shape;
    area->m_arrCoords = std::move(coords);
    return area;
}

}  // namespace

TEST(BuildTree, ActiveBetweenThePublishAndThePurgeSecond) {
    const Time t = 1'700'000'000;
    std::unique_ptr<CBuildTreeDoc> item;
    {
        foldcraft::ScopedClockPin pin(t);
        item = std::make_unique<CBuildTreeDoc>("n", "/n", "");  // published now
        EXPECT_FALSE(item->IsActive()) << "inactive during the second of its publish date";
    }
    // With m_bPurge exactly 1 the purge second itself is out; any other value ignores
    // the purge date, however early. Dates after 2038 work: times are 64-bit.
    const std::tuple<std::int32_t, Time, Time, bool> cases[] = {
        // purge, purge date, now, active
        {0, 0, t - 1, false},
        {0, 0, t + 1, true},
        {1, t + 10, t + 9, true},
        {1, t + 10, t + 10, false},
        {2, 0, t + 1, true},
        {-1, 0, t + 1, true},
        {1, 3'000'000'000, 2'999'999'999, true},
        {1, 3'000'000'000, 3'000'000'000, false}};
    for (const auto& [purge, purgeAt, now, active] : cases) {
        item->m_bPurge = purge;
        item->m_timePurge = purgeAt;
        EXPECT_EQ(item->IsActiveAt(now), active) << purge << " " << purgeAt << " " << now;
    }
}

TEST(BuildTree, SortIsStableByLowerCasedUtf8NameBothWays) {
    EXPECT_EQ(foldcraft::ToLowerUtf8("A\xFF\xC3"), "a\xFF\xC3");  // invalid UTF-8 kept as is
    const std::string upper = "\u00C9clair", lower = "\u00E9clair";
    // Equal keys ("A", "a"; "Éclair", "éclair") keep their order either way; the
    // accented names sort after the ASCII ones (byte order of the lower-cased UTF-8).
    struct Case {
        Names names;
        bool ascending;
        Names sorted;
    };
    const Case cases[] = {
        {{"b", "A", "a"}, true, {"A", "a", "b"}},
        {{"b", "A", "a"}, false, {"b", "A", "a"}},
        {{"a", "A", "b"}, false, {"b", "a", "A"}},
        {{"zebra", upper, "apple", lower, "Eclair"},
         true,
         {"apple", "Eclair", "zebra", upper, lower}},
        {{"zebra", upper, "apple", lower, "Eclair"},
         false,
         {upper, lower, "zebra", "Eclair", "apple"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.names) + (c.ascending ? " up" : " down"));
        auto folder = Filled("f", c.names);
        folder->SortChildren(c.ascending);
        EXPECT_EQ(Outline(*folder), Outline(*Filled("f", c.sorted)));
    }
}

TEST(BuildTree, VeryDeepTreesAreSortedCountedAndDestroyedWithoutRecursion) {
    // Far deeper than a project file may hold: built in memory, these operations
    // must not run out of stack.
    auto root = std::make_unique<CBuildTreeFolder>();
    CBuildTreeFolder* folder = root.get();
    for (int i = 0; i < 200'000; ++i) {
        folder->AddDoc(std::make_unique<CBuildTreeDoc>("b", "", ""));
        folder->AddDoc(std::make_unique<CBuildTreeDoc>("a", "", ""));
        folder = folder->AddFolder(std::make_unique<CBuildTreeFolder>());
    }
    EXPECT_EQ(root->CountItems(), 600'001u);
    root->SortChildren(true);
    EXPECT_EQ(root->m_arrFolders[0]->m_arrDocs[0]->m_strName, "a");
}

TEST(HotspotArea, ContainsAtTheEdgesOfEachShape) {
    struct Case {
        std::int32_t shape;
        Coords coords;
        std::vector<std::pair<std::int32_t, std::int32_t>> points;
        std::string hits;      // "1" or "0" for each point
        Coords imageMap = {};  // empty: the coordinates as they are
    };
    // Corners 257 to 300 of the last polygon widen its outline from 0..10 to 0..100:
    // hit tests use the first 256 corners only, the image map all.
    Coords many = {0, 0, 10, 0, 10, 10};
    while (many.size() < 2 * 256) many.insert(many.end(), {0, 10});
    many.insert(many.end(), {0, 100, 100, 100});
    while (many.size() < 2 * 300) many.insert(many.end(), {100, 0});
    const Case cases[] = {
        // A rectangle holds its left and top edges but not its right and bottom.
        {CHotspotArea::kRectangle,
         {10, 20, 30, 40},
         {{10, 20}, {29, 39}, {30, 25}, {15, 40}, {9, 25}, {15, 19}},
         "110000"},
        {CHotspotArea::kRectangle, {-5, -5, 3, 3}, {{-5, -1}}, "1"},  // off the picture
        // A circle is the ellipse inscribed in its box: the box's corners are out.
        {CHotspotArea::kCircle,
         {10, 20, 31, 41},
         {{20, 30}, {10, 30}, {30, 30}, {11, 21}, {30, 40}, {31, 30}},
         "111000",
         {20, 30, 10}},                                                  // centre and radius
        {CHotspotArea::kCircle, {-11, -11, 0, 0}, {}, "", {-5, -5, 5}},  // truncated toward zero
        {CHotspotArea::kCircle, {INT32_MAX - 1, 0, INT32_MAX, 1}, {}, "", {INT32_MAX - 1, 0, 0}},
        {CHotspotArea::kCircle, {5, 5, 5, 5}, {{5, 5}}, "0", {5, 5, 0}},
        // A square with a square hole drawn as one outline (even-odd leaves the hole out).
        {CHotspotArea::kPolygon,
         {0, 0, 30, 0, 30, 30, 0, 30, 0, 0, 10, 10, 10, 20, 20, 20, 20, 10, 10, 10},
         {{5, 5}, {15, 15}, {35, 5}},
         "100"},
        // A triangle, the fewest corners with an inside; fewer, or an odd last value: none.
        {CHotspotArea::kPolygon, {0, 0, 20, 0, 0, 20}, {{2, 2}, {15, 15}}, "10"},
        {CHotspotArea::kPolygon, {0, 0, 10, 10}, {{5, 5}}, "0"},
        {CHotspotArea::kPolygon, {0, 0, 10, 0, 10}, {{5, 0}}, "0"},
        {CHotspotArea::kPolygon, many, {{5, 5}, {50, 50}}, "10"},
        // A short list: no area; the image map fills it up with zeros.
        {CHotspotArea::kRectangle, {1, 2, 3}, {{1, 2}}, "0", {1, 2, 3, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.coords));
        const auto area = Area(c.shape, c.coords);
        std::string hits;
        for (const auto& [x, y] : c.points) hits += area->Contains(x, y) ? '1' : '0';
        EXPECT_EQ(hits, c.hits);
        EXPECT_EQ(area->ImageMapCoords(), c.imageMap.empty() ? c.coords : c.imageMap);
    }
}

TEST(HotspotArea, OverlappingAreasTheLaterWins) {
    CBuildTreeFolder folder;
    EXPECT_EQ(folder.HitTestHotspot(0, 0), -1);
    folder.AddHotspot(Area(CHotspotArea::kRectangle, {0, 0, 100, 100}));
    folder.AddHotspot(Area(CHotspotArea::kCircle, {40, 40, 60, 60}));
    folder.AddHotspot(Area(CHotspotArea::kRectangle, {200, 200, 210, 210}));
    EXPECT_EQ(folder.HitTestHotspot(50, 50), 1);
    EXPECT_EQ(folder.HitTestHotspot(5, 5), 0);
    EXPECT_EQ(folder.HitTestHotspot(205, 205), 2);
    EXPECT_EQ(folder.HitTestHotspot(150, 150), -1);
}

TEST(FoldcraftDoc, NewAfterAnOpenStartsAfresh) {
    CFoldcraftDoc doc;
    ASSERT_TRUE(ReadProjectBytes(doc, Fixture("every-field.fcd")).Ok());
    doc.m_arrPublishFiles.push_back("/a");
    doc.SetPathName("/a/site.fcd");
    doc.SetModifiedFlag();
    CBuildTreeFolder* const root = doc.m_pRoot.get();

    foldcraft::ScopedClockPin pin(foldcraft::test::kFixtureTime);
    ASSERT_TRUE(doc.OnNewDocument());
    // Every stored New value is in the bytes of the new-project file.
    EXPECT_EQ(WriteProjectBytes(doc), Fixture("new-project.fcd"));
    EXPECT_TRUE(doc.m_arrPublishFiles.empty());
    EXPECT_EQ(doc.m_bNeverSaved, 1);
    EXPECT_EQ(doc.GetTitle() + doc.GetPathName(), "New Document");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.m_pRoot.get(), root) << "the root object stays";
}

TEST(FoldcraftDoc, DesignDefaultsMarkModifiedAndTouchOnlyTheirPage) {
    const std::pair<void (CFoldcraftDoc::*)(), const char*> cases[] = {
        {&CFoldcraftDoc::SetGeneralDefaults, "every-field-general-defaults.fcd"},
        {&CFoldcraftDoc::SetTextDefaults, "every-field-text-defaults.fcd"},
        {&CFoldcraftDoc::SetColorDefaults, "every-field-colour-defaults.fcd"},
    };
    for (const auto& [setDefaults, expected] : cases) {
        SCOPED_TRACE(expected);
        CFoldcraftDoc doc;
        ASSERT_TRUE(ReadProjectBytes(doc, Fixture("every-field.fcd")).Ok());
        (doc.*setDefaults)();
        EXPECT_TRUE(doc.IsModified());
        EXPECT_EQ(WriteProjectBytes(doc), Fixture(expected));
    }
}

TEST(ClockTest, SecondsAreDecimalDigitsWithinTheProjectFileRange) {
    const std::pair<const char*, std::optional<Time>> cases[] = {
        {"0", 0},
        {"2147483647", 2147483647},
        {"2147483648", std::nullopt},
        {"9223372036854775807", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"", std::nullopt},
        {"-1", std::nullopt},
        {"+5", std::nullopt},
        {" 5", std::nullopt},
        {"5 ", std::nullopt},
        {"1e9", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(foldcraft::Clock::ParseSeconds(text), expected) << text;
}
