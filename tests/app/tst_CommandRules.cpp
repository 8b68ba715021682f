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
#include "ui/support/RecordingUserDialogs.h"

using namespace foldcraft;

class tst_CommandRules : public QObject {
    Q_OBJECT
private slots:
    // Every Build command for each tab in front and each kind of selection. The
    // expectation lists the commands in their enum order: Add Folder, Add Files,
    // Add Web Link, Buttons, Hotspots, Preview, Sort Alphabetical, Reverse
    // Alphabetical, Move Up, Move Down, Remove, Refresh.
    void enableTable() {
        struct Row {
            const char* kind;
            BuildSelection selection;
            const char* onBuildTab;
        };
        const Row rows[] = {
            {"nothing selected", {}, "000000110001"},
            {"root", {true, true, true, false, false, 3}, "111111110001"},
            {"folder between folders", {true, true, false, true, true, 5}, "111111111111"},
            {"last folder before documents", {true, true, false, true, false, 5}, "111111111011"},
            {"first document", {true, false, false, false, true, 5}, "000000110111"},
            {"only document", {true, false, false, false, false, 2}, "000000110011"},
        };
        for (const Row& row : rows) {
            for (StepTab tab : {StepTab::kBuild, StepTab::kDesign, StepTab::kPublish}) {
                QString got;
                for (const auto& info : CommandRules::Commands())
                    got += CommandRules::IsEnabled(info.command, tab, row.selection) ? '1' : '0';
                const QString expected = tab == StepTab::kBuild
                                             ? QString::fromLatin1(row.onBuildTab)
                                             : QStringLiteral("000000000000");
                QVERIFY2(got == expected, qPrintable(QStringLiteral("%1, tab %2: %3")
                                                         .arg(QLatin1String(row.kind))
                                                         .arg(int(tab))
                                                         .arg(got)));
            }
        }
        BuildSelection onlyRoot{true, true, true, false, false, 1};
        QVERIFY(!CommandRules::IsNewEnabled(onlyRoot));
        onlyRoot.treeItemCount = 2;
        QVERIFY(CommandRules::IsNewEnabled(onlyRoot));
    }

    // The window re-reads the rules when another tab comes to the front and after
    // each edit, menu and toolbar alike (they share the actions); the tree starts
    // 200 pixels wide; the caption shows the modified mark.
    void windowFollowsTheTabInFront() {
        ProjectDocument document;
        test::RecordingUserDialogs dialogs;
        MemorySettingsStore settings;
        AppServices services{dialogs, settings, {}};
        DocumentLifeCycle lifeCycle(document, services);
        CMainFrame frame(document, services, lifeCycle);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QCOMPARE(frame.BuildSplitter()->sizes().value(0), 200);

        QAction* sort = frame.BuildAction(BuildCommand::kSortAscending);
        QVERIFY(sort->isEnabled());
        frame.SetCurrentTab(StepTab::kDesign);
        QVERIFY(!sort->isEnabled());
        frame.SetCurrentTab(StepTab::kPublish);
        QVERIFY(!sort->isEnabled());
        frame.SetCurrentTab(StepTab::kBuild);
        QVERIFY(sort->isEnabled());
        // New waits for a second item in the tree.
        QAction* fileNew = frame.findChild<QAction*>(QStringLiteral("actionNew"));
        QVERIFY(!fileNew->isEnabled());
        document.Doc().m_pRoot->AddFolder(std::make_unique<CBuildTreeFolder>("F", "", ""));
        document.UndoStack().push(new QUndoCommand(QStringLiteral("add")));
        QVERIFY(fileNew->isEnabled());

        QCOMPARE(frame.windowTitle(), QStringLiteral("New Document[*] - Foldcraft"));
        document.MarkSaved();
        document.MarkModified();
        QVERIFY(frame.isWindowModified());
    }
};

QTEST_MAIN(tst_CommandRules)
#include "tst_CommandRules.moc"
