#include <QAction>
#include <QDir>
#include <QFile>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoCommand>

#include "app/CFoldcraftApp.h"
#include "app/CMainFrame.h"
#include "app/CTipDlg.h"
#include "app/DocumentLifeCycle.h"
#include "app/HelpManual.h"
#include "document/CommandRules.h"
#include "document/DesignEditCommand.h"
#include "document/ProjectDocument.h"
#include "document/TipOfTheDay.h"
#include "model/Clock.h"
#include "model/MemorySettingsStore.h"
#include "model/ProjectFile.h"
#include "support/Patience.h"
#include "ui/common/AppServices.h"
#include "ui/support/RecordingUserDialogs.h"

using namespace foldcraft;
using Answer = IUserDialogs::Answer;
Q_DECLARE_METATYPE(Answer)

namespace {

struct Fixture {
    QTemporaryDir dir;
    ProjectDocument document;
    test::RecordingUserDialogs dialogs;
    MemorySettingsStore settings;
    AppServices services{dialogs, settings, {}};
    DocumentLifeCycle lifeCycle{document, services};

    QString Path(const char* name) const { return dir.filePath(QLatin1String(name)); }

    // Writes a project with `folders` sub-folders to name and returns its path.
    QString WriteProject(const char* name, int folders) {
        CFoldcraftDoc doc;
        doc.OnNewDocument();
        for (int i = 0; i < folders; ++i)
            doc.m_pRoot->AddFolder(std::make_unique<CBuildTreeFolder>("F", "", ""));
        return SaveProject(doc, Path(name).toStdString()).Ok() ? Path(name) : QString();
    }

    // A project's title, number of sub-folders and modified mark ("saved.fcd 2*"): the
    // open one's, or that of the file at path.
    QString Describe(const QString& path = {}) const {
        CFoldcraftDoc file;
        file.OnNewDocument();
        if (!path.isEmpty() && !LoadProject(file, path.toStdString()).Ok()) return "unreadable";
        const CFoldcraftDoc& doc = path.isEmpty() ? document.Doc() : file;
        return QStringLiteral("%1 %2%3")
            .arg(QString::fromStdString(doc.GetTitle()))
            .arg(doc.m_pRoot->m_arrFolders.size())
            .arg(doc.IsModified() ? "*" : "");
    }

    void AddFolder() {
        document.Doc().m_pRoot->AddFolder(std::make_unique<CBuildTreeFolder>("New", "", ""));
        document.MarkModified();
    }
};

}  // namespace

class tst_AppShell : public QObject {
    Q_OBJECT
private slots:
    // The window re-reads the rules when another tab comes to the front and after each
    // edit; the caption's modified mark follows the undo stack's clean state.
    void windowFollowsTabAndUndoStack() {
        Fixture f;
        ProjectDocument& document = f.document;
        CMainFrame frame(document, f.services, f.lifeCycle);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame, test::kPatienceMs));
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
        document.MarkSaved();
        QVERIFY(!frame.isWindowModified());
        undo.undo();  // away from the saved state
        QVERIFY(frame.isWindowModified() && document.Doc().IsModified());
    }

    // Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y reach the document's undo stack wherever the
    // focus is, except in a field with typing of its own to undo: that goes first.
    void undoKeysReachTheDocument_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::newRow("font list") << int(StepTab::kDesign) << "Font:"
                                   << "";
        QTest::newRow("comments") << int(StepTab::kDesign) << "Comments:"
                                  << "";
        QTest::newRow("thumbnail width") << int(StepTab::kDesign) << "Width"
                                         << "";
        QTest::newRow("publish date") << int(StepTab::kBuild) << "Publish:"
                                      << "";
        QTest::newRow("comments, typed") << int(StepTab::kDesign) << "Comments:"
                                         << "x";
    }
    void undoKeysReachTheDocument() {
        QFETCH(int, tab);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        Fixture f;
        CMainFrame frame(f.document, f.services, f.lifeCycle);
        frame.show();
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame, test::kPatienceMs));
        frame.SetCurrentTab(StepTab(tab));
        DesignEditCommand::Edit(f.document, UndoMergeId::kNoMerge,
                                [](CDesignSettings& s) { s.m_strTitle = "Changed"; });
        QWidget* widget = nullptr;
        for (QWidget* w : frame.findChildren<QWidget*>())
            if (!widget && w->accessibleName() == field) widget = w;
        QVERIFY(widget);
        for (QWidget* w = widget; w->parentWidget(); w = w->parentWidget()) {
            if (auto* pages = qobject_cast<QStackedWidget*>(w->parentWidget()))
                pages->setCurrentWidget(w);
        }
        widget->setFocus();
        QWidget* focus = frame.focusWidget();
        QVERIFY(focus);
        QUndoStack& undo = f.document.UndoStack();
        auto text = [&] { return focus->property("plainText").toString(); };
        if (!typed.isEmpty()) {
            const QString before = text();
            QTest::keyClicks(focus, typed);
            QCOMPARE_NE(text(), before);
            QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier);  // the field's own
            QCOMPARE(text(), before);
            // That typing exhausted, the next press undoes the document's last step.
            // (A redo key would now redo the field's typing first.)
            QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(f.document.Doc().m_strTitle, "My Title");
            return;
        }
        const std::pair<QKeyCombination, int> keys[] = {
            {Qt::CTRL | Qt::Key_Z, 0},
            {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, 1},
            {Qt::CTRL | Qt::Key_Z, 0},
            {Qt::CTRL | Qt::Key_Y, 1},
        };
        for (const auto& [key, index] : keys) {
            QTest::keyClick(focus, key.key(), key.keyboardModifiers());
            QCOMPARE(undo.index(), index);
            QCOMPARE(f.document.Doc().m_strTitle == "Changed", index == 1);
        }
    }

    // The manual is looked for beside the program, then where an installed program's
    // share directory is, then in the data directories, in that order.
    void manualIsFound_data() {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("found");
        const QString built = "bin/manual", installed = "share/doc/foldcraft/manual",
                      data1 = "data1/doc/foldcraft/manual", data2 = "data2/doc/foldcraft/manual";
        QTest::newRow("none") << QStringList{} << "";
        QTest::newRow("misplaced") << QStringList{"bin/doc/foldcraft/manual", "data1"} << "";
        QTest::newRow("built") << QStringList{built, installed, data1} << built;
        QTest::newRow("installed") << QStringList{installed, data1} << installed;
        QTest::newRow("second data dir") << QStringList{data2} << data2;
        QTest::newRow("first data dir") << QStringList{data2, data1} << data1;
    }
    void manualIsFound() {
        QFETCH(QStringList, present);
        QFETCH(QString, found);
        QTemporaryDir root;
        for (const QString& dir : present) {
            QVERIFY(QDir(root.path()).mkpath(dir));
            QFile index(root.filePath(dir + "/index.html"));
            QVERIFY(index.open(QIODevice::WriteOnly));
        }
        const QString index = HelpManual::FindIndex(
            root.filePath("bin"), {root.filePath("data1"), root.filePath("data2")});
        QCOMPARE(index, found.isEmpty() ? "" : root.filePath(found + "/index.html"));
    }

    // F1 opens the shown step's section of the manual, Help > Foldcraft Help its start;
    // without a manual a message says so and nothing is opened.
    void helpOpensTheManual_data() {
        QTest::addColumn<int>("tab");  // -1: the menu entry
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("opened");
        QTest::newRow("menu") << -1 << true << "index.html";
        QTest::newRow("F1 on Build") << int(StepTab::kBuild) << true << "index.html#build";
        QTest::newRow("F1 on Design") << int(StepTab::kDesign) << true << "index.html#design";
        QTest::newRow("F1 on Publish") << int(StepTab::kPublish) << true << "index.html#publish";
        QTest::newRow("missing, menu") << -1 << false << "";
        QTest::newRow("missing, F1") << int(StepTab::kDesign) << false << "";
    }
    void helpOpensTheManual() {
        QFETCH(int, tab);
        QFETCH(bool, installed);
        QFETCH(QString, opened);
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.filePath("home").toUtf8());
        qputenv("XDG_DATA_DIRS", data.path().toUtf8());
        if (installed) {
            QVERIFY(QDir(data.path()).mkpath("doc/foldcraft/manual"));
            QFile index(data.filePath("doc/foldcraft/manual/index.html"));
            QVERIFY(index.open(QIODevice::WriteOnly));
        }
        Fixture f;
        CMainFrame frame(f.document, f.services, f.lifeCycle);
        frame.show();
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame, test::kPatienceMs));
        if (tab < 0) {
            frame.findChild<QAction*>("actionHelp")->trigger();
        } else {
            frame.SetCurrentTab(StepTab(tab));
            QTest::keyClick(&frame, Qt::Key_F1);
        }
        QCOMPARE(f.dialogs.calls.size(), 1u);
        const auto& call = f.dialogs.calls.front();
        QCOMPARE(call.kind, installed ? "url" : "message");
        if (installed)
            QCOMPARE(
                call.text,
                QUrl::fromLocalFile(data.filePath("doc/foldcraft/manual/")).toString() + opened);
        else
            QVERIFY(call.text.contains("manual is not installed"));
    }

    // The last tip shown goes to "FilePos" when the dialog goes, also after Escape,
    // which writes nothing else.
    void tipSettings() {
        MemorySettingsStore settings;
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

    // The offer to save before New, Open and Exit: Save writes the project in place
    // and goes on, Don't Save goes on without writing, Cancel keeps everything. Open
    // asks for the file first.
    void offerToSave_data() {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QString>("after");  // the project's title, folders, modified mark
        QTest::newRow("new, save") << "new" << Answer::kSave << "New Document 0";
        QTest::newRow("new, don't save") << "new" << Answer::kDiscard << "New Document 0";
        QTest::newRow("new, cancel") << "new" << Answer::kCancel << "saved.fcd 2*";
        QTest::newRow("open, save") << "open" << Answer::kSave << "other.fcd 3";
        QTest::newRow("open, don't save") << "open" << Answer::kDiscard << "other.fcd 3";
        QTest::newRow("open, cancel") << "open" << Answer::kCancel << "saved.fcd 2*";
        QTest::newRow("exit, save") << "exit" << Answer::kSave << "saved.fcd 2";
        QTest::newRow("exit, don't save") << "exit" << Answer::kDiscard << "saved.fcd 2*";
        QTest::newRow("exit, cancel") << "exit" << Answer::kCancel << "saved.fcd 2*";
    }
    void offerToSave() {
        QFETCH(QString, operation);
        QFETCH(Answer, answer);
        Fixture f;
        const QString saved = f.WriteProject("saved.fcd", 1);
        QVERIFY(f.lifeCycle.OpenPath(saved));
        f.AddFolder();
        f.dialogs.answers.push_back(answer);
        f.dialogs.files.push_back({f.WriteProject("other.fcd", 3)});
        bool wentOn = false;
        if (operation == "new") {
            wentOn = f.lifeCycle.FileNew();
        } else if (operation == "open") {
            wentOn = f.lifeCycle.FileOpen();
        } else {
            CMainFrame frame(f.document, f.services, f.lifeCycle);
            f.lifeCycle.SetWindow(&frame);
            frame.show();
            wentOn = frame.close();
            f.lifeCycle.SetWindow(nullptr);
        }
        QCOMPARE(f.dialogs.Messages(), QStringList{QStringLiteral("Save changes to saved.fcd?")});
        QCOMPARE(f.dialogs.calls.front().kind, operation == "open" ? "open" : "message");
        QCOMPARE(wentOn, answer != Answer::kCancel);
        QCOMPARE(f.Describe(saved), answer == Answer::kSave ? "saved.fcd 2" : "saved.fcd 1");
        QTEST(f.Describe(), "after");
    }

    // Save of a project never saved asks for a name like Save As (".fcd" added); a
    // save that fails tells why and leaves the project modified and unnamed; once
    // saved, Save writes in place without asking.
    void saveOfNewProjectActsAsSaveAs() {
        Fixture f;
        f.AddFolder();
        f.dialogs.files = {{f.Path("missing/site.fcd")}, {f.Path("site")}};
        QVERIFY(!f.lifeCycle.FileSave());
        QVERIFY(f.dialogs.Messages().value(0).startsWith(QStringLiteral("Cannot save ")));
        QCOMPARE(f.Describe(), QStringLiteral("New Document 1*"));
        QVERIFY(f.lifeCycle.FileSave());
        QCOMPARE(f.Describe(), QStringLiteral("site.fcd 1"));
        f.AddFolder();
        QVERIFY(f.lifeCycle.FileSave());
        QStringList kinds;
        for (const auto& call : f.dialogs.calls) kinds << QString::fromStdString(call.kind);
        QCOMPARE(kinds, (QStringList{"save", "message", "save"}));
        QCOMPARE(f.Describe(f.Path("site.fcd")), QStringLiteral("site.fcd 2"));
    }

    // A file changed by another program since it was read is replaced only when the
    // user says so.
    void fileChangedOnDiskIsReplacedOnlyAfterAsking() {
        Fixture f;
        const QString saved = f.WriteProject("saved.fcd", 1);
        QVERIFY(f.lifeCycle.OpenPath(saved));
        QVERIFY(!f.WriteProject("saved.fcd", 3).isEmpty());  // the other program
        f.AddFolder();
        f.dialogs.answers = {Answer::kNo, Answer::kYes};
        QVERIFY(!f.lifeCycle.FileSave());
        QCOMPARE(f.Describe(saved), QStringLiteral("saved.fcd 3"));
        QCOMPARE(f.Describe(), QStringLiteral("saved.fcd 2*"));
        QVERIFY(f.lifeCycle.FileSave());
        QCOMPARE(f.Describe(saved), QStringLiteral("saved.fcd 2"));
        QCOMPARE(f.dialogs.Messages().size(), 2);
        QVERIFY(f.dialogs.Messages()[0].contains(QStringLiteral("changed by another program")));
    }

    // A file of another format opens as an empty project under its name, with the
    // message; Save then asks for a name rather than writing the empty tree over it.
    void fileOfAnotherFormatIsNotOverwritten() {
        Fixture f;
        QVERIFY(f.lifeCycle.OpenPath(f.WriteProject("saved.fcd", 1)));
        const QString other = f.Path("version-2.fcd");
        QVERIFY(QFile::copy(FOLDCRAFT_TESTS_DIR "/model/fixtures/version-2.fcd", other));
        QVERIFY(f.lifeCycle.OpenPath(other));
        QCOMPARE(f.Describe(), QStringLiteral("version-2.fcd 0"));
        QCOMPARE(f.dialogs.Messages().join('|'), "Error: unsupported Foldcraft file format.");
        QVERIFY(!f.lifeCycle.FileSave());  // the name is not given
        QCOMPARE(f.dialogs.calls.back().kind, std::string("save"));
    }

    // Four recent files, most recent first, kept in the settings; opening one again
    // moves it to the front; a file that no longer opens leaves the list, and the
    // project stays as it was.
    void recentListOfFour() {
        Fixture f;
        QStringList paths;
        for (const char* name : {"a.fcd", "b.fcd", "c.fcd", "d.fcd", "e.fcd"}) {
            paths << f.WriteProject(name, 0);
            QVERIFY(f.lifeCycle.OpenPath(paths.last()));
        }
        auto names = [&f] {
            QStringList list;
            for (const auto& file : f.lifeCycle.Recent().Files())
                list << QFileInfo(QString::fromStdString(file)).fileName();
            return list.join(' ');
        };
        QCOMPARE(names(), QStringLiteral("e.fcd d.fcd c.fcd b.fcd"));
        QVERIFY(f.lifeCycle.OpenPath(paths[2]));
        QCOMPARE(names(), QStringLiteral("c.fcd e.fcd d.fcd b.fcd"));
        QCOMPARE(RecentFileList(f.settings).Files(), f.lifeCycle.Recent().Files());

        f.AddFolder();
        QVERIFY(QFile::remove(paths[4]));
        QVERIFY(!f.lifeCycle.OpenPath(paths[4], false));
        QCOMPARE(names(), QStringLiteral("c.fcd d.fcd b.fcd"));
        QCOMPARE(f.Describe(), QStringLiteral("c.fcd 1*"));
    }

    // A settings file that cannot be used is said once, as a warning over the shown
    // window; with none, nothing is said.
    void startUpSaysWhyTheSettingsAreNotUsed() {
        for (const QString& problem : {QString(), QStringLiteral("not a regular file")}) {
            test::RecordingUserDialogs dialogs;
            MemorySettingsStore settings;
            CFoldcraftApp app(dialogs, settings, {});
            QVERIFY(app.InitInstance({.file = {}, .splash = false, .settingsProblem = problem}));
            QCOMPARE(dialogs.Messages(), problem.isEmpty() ? QStringList() : QStringList{problem});
            QVERIFY(app.MainFrame()->isVisible());
        }
    }
};

QTEST_MAIN(tst_AppShell)
#include "tst_AppShell.moc"
