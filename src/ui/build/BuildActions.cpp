#include "ui/build/BuildActions.h"

#include <QFileInfo>
#include <QUrl>

#include "document/AddItemsCommand.h"
#include "document/FileItems.h"
#include "document/FolderImport.h"
#include "document/FolderSettingsCommand.h"
#include "document/MoveItemCommand.h"
#include "document/ProjectDocument.h"
#include "document/RemoveItemCommand.h"
#include "document/SortTreeCommand.h"
#include "generator/SiteGenerator.h"
#include "model/BuildTreeFolder.h"
#include "ui/build/BuildDialogs.h"
#include "ui/build/CBuildTreeView.h"
#include "ui/common/AppServices.h"
#include "ui/common/DesktopOpener.h"

namespace foldcraft {

namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

using ButtonStylesCommand = FolderSettingsCommand<ButtonStyleSettings, &ApplyButtonStyles>;
using HotspotsCommand = FolderSettingsCommand<HotspotSettings, &ApplyHotspots>;

constexpr std::string_view kNoSubitems = "Folder has no subitems to link to.";
constexpr std::string_view kNotAFile = "Cannot add a file that is empty or cannot be read.";

}  // namespace

BuildActions::BuildActions(ProjectDocument& document, AppServices& services, CBuildTreeView& tree,
                           IBuildDialogs& dialogs, QObject* parent)
    : QObject(parent),
      m_document(document),
      m_services(services),
      m_tree(tree),
      m_model(tree.Model()),
      m_dialogs(dialogs) {
    connect(&m_tree, &CBuildTreeView::selectionChanged, this, &BuildActions::selectionChanged);
    connect(&m_tree, &CBuildTreeView::removeRequested, this,
            [this] { Run(BuildCommand::kRemove); });
    connect(&m_tree, &CBuildTreeView::filesDropped, this, &BuildActions::DropFiles);
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, &BuildActions::selectionChanged);
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this, &BuildActions::selectionChanged);
    connect(&m_model, &QAbstractItemModel::rowsMoved, this, &BuildActions::selectionChanged);
    connect(&m_model, &QAbstractItemModel::layoutChanged, this, &BuildActions::selectionChanged);
    connect(&m_model, &QAbstractItemModel::modelReset, this, &BuildActions::selectionChanged);
}

void BuildActions::Run(BuildCommand command) {
    switch (command) {
        case BuildCommand::kAddFolder:
            AddFolder();
            break;
        case BuildCommand::kAddFiles:
            AddFiles();
            break;
        case BuildCommand::kAddWebLink:
            AddWebLink();
            break;
        case BuildCommand::kButtons:
            EditButtons();
            break;
        case BuildCommand::kHotspots:
            EditHotspots();
            break;
        case BuildCommand::kPreview:
            WritePreviewPage();
            break;
        case BuildCommand::kSortAscending:
            Sort(true);
            break;
        case BuildCommand::kSortDescending:
            Sort(false);
            break;
        case BuildCommand::kMoveUp:
            Move(true);
            break;
        case BuildCommand::kMoveDown:
            Move(false);
            break;
        case BuildCommand::kRemove:
            Remove();
            break;
        case BuildCommand::kRefresh:
            Refresh();
            break;
        case BuildCommand::kAddFolderFromDisk:
            AddFolderFromDisk();
            break;
    }
}

BuildSelection BuildActions::Selection() const {
    BuildSelection selection;
    selection.treeItemCount = m_model.ItemCount();
    const ItemRef ref = m_tree.Selected();
    if (!ref) return selection;
    selection.any = true;
    selection.folder = ref.item->IsFolder();
    selection.root = ref.parent == nullptr;
    if (ref.parent) {
        const int row = m_model.IndexOf(ref).row();
        const int folders = static_cast<int>(ref.parent->m_arrFolders.size());
        const int docs = static_cast<int>(ref.parent->m_arrDocs.size());
        const int position = selection.folder ? row : row - folders;
        const int count = selection.folder ? folders : docs;
        selection.previousSameKind = position > 0;
        selection.nextSameKind = position + 1 < count;
    }
    return selection;
}

CBuildTreeFolder* BuildActions::SelectedFolder(bool orParent) const {
    const ItemRef ref = m_tree.Selected();
    if (!ref) return nullptr;
    if (ref.item->IsFolder()) return static_cast<CBuildTreeFolder*>(ref.item);
    return orParent ? ref.parent : nullptr;
}

ItemRef BuildActions::FolderRef(CBuildTreeFolder* folder) const {
    return {folder, m_model.ParentOf(folder)};
}

QWidget* BuildActions::DialogParent() const {
    return &m_tree;
}

void BuildActions::Push(QUndoCommand* command) {
    m_document.UndoStack().push(command);
}

void BuildActions::AddFolder() {
    const auto name = m_dialogs.AskFolderName(DialogParent());
    CBuildTreeFolder* parent = SelectedFolder(false);
    if (!name || !parent) return;
    std::vector<std::unique_ptr<CBuildTreeFolder>> folders;
    folders.push_back(
        std::make_unique<CBuildTreeFolder>(name->toStdString(), "(folder)", std::string()));
    const ItemRef target = FolderRef(parent);
    Push(new AddItemsCommand(m_model, QStringLiteral("Add Folder"), *parent, std::move(folders), {},
                             {m_model.Pending(), m_tree.Selected()}, {target, target}));
}

void BuildActions::AddFiles() {
    const QStringList chosen = m_services.dialogs.OpenFileNames(
        DialogParent(), QStringLiteral("Add Files"), QString::fromStdString(m_services.lastAddDir),
        QStringLiteral("All Files (*)"));
    CBuildTreeFolder* parent = SelectedFolder(false);
    if (chosen.isEmpty() || !parent) return;
    std::vector<std::string> paths;
    for (const QString& path : chosen) paths.push_back(path.toStdString());
    FileItems items = FileItems::FromPaths(paths, false);
    if (!items.lastDirectory.empty()) m_services.lastAddDir = items.lastDirectory;
    AskAboutDuplicates(items, *parent);
    if (items.docs.empty()) return;
    const ItemRef target = FolderRef(parent);
    Push(new AddItemsCommand(m_model, QStringLiteral("Add Files"), *parent, {},
                             std::move(items.docs), {m_model.Pending(), m_tree.Selected()},
                             {target, target}));
    if (items.supportFile) SupportFileNotice();
}

void BuildActions::AddWebLink() {
    const auto link = m_dialogs.AskWebLink(DialogParent());
    CBuildTreeFolder* parent = SelectedFolder(false);
    if (!link || !parent) return;
    std::vector<std::unique_ptr<CBuildTreeDoc>> docs;
    docs.push_back(std::make_unique<CBuildTreeDoc>(link->name.toStdString(),
                                                   link->link.toStdString(), std::string()));
    const ItemRef target = FolderRef(parent);
    Push(new AddItemsCommand(m_model, QStringLiteral("Add Web Link"), *parent, {}, std::move(docs),
                             {m_model.Pending(), m_tree.Selected()}, {target, target}));
}

void BuildActions::AddFolderFromDisk() {
    const QString chosen =
        m_services.dialogs.ExistingDirectory(DialogParent(), QStringLiteral("Folder from Disk"),
                                             QString::fromStdString(m_services.lastAddDir));
    CBuildTreeFolder* parent = SelectedFolder(false);
    if (chosen.isEmpty() || !parent) return;
    std::vector<std::unique_ptr<CBuildTreeFolder>> folders;
    if (auto folder = ImportFolder(chosen)) folders.push_back(std::move(folder));
    if (folders.empty()) return;
    m_services.lastAddDir = QFileInfo(chosen).absolutePath().toStdString();
    const ItemRef target = FolderRef(parent);
    Push(new AddItemsCommand(m_model, QStringLiteral("Add Folder from Disk"), *parent,
                             std::move(folders), {}, {m_model.Pending(), m_tree.Selected()},
                             {target, target}));
}

std::unique_ptr<CBuildTreeFolder> BuildActions::ImportFolder(const QString& directory) {
    FolderImport import = FolderImport::FromDirectory(directory.toStdString());
    if (!import.message.isEmpty()) m_services.dialogs.Error(DialogParent(), import.message);
    return std::move(import.folder);
}

void BuildActions::AskAboutDuplicates(FileItems& items, const CBuildTreeFolder& folder) {
    const std::vector<std::string> names = items.AlreadyIn(folder);
    if (names.empty()) return;
    QStringList shown;
    for (const std::string& name : names) shown << QString::fromStdString(name);
    const QString question =
        names.size() == 1
            ? QStringLiteral("%1 is already in this folder. Add it again?").arg(shown.front())
            : QStringLiteral("These files are already in this folder: %1. Add them again?")
                  .arg(shown.join(QStringLiteral(", ")));
    if (m_services.dialogs.Message(DialogParent(), question, IUserDialogs::Buttons::kYesNo,
                                   IUserDialogs::Icon::kQuestion) != IUserDialogs::Answer::kYes)
        items.LeaveOutAlreadyIn(folder);
}

void BuildActions::DropFiles(const QStringList& dropped, const ItemRef& target) {
    if (!target) return;
    CBuildTreeFolder* parent =
        target.item->IsFolder() ? static_cast<CBuildTreeFolder*>(target.item) : target.parent;
    // Folders bring their trees; everything else is taken as a file.
    std::vector<std::unique_ptr<CBuildTreeFolder>> folders;
    std::vector<std::string> paths;
    for (const QString& path : dropped) {
        if (!QFileInfo(path).isDir()) {
            paths.push_back(path.toStdString());
        } else if (auto folder = ImportFolder(path)) {
            folders.push_back(std::move(folder));
        }
    }
    FileItems items = FileItems::FromPaths(paths, true);
    for (int i = 0; i < items.refused; ++i)
        m_services.dialogs.Error(DialogParent(), Text(kNotAFile));
    AskAboutDuplicates(items, *parent);
    if (!items.docs.empty() || !folders.empty()) {
        Push(new AddItemsCommand(m_model, QStringLiteral("Drop Files"), *parent, std::move(folders),
                                 std::move(items.docs), {m_model.Pending(), m_tree.Selected()},
                                 {m_model.Pending(), {}}));
    }
    if (items.supportFile) SupportFileNotice();
}

void BuildActions::SupportFileNotice() {
    if (m_services.settings.GetInt("Message", "SupportFileMsg", 0) != 0) return;
    if (m_dialogs.SupportFileNotice(DialogParent()))
        m_services.settings.WriteInt("Message", "SupportFileMsg", 1);
}

void BuildActions::EditButtons() {
    CBuildTreeFolder* folder = SelectedFolder(false);
    if (!folder) return;
    auto styles = m_dialogs.EditButtonStyles(DialogParent(), *folder);
    if (!styles) return;
    const TreeSelection after{m_model.Pending(), m_model.Pending()};
    Push(new ButtonStylesCommand(m_model, QStringLiteral("Buttons"), FolderRef(folder),
                                 ReadButtonStyles(*folder), std::move(*styles),
                                 {m_model.Pending(), m_tree.Selected()}, after));
}

void BuildActions::EditHotspots() {
    CBuildTreeFolder* folder = SelectedFolder(false);
    if (!folder) return;
    if (folder->m_arrDocs.empty() && folder->m_arrFolders.empty()) {
        m_services.dialogs.Error(DialogParent(), Text(kNoSubitems));
        return;
    }
    auto hotspots = m_dialogs.EditHotspots(DialogParent(), *folder);
    if (!hotspots) return;
    const TreeSelection after{m_model.Pending(), m_model.Pending()};
    Push(new HotspotsCommand(m_model, QStringLiteral("Hotspots"), FolderRef(folder),
                             ReadHotspots(*folder), std::move(*hotspots),
                             {m_model.Pending(), m_tree.Selected()}, after));
}

void BuildActions::Sort(bool ascending) {
    const ItemRef selected = m_tree.Selected();
    CBuildTreeFolder* folder = SelectedFolder(true);
    if (!folder) {
        Refresh();
        return;
    }
    Push(new SortTreeCommand(m_model, *folder, ascending, {m_model.Pending(), selected},
                             {selected, selected}));
}

void BuildActions::Move(bool up) {
    const ItemRef selected = m_tree.Selected();
    const BuildSelection selection = Selection();
    if (!selected.parent || !(up ? selection.previousSameKind : selection.nextSameKind)) return;
    Push(new MoveItemCommand(m_model, selected, up, {m_model.Pending(), selected},
                             {selected, selected}));
}

void BuildActions::Remove() {
    const ItemRef selected = m_tree.Selected();
    if (!selected) return;
    if (!selected.parent) {
        Refresh();
        return;
    }
    const ItemRef parent = FolderRef(selected.parent);
    Push(new RemoveItemCommand(m_model, selected, {m_model.Pending(), selected}, {parent, parent}));
}

void BuildActions::Refresh() {
    m_model.RequestRebuild(m_model.Pending());
}

void BuildActions::WritePreviewPage() {
    const CBuildTreeFolder* folder = SelectedFolder(true);
    if (!folder) return;
    if (!foldcraft::WritePreviewPage(m_document.Doc(), *folder, m_services.programFolder)) return;
    DesktopOpener(m_services.dialogs)
        .Open(m_tree.window(),
              QUrl::fromLocalFile(QString::fromStdString(m_services.programFolder + "/temp.html")));
}

}  // namespace foldcraft
