#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace foldcraft {

// The web form of a design colour as the Colors page shows it and accepts it typed.
class ColourText {
public:
    // The colour word (red in the low byte, then green, then blue) of a typed
    // "#RRGGBB": six hex digits in either case, the "#" optional, blanks around
    // ignored. nullopt for anything else (three digits, a name, other characters).
    static std::optional<std::uint32_t> Parse(const QString& text);
};

}  // namespace foldcraft
