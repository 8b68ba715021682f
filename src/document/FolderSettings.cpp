#include "document/FolderSettings.h"

#include "model/BuildTreeFolder.h"

namespace foldcraft {

ButtonStyleSettings ReadButtonStyles(const CBuildTreeFolder& folder) {
    return {folder.m_nFolderButtonStyle, folder.m_nFileButtonStyle, folder.m_nFolderButtonGraphic,
            folder.m_nFileButtonGraphic};
}

void ApplyButtonStyles(CBuildTreeFolder& folder, const ButtonStyleSettings& styles) {
    folder.m_nFolderButtonStyle = styles.folderStyle;
    folder.m_nFileButtonStyle = styles.fileStyle;
    folder.m_nFolderButtonGraphic = styles.folderGraphic;
    folder.m_nFileButtonGraphic = styles.fileGraphic;
}

HotspotSettings ReadHotspots(const CBuildTreeFolder& folder) {
    HotspotSettings settings{folder.m_bHotspotFolder, folder.m_strHotspotImage, {}};
    settings.areas.reserve(folder.m_arrHotspots.size());
    for (const auto& area : folder.m_arrHotspots) settings.areas.push_back(*area);
    return settings;
}

void ApplyHotspots(CBuildTreeFolder& folder, const HotspotSettings& hotspots) {
    folder.m_bHotspotFolder = hotspots.hotspotFolder;
    folder.m_strHotspotImage = hotspots.image;
    folder.m_arrHotspots.clear();
    for (const auto& area : hotspots.areas) folder.m_arrHotspots.push_back(area.Clone());
}

}  // namespace foldcraft
