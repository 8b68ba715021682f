#include "ui/build/FolderDialogs.h"

#include "ui/build/CButtonStyleDlg.h"
#include "ui/build/CHotspotsDlg.h"
#include "ui/common/AppServices.h"

namespace foldcraft {

std::optional<ButtonStyleSettings> EditButtonStyles(QWidget* parent, AppServices&,
                                                    const CBuildTreeFolder& folder) {
    CButtonStyleDlg dialog(parent, ReadButtonStyles(folder));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Result();
}

std::optional<HotspotSettings> EditHotspots(QWidget* parent, AppServices& services,
                                            const CBuildTreeFolder& folder) {
    CHotspotsDlg dialog(parent, services.dialogs, folder);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Result();
}

}  // namespace foldcraft
