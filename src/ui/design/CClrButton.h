#pragma once

#include <QColor>
#include <QPushButton>

namespace foldcraft {

// A push button drawn by itself: its caption on a face of a chosen colour, framed
// like a classic three-dimensional button in the colours of the system palette.
class CClrButton : public QPushButton {
    Q_OBJECT
public:
    struct State {
        bool disabled = false;
        bool pressed = false;
        bool focused = false;
        bool isDefault = false;
    };

    explicit CClrButton(const QString& caption = QString(), QWidget* parent = nullptr);

    // Stores both colours, resets the disabled face to the palette's button face and
    // repaints.
    void SetColours(const QColor& text, const QColor& face);
    QColor FaceColour() const { return m_face; }

    // Paints the button into rect in the given state.
    void Paint(QPainter& painter, const QRect& rect, State state) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_text;
    QColor m_face;
    QColor m_disabledFace;
    QColor m_light;       // inner ring, top and left
    QColor m_highlight;   // outer ring, top and left
    QColor m_shadow;      // inner ring, bottom and right
    QColor m_darkShadow;  // outer ring, bottom and right
};

}  // namespace foldcraft
