#pragma once

#include <optional>

#include "document/FolderSettings.h"

class QWidget;
class CBuildTreeFolder;

namespace foldcraft {
struct AppServices;

// Shows the Button Styles dialog on a copy of folder's styles. The edited values on
// OK, nullopt on Cancel. The folder is not touched: the caller applies the result
// (as one undoable step).
std::optional<ButtonStyleSettings> EditButtonStyles(QWidget* parent, AppServices& services,
                                                    const CBuildTreeFolder& folder);

// Shows the Hotspot editor on a copy of folder's hotspot settings; as above.
std::optional<HotspotSettings> EditHotspots(QWidget* parent, AppServices& services,
                                            const CBuildTreeFolder& folder);

}  // namespace foldcraft
