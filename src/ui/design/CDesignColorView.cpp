#include "ui/design/CDesignColorView.h"

#include <QPainter>

#include "model/FoldcraftDoc.h"
#include "ui/common/DesignFonts.h"

namespace foldcraft {

namespace {

QColor FromWord(std::uint32_t colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

// A band from its edges (right and bottom exclusive).
QRect Band(int left, int top, int right, int bottom) {
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

// Text from the top of the band, centred across it, on an opaque background;
// clipped to the band unless the band is the body's own (whose background the text
// cell shares, so that descenders below its 15 pixels still show).
void BandText(QPainter& painter, const QRect& band, const QString& text, std::uint32_t colour,
              std::uint32_t background, bool clip = true) {
    painter.save();
    if (clip) painter.setClipRect(band);
    const QFontMetrics metrics = painter.fontMetrics();
    const int width = metrics.horizontalAdvance(text);
    const QRect cell(band.left() + (band.width() - width) / 2, band.top(), width, metrics.height());
    painter.fillRect(cell, FromWord(background));
    painter.setPen(FromWord(colour));
    painter.drawText(cell, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter.restore();
}

}  // namespace

CDesignColorView::CDesignColorView(const CFoldcraftDoc& doc, QWidget* parent)
    : QWidget(parent), m_doc(doc) {
    setAccessibleName(QStringLiteral("Preview:"));
    setMinimumSize(200, 106);
}

void CDesignColorView::Paint(QPainter& painter, const QRect& r, const CDesignSettings& s) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(DesignFonts::Arial12(painter.device()));
    const int left = r.left(), top = r.top(), right = r.left() + r.width();
    painter.fillRect(r, FromWord(s.m_clrBodyBackground));
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(r.adjusted(0, 0, -1, -1));

    const QRect band1 = Band(left, top + 2, right, top + 17);
    BandText(painter, band1, QStringLiteral("Body Text"), s.m_clrBodyText, s.m_clrBodyBackground,
             false);
    const int bottom1 = top + 17;
    const QRect band2 = Band(left + 20, bottom1 + 10, right - 20, bottom1 + 30);
    painter.fillRect(band2, FromWord(s.m_clrFolderBackground));
    BandText(painter, band2, QStringLiteral("Folder Text"), s.m_clrFolderText,
             s.m_clrFolderBackground);
    const int bottom2 = bottom1 + 30;
    const QRect band3 = Band(left + 20, bottom2 + 10, right - 20, bottom2 + 30);
    painter.fillRect(band3, FromWord(s.m_clrDocumentBackground));
    BandText(painter, band3, QStringLiteral("Link (Document) Text"), s.m_clrLink,
             s.m_clrDocumentBackground);
    const int bottom3 = bottom2 + 30;
    const QRect band4 = Band(left + 20, bottom3 + 5, right - 20, bottom3 + 25);
    painter.fillRect(band4, FromWord(s.m_clrDocumentBackground));
    BandText(painter, band4, QStringLiteral("Visited Link Text"), s.m_clrVisitedLink,
             s.m_clrDocumentBackground);
    painter.restore();
}

void CDesignColorView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Paint(painter, rect(), m_doc);
}

}  // namespace foldcraft
