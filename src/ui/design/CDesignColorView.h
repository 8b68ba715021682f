#pragma once

#include <QWidget>

class CFoldcraftDoc;
struct CDesignSettings;

namespace foldcraft {

// The live preview of the Colors page: the body, folder and document colours with
// sample texts in the text and link colours. It reads the document when it paints;
// the document outlives the view.
class CDesignColorView : public QWidget {
    Q_OBJECT
public:
    explicit CDesignColorView(const CFoldcraftDoc& doc, QWidget* parent = nullptr);

    // Paints the preview of settings into rect.
    static void Paint(QPainter& painter, const QRect& rect, const CDesignSettings& settings);

    QSize sizeHint() const override { return QSize(260, 110); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const CFoldcraftDoc& m_doc;
};

}  // namespace foldcraft
