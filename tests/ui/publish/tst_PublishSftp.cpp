// The "Publish to SFTP server" dialog and the Publish step's SFTP choice; the runs go
// to a real OpenSSH server on 127.0.0.1 (SshdTestServer).
#include <QtTest>
#include <QtWidgets>
#include <cstdlib>
#include <filesystem>

#include "document/ProjectDocument.h"
#include "model/MemorySettingsStore.h"
#include "model/ProjectFile.h"
#include "publish/PublishChecks.h"
#include "publish/SftpPublishRun.h"
#include "publish/ftp/FtpTestProject.h"
#include "support/FtpTestServer.h"
#include "support/Patience.h"
#include "support/SshdTestServer.h"
#include "ui/common/AppServices.h"
#include "ui/publish/CPublishSFTPDlg.h"
#include "ui/publish/CPublishView.h"
#include "ui/support/RecordingUserDialogs.h"

using namespace foldcraft;
using namespace foldcraft::test;
using Answer = IUserDialogs::Answer;

namespace {

// The services with a recording dialog double and an in-memory settings store, and
// the FTP test project, at the pinned clock. The user's own known hosts and agent
// stay out of the runs: HOME is the test's directory, and no agent is offered.
struct Env {
    Env() {
        qputenv("HOME", QByteArray::fromStdString(dir / "home"));
        qunsetenv("SSH_AUTH_SOCK");
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

QString Enabled(QWidget& parent, std::initializer_list<const char*> names) {
    QString states;
    for (const char* name : names) states += Get<QWidget>(parent, name)->isEnabled() ? '1' : '0';
    return states;
}

// Fills the server's fields for server, with its password, and presses Publish.
void PublishTo(CPublishSFTPDlg& dialog, const SshdTestServer& server) {
    Get(dialog, "serverHost")->setText(QStringLiteral("127.0.0.1"));
    Get(dialog, "serverPort")->setText(QString::number(server.Port()));
    Get(dialog, "serverUser")->setText(QString::fromLatin1(SshdTestServer::kUser));
    Get(dialog, "serverPassword")->setText(QString::fromStdString(server.Password()));
    Get(dialog, "startDir")->setText(QString::fromStdString(server.SiteDir()));
    Get<QPushButton>(dialog, "publish")->click();
}

// The files below dir.
long Files(const std::string& dir) {
    std::error_code error;
    long count = 0;
    for (std::filesystem::recursive_directory_iterator it(dir, error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_regular_file()) ++count;
    }
    return count;
}

const auto kButtons = {"publish", "showChanges", "stop", "close"};

}  // namespace

class tst_PublishSftp : public QObject {
    Q_OBJECT
private slots:
    // The fields show the stored settings; every field is named by its caption and
    // reached by its mnemonic; Browse... fills the key file. A Publish press that
    // passes the checks writes the settings, never the password or the passphrase;
    // one that fails them writes nothing.
    void fieldsAndSettings() {
        Env env;
        env.settings.WriteString("SFTPServer", "HostName", "files.example.org");
        env.settings.WriteInt("SFTPServer", "Port", 2222);
        env.settings.WriteString("SFTPServer", "User", "ann");
        env.settings.WriteString("SFTPServer", "KeyFile", "/keys/id");
        env.settings.WriteString("SFTPServer", "StartDir", "www");
        env.settings.WriteInt("SFTPServer", "Connections", 7);
        env.settings.WriteInt("SFTPServer", "ChangedOnly", 0);
        CPublishSFTPDlg dialog(env.document, env.services);
        const SftpSettings shown = dialog.FieldSettings();
        QCOMPARE(shown.strHostName, "files.example.org");
        QCOMPARE(shown.nPort, 2222);
        QCOMPARE(shown.strUser, "ann");
        QCOMPARE(shown.strKeyFile, "/keys/id");
        QCOMPARE(shown.strStartDir, "www");
        QCOMPARE(shown.nConnections, 7);
        QCOMPARE(shown.bChangedOnly, 0);
        QVERIFY(shown.strPassword.empty() && shown.strPassphrase.empty());

        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            if (!label->buddy()) continue;
            QVERIFY2(label->text().contains('&') || label->text() == "Status:",
                     qPrintable(label->text()));
            QCOMPARE(label->buddy()->accessibleName(), QString(label->text()).remove('&'));
        }

        env.dialogs.files.push_back({"/home/ann/.ssh/id_ed25519"});
        Get<QPushButton>(dialog, "browseKeyFile")->click();
        QCOMPARE(Get(dialog, "keyFile")->text(), "/home/ann/.ssh/id_ed25519");

        const auto writes = env.settings.WriteLog().size();
        Get(dialog, "serverPort")->clear();
        Get<QPushButton>(dialog, "publish")->click();
        QCOMPARE(env.dialogs.Messages(), QStringList{SftpSettings::kNoPort});
        QCOMPARE(env.settings.WriteLog().size(), writes);

        // A closed port: the run fails to connect after the settings were written.
        Get(dialog, "serverHost")->setText("127.0.0.1");
        Get(dialog, "serverPort")->setText(QString::number(UnusedLoopbackPort()));
        Get(dialog, "serverPassword")->setText("secret-pw");
        Get(dialog, "keyPassphrase")->setText("secret-phrase");
        Get<QPushButton>(dialog, "publish")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.IsWorking(), kPatienceMs);
        QCOMPARE(env.settings.GetString("SFTPServer", "KeyFile", ""), "/home/ann/.ssh/id_ed25519");
        QCOMPARE(env.settings.GetString("SFTPServer", "HostName", ""), "127.0.0.1");
        for (const std::string& write : env.settings.WriteLog()) {
            QVERIFY2(write.find("Pass") == std::string::npos, write.c_str());
        }
        QVERIFY(!dialog.LogBytes().contains("secret"));
        QCOMPARE(env.dialogs.calls.back().icon, IUserDialogs::Icon::kWarning);
        QVERIFY(env.dialogs.calls.back().text.startsWith("The server could not be reached"));
    }

    // The Publish step offers SFTP as its third choice; the project keeps its FTP
    // method for it, and Publish opens the SFTP dialog.
    void viewOffersSftp() {
        Env env;
        env.document.Doc().m_nPublishMethod = CFoldcraftDoc::kPublishLocal;
        CPublishView view(env.document, env.services);
        QSignalSpy opened(&view, &CPublishView::publishWindowOpened);
        Get<QRadioButton>(view, "exportSftp")->click();
        QCOMPARE(env.document.Doc().m_nPublishMethod, CFoldcraftDoc::kPublishFtp);
        Get<QPushButton>(view, "publish")->click();
        QCOMPARE(opened.size(), 1);
        auto* dialog = qobject_cast<CPublishSFTPDlg*>(opened.front().front().value<QWidget*>());
        QVERIFY(dialog);
        dialog->close();
    }

    // An unknown host key is a question with its type and fingerprint: No publishes
    // nothing; Yes publishes at once, and the next publish asks nothing.
    void hostKeyQuestion() {
        const std::string why = SshdTestServer::Unavailable();
        if (!why.empty()) QSKIP(qPrintable(QString::fromStdString("sshd cannot run: " + why)));
        SshdTestServer server;
        QVERIFY2(server.Started(), server.Error().c_str());
        Env env;
        CPublishSFTPDlg dialog(env.document, env.services);
        QSignalSpy runs(&dialog, &CPublishSFTPDlg::runFinished);
        const std::string page = server.SiteDir() + "/TitlePage.html";
        const QString question = QString::fromLatin1(CPublishSFTPDlg::kHostKeyQuestion) +
                                 "\n\nssh-ed25519 key fingerprint:\n" +
                                 QString::fromStdString(server.Fingerprint());
        for (const Answer answer : {Answer::kNo, Answer::kYes}) {
            env.dialogs.answers.push_back(answer);
            PublishTo(dialog, server);
            const int expected = answer == Answer::kYes ? 2 : 1;
            QTRY_VERIFY_WITH_TIMEOUT(runs.size() == expected && !dialog.IsWorking(), kPatienceMs);
            runs.clear();
            QCOMPARE(env.dialogs.Messages(), QStringList{question});
            QCOMPARE(env.dialogs.calls.back().buttons, IUserDialogs::Buttons::kYesNo);
            env.dialogs.calls.clear();
            QCOMPARE(std::filesystem::is_regular_file(page), answer == Answer::kYes);
        }
        QVERIFY(dialog.LogBytes().endsWith("Publish successful!\n"));
        PublishTo(dialog, server);
        QTRY_VERIFY_WITH_TIMEOUT(runs.size() == 1 && !dialog.IsWorking(), kPatienceMs);
        QVERIFY(env.dialogs.calls.empty());
        QCOMPARE(Enabled(dialog, kButtons), QStringLiteral("1101"));
    }

    // A known host that offers another key is a warning with no offer to trust it,
    // and nothing is published.
    void changedHostKey() {
        const std::string why = SshdTestServer::Unavailable();
        if (!why.empty()) QSKIP(qPrintable(QString::fromStdString("sshd cannot run: " + why)));
        SshdTestServer server;
        QVERIFY2(server.Started(), server.Error().c_str());
        Env env;
        const std::string other = env.dir / "other_key";
        QVERIFY(SshdTestServer::MakeKey(other, ""));
        QFile publicKey(QString::fromStdString(other + ".pub"));
        QVERIFY(publicKey.open(QIODevice::ReadOnly));
        const QList<QByteArray> parts = publicKey.readAll().split(' ');
        QFile known(QString::fromStdString(env.services.programFolder + "/known_hosts"));
        QVERIFY(known.open(QIODevice::WriteOnly));
        known.write("[127.0.0.1]:" + QByteArray::number(server.Port()) + ' ' + parts[0] + ' ' +
                    parts[1] + '\n');
        known.close();
        env.dialogs.answers.push_back(Answer::kYes);  // never asked for
        CPublishSFTPDlg dialog(env.document, env.services);
        PublishTo(dialog, server);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.IsWorking(), kPatienceMs);
        QCOMPARE(env.dialogs.calls.size(), std::size_t{1});
        QCOMPARE(env.dialogs.calls.front().buttons, IUserDialogs::Buttons::kOk);
        QCOMPARE(env.dialogs.calls.front().icon, IUserDialogs::Icon::kWarning);
        QVERIFY(env.dialogs.calls.front().text.startsWith(
            "WARNING: the host key of 127.0.0.1 has changed"));
        QVERIFY(!env.dialogs.calls.front().text.contains(CPublishSFTPDlg::kHostKeyQuestion));
        QVERIFY(!std::filesystem::exists(server.SiteDir() + "/TitlePage.html"));
    }

    // Stop in the middle of 2,000 uploads ends the run after the files under way,
    // with its log line, and gives the buttons back.
    void stop() {
        const std::string why = SshdTestServer::Unavailable();
        if (!why.empty()) QSKIP(qPrintable(QString::fromStdString("sshd cannot run: " + why)));
        SshdTestServer server;
        QVERIFY2(server.Started(), server.Error().c_str());
        Env env;
        for (int i = 0; i < 2000; ++i) {
            const std::string name = "many/" + std::to_string(i) + ".txt";
            AddDocument(*env.document.Doc().m_pRoot, name, env.dir.WriteFile(name, "x"));
        }
        env.dialogs.answers.push_back(Answer::kYes);  // the host key
        CPublishSFTPDlg dialog(env.document, env.services);
        QSignalSpy runs(&dialog, &CPublishSFTPDlg::runFinished);
        PublishTo(dialog, server);
        QTRY_VERIFY_WITH_TIMEOUT(runs.size() == 1 && dialog.IsWorking(), kPatienceMs);
        QCOMPARE(Enabled(dialog, kButtons), QStringLiteral("0010"));
        QTRY_VERIFY_WITH_TIMEOUT(Files(server.SiteDir()) >= 20, kPatienceMs);
        Get<QPushButton>(dialog, "stop")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.IsWorking(), kPatienceMs);
        QVERIFY(dialog.LogBytes().endsWith(SftpPublishRun::kStoppedLine));
        QCOMPARE(Get<QLabel>(dialog, "result")->text(), "Publishing stopped by the user.");
        QCOMPARE(Enabled(dialog, kButtons), QStringLiteral("1101"));
        QVERIFY(Files(server.SiteDir()) < 2000);
    }
};

QTEST_MAIN(tst_PublishSftp)
#include "tst_PublishSftp.moc"
