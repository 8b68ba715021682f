#include "document/HotspotTool.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "model/TextCase.h"

namespace foldcraft {

namespace {

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    const std::string lowerText = ToLowerUtf8(text);
    const std::string lowerPrefix = ToLowerUtf8(prefix);
    return lowerText.compare(0, lowerPrefix.size(), lowerPrefix) == 0;
}

const char* ShapeName(std::int32_t shape) {
    switch (shape) {
        case CHotspotArea::kRectangle:
            return "Rectangle";
        case CHotspotArea::kCircle:
            return "Circle";
        case CHotspotArea::kPolygon:
            return "Polygon";
        default:
            return "Shape";
    }
}

}  // namespace

void HotspotTool::SetPictureSize(int width, int height) {
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    if (!HasPicture()) CancelTools();
}

void HotspotTool::SetLinks(std::vector<std::string> links) {
    m_links = std::move(links);
    m_currentLink = m_links.empty() ? -1 : 0;
}

void HotspotTool::SetAreas(std::vector<CHotspotArea> areas) {
    m_areas = std::move(areas);
    m_selected = -1;
    m_hovered = -1;
    CancelTools();
}

void HotspotTool::ToggleTool(Tool tool) {
    const bool wasOn = m_tool == tool;
    CancelTools();
    if (HasPicture() && !wasOn) m_tool = tool;
}

void HotspotTool::CancelTools() {
    m_tool = Tool::kNone;
    m_polygonInProgress = false;
    m_dragging = false;
    m_moving = false;
    m_skipRelease = false;
    // Polygons with fewer than three corners are dropped, keeping the selection on
    // the same area where it survives.
    std::vector<CHotspotArea> kept;
    int selected = -1;
    for (size_t i = 0; i < m_areas.size(); ++i) {
        const CHotspotArea& area = m_areas[i];
        if (area.m_nShape == CHotspotArea::kPolygon && area.m_arrCoords.size() < 6) continue;
        if (static_cast<int>(i) == m_selected) selected = static_cast<int>(kept.size());
        kept.push_back(area);
    }
    if (kept.size() != m_areas.size()) {
        m_areas = std::move(kept);
        m_selected = selected;
        m_hovered = -1;
    }
}

void HotspotTool::Press(int x, int y) {
    if (!IsOnPicture(x, y)) return;
    m_anchorX = x;
    m_anchorY = y;
    switch (m_tool) {
        case Tool::kRectangle:
        case Tool::kCircle:
            m_dragging = true;
            m_scratch = CHotspotArea();
            m_scratch.m_nShape =
                m_tool == Tool::kRectangle ? CHotspotArea::kRectangle : CHotspotArea::kCircle;
            m_scratch.SetRect(x, y, x, y);
            break;
        case Tool::kNone: {
            const int hit = HitTest(x, y);
            if (hit < 0) return;  // the selection stays
            Select(hit);
            m_moving = true;
            break;
        }
        case Tool::kPolygon:
            break;
    }
}

void HotspotTool::Move(int x, int y) {
    if (m_moving && m_selected >= 0) {
        MoveArea(m_areas[m_selected], x - m_anchorX, y - m_anchorY);
        m_anchorX = x;
        m_anchorY = y;
        return;
    }
    if (!m_dragging) {
        Hover(x, y);
        return;
    }
    if (!IsOnPicture(x, y)) {
        // Held at the right and bottom edges; left and top are not limited.
        x = std::min(x, m_width);
        y = std::min(y, m_height);
    }
    const int ax = m_anchorX, ay = m_anchorY;
    if (m_scratch.m_nShape == CHotspotArea::kRectangle) {
        m_scratch.SetRect(std::min(x, ax), std::min(y, ay), std::max(x, ax), std::max(y, ay));
        return;
    }
    const int r = std::max(std::abs(ax - x), std::abs(ay - y));
    const int left = x >= ax ? ax : ax - r;
    const int top = y >= ay ? ay : ay - r;
    m_scratch.SetRect(left, top, left + r, top + r);
}

void HotspotTool::Release(int x, int y, bool insidePane) {
    if (m_moving) {
        m_moving = false;
        return;
    }
    if (m_dragging) {
        // The release point counts as a last movement, so that a release without
        // movement events in between still gives the box up to that point.
        Move(x, y);
        m_dragging = false;
        const bool empty = m_scratch.m_nShape == CHotspotArea::kCircle
                               ? x == m_anchorX && y == m_anchorY
                               : x == m_anchorX || y == m_anchorY;
        if (empty) {
            CancelTools();
            return;
        }
        AddShape(m_scratch);
        return;
    }
    if (m_skipRelease) {
        m_skipRelease = false;
        return;
    }
    if (m_tool != Tool::kPolygon || !insidePane || !IsOnPicture(x, y)) return;
    if (!m_polygonInProgress) {
        m_polygonInProgress = true;
        CHotspotArea polygon;
        polygon.m_nShape = CHotspotArea::kPolygon;
        polygon.AddPoint(x, y);
        AddShape(std::move(polygon));
        return;
    }
    if (m_areas.empty()) {
        m_polygonInProgress = false;
        return;
    }
    const std::vector<std::int32_t>& corners = m_areas.back().m_arrCoords;
    const size_t n = corners.size();
    if (n < 2 || corners[n - 2] != x || corners[n - 1] != y) m_areas.back().AddPoint(x, y);
    Select(static_cast<int>(m_areas.size()) - 1);
}

void HotspotTool::DoubleClick() {
    if (!m_polygonInProgress) return;
    FinishPolygon();
    m_skipRelease = true;
}

void HotspotTool::FinishPolygon() {
    if (!m_polygonInProgress) return;
    CancelTools();  // drops a polygon that is too short
    m_tool = Tool::kPolygon;
}

void HotspotTool::Hover(int x, int y) {
    m_hovered = IsOnPicture(x, y) ? HitTest(x, y) : -1;
}

int HotspotTool::HitTest(int x, int y) const {
    for (size_t i = m_areas.size(); i-- > 0;) {
        if (m_areas[i].Contains(x, y)) return static_cast<int>(i);
    }
    return -1;
}

void HotspotTool::Select(int index) {
    m_selected = index >= 0 && index < static_cast<int>(m_areas.size()) ? index : -1;
    if (m_selected < 0) return;
    const std::string& link = m_areas[m_selected].m_strLink;
    for (size_t i = 0; i < m_links.size(); ++i) {
        if (StartsWithIgnoringCase(m_links[i], link)) {
            m_currentLink = static_cast<int>(i);
            return;
        }
    }
}

void HotspotTool::ChooseLink(int index) {
    CancelTools();
    if (index < 0 || index >= static_cast<int>(m_links.size())) return;
    m_currentLink = index;
    if (m_selected >= 0) m_areas[m_selected].m_strLink = m_links[index];
}

void HotspotTool::DeleteSelected() {
    CancelTools();
    if (m_selected < 0) return;
    m_areas.erase(m_areas.begin() + m_selected);
    m_selected = -1;
    m_hovered = -1;
}

void HotspotTool::Nudge(int dx, int dy) {
    if (m_tool != Tool::kNone || m_selected < 0) return;
    MoveArea(m_areas[m_selected], dx, dy);
}

bool HotspotTool::IsCurrentLink(const CHotspotArea& area) const {
    if (m_currentLink < 0) return false;
    return ToLowerUtf8(area.m_strLink) == ToLowerUtf8(m_links[m_currentLink]);
}

std::string HotspotTool::StatusText() const {
    const CHotspotArea* area = RubberBand();
    if (!area && m_hovered >= 0) area = &m_areas[m_hovered];
    if (!area && m_selected >= 0) area = &m_areas[m_selected];
    if (!area) return {};
    std::string text = ShapeName(area->m_nShape);
    if (area->m_nShape == CHotspotArea::kPolygon)
        text += " of " + std::to_string(area->m_arrCoords.size() / 2) + " points";
    for (size_t i = 0; i < area->m_arrCoords.size(); ++i)
        text += (i == 0 ? " " : ", ") + std::to_string(area->m_arrCoords[i]);
    if (area != RubberBand()) text += " - " + area->m_strLink;
    return text;
}

std::string HotspotTool::HintText() const {
    switch (m_tool) {
        case Tool::kRectangle:
            return "Drag on the picture to draw a rectangle.";
        case Tool::kCircle:
            return "Drag on the picture to draw a circle.";
        case Tool::kPolygon:
            return "Click to add corners; double-click or press Enter to finish the polygon.";
        case Tool::kNone:
            break;
    }
    return {};
}

void HotspotTool::AddShape(CHotspotArea shape) {
    // A new shape leads to the first entry of the link list.
    if (!m_links.empty()) {
        m_currentLink = 0;
        shape.m_strLink = m_links.front();
    }
    m_areas.push_back(std::move(shape));
    Select(static_cast<int>(m_areas.size()) - 1);
}

void HotspotTool::MoveArea(CHotspotArea& area, int dx, int dy) const {
    // Coordinates alternate x and y for every shape (a box is two corners).
    // Saturating, as stored values are user data and may be extreme.
    for (size_t i = 0; i < area.m_arrCoords.size(); ++i) {
        const std::int64_t moved = std::int64_t{area.m_arrCoords[i]} + ((i % 2 == 0) ? dx : dy);
        area.m_arrCoords[i] =
            static_cast<std::int32_t>(std::clamp<std::int64_t>(moved, INT32_MIN, INT32_MAX));
    }
}

}  // namespace foldcraft
