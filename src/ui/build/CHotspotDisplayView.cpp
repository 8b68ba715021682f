#include "ui/build/CHotspotDisplayView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <cmath>

#include "document/HotspotTool.h"
#include "ui/common/DesignFonts.h"

namespace foldcraft {

namespace {

const QColor kOrange(255, 153, 0);
const QColor kGreen(0, 255, 0);
const QColor kBlue(0, 0, 255);
const QColor kHover(255, 255, 255, 90);

QRectF BoxInside(const CHotspotArea& area, qreal penWidth) {
    const CHotspotArea::Rect r = area.GetRect();
    // The pen runs inside the box: half its width in from every edge.
    return QRectF(r.left, r.top, qreal(r.right) - r.left, qreal(r.bottom) - r.top)
        .adjusted(penWidth / 2, penWidth / 2, -penWidth / 2, -penWidth / 2);
}

QPolygonF Corners(const CHotspotArea& area) {
    QPolygonF polygon;
    for (const auto& point : area.GetPoints()) polygon << QPointF(point.x + 0.5, point.y + 0.5);
    return polygon;
}

// One shape with the given brush and pen; a polygon needs two corners.
void DrawArea(QPainter& painter, const CHotspotArea& area, const QPen& pen, const QBrush& brush) {
    painter.setPen(pen);
    painter.setBrush(brush);
    switch (area.m_nShape) {
        case CHotspotArea::kRectangle:
            painter.drawRect(BoxInside(area, pen.widthF()));
            break;
        case CHotspotArea::kCircle:
            painter.drawEllipse(BoxInside(area, pen.widthF()));
            break;
        case CHotspotArea::kPolygon: {
            const QPolygonF corners = Corners(area);
            if (corners.size() >= 2) painter.drawPolygon(corners, Qt::OddEvenFill);
            break;
        }
        default:
            break;
    }
}

}  // namespace

CHotspotDisplayView::CHotspotDisplayView(HotspotTool& tool, QWidget* parent)
    : QAbstractScrollArea(parent), m_tool(tool) {
    setAccessibleName(QStringLiteral("Image"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAccessibleName(QStringLiteral("Picture"));
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    SetPicture(QPixmap());
}

void CHotspotDisplayView::SetPicture(const QPixmap& picture) {
    m_picture = picture;
    // Sizes in picture pixels, whatever the pixmap's device pixel ratio.
    m_picture.setDevicePixelRatio(1.0);
    m_tool.SetPictureSize(m_picture.width(), m_picture.height());
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    UpdateScrollBars();
    viewport()->update();
}

QPoint CHotspotDisplayView::ToPicture(const QPointF& viewportPos) const {
    return QPoint(static_cast<int>(std::floor(viewportPos.x())) + horizontalScrollBar()->value(),
                  static_cast<int>(std::floor(viewportPos.y())) + verticalScrollBar()->value());
}

QPoint CHotspotDisplayView::FromPicture(const QPoint& picturePos) const {
    return picturePos - QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void CHotspotDisplayView::Paint(QPainter& painter) const {
    const QRect area = viewport()->rect();
    painter.fillRect(area, Qt::white);
    if (m_picture.isNull()) {
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5));
        painter.setFont(DesignFonts::Arial12(painter.device()));
        const int line = painter.fontMetrics().height();
        const QRect band(area.left(), area.center().y() + 1 - line, area.width(), line);
        painter.drawText(band, Qt::AlignHCenter | Qt::AlignTop,
                         QStringLiteral("No Image Selected"));
        return;
    }
    painter.save();
    painter.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    painter.drawPixmap(0, 0, m_picture);
    const auto& areas = m_tool.Areas();
    for (int i = 0; i < static_cast<int>(areas.size()); ++i) {
        const CHotspotArea& shape = areas[i];
        if (i == m_tool.Hovered()) DrawArea(painter, shape, Qt::NoPen, kHover);
        const QColor hatch = m_tool.IsCurrentLink(shape) ? kOrange : kGreen;
        const QPen pen = i == m_tool.Selected() ? QPen(kBlue, 3) : QPen(Qt::black, 1);
        DrawArea(painter, shape, pen, QBrush(hatch, Qt::DiagCrossPattern));
    }
    if (const CHotspotArea* band = m_tool.RubberBand()) {
        // The rubber band inverts the pixels under its outline.
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        DrawArea(painter, *band, QPen(Qt::white, 1), Qt::NoBrush);
    }
    painter.restore();
}

void CHotspotDisplayView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    Paint(painter);
}

void CHotspotDisplayView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CHotspotDisplayView::scrollContentsBy(int, int) {
    viewport()->update();
}

void CHotspotDisplayView::UpdateScrollBars() {
    const QSize page = viewport()->size();
    const QSize picture = m_picture.size();
    horizontalScrollBar()->setRange(0, std::max(0, picture.width() - page.width()));
    verticalScrollBar()->setRange(0, std::max(0, picture.height() - page.height()));
    horizontalScrollBar()->setPageStep(page.width());
    verticalScrollBar()->setPageStep(page.height());
    horizontalScrollBar()->setSingleStep(std::max(1, page.width() / 10));
    verticalScrollBar()->setSingleStep(std::max(1, page.height() / 10));
}

void CHotspotDisplayView::UpdateCursor(const QPoint& picturePos) {
    const bool drawing = m_tool.ActiveTool() != HotspotTool::Tool::kNone;
    const bool over = viewport()->rect().contains(FromPicture(picturePos)) &&
                      m_tool.IsOnPicture(picturePos.x(), picturePos.y());
    viewport()->setCursor(drawing && over ? Qt::CrossCursor : Qt::ArrowCursor);
}

void CHotspotDisplayView::Changed() {
    viewport()->update();
    emit toolChanged();
}

void CHotspotDisplayView::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = ToPicture(event->position());
    if (event->button() == Qt::RightButton) {
        m_tool.RightPress();
    } else if (event->button() == Qt::LeftButton) {
        m_tool.Press(pos.x(), pos.y());
    } else {
        return;
    }
    UpdateCursor(pos);
    Changed();
}

void CHotspotDisplayView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = ToPicture(event->position());
    m_tool.Move(pos.x(), pos.y());
    UpdateCursor(pos);
    Changed();
}

void CHotspotDisplayView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint pos = ToPicture(event->position());
    m_tool.Release(pos.x(), pos.y(), viewport()->rect().contains(event->position().toPoint()));
    UpdateCursor(pos);
    Changed();
}

void CHotspotDisplayView::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double-click finishes a polygon; otherwise it is a second press.
    if (event->button() != Qt::LeftButton || !m_tool.PolygonInProgress()) {
        mousePressEvent(event);
        return;
    }
    m_tool.DoubleClick();
    Changed();
}

void CHotspotDisplayView::leaveEvent(QEvent* event) {
    QAbstractScrollArea::leaveEvent(event);
    m_tool.Hover(-1, -1);
    Changed();
}

void CHotspotDisplayView::keyPressEvent(QKeyEvent* event) {
    const bool nudging = m_tool.Selected() >= 0 && m_tool.ActiveTool() == HotspotTool::Tool::kNone;
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (!nudging) {
                QAbstractScrollArea::keyPressEvent(event);  // scrolls
                return;
            }
            break;
        default:
            break;
    }
    switch (event->key()) {
        case Qt::Key_Left:
            m_tool.Nudge(-1, 0);
            break;
        case Qt::Key_Right:
            m_tool.Nudge(1, 0);
            break;
        case Qt::Key_Up:
            m_tool.Nudge(0, -1);
            break;
        case Qt::Key_Down:
            m_tool.Nudge(0, 1);
            break;
        case Qt::Key_Delete:
            m_tool.DeleteSelected();
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Enter finishes a polygon; otherwise it goes to the dialog (OK).
            if (!m_tool.PolygonInProgress()) {
                event->ignore();
                return;
            }
            m_tool.FinishPolygon();
            break;
        case Qt::Key_Escape:
            // Escape ends a tool first; with none on it closes the dialog.
            if (m_tool.ActiveTool() == HotspotTool::Tool::kNone) {
                event->ignore();
                return;
            }
            m_tool.CancelTools();
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
    Changed();
}

}  // namespace foldcraft
