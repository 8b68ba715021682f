#include <QAction>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoCommand>

#include "app/AppServices.h"
#include "app/CFoldcraftApp.h"
#include "app/CMainFrame.h"
#include "app/CSplashWnd.h"
#include "app/CTipDlg.h"
#include "app/CommandRules.h"
#include "app/DocumentLifeCycle.h"
#include "app/ProjectDocument.h"
#include "app/TipOfTheDay.h"
#include "model/Clock.h"
#include "model/MemorySettingsStore.h"
#include "support/Patience.h"
#include "ui/support/RecordingUserDialogs.h"

using namespace foldcraft;

class tst_AppShell : public QObject {
    Q_OBJECT
private slots:
    // Every Build command (in enum order: Add Folder, Add Files, Add Web Link, Buttons,
    // Hotspots, Preview, Sort Alphabetical, Reverse Alphabetical, Move Up, Move Down,
    // Remove, Refresh) for each kind of selection; another tab in front disables all.
    void commandRules() {
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

    // A file of another format named at start: the message, then the window with the
    // file's name. A file that cannot be opened: the message and no window.
    void namedFileAtStart_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("title");  // of the window; empty: none
        QTest::newRow("other format") << FOLDCRAFT_TESTS_DIR "/model/fixtures/version-2.fcd"
                                      << "Error: unsupported Foldcraft file format."
                                      << "version-2.fcd[*] - Foldcraft";
        QTest::newRow("missing") << "/nonexistent/site.fcd"
                                 << "Cannot open /nonexistent/site.fcd: "
                                 << "";
    }
    void namedFileAtStart() {
        QFETCH(QString, file);
        QFETCH(QString, message);
        QFETCH(QString, title);
        QTemporaryDir folder;
        test::RecordingUserDialogs dialogs;
        MemorySettingsStore settings;
        CFoldcraftApp app(dialogs, settings, folder.path().toStdString());
        QCOMPARE(app.InitInstance({file, false}), !title.isEmpty());
        QCOMPARE(dialogs.Messages().size(), 1);
        QVERIFY2(dialogs.Messages()[0].startsWith(message), qPrintable(dialogs.Messages()[0]));
        QCOMPARE(app.MainFrame() ? app.MainFrame()->windowTitle() : QString(), title);
    }

    // A key press while the splash shows hides it and reaches no widget, shortcuts
    // included; the next key arrives as usual.
    void splashSwallowsAKeyPress() {
        QLineEdit edit;
        edit.show();
        QVERIFY(QTest::qWaitForWindowActive(&edit, test::kPatienceMs));
        edit.setFocus();
        CSplashWnd splash(&edit);
        QSignalSpy hidden(&splash, &CSplashWnd::hidden);
        QVERIFY(splash.Start() && splash.IsShowing());
        QTest::keyClick(&edit, Qt::Key_A);
        QVERIFY(!splash.IsShowing() && edit.text().isEmpty());
        QTest::keyClick(&edit, Qt::Key_B);
        QCOMPARE(edit.text(), QStringLiteral("b"));
        QCOMPARE(hidden.count(), 1);
    }

    // Over many start times and every recorded "FilePos": the first tip is never the
    // recorded one, and no tip follows itself, also when two choices fall in the
    // same second.
    void neverTheSameTipTwiceInARow() {
        for (int pos = 0; pos < TipOfTheDay::kCount; ++pos) {
            for (Time start = 1'000'000'000; start < 1'000'000'000 + 200; ++start) {
                MemorySettingsStore settings;
                settings.WriteInt("Tip", "FilePos", pos);
                TipOfTheDay tips(settings);
                int previous = pos;
                for (Time t : {start, start, start + 1, start + 1, start + 2}) {
                    const int chosen = tips.Choose(t);
                    QVERIFY(chosen >= 0 && chosen < TipOfTheDay::kCount);
                    QVERIFY2(chosen != previous, qPrintable(QString::number(start)));
                    previous = chosen;
                }
            }
        }
    }

    // Tips show at start while "StartUp" is missing or 0 or less; Close writes the
    // check box; the last tip shown goes to "FilePos" when the dialog goes, also after
    // Escape, which writes nothing else.
    void tipSettings() {
        for (int startUp : {-2, -1, 0, 1}) {
            MemorySettingsStore settings;
            if (startUp > -2) settings.WriteInt("Tip", "StartUp", startUp);
            QCOMPARE(TipOfTheDay::WantedAtStartUp(settings), startUp <= 0);
        }
        MemorySettingsStore settings;
        {
            TipOfTheDay tips(settings);
            tips.Choose(1'700'000'000);
            tips.Close(false);
            settings.WriteInt("Tip", "FilePos", 99);  // replaced on destruction
            QVERIFY(!TipOfTheDay::WantedAtStartUp(settings));
        }
        QVERIFY(settings.GetInt("Tip", "FilePos", -1) != 99);
        int shown = -1;
        {
            ScopedClockPin pin(1'700'000'000);
            CTipDlg dialog(settings);
            shown = dialog.ShownIndex();
            QCOMPARE(dialog.ShownText(), QString::fromUtf8(TipOfTheDay::Tips()[size_t(shown)]));
            settings.WriteInt("Tip", "StartUp", 7);
            dialog.reject();
        }
        QCOMPARE(settings.GetInt("Tip", "StartUp", 0), 7);
        QCOMPARE(settings.GetInt("Tip", "FilePos", -1), shown);
    }
};

QTEST_MAIN(tst_AppShell)
#include "tst_AppShell.moc"
