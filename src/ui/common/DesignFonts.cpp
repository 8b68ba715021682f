#include "ui/common/DesignFonts.h"

#include <QPaintDevice>

namespace foldcraft::DesignFonts {

QFont Arial12(const QPaintDevice* device) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Normal);
    font.setPixelSize(device->logicalDpiY() * 12 / 72);
    return font;
}

}  // namespace foldcraft::DesignFonts
