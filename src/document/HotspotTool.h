#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/HotspotArea.h"

namespace foldcraft {

// The editing state of the Hotspot editor, without widgets: the working list of
// areas (copies, owned here), the link texts, the selection and the drawing tools.
// The image pane forwards its pointer events here in picture pixels; the dialog
// forwards its buttons. Every call leaves the state consistent; none fails.
//
// Tools: with no tool on, a press selects the area under the pointer and dragging
// moves it. The rectangle and circle tools add one shape per press-drag-release and
// stay on; a rectangle released on the anchor's row or column, or a circle released
// on the anchor itself, adds nothing and ends the tool. A circle's diameter is the
// larger of the drag's width and height.
// The polygon tool starts a polygon with its first release and adds a corner with
// each further one (a release on the last corner adds none), until the polygon is
// finished (double-click, Enter: the tool stays on for the next one) or the tool is
// cancelled (right-press or any other action). Either drops every polygon with fewer
// than three corners.
class HotspotTool {
public:
    enum class Tool { kNone, kRectangle, kCircle, kPolygon };

    // The picture's size in pixels; 0 x 0 when there is no picture (tools stay off).
    void SetPictureSize(int width, int height);
    int PictureWidth() const { return m_width; }
    int PictureHeight() const { return m_height; }
    bool HasPicture() const { return m_width > 0 && m_height > 0; }
    bool IsOnPicture(int x, int y) const { return x >= 0 && x < m_width && y >= 0 && y < m_height; }

    // The link list's entries, in order; the first becomes current.
    void SetLinks(std::vector<std::string> links);
    const std::vector<std::string>& Links() const { return m_links; }
    // Index of the link list's current entry; -1 only when the list is empty.
    int CurrentLink() const { return m_currentLink; }

    // Replaces the working list (clears the selection and the tools).
    void SetAreas(std::vector<CHotspotArea> areas);
    const std::vector<CHotspotArea>& Areas() const { return m_areas; }
    // Index of the selected area in Areas(), or -1.
    int Selected() const { return m_selected; }
    // Index of the area under the pointer (the last Hover() call), or -1.
    int Hovered() const { return m_hovered; }

    // The tool buttons: pressing the active tool turns it off, another tool switches
    // to it; without a picture every tool stays off. Cancels tools first.
    void ToggleTool(Tool tool);
    Tool ActiveTool() const { return m_tool; }
    // Clears the tools and the drag, and drops polygons with fewer than 3 corners.
    void CancelTools();
    // The shape being dragged out (rubber band), or nullptr.
    const CHotspotArea* RubberBand() const { return m_dragging ? &m_scratch : nullptr; }
    bool PolygonInProgress() const { return m_polygonInProgress; }

    // Pointer events in picture pixels. insidePane says whether a release happened
    // inside the visible pane (a polygon corner needs both that and the picture).
    void Press(int x, int y);
    void Move(int x, int y);
    void Release(int x, int y, bool insidePane = true);
    void RightPress() { CancelTools(); }
    // A double-click: finishes the polygon in progress; the release that follows
    // adds no corner.
    void DoubleClick();
    // Enter: finishes the polygon in progress, keeping the polygon tool on.
    void FinishPolygon();
    // Pointer movement without a button: remembers the area under (x, y).
    void Hover(int x, int y);

    // Index of the area that contains (x, y), the latest added first; -1 for none.
    int HitTest(int x, int y) const;
    // Selects an area (or -1) and makes the first link entry that begins with its
    // link text (ignoring case) current; with no such entry the current one stays.
    void Select(int index);
    // The link list's selection changed: cancels tools; the selected area takes
    // that entry's text.
    void ChooseLink(int index);
    // Removes the selected area (cancels tools first).
    void DeleteSelected();
    // Moves the selected area by (dx, dy) pixels; only with no tool on.
    void Nudge(int dx, int dy);

    // Whether an area's link is the current entry's text (ignoring case): such areas
    // are painted orange, the others green.
    bool IsCurrentLink(const CHotspotArea& area) const;
    // "Rectangle 20, 60, 50, 100 - Harbour (Folder 1)": the dragged shape, else the
    // area under the pointer, else the selected one; empty when there is none.
    std::string StatusText() const;
    // How to use the active tool, in a sentence; empty with no tool on.
    std::string HintText() const;

private:
    void AddShape(CHotspotArea shape);
    void MoveArea(CHotspotArea& area, int dx, int dy) const;

    int m_width = 0;
    int m_height = 0;
    std::vector<std::string> m_links;
    int m_currentLink = -1;
    std::vector<CHotspotArea> m_areas;
    int m_selected = -1;
    int m_hovered = -1;

    Tool m_tool = Tool::kNone;
    bool m_polygonInProgress = false;
    bool m_dragging = false;     // a rectangle or circle being dragged out
    bool m_moving = false;       // the selected area being dragged with no tool on
    bool m_skipRelease = false;  // the release after a double-click adds no corner
    CHotspotArea m_scratch;
    int m_anchorX = 0;
    int m_anchorY = 0;
};

}  // namespace foldcraft
