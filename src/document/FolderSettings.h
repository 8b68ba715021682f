#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/HotspotArea.h"

class CBuildTreeFolder;

namespace foldcraft {
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

}  // namespace foldcraft
