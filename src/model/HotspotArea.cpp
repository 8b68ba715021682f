#include "model/HotspotArea.h"

#include <algorithm>

#include "model/Archive.h"

void CHotspotArea::SetRect(std::int32_t left, std::int32_t top, std::int32_t right,
                           std::int32_t bottom) {
    m_arrCoords.assign({left, top, right, bottom});
}

void CHotspotArea::AddPoint(std::int32_t x, std::int32_t y) {
    m_arrCoords.push_back(x);
    m_arrCoords.push_back(y);
}

CHotspotArea::Rect CHotspotArea::GetRect() const {
    Rect r;
    const size_t n = m_arrCoords.size();
    if (n > 0) r.left = m_arrCoords[0];
    if (n > 1) r.top = m_arrCoords[1];
    if (n > 2) r.right = m_arrCoords[2];
    if (n > 3) r.bottom = m_arrCoords[3];
    return r;
}

std::vector<CHotspotArea::Point> CHotspotArea::GetPoints() const {
    const size_t count = std::min(m_arrCoords.size() / 2, kMaxCorners);
    std::vector<Point> points;
    points.reserve(count);
    for (size_t i = 0; i < count; ++i)
        points.push_back({m_arrCoords[2 * i], m_arrCoords[2 * i + 1]});
    return points;
}

bool CHotspotArea::Contains(std::int32_t x, std::int32_t y) const {
    // Pixels are tested at their centres, which makes a rectangle hold
    // left <= x < right and keeps circles and polygons consistent with it.
    const double px = x + 0.5, py = y + 0.5;
    switch (m_nShape) {
        case kRectangle: {
            const Rect r = GetRect();
            return r.left <= x && x < r.right && r.top <= y && y < r.bottom;
        }
        case kCircle: {
            const Rect r = GetRect();
            const double rx = (static_cast<double>(r.right) - r.left) / 2.0;
            const double ry = (static_cast<double>(r.bottom) - r.top) / 2.0;
            if (rx <= 0 || ry <= 0) return false;
            const double dx = (px - (r.left + rx)) / rx;
            const double dy = (py - (r.top + ry)) / ry;
            return dx * dx + dy * dy <= 1.0;
        }
        case kPolygon: {
            const std::vector<Point> pts = GetPoints();
            if (pts.size() < 3) return false;
            bool inside = false;
            for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
                const double xi = pts[i].x, yi = pts[i].y, xj = pts[j].x, yj = pts[j].y;
                if ((yi > py) != (yj > py)) {
                    const double xCross = xi + (py - yi) * (xj - xi) / (yj - yi);
                    if (px < xCross) inside = !inside;
                }
            }
            return inside;
        }
        default:
            return false;
    }
}

std::vector<std::int32_t> CHotspotArea::ImageMapCoords() const {
    if (m_nShape == kCircle) {
        const Rect r = GetRect();
        // 64-bit sums: the stored values are user data and may be extreme.
        const auto cx = static_cast<std::int32_t>((std::int64_t{r.left} + r.right) / 2);
        const auto cy = static_cast<std::int32_t>((std::int64_t{r.top} + r.bottom) / 2);
        const auto radius = static_cast<std::int32_t>((std::int64_t{r.right} - r.left) / 2);
        return {cx, cy, radius};
    }
    if (m_nShape == kRectangle) {
        const Rect r = GetRect();
        return {r.left, r.top, r.right, r.bottom};
    }
    return m_arrCoords;
}

void CHotspotArea::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteU32(1);
        ar.WriteCount(m_arrCoords.size());
        for (const std::int32_t value : m_arrCoords) ar.WriteI32(value);
        ar.WriteText(m_strLink);
        ar.WriteI32(m_nShape);
        return;
    }
    if (ar.ReadU32() != 1) return;
    const std::uint32_t count = ar.ReadCount(4);
    m_arrCoords.resize(count);
    for (std::int32_t& value : m_arrCoords) value = ar.ReadI32();
    m_strLink = ar.ReadText();
    m_nShape = ar.ReadI32();
}
