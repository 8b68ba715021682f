#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QtTest>
#include <QtWidgets>
#include <algorithm>
#include <filesystem>
#include <thread>

#include "document/ProjectDocument.h"
#include "model/MemorySettingsStore.h"
#include "model/ProjectFile.h"
#include "publish/FtpPublishRun.h"
#include "publish/PublishChecks.h"
#include "publish/ftp/FtpTestProject.h"
#include "support/FtpTestServer.h"
#include "support/Patience.h"
#include "ui/common/AppServices.h"
#include "ui/common/GuiLogSink.h"
#include "ui/common/TransferLabel.h"
#include "ui/publish/CPublishFTPDlg.h"
#include "ui/publish/CPublishProgressDlg.h"
#include "ui/publish/CPublishView.h"
#include "ui/support/RecordingUserDialogs.h"

using namespace foldcraft;
using namespace foldcraft::test;
using Answer = IUserDialogs::Answer;

namespace {

// The services with a recording dialog double and an in-memory settings store, and
// the FTP test project, at the pinned clock.
struct Env {
    Env() {
        std::filesystem::create_directories(services.programFolder);
        ReadProjectBytes(document.Doc(), WriteProjectBytes(project.doc));
        document.Doc().SetModifiedFlag(false);
    }
    ScopedClockPin pin{kPublishNow};
    TempDir dir;
    FtpTestProject project{dir};
    RecordingUserDialogs dialogs;
    MemorySettingsStore settings;
    AppServices services{dialogs, settings, dir / "program"};
    ProjectDocument document;
};

template <typename T = QLineEdit>
T* Get(QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (!child) qFatal("no child %s", name);
    return child;
}

// "1" for each of the named widgets that is enabled, "0" for the others.
QString Enabled(QWidget& parent, std::initializer_list<const char*> names) {
    QString states;
    for (const char* name : names) states += Get<QWidget>(parent, name)->isEnabled() ? '1' : '0';
    return states;
}

// Fills host, port, user, password and starting directory, and presses Publish (or
// the button named).
void PublishToFtp(CPublishFTPDlg& dialog, const QStringList& values,
                  const char* button = "publish") {
    const char* names[] = {"serverHost", "serverPort", "serverUser", "serverPassword", "startDir"};
    for (int i = 0; i < values.size(); ++i) Get(dialog, names[i])->setText(values[i]);
    Get<QPushButton>(dialog, button)->click();
}

// The status log of the command-line tool's publish of the same project, on the same
// pinned clock (extra: further options of the publish).
QByteArray CliLog(Env& env, const std::string& target, const QStringList& extra = {}) {
    const std::string file = env.dir / "project.fcd";
    if (!SaveProject(env.document.Doc(), file).Ok()) qFatal("cannot save the project");
    QProcess cli;
    cli.setEnvironment(QProcess::systemEnvironment()
                       << QStringLiteral("SOURCE_DATE_EPOCH=%1").arg(kPublishNow));
    QStringList args{"--program-folder", QString::fromStdString(env.services.programFolder)};
    args << "--now" << QString::number(kPublishNow) << "publish" << QString::fromStdString(file)
         << "--to" << QString::fromStdString(target) << "--yes" << extra;
    cli.start(QStringLiteral(FOLDCRAFT_CLI_PATH), args);
    if (!cli.waitForFinished(60000)) qFatal("the command-line tool did not finish");
    return cli.readAllStandardOutput();
}

// Counts the queued calls that reach an object.
struct QueuedCallCounter : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MetaCall) ++count;
        return false;
    }
};

}  // namespace

class tst_PublishStep : public QObject {
    Q_OBJECT
private slots:
    // The path is written at every keystroke and marks the project modified; a
    // cancelled chooser changes nothing; the method alone is no modification, and
    // the FTP method greys the path and "Choose Path..." but keeps the path shown.
    void viewEdits_data() {
        QTest::addColumn<int>("method");      // of the project opened
        QTest::addColumn<QString>("action");  // "type", "choose [answer]" or a radio button
        QTest::addColumn<int>("modified");    // signals
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("methodAfter");
        QTest::newRow("ftp project") << 1 << "" << 0 << "/old" << 1;
        QTest::newRow("typing") << 0 << "type" << 1 << "/oldx" << 0;
        QTest::newRow("chooser cancelled") << 0 << "choose" << 0 << "/old" << 0;
        QTest::newRow("folder chosen") << 0 << "choose /chosen" << 1 << "/chosen" << 0;
        QTest::newRow("switched to ftp") << 0 << "exportFtp" << 0 << "/old" << 1;
        QTest::newRow("switched to local") << 1 << "localFiles" << 0 << "/old" << 0;
    }
    void viewEdits() {
        QFETCH(int, method);
        QFETCH(QString, action);
        Env env;
        env.document.Doc().m_strPublishPath = "/old";
        env.document.Doc().m_nPublishMethod = method;
        CPublishView view(env.document, env.services);
        auto* edit = Get(view, "publishPath");
        QSignalSpy modifiedSpy(&env.document, &ProjectDocument::modifiedChanged);
        if (action == "type") {
            edit->end(false);
            QTest::keyClick(edit, Qt::Key_X);
        } else if (action.startsWith("choose")) {
            if (action.contains(' ')) env.dialogs.files.push_back({action.section(' ', 1)});
            Get<QPushButton>(view, "choosePath")->click();
            QCOMPARE(env.dialogs.calls.at(0).kind, std::string("directory"));
        } else if (!action.isEmpty()) {
            Get<QRadioButton>(view, qPrintable(action))->click();
        }
        QFETCH(QString, path);
        QFETCH(int, methodAfter);
        QCOMPARE(edit->text(), path);
        QCOMPARE(QString::fromStdString(env.document.Doc().m_strPublishPath), path);
        QTEST(int(modifiedSpy.count()), "modified");
        QCOMPARE(env.document.Doc().m_nPublishMethod, methodAfter);
        QCOMPARE(Enabled(view, {"publishPath", "choosePath", "showChanges"}),
                 methodAfter ? "000" : "111");
    }

    // Publish makes the checks in order, with their message boxes, and opens the
    // window of the method; once something is built the project is stamped and
    // marked modified, however the later checks end. One run at a time: Publish is
    // disabled until the run has ended.
    void publishChecks_data() {
        QTest::addColumn<bool>("emptyTree");
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("path");  // "@" stands for the temporary directory
        QTest::addColumn<bool>("yes");      // the answer to "Create?", if asked
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("opened");  // class of the window opened, or empty
        const QString ask = PublishChecks::kAskCreateDirectory, run = "CPublishProgressDlg";
        const QStringList nothing{PublishChecks::kNothingToPublish}, none;
        QTest::newRow("nothing built") << true << 0 << "@/site" << true << nothing << "";
        QTest::newRow("ftp, nothing built") << true << 1 << "" << true << nothing << "";
        QTest::newRow("ftp never looks at the path")
            << false << 1 << "no path" << true << none << "CPublishFTPDlg";
        QTest::newRow("program folder")
            << false << 0 << "@/program" << true
            << QStringList{PublishChecks::kSameFolderAsApplication} << "";
        QTest::newRow("missing, No")
            << false << 0 << "@/new/site" << false << QStringList{ask} << "";
        QTest::newRow("missing, cannot be made")
            << false << 0 << "@/src/Docs/notes.txt/site" << true
            << QStringList{ask, PublishChecks::kDirectoryNotCreated} << "";
        QTest::newRow("missing, made")
            << false << 0 << "@/new/site" << true << QStringList{ask} << run;
        QTest::newRow("existing") << false << 0 << "@" << true << none << run;
    }
    void publishChecks() {
        QFETCH(bool, emptyTree);
        QFETCH(QString, path);
        QFETCH(bool, yes);
        QFETCH(QString, opened);
        Env env;
        CFoldcraftDoc& doc = env.document.Doc();
        if (emptyTree) doc.DeleteContents();
        doc.m_timeLastPublish = 0;
        QFETCH(int, method);
        doc.m_nPublishMethod = method;
        doc.m_strPublishPath =
            path.replace("@", QString::fromStdString(env.dir.Path())).toStdString();
        env.dialogs.answers.push_back(yes ? Answer::kYes : Answer::kNo);
        CPublishView view(env.document, env.services);
        QSignalSpy openedSpy(&view, &CPublishView::publishWindowOpened);
        auto* publish = Get<QPushButton>(view, "publish");
        publish->click();
        QTEST(env.dialogs.Messages(), "messages");
        QCOMPARE(doc.IsModified(), !emptyTree);
        QCOMPARE(doc.m_timeLastPublish, emptyTree ? Time(0) : kPublishNow);
        QCOMPARE(publish->isEnabled(), opened.isEmpty());
        QCOMPARE(Get<QPushButton>(view, "showChanges")->isEnabled(),
                 opened.isEmpty() && method == 0);
        QCOMPARE(int(openedSpy.count()), opened.isEmpty() ? 0 : 1);
        if (opened.isEmpty()) return;
        auto* window = openedSpy.at(0).at(0).value<QWidget*>();
        QCOMPARE(QByteArray(window->metaObject()->className()), "foldcraft::" + opened.toLatin1());
        if (auto* run = qobject_cast<CPublishProgressDlg*>(window)) {
            QVERIFY(std::filesystem::is_directory(doc.m_strPublishPath));
            QTRY_VERIFY_WITH_TIMEOUT(!run->IsWorking(), kPatienceMs);
            QVERIFY(publish->isEnabled());
        }
    }

    void localRun_data() {
        QTest::addColumn<int>("missing");  // documents whose source is gone
        QTest::addColumn<QList<int>>("progress");
        QTest::addColumn<bool>("viewAnyway");  // the answer to the question after errors
        QTest::addColumn<QString>("asked");    // "?" the question, then the page opened
        QTest::newRow("complete") << 0 << QList<int>{15, 30, 40, 50, 100} << false
                                  << "TitlePage.html";
        QTest::newRow("missing document, view anyway")
            << 1 << QList<int>{15, 40, 50, 100} << true << "? TitlePage.html";
        // A log of several hundred kilobytes reaches the window in pieces.
        QTest::newRow("3,000 missing documents, not viewed")
            << 3000 << QList<int>{15, 40, 50, 100} << false << "?";
    }
    // A real local publish in the window: the log equals the command-line tool's
    // byte for byte, the progress moves as the steps end (and between the first two
    // with the bytes copied, never going back), Close is enabled at the end, and
    // Close asks after errors before handing the start page to the opener. The files
    // not copied reach the project on this thread.
    void localRun() {
        QFETCH(int, missing);
        QFETCH(bool, viewAnyway);
        Env env;
        CFoldcraftDoc& doc = env.document.Doc();
        std::vector<std::string> notCopied;
        for (int i = 0; i < missing; ++i) {
            notCopied.push_back(env.dir / ("src/gone/a-long-directory-name/" + std::to_string(i)));
            AddDocument(*doc.m_pRoot, "Gone", notCopied.back());
        }
        doc.m_strPublishPath = env.dir / "site";
        std::filesystem::create_directories(doc.m_strPublishPath);
        doc.m_arrPublishFiles = {"from an earlier run"};
        env.dialogs.answers.push_back(viewAnyway ? Answer::kYes : Answer::kNo);

        CPublishProgressDlg window(env.document, env.services);
        auto* close = Get<QPushButton>(window, "close");
        auto* showStartPage = Get<QCheckBox>(window, "showStartPage");
        QSignalSpy moves(Get<QProgressBar>(window, "progress"), &QProgressBar::valueChanged);
        window.show();
        QVERIFY(window.Start() && !close->isEnabled());
        QVERIFY(showStartPage->isChecked() && !showStartPage->isEnabled());
        // Escape and the window's close are ignored while the run works.
        QTest::keyClick(&window, Qt::Key_Escape);
        window.close();
        QVERIFY(window.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!window.IsWorking(), kPatienceMs);
        QVERIFY(close->isEnabled());
        QList<int> values, steps;
        for (const auto& move : moves) values << move.at(0).toInt();
        QVERIFY(std::is_sorted(values.begin(), values.end()));
        for (int value : values) {
            if (value <= CPublishProgressDlg::kCopyStartPercent ||
                value >= CPublishProgressDlg::kCopyEndPercent) {
                steps << value;
            }
        }
        QTEST(steps, "progress");
        const QByteArray cli = CliLog(env, env.dir / "cli-site");
        QCOMPARE(window.LogBytes(), cli);
        QCOMPARE(Get<QPlainTextEdit>(window, "log")->toPlainText().toUtf8(), cli);
        QVERIFY(doc.m_arrPublishFiles == notCopied);
        close->click();
        QStringList asked;
        const qsizetype site = qsizetype(doc.m_strPublishPath.size()) + 1;
        for (const auto& call : env.dialogs.calls) {
            asked << (call.text == CPublishProgressDlg::kErrorQuestion
                          ? "?"
                          : QUrl(call.text).toLocalFile().mid(site));
        }
        QTEST(asked.join(' '), "asked");
        QVERIFY(!window.isVisible());
    }

    // "Show what would change" makes Publish's refusals, but never stamps, marks or
    // makes anything, nor asks about a missing directory. Its window shows the plan
    // as the command-line tool's --dry-run prints it, leaves the target and the
    // project as they were, and opens no page on Close.
    void localDryRun_data() {
        QTest::addColumn<bool>("emptyTree");
        QTest::addColumn<QString>("path");  // "@" stands for the temporary directory
        QTest::addColumn<bool>("exists");   // the directory is made before the press
        QTest::addColumn<QStringList>("messages");
        const QStringList none;
        QTest::newRow("nothing built")
            << true << "@/site" << true << QStringList{PublishChecks::kNothingToPublish};
        QTest::newRow("program folder")
            << false << "@/program" << true << QStringList{PublishChecks::kSameFolderAsApplication};
        QTest::newRow("missing directory") << false << "@/new/site" << false << none;
        QTest::newRow("empty directory") << false << "@/site" << true << none;
    }
    void localDryRun() {
        QFETCH(bool, emptyTree);
        QFETCH(QString, path);
        QFETCH(bool, exists);
        Env env;
        CFoldcraftDoc& doc = env.document.Doc();
        if (emptyTree) doc.DeleteContents();
        doc.m_timeLastPublish = 0;
        doc.m_arrPublishFiles = {"from an earlier run"};
        doc.m_strPublishPath =
            path.replace("@", QString::fromStdString(env.dir.Path())).toStdString();
        const std::filesystem::path target = doc.m_strPublishPath;
        if (exists) std::filesystem::create_directories(target);

        CPublishView view(env.document, env.services);
        QSignalSpy openedSpy(&view, &CPublishView::publishWindowOpened);
        Get<QPushButton>(view, "showChanges")->click();
        QTEST(env.dialogs.Messages(), "messages");
        QCOMPARE(int(openedSpy.count()), env.dialogs.calls.empty() ? 1 : 0);
        if (openedSpy.isEmpty()) {
            QVERIFY(!doc.IsModified() && doc.m_timeLastPublish == 0);
            return;
        }
        QPointer<CPublishProgressDlg> window =
            qobject_cast<CPublishProgressDlg*>(openedSpy.at(0).at(0).value<QWidget*>());
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QStringLiteral("What would change"));
        QVERIFY(Get<QCheckBox>(*window, "showStartPage")->isHidden());
        QCOMPARE(Enabled(view, {"publish", "showChanges"}), QStringLiteral("00"));
        QTRY_VERIFY_WITH_TIMEOUT(!window->IsWorking(), kPatienceMs);
        QCOMPARE(Enabled(view, {"publish", "showChanges"}), QStringLiteral("11"));
        QVERIFY(window->LogBytes().contains("\nDry run: nothing was changed.\nWould copy "));
        QVERIFY(exists ? std::filesystem::is_empty(target) : !std::filesystem::exists(target));
        QVERIFY(!doc.IsModified() && doc.m_timeLastPublish == 0);
        QVERIFY(doc.m_arrPublishFiles == std::vector<std::string>{"from an earlier run"});
        QCOMPARE(window->LogBytes(), CliLog(env, env.dir / "cli-site", {"--dry-run"}));
        Get<QPushButton>(*window, "close")->click();
        QVERIFY(env.dialogs.calls.empty());
    }

    // The FTP dialog masks the passwords; the firewall fields are disabled while the
    // firewall type is "None" (the first); a firewall type
    // enables them and "None" disables them again, keeping what was typed. Publish
    // tells the first check that fails (an empty port field is a missing port), and
    // writes or runs nothing; so does a stored value that does not read.
    void ftpDialogRules() {
        Env env;
        CPublishFTPDlg dialog(env.document, env.services);
        QCOMPARE(Get(dialog, "serverPassword")->echoMode(), QLineEdit::Password);
        QCOMPARE(Get(dialog, "firewallPassword")->echoMode(), QLineEdit::Password);
        auto* type = Get<QComboBox>(dialog, "firewallType");
        const auto firewall = {"firewallHost", "firewallPort", "firewallUser", "firewallPassword"};
        QCOMPARE(Enabled(dialog, firewall), QStringLiteral("0000"));
        type->setCurrentText(QStringLiteral("Proxy OPEN"));
        QCOMPARE(Enabled(dialog, firewall), QStringLiteral("1111"));
        Get(dialog, "firewallHost")->setText(QStringLiteral("proxy"));
        type->setCurrentIndex(0);
        QCOMPARE(Enabled(dialog, firewall), QStringLiteral("0000"));
        QCOMPARE(Get(dialog, "firewallHost")->text(), QStringLiteral("proxy"));

        PublishToFtp(dialog, {"", "", "", ""});
        PublishToFtp(dialog, {"h", "", "u", "p"});
        QCOMPARE(env.dialogs.Messages(),
                 (QStringList{FtpSettings::kNoHostName, FtpSettings::kNoPort}));
        QVERIFY(env.settings.WriteLog().empty() && !dialog.IsWorking());

        // A stored value that does not read stops a Publish press whose fields pass.
        env.settings.WriteString("FTPServer", "Security", "on");
        PublishToFtp(dialog, {"h", "21", "u", "p"});
        QCOMPARE(env.dialogs.Messages().value(2),
                 QStringLiteral("Error: setting FTPServer/Security has the value \"on\", which "
                                "is not 0 or 1."));
        QVERIFY(env.settings.WriteLog().size() == 1 && !dialog.IsWorking());
    }

    // "Show what would change" refuses the fields as Publish does, then runs a dry run
    // on the server in the Status pane with the buttons locked meanwhile: the plan is
    // shown, no setting saved, nothing written. A Publish press that passes the checks
    // writes the settings, then publishes to a real server into the starting directory,
    // likewise: during the upload the bar rises with the bytes sent and ends at 100, and
    // the line under it counts every file sent. The next dialog shows the settings and
    // publishes with them; Stop in the middle of 2,000 uploads ends that run after the
    // file under way, with its log line and QUIT, and the buttons back.
    void ftpPublishThenStop() {
        if (!FtpTestServer::Available()) QSKIP("/usr/bin/python3 has no pyftpdlib");
        Env env;
        const std::string root = env.dir / "ftproot";
        std::filesystem::create_directories(root + "/www");
        AddDocument(*env.document.Doc().m_pRoot, "Big",
                    env.dir.WriteFile("src/big.bin", std::string(4 << 20, 'b')));
        FtpTestServer server(root, "alice", "pw-1234");
        QVERIFY2(server.Started(), server.Error().c_str());
        CPublishFTPDlg dialog(env.document, env.services);
        auto* bar = Get<QProgressBar>(dialog, "transferBar");
        QCOMPARE(bar->accessibleName(), QString::fromUtf8(CPublishFTPDlg::kTransferCaption));
        QList<int> values;
        connect(bar, &QProgressBar::valueChanged, bar, [&](int value) { values << value; });
        PublishToFtp(dialog, {"127.0.0.1", ""}, "showChanges");
        QCOMPARE(env.dialogs.Messages(), QStringList{FtpSettings::kNoPort});
        Get<QCheckBox>(dialog, "passive")->setChecked(true);
        Get<QSpinBox>(dialog, "connections")->setValue(3);
        const auto buttons = {"publish", "showChanges", "stop", "close"};
        for (const char* button : {"showChanges", "publish"}) {
            values.clear();
            PublishToFtp(dialog,
                         {"127.0.0.1", QString::number(server.Port()), "alice", "pw-1234", "www"},
                         button);
            QVERIFY(dialog.IsWorking());
            QCOMPARE(Enabled(dialog, buttons), QStringLiteral("0010"));
            QTRY_VERIFY_WITH_TIMEOUT(!dialog.IsWorking(), kPatienceMs);
            QCOMPARE(Enabled(dialog, buttons), QStringLiteral("1101"));
            if (button == std::string("publish")) break;
            QVERIFY(Get<QPlainTextEdit>(dialog, "status")
                        ->toPlainText()
                        .contains("\nDry run: nothing was changed.\nWould copy "));
            QVERIFY(std::filesystem::is_empty(root + "/www"));
            QVERIFY(env.settings.WriteLog().empty() && !env.document.Doc().IsModified());
        }
        QVERIFY(dialog.LogBytes().endsWith("\n--------------------\nPublish successful!\n"));
        QVERIFY(std::filesystem::is_regular_file(root + "/www/TitlePage.html"));
        QVERIFY(!values.isEmpty() && std::is_sorted(values.begin(), values.end()));
        QCOMPARE(values.back(), 100);
        const QString line = Get<TransferLabel>(dialog, "transferLine")->FullText();
        QVERIFY2(
            QRegularExpression(QStringLiteral("^([0-9]+) of \\1 files, ")).match(line).hasMatch(),
            qPrintable(line));

        for (int i = 0; i < 2000; ++i) {
            const std::string name = "many/" + std::to_string(i) + ".txt";
            AddDocument(*env.document.Doc().m_pRoot, name, env.dir.WriteFile(name, "x"));
        }
        const auto stored = [&] {
            const auto commands = server.Commands();
            return std::count_if(commands.begin(), commands.end(),
                                 [](const std::string& c) { return c.starts_with("STOR "); });
        };
        const auto before = stored();
        CPublishFTPDlg again(env.document, env.services);
        QVERIFY(Get<QCheckBox>(again, "passive")->isChecked());
        QCOMPARE(Get<QSpinBox>(again, "connections")->value(), 3);
        // No keyring here: the password is typed again (tst_PublishPasswords has it kept).
        Get(again, "serverPassword")->setText("pw-1234");
        Get<QPushButton>(again, "publish")->click();
        QTRY_VERIFY_WITH_TIMEOUT(stored() >= before + 20, kPatienceMs);
        Get<QPushButton>(again, "stop")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!again.IsWorking(), kPatienceMs);
        QVERIFY(again.LogBytes().endsWith(FtpPublishRun::kStoppedLine));
        QTRY_VERIFY_WITH_TIMEOUT(server.Commands().back() == "QUIT", kPatienceMs);
        QVERIFY(stored() < before + 2000);
        QCOMPARE(Enabled(again, buttons), QStringLiteral("1101"));
    }

    // A thousand reports from the run's thread while this thread is busy reach it as
    // one event with the latest; Drain hands over one still waiting, and the event
    // queued for it then hands over nothing more.
    void transferCoalesced() {
        GuiLogSink sink;
        QueuedCallCounter events;
        sink.installEventFilter(&events);
        QList<TransferProgress> shown;
        connect(&sink, &GuiLogSink::transferChanged, &sink,
                [&](const TransferProgress& progress) { shown << progress; });
        const auto report = [&sink](std::uint64_t from, std::uint64_t to) {
            std::thread run([&sink, from, to] {
                for (std::uint64_t done = from; done <= to; ++done) {
                    sink.ShowTransfer({done, 2000, done / 1000, 2, "docs/" + std::to_string(done)});
                }
            });
            run.join();
        };
        report(1, 1000);
        QCoreApplication::processEvents();
        QCOMPARE(events.count, 1);
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown.at(0) == (TransferProgress{1000, 2000, 1, 2, "docs/1000"}));
        report(2000, 2000);
        sink.Drain();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.at(1).bytesDone, std::uint64_t{2000});
        QCoreApplication::processEvents();
        QCOMPARE(shown.size(), 2);
    }

    // A run that cannot publish says why in a warning, and the Status pane ends with
    // the server's words; a missing starting directory is offered for creation, and
    // Yes publishes into it.
    void ftpFailures_data() {
        QTest::addColumn<bool>("closedPort");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("startDir");
        QTest::addColumn<bool>("yes");         // the answer to the message box
        QTest::addColumn<QString>("message");  // how it starts ("%1": the port)
        QTest::addColumn<QString>("logLine");  // the log's last line of the failed run
        QTest::addColumn<bool>("published");
        const QString missing =
            "The starting directory \"new/www\" does not exist on the server: 550";
        QTest::newRow("unreachable")
            << true << "pw-1234"
            << "" << false << "The server could not be reached (127.0.0.1 port %1: "
            << "Server login failed!" << false;
        QTest::newRow("login refused") << false << "wrong"
                                       << "" << false << "The server refused the login: 530 "
                                       << "Server login failed!" << false;
        QTest::newRow("missing starting directory, No")
            << false << "pw-1234"
            << "new/www" << false << missing << "Starting directory not found!" << false;
        QTest::newRow("missing starting directory, Yes")
            << false << "pw-1234"
            << "new/www" << true << missing << "Starting directory not found!" << true;
    }
    void ftpFailures() {
        if (!FtpTestServer::Available()) QSKIP("/usr/bin/python3 has no pyftpdlib");
        QFETCH(bool, closedPort);
        QFETCH(QString, startDir);
        QFETCH(bool, yes);
        QFETCH(QString, message);
        QFETCH(bool, published);
        Env env;
        const std::string root = env.dir / "ftproot";
        std::filesystem::create_directories(root);
        FtpTestServer server(root, "alice", "pw-1234");
        QVERIFY2(server.Started(), server.Error().c_str());
        int port = server.Port();
        if (closedPort) port = foldcraft::test::UnusedLoopbackPort();
        env.dialogs.answers.push_back(yes ? Answer::kYes : Answer::kNo);
        CPublishFTPDlg dialog(env.document, env.services);
        QFETCH(QString, password);
        QSignalSpy runs(&dialog, &CPublishFTPDlg::runFinished);
        PublishToFtp(dialog, {"127.0.0.1", QString::number(port), "alice", password, startDir});
        QTRY_VERIFY_WITH_TIMEOUT(runs.size() == (published ? 2 : 1) && !dialog.IsWorking(),
                                 kPatienceMs);

        QCOMPARE(env.dialogs.calls.size(), std::size_t{1});
        const auto& box = env.dialogs.calls.front();
        const QString expected = message.contains("%1") ? message.arg(port) : message;
        QVERIFY2(box.text.startsWith(expected), qPrintable(box.text));
        QCOMPARE(box.icon, IUserDialogs::Icon::kWarning);
        const bool offered = !startDir.isEmpty();
        QCOMPARE(box.buttons, offered ? IUserDialogs::Buttons::kYesNo : IUserDialogs::Buttons::kOk);
        QCOMPARE(
            box.text.endsWith(QStringLiteral("\n\n") + CPublishFTPDlg::kCreateStartDirQuestion),
            offered);
        QCOMPARE(std::filesystem::is_regular_file(root + "/new/www/TitlePage.html"), published);
        if (published) {
            QVERIFY(dialog.LogBytes().endsWith("Publish successful!\n"));
            return;
        }
        // The run's last line, then the one the command-line tool prints after it.
        QFETCH(QString, logLine);
        const QString log = QString::fromUtf8(dialog.LogBytes());
        QVERIFY2(log.contains(QRegularExpression("\n" + QRegularExpression::escape(logLine) +
                                                 "\nServer: [^\n]+\n$")),
                 qPrintable(log));
        QVERIFY(!std::filesystem::exists(root + "/new"));
    }
};

QTEST_MAIN(tst_PublishStep)
#include "tst_PublishStep.moc"
