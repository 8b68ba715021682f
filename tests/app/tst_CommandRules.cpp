#include <QAction>
#include <QSplitter>
#include <QTest>
#include <QUndoCommand>

#include "app/AppServices.h"
#include "app/CMainFrame.h"
#include "app/CommandRules.h"
#include "app/DocumentLifeCycle.h"
#include "app/ProjectDocument.h"
#include "model/MemorySettingsStore.h"
#include "support/Patience.h"
#include "ui/support/RecordingUserDialogs.h"

using namespace foldcraft;

class tst_CommandRules : public QObject {
    Q_OBJECT
private slots:
    // Every Build command (in enum order: Add Folder, Add Files, Add Web Link, Buttons,
    // Hotspots, Preview, Sort Alphabetical, Reverse Alphabetical, Move Up, Move Down,
    // Remove, Refresh) for each kind of selection; another tab in front disables all.
    void enableTable() {
        const std::pair<BuildSelection, const char*> rows[] = {
            {{}, "000000110001"},                                     // nothing selected
            {{true, true, true, false, false, 3}, "111111110001"},    // root
            {{true, true, false, true, true, 5}, "111111111111"},     // folder between folders
            {{true, true, false, true, false, 5}, "111111111011"},    // last folder
            {{true, false, false, false, true, 5}, "000000110111"},   // first document
            {{true, false, false, false, false, 2}, "000000110011"},  // only document
        };
        for (const auto& [selection, onBuildTab] : rows) {
            for (StepTab tab : {StepTab::kBuild, StepTab::kDesign, StepTab::kPublish}) {
                QString got;
                for (const auto& info : CommandRules::Commands())
                    got += CommandRules::IsEnabled(info.command, tab, selection) ? '1' : '0';
                QCOMPARE(got, tab == StepTab::kBuild ? QString(onBuildTab) : QString(12, '0'));
            }
        }
        for (int items : {1, 2}) {
            const BuildSelection onlyRoot{true, true, true, false, false, items};
            QCOMPARE(CommandRules::IsNewEnabled(onlyRoot), items == 2);
        }
    }

    // The window re-reads the rules when another tab comes to the front and after each
    // edit; the tree starts 200 pixels wide; the caption's modified mark follows the
    // undo stack's clean state.
    void windowFollowsTabAndUndoStack() {
        ProjectDocument document;
        test::RecordingUserDialogs dialogs;
        MemorySettingsStore settings;
        AppServices services{dialogs, settings, {}};
        DocumentLifeCycle lifeCycle(document, services);
        CMainFrame frame(document, services, lifeCycle);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame, test::kPatienceMs));
        QCOMPARE(frame.BuildSplitter()->sizes().value(0), 200);
        QAction* sort = frame.BuildAction(BuildCommand::kSortAscending);
        for (StepTab tab : {StepTab::kDesign, StepTab::kPublish, StepTab::kBuild}) {
            frame.SetCurrentTab(tab);
            QCOMPARE(sort->isEnabled(), tab == StepTab::kBuild);
        }
        QAction* fileNew = frame.findChild<QAction*>(QStringLiteral("actionNew"));
        QVERIFY(!fileNew->isEnabled());  // New waits for a second item in the tree
        document.Doc().m_pRoot->AddFolder(std::make_unique<CBuildTreeFolder>("F", "", ""));
        QUndoStack& undo = document.UndoStack();
        undo.push(new QUndoCommand(QStringLiteral("add")));
        QVERIFY(fileNew->isEnabled());
        QCOMPARE(frame.windowTitle(), QStringLiteral("New Document[*] - Foldcraft"));
        QVERIFY(frame.isWindowModified());
        undo.undo();
        QVERIFY(!frame.isWindowModified() && !document.Doc().IsModified());
        undo.redo();
        document.MarkSaved();
        QVERIFY(!frame.isWindowModified());
        undo.undo();
        QVERIFY(frame.isWindowModified() && document.Doc().IsModified());
    }
};

QTEST_MAIN(tst_CommandRules)
#include "tst_CommandRules.moc"
