#include "app/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QUndoStack>
#include <algorithm>
#include <utility>

#include "app/DocumentLifeCycle.h"
#include "app/HelpManual.h"
#include "app/LockKeyState.h"
#include "document/ProjectDocument.h"
#include "ui/build/BuildActions.h"
#include "ui/build/BuildDialogs.h"
#include "ui/build/CBuildTreeView.h"
#include "ui/build/CBuildView.h"
#include "ui/common/AppServices.h"
#include "ui/common/DesktopOpener.h"
#include "ui/common/UndoKeyRouter.h"
#include "ui/design/CDesignView.h"
#include "ui/publish/CPublishView.h"

namespace foldcraft {
namespace {
constexpr int kTreeWidth = 200;
const char kWindowSection[] = "Window";

QIcon Icon(const char* name) {
    return name ? QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name))) : QIcon();
}
}  // namespace

CMainFrame::CMainFrame(ProjectDocument& document, AppServices& services,
                       DocumentLifeCycle& lifeCycle, QWidget* parent)
    : QMainWindow(parent), m_document(document), m_services(services), m_lifeCycle(lifeCycle) {
    setObjectName(QStringLiteral("mainFrame"));
    resize(680, 550);
    CreateFileActions();
    CreateEditActions();
    CreateViewActions();
    CreateHelpActions();
    CreateBuildActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreateTabs();

    connect(&m_document, &ProjectDocument::titleChanged, this, &CMainFrame::UpdateCaption);
    connect(&m_document, &ProjectDocument::modifiedChanged, this, &CMainFrame::UpdateCaption);
    connect(&m_document, &ProjectDocument::documentReset, this, &CMainFrame::UpdateCommandUI);
    connect(m_buildCommands.get(), &BuildActions::selectionChanged, this,
            &CMainFrame::UpdateCommandUI);
    connect(m_tabs, &QTabWidget::currentChanged, this, &CMainFrame::UpdateCommandUI);
    connect(&m_document.UndoStack(), &QUndoStack::indexChanged, this, &CMainFrame::UpdateCommandUI);
    UpdateCaption();
    UpdateCommandUI();
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::AddAction(const char* objectName, const QString& text, const QString& prompt,
                               const char* icon) {
    auto* action = new QAction(Icon(icon), text, this);
    action->setObjectName(QLatin1String(objectName));
    action->setStatusTip(prompt);
    return action;
}

void CMainFrame::CreateFileActions() {
    m_new = AddAction("actionNew", QStringLiteral("&New"), QStringLiteral("Create a new project"),
                      "new");
    m_new->setShortcut(QKeySequence::New);
    m_new->setIconText(QStringLiteral("New"));
    connect(m_new, &QAction::triggered, this, [this] { m_lifeCycle.FileNew(); });

    m_open = AddAction("actionOpen", QStringLiteral("&Open..."),
                       QStringLiteral("Open an existing project"), "open");
    m_open->setShortcut(QKeySequence::Open);
    m_open->setIconText(QStringLiteral("Open"));
    connect(m_open, &QAction::triggered, this, [this] { m_lifeCycle.FileOpen(); });

    m_save = AddAction("actionSave", QStringLiteral("&Save"), QStringLiteral("Save the project"),
                       "save");
    m_save->setShortcut(QKeySequence::Save);
    m_save->setIconText(QStringLiteral("Save"));
    connect(m_save, &QAction::triggered, this, [this] { m_lifeCycle.FileSave(); });

    m_saveAs = AddAction("actionSaveAs", QStringLiteral("Save &As..."),
                         QStringLiteral("Save the project with a new name"), nullptr);
    m_saveAs->setShortcut(QKeySequence::SaveAs);
    connect(m_saveAs, &QAction::triggered, this, [this] { m_lifeCycle.FileSaveAs(); });

    m_send = AddAction("actionSend", QStringLiteral("Sen&d..."),
                       QStringLiteral("Send the project file by e-mail"), nullptr);
    connect(m_send, &QAction::triggered, this, &CMainFrame::SendProject);

    m_exit =
        AddAction("actionExit", QStringLiteral("E&xit"), QStringLiteral("Quit Foldcraft"), nullptr);
    m_exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_exit->setMenuRole(QAction::QuitRole);
    connect(m_exit, &QAction::triggered, this, &QWidget::close);
}

void CMainFrame::CreateEditActions() {
    QUndoStack& undo = m_document.UndoStack();
    m_undo = undo.createUndoAction(this, QStringLiteral("&Undo"));
    m_undo->setObjectName(QStringLiteral("actionUndo"));
    m_undo->setIcon(Icon("undo"));
    m_undo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    m_undo->setStatusTip(QStringLiteral("Undo the last change"));
    m_redo = undo.createRedoAction(this, QStringLiteral("&Redo"));
    m_redo->setObjectName(QStringLiteral("actionRedo"));
    m_redo->setIcon(Icon("redo"));
    m_redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    m_redo->setStatusTip(QStringLiteral("Redo the last change undone"));
    // The toolbar buttons keep plain names; the menu shows what would be undone.
    m_undo->setIconText(QStringLiteral("Undo"));
    m_redo->setIconText(QStringLiteral("Redo"));
    // The keys reach the document from every field that has nothing of its own to undo.
    new UndoKeyRouter(this, m_undo, m_redo);
}

void CMainFrame::CreateViewActions() {
    m_viewToolBar = AddAction("actionViewToolbar", QStringLiteral("&Toolbar"),
                              QStringLiteral("Show or hide the toolbar"), nullptr);
    m_viewToolBar->setCheckable(true);
    m_viewToolBar->setChecked(true);
    m_viewStatusBar = AddAction("actionViewStatusBar", QStringLiteral("&Status Bar"),
                                QStringLiteral("Show or hide the status bar"), nullptr);
    m_viewStatusBar->setCheckable(true);
    m_viewStatusBar->setChecked(true);
    connect(m_viewStatusBar, &QAction::toggled, this,
            [this](bool on) { statusBar()->setVisible(on); });
}

void CMainFrame::CreateHelpActions() {
    // The menu entry opens the manual's start; F1 opens the shown step's section. The
    // entry shows F1 but takes it only while its menu is open.
    m_help = AddAction("actionHelp", QStringLiteral("Foldcraft &Help"),
                       QStringLiteral("Open the user manual in the browser"), nullptr);
    m_help->setShortcut(QKeySequence(Qt::Key_F1));
    m_help->setShortcutContext(Qt::WidgetShortcut);
    connect(m_help, &QAction::triggered, this, [this] { ShowHelp(std::nullopt); });
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
            [this] { ShowHelp(CurrentTab()); });
    m_tip = AddAction("actionTip", QStringLiteral("&Tip of the day..."),
                      QStringLiteral("Display tip of the day"), nullptr);
    connect(m_tip, &QAction::triggered, this, &CMainFrame::tipRequested);
    m_about = AddAction("actionAbout", QStringLiteral("&About Foldcraft..."),
                        QStringLiteral("Display program information, version number and copyright"),
                        "about");
    m_about->setIconText(QStringLiteral("About"));
    m_about->setMenuRole(QAction::AboutRole);
    connect(m_about, &QAction::triggered, this, &CMainFrame::aboutRequested);
}

void CMainFrame::CreateBuildActions() {
    for (const CommandRules::Info& info : CommandRules::Commands()) {
        QAction* action = AddAction(info.objectName, QString::fromUtf8(info.menuText),
                                    QString::fromLatin1(info.prompt), info.iconName);
        action->setIconText(QString::fromLatin1(info.toolText));
        action->setToolTip(QString::fromLatin1(info.toolText));
        const BuildCommand command = info.command;
        connect(action, &QAction::triggered, this, [this, command] {
            // The rules are checked again: a shortcut may fire before the menu updated.
            if (CommandRules::IsEnabled(command, CurrentTab(), m_buildCommands->Selection()))
                m_buildCommands->Run(command);
        });
        m_buildActions[command] = action;
    }
}

void CMainFrame::CreateMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(m_new);
    file->addAction(m_open);
    file->addAction(m_save);
    file->addAction(m_saveAs);
    file->addSeparator();
    file->addAction(m_send);
    file->addSeparator();
    m_recentMenu = file->addMenu(QStringLiteral("&Recent Document"));
    m_recentMenu->setObjectName(QStringLiteral("menuRecent"));
    file->addSeparator();
    file->addAction(m_exit);
    connect(file, &QMenu::aboutToShow, this, [this] {
        UpdateRecentMenu();
        const bool canSend = !m_document.Doc().GetPathName().empty() &&
                             !QStandardPaths::findExecutable(QStringLiteral("xdg-email")).isEmpty();
        m_send->setEnabled(canSend);
    });
    UpdateRecentMenu();

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->addAction(m_undo);
    edit->addAction(m_redo);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->addAction(m_viewToolBar);
    view->addAction(m_viewStatusBar);

    m_buildMenu = menuBar()->addMenu(QStringLiteral("&Build"));
    m_buildMenu->setObjectName(QStringLiteral("menuBuild"));
    QMenu* add = m_buildMenu->addMenu(QStringLiteral("&Add"));
    add->addAction(m_buildActions[BuildCommand::kAddFolder]);
    add->addAction(m_buildActions[BuildCommand::kAddFolderFromDisk]);
    add->addAction(m_buildActions[BuildCommand::kAddFiles]);
    add->addAction(m_buildActions[BuildCommand::kAddWebLink]);
    m_buildMenu->addAction(m_buildActions[BuildCommand::kButtons]);
    m_buildMenu->addAction(m_buildActions[BuildCommand::kHotspots]);
    m_buildMenu->addSeparator();
    QMenu* sort = m_buildMenu->addMenu(QStringLiteral("&Sort"));
    sort->addAction(m_buildActions[BuildCommand::kSortAscending]);
    sort->addAction(m_buildActions[BuildCommand::kSortDescending]);
    m_buildMenu->addAction(m_buildActions[BuildCommand::kMoveUp]);
    m_buildMenu->addAction(m_buildActions[BuildCommand::kMoveDown]);
    m_buildMenu->addAction(m_buildActions[BuildCommand::kRemove]);
    m_buildMenu->addSeparator();
    m_buildMenu->addAction(m_buildActions[BuildCommand::kPreview]);
    m_buildMenu->addAction(m_buildActions[BuildCommand::kRefresh]);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(m_help);
    help->addAction(m_tip);
    help->addSeparator();
    help->addAction(m_about);
}

void CMainFrame::CreateToolBar() {
    m_toolBar = addToolBar(QStringLiteral("Toolbar"));
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->addAction(m_new);
    m_toolBar->addAction(m_open);
    m_toolBar->addAction(m_save);
    m_toolBar->addSeparator();
    m_toolBar->addAction(m_undo);
    m_toolBar->addAction(m_redo);
    m_toolBar->addSeparator();
    m_toolBar->addAction(m_buildActions[BuildCommand::kAddFolder]);
    m_toolBar->addAction(m_buildActions[BuildCommand::kAddFiles]);
    m_toolBar->addAction(m_buildActions[BuildCommand::kAddWebLink]);
    m_toolBar->addSeparator();
    m_toolBar->addAction(m_buildActions[BuildCommand::kButtons]);
    m_toolBar->addAction(m_buildActions[BuildCommand::kHotspots]);
    m_toolBar->addAction(m_buildActions[BuildCommand::kPreview]);
    m_toolBar->addSeparator();
    m_toolBar->addAction(m_buildActions[BuildCommand::kSortAscending]);
    m_toolBar->addAction(m_buildActions[BuildCommand::kSortDescending]);
    m_toolBar->addSeparator();
    m_toolBar->addAction(m_buildActions[BuildCommand::kMoveUp]);
    m_toolBar->addAction(m_buildActions[BuildCommand::kMoveDown]);
    m_toolBar->addAction(m_buildActions[BuildCommand::kRemove]);
    m_toolBar->addSeparator();
    m_toolBar->addAction(m_about);
    connect(m_viewToolBar, &QAction::toggled, m_toolBar, &QWidget::setVisible);
    connect(m_toolBar, &QToolBar::visibilityChanged, m_viewToolBar, [this](bool visible) {
        if (!isMinimized()) m_viewToolBar->setChecked(visible);
    });
}

void CMainFrame::CreateStatusBar() {
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    statusBar()->showMessage(QStringLiteral("Ready"));
    // The lock-key indicators: the text shows while the key is on.
    const char* const names[] = {"CAP", "NUM", "SCRL"};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(statusBar());
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QLatin1String(names[i])) + 8);
        label->setAccessibleName(QLatin1String(names[i]));
        statusBar()->addPermanentWidget(label);
        m_indicators[i] = label;
    }
    UpdateLockIndicators();
    qApp->installEventFilter(this);
}

void CMainFrame::UpdateLockIndicators() {
    const std::optional<LockKeyState> state = LockKeyState::Read();
    const bool on[] = {state && state->caps, state && state->num, state && state->scroll};
    const char* const names[] = {"CAP", "NUM", "SCRL"};
    for (int i = 0; i < 3; ++i)
        m_indicators[i]->setText(on[i] ? QLatin1String(names[i]) : QString());
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock)
            UpdateLockIndicators();
    } else if (event->type() == QEvent::ApplicationActivate) {
        UpdateLockIndicators();
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::CreateTabs() {
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("stepTabs"));
    m_tabs->setDocumentMode(true);
    m_tabs->tabBar()->setStyleSheet(
        QStringLiteral("QTabBar::tab { font-family: Arial; font-size: 16px; font-weight: 400; }"
                       "QTabBar::tab:selected { font-weight: 700; }"));
    setCentralWidget(m_tabs);

    m_splitter = new QSplitter(Qt::Horizontal, m_tabs);
    m_splitter->setObjectName(QStringLiteral("buildSplitter"));
    m_tree = new CBuildTreeView(m_document, m_services, m_splitter);
    m_buildView = new CBuildView(m_document, m_services, *m_tree, m_splitter);
    m_buildDialogs = std::make_unique<QtBuildDialogs>(m_services.dialogs);
    m_buildCommands =
        std::make_unique<BuildActions>(m_document, m_services, *m_tree, *m_buildDialogs);
    connect(m_buildView, &CBuildView::commandRequested, m_buildCommands.get(), &BuildActions::Run);
    m_tree->setMinimumWidth(0);
    m_splitter->addWidget(m_tree);
    m_splitter->addWidget(m_buildView);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({kTreeWidth, std::max(width() - kTreeWidth, kTreeWidth)});
    m_tabs->addTab(m_splitter, Icon("tab-build"), QStringLiteral("B&uild"));

    m_designView = new CDesignView(m_document, m_services, m_tabs);
    m_tabs->addTab(m_designView, Icon("tab-design"), QStringLiteral("&Design"));
    m_publishView = new CPublishView(m_document, m_services, m_tabs);
    m_tabs->addTab(m_publishView, Icon("tab-publish"), QStringLiteral("&Publish"));
    m_tabs->setIconSize(QSize(16, 16));

    // The Build menu is the tree's context menu too (right button, Menu key, Shift+F10).
    m_tree->SetContextMenu(m_buildMenu);
    connect(m_buildMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
    // Alt+Up and Alt+Down move the tree's item while the tree has the focus; the form's
    // fields keep those keys.
    for (const auto& [command, key] : {std::pair{BuildCommand::kMoveUp, Qt::Key_Up},
                                       std::pair{BuildCommand::kMoveDown, Qt::Key_Down}}) {
        QAction* move = m_buildActions[command];
        move->setShortcut(QKeySequence(Qt::ALT | key));
        move->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        m_tree->addAction(move);
    }

    // F6 and Shift+F6: the other pane of the Build splitter.
    auto* next = new QShortcut(QKeySequence(Qt::Key_F6), this);
    auto* previous = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6), this);
    connect(next, &QShortcut::activated, this, &CMainFrame::SwitchPane);
    connect(previous, &QShortcut::activated, this, &CMainFrame::SwitchPane);
    // Ctrl+PgUp and Ctrl+PgDown: the step before or after, from anywhere in the window
    // (Ctrl+Tab belongs to the Design step's own pages).
    for (const auto& [key, step] :
         {std::pair{Qt::Key_PageUp, -1}, std::pair{Qt::Key_PageDown, 1}}) {
        auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | key), this);
        connect(shortcut, &QShortcut::activated, this, [this, step = step] {
            const int count = m_tabs->count();
            m_tabs->setCurrentIndex((m_tabs->currentIndex() + step + count) % count);
        });
    }

    // Every view is created and shown once; Build ends in front.
    SetCurrentTab(StepTab::kPublish);
    SetCurrentTab(StepTab::kDesign);
    SetCurrentTab(StepTab::kBuild);
    m_tree->setFocus();  // the window opens with the keys in the site tree
}

StepTab CMainFrame::CurrentTab() const {
    return static_cast<StepTab>(m_tabs->currentIndex());
}

void CMainFrame::SetCurrentTab(StepTab tab) {
    m_tabs->setCurrentIndex(static_cast<int>(tab));
}

void CMainFrame::UpdateCommandUI() {
    BuildSelection selection = m_buildCommands->Selection();
    // The tree shows what the project holds: New needs the root and one more item.
    const CBuildTreeFolder& root = *m_document.Doc().m_pRoot;
    if (!root.m_arrFolders.empty() || !root.m_arrDocs.empty())
        selection.treeItemCount = std::max(selection.treeItemCount, 2);
    const StepTab tab = CurrentTab();
    for (const auto& [command, action] : m_buildActions)
        action->setEnabled(CommandRules::IsEnabled(command, tab, selection));
    m_new->setEnabled(CommandRules::IsNewEnabled(selection));
}

void CMainFrame::UpdateCaption() {
    QString title = QString::fromStdString(m_document.Doc().GetTitle());
    title.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(title + QStringLiteral("[*] - Foldcraft"));
    setWindowModified(m_document.Doc().IsModified());
}

void CMainFrame::UpdateRecentMenu() {
    m_recentMenu->clear();
    const auto& files = m_lifeCycle.Recent().Files();
    int number = 1;
    for (const std::string& file : files) {
        const QString path = QString::fromStdString(file);
        QString shown = QDir::toNativeSeparators(path);
        const QString home = QDir::homePath();
        if (shown.startsWith(home + QLatin1Char('/')))
            shown = QLatin1Char('~') + shown.mid(home.size());
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action =
            m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(number++).arg(shown));
        action->setStatusTip(QStringLiteral("Open %1").arg(path));
        connect(action, &QAction::triggered, this, [this, path] { m_lifeCycle.OpenPath(path); });
    }
    m_recentMenu->setEnabled(!files.empty());
}

void CMainFrame::SwitchPane() {
    if (CurrentTab() != StepTab::kBuild) return;
    QWidget* focus = QApplication::focusWidget();
    QWidget* target = (focus && m_tree->isAncestorOf(focus)) || focus == m_tree
                          ? static_cast<QWidget*>(m_buildView)
                          : static_cast<QWidget*>(m_tree);
    if (target->focusPolicy() != Qt::NoFocus) {
        target->setFocus(Qt::ShortcutFocusReason);
        return;
    }
    for (QWidget* w = target->nextInFocusChain(); w && w != target && target->isAncestorOf(w);
         w = w->nextInFocusChain()) {
        if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(Qt::ShortcutFocusReason);
            return;
        }
    }
}

void CMainFrame::SendProject() {
    const QString path = QString::fromStdString(m_document.Doc().GetPathName());
    if (path.isEmpty()) return;
    if (m_document.Doc().IsModified() && !m_lifeCycle.FileSave()) return;
    DesktopOpener(m_services.dialogs).Mail(this, path);
}

void CMainFrame::ShowHelp(std::optional<StepTab> step) {
    const QString index = HelpManual::FindInstalledIndex();
    if (index.isEmpty()) {
        m_services.dialogs.Error(this, QStringLiteral("The user manual is not installed: no "
                                                      "doc/foldcraft/manual/index.html was "
                                                      "found beside the program or in the "
                                                      "data directories."));
        return;
    }
    DesktopOpener(m_services.dialogs).Open(this, HelpManual::Address(index, step));
}

void CMainFrame::SaveGeometry() {
    m_services.settings.WriteString(kWindowSection, "Geometry",
                                    saveGeometry().toBase64().toStdString());
}

bool CMainFrame::RestoreGeometry() {
    const std::string saved = m_services.settings.GetString(kWindowSection, "Geometry", {});
    if (saved.empty()) return false;
    return restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(saved)));
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // A run works on its own copy in another thread; ending the program under it
    // would leave a half-written site behind.
    if (m_publishView && m_publishView->IsPublishing()) {
        m_services.dialogs.Inform(this,
                                  QStringLiteral("A publish is still running. Close Foldcraft "
                                                 "when it has finished."));
        event->ignore();
        return;
    }
    if (!m_lifeCycle.SaveModified()) {
        event->ignore();
        return;
    }
    SaveGeometry();
    event->accept();
}

}  // namespace foldcraft
