#include "document/ColourText.h"

#include <QRegularExpression>

namespace foldcraft {

std::optional<std::uint32_t> ColourText::Parse(const QString& text) {
    static const QRegularExpression kHex(QStringLiteral("^#?([0-9A-Fa-f]{6})$"));
    const QRegularExpressionMatch match = kHex.match(text.trimmed());
    if (!match.hasMatch()) return std::nullopt;
    const std::uint32_t rgb = match.captured(1).toUInt(nullptr, 16);
    return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

}  // namespace foldcraft
