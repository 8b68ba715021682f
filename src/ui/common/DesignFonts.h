#pragma once

#include <QFont>

class QPaintDevice;

namespace foldcraft::DesignFonts {

// The 12-point "Arial" of normal weight that the colour preview and the empty
// image pane write with, sized for device (height in pixels = vertical dots per
// inch x 12 / 72, truncated). Where Arial is not installed, the font matcher's
// closest sans-serif face stands in (on a stock Debian desktop: DejaVu Sans).
QFont Arial12(const QPaintDevice* device);

}  // namespace foldcraft::DesignFonts
