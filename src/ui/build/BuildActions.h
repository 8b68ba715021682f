#pragma once

#include <QObject>
#include <QStringList>
#include <memory>

#include "document/BuildCommand.h"
#include "document/BuildTreeModel.h"

class QUndoCommand;
class QWidget;
class CBuildTreeFolder;

namespace foldcraft {
class ProjectDocument;
class CBuildTreeView;
class IBuildDialogs;
struct FileItems;
struct AppServices;

// Carries out the Build commands on the tree's selection: adding folders, files and
// web links, drops, sorting, moving, removing, the preview page, button styles and
// hotspots. Each change is one step on the document's undo stack. It asks through
// dialogs and the services' message boxes; the main window, the form's buttons and
// the tree's requests (Delete, drops) all end here.
class BuildActions : public QObject {
    Q_OBJECT
public:
    // document, services, tree and dialogs must outlive this object; none is owned.
    BuildActions(ProjectDocument& document, AppServices& services, CBuildTreeView& tree,
                 IBuildDialogs& dialogs, QObject* parent = nullptr);

    // Carries out one Build command on the tree's selection. Commands that do not
    // apply to the selection do nothing.
    void Run(BuildCommand command);
    // The selection as the enable rules see it.
    BuildSelection Selection() const;

    // Adds dropped files, and dropped folders with their trees, to the target's folder
    // (the target's parent for a document) as one step; nothing without a target.
    void DropFiles(const QStringList& paths, const ItemRef& target);
    // Writes the selected folder's preview page and opens it.
    void WritePreviewPage();

signals:
    // The selection or the tree changed: the window re-reads the enable rules.
    void selectionChanged();

private:
    void AddFolder();
    void AddFiles();
    void AddWebLink();
    void AddFolderFromDisk();
    // The directory as a new folder with its tree; null (the user told why) when it
    // could not be read.
    std::unique_ptr<CBuildTreeFolder> ImportFolder(const QString& directory);
    // Asks whether the documents of items that folder already holds are to be added
    // again; leaves them out unless the answer is Yes.
    void AskAboutDuplicates(FileItems& items, const CBuildTreeFolder& folder);
    void EditButtons();
    void EditHotspots();
    void Sort(bool ascending);
    void Move(bool up);
    void Remove();
    void Refresh();
    void SupportFileNotice();
    // The selected folder, or the folder of the selected item when orParent is set.
    CBuildTreeFolder* SelectedFolder(bool orParent) const;
    ItemRef FolderRef(CBuildTreeFolder* folder) const;
    // The parent of the dialogs and message boxes.
    QWidget* DialogParent() const;
    void Push(QUndoCommand* command);

    ProjectDocument& m_document;
    AppServices& m_services;
    CBuildTreeView& m_tree;
    BuildTreeModel& m_model;
    IBuildDialogs& m_dialogs;
};

}  // namespace foldcraft
