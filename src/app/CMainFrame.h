#pragma once

#include <QMainWindow>
#include <map>
#include <memory>
#include <optional>

#include "document/CommandRules.h"

class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QTabWidget;
class QToolBar;

namespace foldcraft {
class ProjectDocument;
class DocumentLifeCycle;
class CBuildTreeView;
class CBuildView;
class BuildActions;
class IBuildDialogs;
class CDesignView;
class CPublishView;
struct AppServices;

// The main window: menus, toolbar, status bar and the three step tabs. It creates
// the step views once, routes the File commands to the document life cycle and the
// Build commands to BuildActions, and enables each command by CommandRules (whose
// table also gives the Build actions their texts, icons and object names). Every
// action has an object name ("actionNew", "actionAddFolder", ...) for tests.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // document, services and lifeCycle must outlive the window.
    CMainFrame(ProjectDocument& document, AppServices& services, DocumentLifeCycle& lifeCycle,
               QWidget* parent = nullptr);
    ~CMainFrame() override;

    StepTab CurrentTab() const;
    void SetCurrentTab(StepTab tab);
    QAction* BuildAction(BuildCommand command) const { return m_buildActions.at(command); }
    QTabWidget* Tabs() const { return m_tabs; }
    QSplitter* BuildSplitter() const { return m_splitter; }
    CBuildTreeView& BuildTree() const { return *m_tree; }
    CBuildView& BuildView() const { return *m_buildView; }
    BuildActions& BuildCommands() const { return *m_buildCommands; }

    // Re-reads the enable rules from the Build tree's selection and the tab in front.
    void UpdateCommandUI();
    // Writes the window's size and position to the settings (section "Window").
    void SaveGeometry();
    // Restores them; false when none were saved.
    bool RestoreGeometry();

signals:
    void tipRequested();
    void aboutRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateFileActions();
    void CreateEditActions();
    void CreateViewActions();
    void CreateHelpActions();
    void CreateBuildActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreateTabs();
    void UpdateCaption();
    void UpdateLockIndicators();
    void UpdateRecentMenu();
    void SwitchPane();
    void SendProject();
    // Opens the manual (at the step's section, if one is given) in the browser, or
    // says that it is missing.
    void ShowHelp(std::optional<StepTab> step);
    QAction* AddAction(const char* objectName, const QString& text, const QString& prompt,
                       const char* icon);

    ProjectDocument& m_document;
    AppServices& m_services;
    DocumentLifeCycle& m_lifeCycle;

    QTabWidget* m_tabs = nullptr;
    QSplitter* m_splitter = nullptr;
    QToolBar* m_toolBar = nullptr;
    CBuildTreeView* m_tree = nullptr;
    CBuildView* m_buildView = nullptr;
    CDesignView* m_designView = nullptr;
    CPublishView* m_publishView = nullptr;
    std::unique_ptr<IBuildDialogs> m_buildDialogs;
    std::unique_ptr<BuildActions> m_buildCommands;

    QAction* m_new = nullptr;
    QAction* m_open = nullptr;
    QAction* m_save = nullptr;
    QAction* m_saveAs = nullptr;
    QAction* m_send = nullptr;
    QAction* m_exit = nullptr;
    QAction* m_undo = nullptr;
    QAction* m_redo = nullptr;
    QAction* m_viewToolBar = nullptr;
    QAction* m_viewStatusBar = nullptr;
    QAction* m_help = nullptr;
    QAction* m_tip = nullptr;
    QAction* m_about = nullptr;
    QMenu* m_recentMenu = nullptr;
    QMenu* m_buildMenu = nullptr;
    QLabel* m_indicators[3] = {};  // "CAP", "NUM", "SCRL"
    std::map<BuildCommand, QAction*> m_buildActions;
};

}  // namespace foldcraft
