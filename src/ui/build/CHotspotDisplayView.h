#pragma once

#include <QAbstractScrollArea>
#include <QPixmap>

namespace foldcraft {
class HotspotTool;

// The image pane of the Hotspot editor: shows the picture at one picture pixel per
// (device-independent) screen pixel, scrolls when it is larger than the pane, draws
// the hotspots over it and forwards the pointer, in picture pixels, to the tool. It
// holds no editing state of its own; the tool is owned by the dialog and outlives
// the pane.
class CHotspotDisplayView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CHotspotDisplayView(HotspotTool& tool, QWidget* parent = nullptr);

    // Shows a picture; a null one gives the "No Image Selected" state. Also tells the
    // tool the picture's size.
    void SetPicture(const QPixmap& picture);
    bool HasPicture() const { return !m_picture.isNull(); }

    // The picture pixel under a point of the viewport, and back (the pixel's top
    // left corner in the viewport).
    QPoint ToPicture(const QPointF& viewportPos) const;
    QPoint FromPicture(const QPoint& picturePos) const;

    // Paints the pane's contents as the viewport shows them.
    void Paint(QPainter& painter) const;

signals:
    // The tool's state changed through the pane (selection, shapes, tools, hover).
    void toolChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void UpdateScrollBars();
    void UpdateCursor(const QPoint& picturePos);
    void Changed();

    HotspotTool& m_tool;
    QPixmap m_picture;
};

}  // namespace foldcraft
