// Hotspot areas: hit tests and image-map geometry.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "model/BuildTreeFolder.h"

namespace {

using Coords = std::vector<std::int32_t>;

std::unique_ptr<CHotspotArea> Area(std::int32_t shape, Coords coords) {
    auto area = std::make_unique<CHotspotArea>();
    area->m_nShape = shape;
    area->m_arrCoords = std::move(coords);
    return area;
}

}  // namespace

TEST(HotspotArea, ContainsAtTheEdgesOfEachShape) {
    struct Case {
        std::int32_t shape;
        Coords coords;
        std::vector<std::pair<std::int32_t, std::int32_t>> points;
        std::string hits;  // "1" or "0" for each point
    };
    // Corners 257 to 300 of the last polygon widen its outline from 0..10 to 0..100:
    // hit tests use the first 256 corners only.
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
         "111000"},
        {CHotspotArea::kCircle, {5, 5, 5, 5}, {{5, 5}}, "0"},
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
        {CHotspotArea::kRectangle, {1, 2, 3}, {{1, 2}}, "0"},  // a short list: no area
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.coords));
        const auto area = Area(c.shape, c.coords);
        std::string hits;
        for (const auto& [x, y] : c.points) hits += area->Contains(x, y) ? '1' : '0';
        EXPECT_EQ(hits, c.hits);
    }
    EXPECT_EQ(Area(CHotspotArea::kPolygon, many)->ImageMapCoords(), many) << "written whole";
}

TEST(HotspotArea, CircleImageMapCoordsAreCentreAndRadius) {
    const std::pair<Coords, Coords> cases[] = {
        {{10, 20, 31, 41}, {20, 30, 10}},
        {{-11, -11, 0, 0}, {-5, -5, 5}},                            // truncation toward zero
        {{INT32_MAX - 1, 0, INT32_MAX, 1}, {INT32_MAX - 1, 0, 0}},  // no overflow
    };
    for (const auto& [box, coords] : cases)
        EXPECT_EQ(Area(CHotspotArea::kCircle, box)->ImageMapCoords(), coords);
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
    // A copy is whole and separate.
    const auto copy = folder.m_arrHotspots[1]->Clone();
    folder.m_arrHotspots[1]->m_arrCoords.clear();
    EXPECT_EQ(copy->m_arrCoords, (Coords{40, 40, 60, 60}));
}
