#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/HotspotArea.h"

class QWidget;
class CBuildTreeFolder;

namespace foldcraft {
struct AppServices;

// The button styles of one folder, as the Button Styles dialog edits them.
struct ButtonStyleSettings {
    std::int32_t folderStyle = 0;
    std::int32_t fileStyle = 0;
    std::int32_t folderGraphic = 0;
    std::int32_t fileGraphic = 0;
};

// The hotspot settings of one folder, as the Hotspot editor edits them.
struct HotspotSettings {
    std::int32_t hotspotFolder = 0;
    std::string image;
    std::vector<CHotspotArea> areas;
};

ButtonStyleSettings ReadButtonStyles(const CBuildTreeFolder& folder);
void ApplyButtonStyles(CBuildTreeFolder& folder, const ButtonStyleSettings& styles);
HotspotSettings ReadHotspots(const CBuildTreeFolder& folder);
void ApplyHotspots(CBuildTreeFolder& folder, const HotspotSettings& hotspots);

// Shows the Button Styles dialog on a copy of folder's styles. The edited values on
// OK, nullopt on Cancel. The folder is not touched: the caller applies the result
// (as one undoable step).
std::optional<ButtonStyleSettings> EditButtonStyles(QWidget* parent, AppServices& services,
                                                    const CBuildTreeFolder& folder);

// Shows the Hotspot editor on a copy of folder's hotspot settings; as above.
std::optional<HotspotSettings> EditHotspots(QWidget* parent, AppServices& services,
                                            const CBuildTreeFolder& folder);

}  // namespace foldcraft
