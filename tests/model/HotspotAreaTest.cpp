// Hotspot areas: hit tests and image-map geometry.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "model/BuildTreeFolder.h"
#include "model/FoldcraftDoc.h"
#include "model/ProjectFile.h"

namespace {

using Coords = std::vector<std::int32_t>;

std::unique_ptr<CHotspotArea> Area(std::int32_t shape, Coords coords) {
    auto area = std::make_unique<CHotspotArea>();
    area->m_nShape = shape;
    area->m_arrCoords = std::move(coords);
    return area;
}

// "1" or "0" for each point: whether the area contains it.
std::string Hits(std::int32_t shape, Coords coords,
                 std::initializer_list<std::pair<std::int32_t, std::int32_t>> points) {
    const auto area = Area(shape, std::move(coords));
    std::string hits;
    for (const auto& [x, y] : points) hits += area->Contains(x, y) ? '1' : '0';
    return hits;
}

}  // namespace

TEST(HotspotArea, ContainsAtTheEdgesOfEachShape) {
    // A rectangle holds its left and top edges but not its right and bottom.
    EXPECT_EQ(Hits(CHotspotArea::kRectangle, {10, 20, 30, 40},
                   {{10, 20}, {29, 39}, {30, 25}, {15, 40}, {9, 25}, {15, 19}}),
              "110000");
    EXPECT_EQ(Hits(CHotspotArea::kRectangle, {-5, -5, 3, 3}, {{-5, -1}}), "1");  // off the picture
    // A circle is the ellipse inscribed in its box: the box's corners are out.
    EXPECT_EQ(Hits(CHotspotArea::kCircle, {10, 20, 31, 41},
                   {{20, 30}, {10, 30}, {30, 30}, {11, 21}, {30, 40}, {31, 30}}),
              "111000");
    EXPECT_EQ(Hits(CHotspotArea::kCircle, {5, 5, 5, 5}, {{5, 5}}), "0");
    // A square with a square hole drawn as one outline (even-odd leaves the hole out).
    EXPECT_EQ(Hits(CHotspotArea::kPolygon,
                   {0, 0, 30, 0, 30, 30, 0, 30, 0, 0, 10, 10, 10, 20, 20, 20, 20, 10, 10, 10},
                   {{5, 5}, {15, 15}, {35, 5}}),
              "100");
    // A triangle, the fewest corners with an inside; fewer: nothing inside.
    EXPECT_EQ(Hits(CHotspotArea::kPolygon, {0, 0, 20, 0, 0, 20}, {{2, 2}, {15, 15}}), "10");
    EXPECT_EQ(Hits(CHotspotArea::kPolygon, {0, 0, 10, 10}, {{5, 5}}), "0");
    EXPECT_EQ(Hits(CHotspotArea::kPolygon, {0, 0, 10, 0, 10}, {{5, 0}}), "0");
}

TEST(HotspotArea, ImageMapCoords) {
    EXPECT_EQ(Area(CHotspotArea::kRectangle, {10, 20, 30, 40})->ImageMapCoords(),
              (Coords{10, 20, 30, 40}));
    EXPECT_EQ(Area(CHotspotArea::kCircle, {10, 20, 31, 41})->ImageMapCoords(),
              (Coords{20, 30, 10}));
    // Truncation toward zero with negative coordinates; extreme values do not overflow.
    EXPECT_EQ(Area(CHotspotArea::kCircle, {-11, -11, 0, 0})->ImageMapCoords(), (Coords{-5, -5, 5}));
    EXPECT_EQ(Area(CHotspotArea::kCircle, {INT32_MAX - 1, 0, INT32_MAX, 1})->ImageMapCoords()[0],
              INT32_MAX - 1);
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

TEST(HotspotArea, PolygonBeyond256CornersIsHitTestedOnTheFirst256ButWrittenWhole) {
    // The first 256 corners outline the square 0..10; corners 257 to 300 widen the
    // outline to 0..100.
    Coords coords = {0, 0, 10, 0, 10, 10};
    while (coords.size() < 2 * 256) coords.insert(coords.end(), {0, 10});
    coords.insert(coords.end(), {0, 100, 100, 100});
    while (coords.size() < 2 * 300) coords.insert(coords.end(), {100, 0});
    auto area = Area(CHotspotArea::kPolygon, coords);
    EXPECT_EQ(area->GetPoints().size(), 256u);
    EXPECT_TRUE(area->Contains(5, 5));
    EXPECT_FALSE(area->Contains(50, 50));
    EXPECT_EQ(area->ImageMapCoords().size(), 600u);

    CFoldcraftDoc doc;
    doc.OnNewDocument();
    doc.m_pRoot->AddHotspot(std::move(area));
    CFoldcraftDoc back;
    ASSERT_TRUE(foldcraft::ReadProjectBytes(back, foldcraft::WriteProjectBytes(doc)).Ok());
    EXPECT_EQ(back.m_pRoot->m_arrHotspots.at(0)->m_arrCoords, coords);
}

TEST(HotspotArea, EditingOperations) {
    CHotspotArea area;
    area.AddPoint(1, 2);
    area.SetRect(3, 4, 5, 6);
    EXPECT_EQ(area.m_arrCoords, (Coords{3, 4, 5, 6}));
    area.AddPoint(7, 8);
    area.m_strLink = "Doc (/d)";
    const auto copy = area.Clone();
    area.m_arrCoords.clear();
    EXPECT_EQ(copy->m_arrCoords.size(), 6u);
    EXPECT_EQ(copy->m_strLink, "Doc (/d)");
    // An odd last value is no corner; a short list gives zeros for the rectangle.
    area.m_arrCoords = {1, 2, 3};
    EXPECT_EQ(area.GetPoints().size(), 1u);
    EXPECT_EQ(area.GetRect().bottom, 0);
}
