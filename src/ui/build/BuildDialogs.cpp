#include "ui/build/BuildDialogs.h"

#include "ui/build/CButtonStyleDlg.h"
#include "ui/build/CHotspotsDlg.h"
#include "ui/build/CNewFolderDlg.h"
#include "ui/build/CNewWebLinkDlg.h"
#include "ui/build/CSupportFileMessageDlg.h"

namespace foldcraft {

std::optional<QString> QtBuildDialogs::AskFolderName(QWidget* parent) {
    CNewFolderDlg dialog(parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Name();
}

std::optional<IBuildDialogs::WebLink> QtBuildDialogs::AskWebLink(QWidget* parent) {
    CNewWebLinkDlg dialog(m_dialogs, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return WebLink{dialog.Link(), dialog.Name()};
}

bool QtBuildDialogs::SupportFileNotice(QWidget* parent) {
    CSupportFileMessageDlg dialog(parent);
    dialog.exec();
    return dialog.DontShowAgain();
}

std::optional<ButtonStyleSettings> QtBuildDialogs::EditButtonStyles(
    QWidget* parent, const CBuildTreeFolder& folder) {
    CButtonStyleDlg dialog(parent, ReadButtonStyles(folder));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Result();
}

std::optional<HotspotSettings> QtBuildDialogs::EditHotspots(QWidget* parent,
                                                            const CBuildTreeFolder& folder) {
    CHotspotsDlg dialog(parent, m_dialogs, folder);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Result();
}

}  // namespace foldcraft
