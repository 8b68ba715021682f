#include "ui/design/CClrButton.h"

#include <QPainter>

namespace foldcraft {

namespace {

// One ring of one-pixel lines along the inside of r.
void Ring(QPainter& painter, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    painter.setPen(QPen(topLeft, 0));
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(QPen(bottomRight, 0));
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
}

}  // namespace

CClrButton::CClrButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    const QPalette& colours = palette();
    m_text = colours.color(QPalette::ButtonText);
    m_face = colours.color(QPalette::Button);
    m_disabledFace = m_face;
    m_light = colours.color(QPalette::Midlight);
    m_highlight = colours.color(QPalette::Light);
    m_shadow = colours.color(QPalette::Dark);
    m_darkShadow = colours.color(QPalette::Shadow);
}

void CClrButton::SetColours(const QColor& text, const QColor& face) {
    m_text = text;
    m_face = face;
    m_disabledFace = palette().color(QPalette::Button);
    update();
}

void CClrButton::Paint(QPainter& painter, const QRect& rect, State state) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(rect, state.disabled ? m_disabledFace : m_face);
    if (state.pressed) {
        Ring(painter, rect, m_darkShadow, m_darkShadow);
        Ring(painter, rect.adjusted(1, 1, -1, -1), m_shadow, m_shadow);
    } else {
        QRect frame = rect;
        if (state.focused || state.isDefault) {
            Ring(painter, frame, Qt::black, Qt::black);
            frame.adjust(1, 1, -1, -1);
        }
        Ring(painter, frame, m_highlight, m_darkShadow);
        Ring(painter, frame.adjusted(1, 1, -1, -1), m_light, m_shadow);
    }

    const QString caption = text().left(512);
    const int flags = Qt::AlignCenter | Qt::TextSingleLine;
    painter.setFont(font());
    if (state.disabled) {
        painter.setPen(Qt::white);
        painter.drawText(rect.translated(1, 1), flags, caption);
        painter.setPen(QColor(128, 128, 128));
        painter.drawText(rect.translated(-1, -1), flags, caption);
    } else {
        painter.setPen(m_text);
        painter.drawText(rect.translated(state.pressed ? QPoint(1, 1) : QPoint(-1, -1)), flags,
                         caption);
    }

    if (state.focused) {
        // A dotted ring that inverts what is under it, every other pixel.
        QPen dots(Qt::white, 0);
        dots.setDashPattern({1, 1});
        painter.setPen(dots);
        painter.setBrush(Qt::NoBrush);
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        painter.drawRect(rect.adjusted(4, 4, -5, -5));
    }
    painter.restore();
}

void CClrButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Paint(painter, rect(), {!isEnabled(), isDown() || isChecked(), hasFocus(), isDefault()});
}

}  // namespace foldcraft
