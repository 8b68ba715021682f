#pragma once

#include <QStringList>
#include <QWidget>
#include <memory>

#include "document/BuildCommand.h"
#include "document/BuildTreeModel.h"
#include "document/ItemFields.h"

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QUndoCommand;
class CBuildTreeFolder;

namespace foldcraft {
class ProjectDocument;
class CBuildTreeView;
class IBuildDialogs;
struct AppServices;

// The item property form of the Build tab (right column of the splitter). It shows
// the selected item's fields and writes each edit through as an undoable step; it
// also carries out the Build commands. The main window forwards the Build commands
// here and asks it for the selection.
class CBuildView : public QWidget {
    Q_OBJECT
public:
    CBuildView(ProjectDocument& document, AppServices& services, CBuildTreeView& tree,
               QWidget* parent = nullptr);
    ~CBuildView() override;

    // Carries out one Build command on the tree's selection. Commands that do not
    // apply to the selection do nothing.
    void Run(BuildCommand command);
    // The selection as the enable rules see it.
    BuildSelection Selection() const;

    // Adds dropped files to the target's folder (the target's parent for a document);
    // nothing without a target.
    void DropFiles(const QStringList& paths, const ItemRef& target);
    // Writes the selected folder's preview page and opens it.
    void WritePreviewPage();

    // Replaces the Add Folder, Add Web Link and notice dialogs (tests). Not owned.
    void SetDialogs(IBuildDialogs& dialogs) { m_dialogs = &dialogs; }

signals:
    // The selection or the tree changed: the window re-reads the enable rules.
    void selectionChanged();

private:
    enum Field {
        kName = 1,
        kLink,
        kComment,
        kVisible,
        kPublish,
        kPurge,
        kPurgeDate,
        kContents,
        kLabel
    };

    void BuildForm();
    void Load();
    void LoadDates(const ItemFields& fields);
    // Pushes the edit that change makes to the shown item's fields.
    void Edit(Field field, const std::function<void(ItemFields&)>& change, bool merge = false);
    void ShowOutcome(const std::string& message);
    void TextEdited(Field field, QLineEdit* edit);
    void DateEdited(Field field);

    void AddFolder();
    void AddFiles();
    void AddWebLink();
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
    void Push(QUndoCommand* command);

    ProjectDocument& m_document;
    AppServices& m_services;
    CBuildTreeView& m_tree;
    BuildTreeModel& m_model;
    std::unique_ptr<IBuildDialogs> m_ownDialogs;
    IBuildDialogs* m_dialogs;

    ItemRef m_shown;         // the item the form shows
    bool m_loading = false;  // filling the controls: no write-back
    bool m_writing = false;  // pushing an edit: no reload from the model
    int m_session = 1;       // typing session; a new one when the focus leaves a field

    QLineEdit* m_name = nullptr;
    QCheckBox* m_visible = nullptr;
    QLineEdit* m_link = nullptr;
    QLineEdit* m_comment = nullptr;
    QDateEdit* m_publish = nullptr;
    QCheckBox* m_purge = nullptr;
    QDateEdit* m_purgeDate = nullptr;
    QCheckBox* m_contents = nullptr;
    QLabel* m_labelCaption = nullptr;
    QPushButton* m_editLabel = nullptr;
    QPlainTextEdit* m_label = nullptr;
    QPushButton* m_addFolder = nullptr;
    QPushButton* m_addFiles = nullptr;
    QPushButton* m_addWebLink = nullptr;
    QPushButton* m_hotspots = nullptr;
    QPushButton* m_buttons = nullptr;
    QPushButton* m_refresh = nullptr;
};

}  // namespace foldcraft
