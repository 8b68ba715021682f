// Hotspot areas: hit tests and image-map geometry.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "model/BuildTreeFolder.h"
#include "model/FoldcraftDoc.h"
#include "model/ProjectFile.h"

namespace {

std::unique_ptr<CHotspotArea> Area(CHotspotArea::Shape shape, std::vector<std::int32_t> coords) {
    auto area = std::make_unique<CHotspotArea>();
    area->m_nShape = shape;
    area->m_arrCoords = std::move(coords);
    return area;
}

}  // namespace

TEST(HotspotArea, RectangleHoldsItsLeftAndTopEdgesButNotItsRightAndBottom) {
    auto rect = Area(CHotspotArea::kRectangle, {10, 20, 30, 40});
    EXPECT_TRUE(rect->Contains(10, 20));
    EXPECT_TRUE(rect->Contains(29, 39));
    EXPECT_FALSE(rect->Contains(30, 25));
    EXPECT_FALSE(rect->Contains(15, 40));
    EXPECT_FALSE(rect->Contains(9, 25));
    EXPECT_FALSE(rect->Contains(15, 19));
    // Negative left and top (a drag beyond the picture's edge).
    EXPECT_TRUE(Area(CHotspotArea::kRectangle, {-5, -5, 3, 3})->Contains(-5, -1));
    EXPECT_EQ(rect->ImageMapCoords(), (std::vector<std::int32_t>{10, 20, 30, 40}));
}

TEST(HotspotArea, OverlappingAreasTheLaterWins) {
    CBuildTreeFolder folder;
    folder.AddHotspot(Area(CHotspotArea::kRectangle, {0, 0, 100, 100}));
    folder.AddHotspot(Area(CHotspotArea::kCircle, {40, 40, 60, 60}));
    folder.AddHotspot(Area(CHotspotArea::kRectangle, {200, 200, 210, 210}));
    EXPECT_EQ(folder.HitTestHotspot(50, 50), 1);
    EXPECT_EQ(folder.HitTestHotspot(5, 5), 0);
    EXPECT_EQ(folder.HitTestHotspot(205, 205), 2);
    EXPECT_EQ(folder.HitTestHotspot(150, 150), -1);
    EXPECT_EQ(CBuildTreeFolder().HitTestHotspot(0, 0), -1);
}

TEST(HotspotArea, CircleIsTheInscribedEllipse) {
    auto circle = Area(CHotspotArea::kCircle, {10, 20, 31, 41});
    EXPECT_EQ(circle->ImageMapCoords(), (std::vector<std::int32_t>{20, 30, 10}));
    EXPECT_TRUE(circle->Contains(20, 30));
    EXPECT_TRUE(circle->Contains(10, 30));
    EXPECT_TRUE(circle->Contains(30, 30));
    // Inside the bounding box but outside the circle: the corners.
    EXPECT_FALSE(circle->Contains(11, 21));
    EXPECT_FALSE(circle->Contains(30, 40));
    EXPECT_FALSE(circle->Contains(31, 30));
    // Truncation toward zero with negative coordinates.
    EXPECT_EQ(Area(CHotspotArea::kCircle, {-11, -11, 0, 0})->ImageMapCoords(),
              (std::vector<std::int32_t>{-5, -5, 5}));
    // Extreme values do not overflow.
    EXPECT_EQ(Area(CHotspotArea::kCircle, {INT32_MAX - 1, 0, INT32_MAX, 1})->ImageMapCoords()[0],
              INT32_MAX - 1);
    EXPECT_FALSE(Area(CHotspotArea::kCircle, {5, 5, 5, 5})->Contains(5, 5));
}

TEST(HotspotArea, PolygonEvenOddRule) {
    // A square with a square hole drawn as one outline (even-odd leaves the hole out).
    auto frame = Area(CHotspotArea::kPolygon,
                      {0, 0, 30, 0, 30, 30, 0, 30, 0, 0, 10, 10, 10, 20, 20, 20, 20, 10, 10, 10});
    EXPECT_TRUE(frame->Contains(5, 5));
    EXPECT_FALSE(frame->Contains(15, 15));
    EXPECT_FALSE(frame->Contains(35, 5));
    // Fewer than three corners: nothing inside.
    EXPECT_FALSE(Area(CHotspotArea::kPolygon, {0, 0, 10, 10})->Contains(5, 5));
    EXPECT_FALSE(Area(CHotspotArea::kPolygon, {0, 0, 10, 0, 10})->Contains(5, 0));
}

TEST(HotspotArea, PolygonBeyond256CornersIsHitTestedOnTheFirst256ButWrittenWhole) {
    // The first 256 corners outline the square 0..10; corners 257 to 300 widen the
    // outline to 0..100.
    std::vector<std::int32_t> coords = {0, 0, 10, 0, 10, 10};
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
    EXPECT_EQ(area.m_nShape, CHotspotArea::kRectangle);
    EXPECT_TRUE(area.m_strLink.empty());
    area.AddPoint(1, 2);
    area.SetRect(3, 4, 5, 6);
    EXPECT_EQ(area.m_arrCoords, (std::vector<std::int32_t>{3, 4, 5, 6}));
    area.AddPoint(7, 8);
    area.m_strLink = "Doc (/d)";
    const auto copy = area.Clone();
    area.m_arrCoords.clear();
    EXPECT_EQ(copy->m_arrCoords.size(), 6u);
    EXPECT_EQ(copy->m_strLink, "Doc (/d)");
    // An odd last value is no corner; a short list gives zeros for the rectangle.
    CHotspotArea odd;
    odd.m_arrCoords = {1, 2, 3};
    EXPECT_EQ(odd.GetPoints().size(), 1u);
    EXPECT_EQ(odd.GetRect().bottom, 0);
}
