#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/SerialObject.h"

// One clickable area of a hotspot folder's picture: a rectangle, a circle (given by
// its bounding box) or a polygon, in picture pixels, and the link text it leads to.
class CHotspotArea : public CSerialObject {
public:
    enum Shape : std::int32_t { kRectangle = 0, kCircle = 1, kPolygon = 2 };
    // Drawing and hit testing use at most this many polygon corners.
    static constexpr size_t kMaxCorners = 256;

    struct Rect {
        std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    };
    struct Point {
        std::int32_t x = 0, y = 0;
    };

    CHotspotArea() = default;
    ~CHotspotArea() override = default;
    CHotspotArea(const CHotspotArea&) = default;
    CHotspotArea& operator=(const CHotspotArea&) = default;

    // A new area with the same shape, link text and coordinates. The caller owns it.
    std::unique_ptr<CHotspotArea> Clone() const { return std::make_unique<CHotspotArea>(*this); }

    const char* GetClassName() const override { return "CHotspotArea"; }
    void Serialize(CArchive& ar) override;

    // Replaces the coordinates by left, top, right, bottom (rectangles and circles).
    void SetRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
    // Appends one polygon corner.
    void AddPoint(std::int32_t x, std::int32_t y);
    // The first four values as a rectangle; zeros for missing values.
    Rect GetRect() const;
    // The polygon corners, at most kMaxCorners of them; an odd last value is ignored.
    std::vector<Point> GetPoints() const;

    // Whether the pixel (x, y) lies inside the area (rectangle: left <= x < right and
    // top <= y < bottom; circle: inside the inscribed ellipse; polygon: even-odd rule
    // over the first kMaxCorners corners, nothing inside with fewer than three).
    bool Contains(std::int32_t x, std::int32_t y) const;

    // The values of the area's image-map "coords" attribute: rectangle as stored,
    // circle as centre x, centre y, radius (truncating divisions), polygon every value.
    std::vector<std::int32_t> ImageMapCoords() const;

    std::string m_strLink;
    std::int32_t m_nShape = kRectangle;
    std::vector<std::int32_t> m_arrCoords;
};
