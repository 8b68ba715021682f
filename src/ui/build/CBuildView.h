#pragma once

#include <QWidget>
#include <functional>

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

namespace foldcraft {
class ProjectDocument;
class CBuildTreeView;
struct AppServices;

// The item property form of the Build tab (right column of the splitter). It shows
// the selected item's fields and writes each edit through as an undoable step. Its
// command buttons (Add Folder, Hotspot..., Refresh, ...) only ask for the command:
// BuildActions carries it out.
class CBuildView : public QWidget {
    Q_OBJECT
public:
    CBuildView(ProjectDocument& document, AppServices& services, CBuildTreeView& tree,
               QWidget* parent = nullptr);
    ~CBuildView() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // One of the form's command buttons was clicked.
    void commandRequested(foldcraft::BuildCommand command);

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

    void CreateControls();
    void SetUpDatePickers();
    void LayOutForm();
    void ConnectFields();
    void ConnectButtons();
    void Load();
    void LoadDates(const ItemFields& fields);
    // Pushes the edit that change makes to the shown item's fields.
    void Edit(Field field, const std::function<void(ItemFields&)>& change, bool merge = false);
    void ShowOutcome(const std::string& message);
    void TextEdited(Field field, QLineEdit* edit);
    void DateEdited(Field field);

    void Push(QUndoCommand* command);

    ProjectDocument& m_document;
    AppServices& m_services;
    CBuildTreeView& m_tree;
    BuildTreeModel& m_model;

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
    QWidget* m_heading = nullptr;
};

}  // namespace foldcraft
