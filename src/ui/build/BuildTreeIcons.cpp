#include "ui/build/BuildTreeIcons.h"

#include <QApplication>
#include <QFile>
#include <QStyle>
#include <array>

namespace foldcraft {

namespace {

// The drawn picture of a kind when the program's resources carry it, else the
// nearest picture of the widget style.
QIcon MakeIcon(TreeIcon kind) {
    static constexpr std::array<const char*, 5> kFiles = {
        ":/icons/tree-folder.svg", ":/icons/tree-hotspot-folder.svg", ":/icons/tree-document.svg",
        ":/icons/tree-web-link.svg", ":/icons/tree-changed-document.svg"};
    const QString file = QString::fromLatin1(kFiles[static_cast<size_t>(kind)]);
    if (QFile::exists(file)) return QIcon(file);
    static constexpr std::array<QStyle::StandardPixmap, 5> kStandard = {
        QStyle::SP_DirIcon, QStyle::SP_DirLinkIcon, QStyle::SP_FileIcon, QStyle::SP_DriveNetIcon,
        QStyle::SP_FileDialogDetailedView};
    return QApplication::style()->standardIcon(kStandard[static_cast<size_t>(kind)]);
}

}  // namespace

QIcon TreeIconImage(TreeIcon kind) {
    static const std::array<QIcon, 5> icons = {
        MakeIcon(TreeIcon::kFolder), MakeIcon(TreeIcon::kHotspotFolder),
        MakeIcon(TreeIcon::kDocument), MakeIcon(TreeIcon::kWebLink),
        MakeIcon(TreeIcon::kChangedDocument)};
    return icons[static_cast<size_t>(kind)];
}

}  // namespace foldcraft
