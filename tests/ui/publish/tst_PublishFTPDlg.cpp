#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "publish/FtpPublishRun.h"
#include "publish/LocalPublishRun.h"
#include "support/FtpTestServer.h"
#include "support/RecordingLogSink.h"
#include "ui/publish/CPublishFTPDlg.h"
#include "ui/publish/PublishTestEnv.h"

using namespace foldcraft;
using namespace foldcraft::test;
namespace fs = std::filesystem;

namespace {

struct DialogUnderTest {
    explicit DialogUnderTest(PublishTestEnv& env) : dialog(env.document, env.services) {}
    QLineEdit* Edit(const char* name) { return dialog.findChild<QLineEdit*>(name); }
    QPushButton* Button(const char* name) { return dialog.findChild<QPushButton*>(name); }
    QComboBox* Type() { return dialog.findChild<QComboBox*>("firewallType"); }
    void Fill(const QStringList& values) {
        const char* names[] = {"serverHost", "serverPort", "serverUser", "serverPassword",
                               "startDir"};
        for (int i = 0; i < values.size(); ++i) Edit(names[i])->setText(values[i]);
    }
    CPublishFTPDlg dialog;
};

const char* const kFirewallFields[] = {"firewallHost", "firewallPort", "firewallUser",
                                       "firewallPassword"};

bool FirewallFieldsEnabled(DialogUnderTest& ui) {
    return std::all_of(std::begin(kFirewallFields), std::end(kFirewallFields),
                       [&](const char* name) { return ui.Edit(name)->isEnabled(); });
}

std::string Tail(const QByteArray& log, std::size_t size) {
    const std::string text = log.toStdString();
    return text.size() < size ? text : text.substr(text.size() - size);
}

}  // namespace

class tst_PublishFTPDlg : public QObject {
    Q_OBJECT
private slots:
    // First use: empty fields, both ports 21, "None" selected among the nine types,
    // masked passwords, firewall fields disabled; a firewall type enables them and
    // "None" disables them again without clearing them.
    void firstUseAndFirewallRule() {
        PublishTestEnv env;
        DialogUnderTest ui(env);
        for (const char* name : {"serverHost", "serverUser", "serverPassword", "startDir",
                                 "firewallHost", "firewallUser", "firewallPassword"}) {
            QVERIFY2(ui.Edit(name)->text().isEmpty(), name);
        }
        QCOMPARE(ui.Edit("serverPort")->text(), QStringLiteral("21"));
        QCOMPARE(ui.Edit("firewallPort")->text(), QStringLiteral("21"));
        QCOMPARE(ui.Edit("serverPassword")->echoMode(), QLineEdit::Password);
        QCOMPARE(ui.Edit("firewallPassword")->echoMode(), QLineEdit::Password);
        QCOMPARE(ui.Type()->count(), 9);
        QCOMPARE(ui.Type()->currentText(), QStringLiteral("None"));
        QCOMPARE(ui.Type()->itemText(8), QStringLiteral("USER remoteID@fireID@remoteHost"));
        QVERIFY(!FirewallFieldsEnabled(ui));
        QVERIFY(!ui.dialog.findChild<QCheckBox*>("passive")->isChecked());
        QVERIFY(ui.dialog.findChild<QCheckBox*>("changedOnly")->isChecked());
        QVERIFY(!ui.dialog.findChild<QCheckBox*>("tls")->isChecked());

        ui.Type()->setCurrentText(QStringLiteral("Proxy OPEN"));
        QVERIFY(FirewallFieldsEnabled(ui));
        ui.Edit("firewallHost")->setText(QStringLiteral("proxy.example"));
        ui.Type()->setCurrentIndex(0);
        QVERIFY(!FirewallFieldsEnabled(ui));
        QCOMPARE(ui.Edit("firewallHost")->text(), QStringLiteral("proxy.example"));
    }

    void checksInOrder_data() {
        QTest::addColumn<QStringList>("fields");  // host, port, user, password
        QTest::addColumn<QString>("message");
        QTest::newRow("all empty") << QStringList{"", "", "", ""} << FtpSettings::kNoHostName;
        QTest::newRow("no port") << QStringList{"h", "", "", ""} << FtpSettings::kNoPort;
        QTest::newRow("no user") << QStringList{"h", "21", "", ""} << FtpSettings::kNoUser;
        QTest::newRow("no password") << QStringList{"h", "21", "u", ""} << FtpSettings::kNoPassword;
    }
    // The first check that fails is told, and nothing is written or run.
    void checksInOrder() {
        QFETCH(QStringList, fields);
        QFETCH(QString, message);
        PublishTestEnv env;
        DialogUnderTest ui(env);
        ui.Fill(fields);
        ui.Button("publish")->click();
        QCOMPARE(env.dialogs.Messages(), QStringList{message});
        QVERIFY(env.settings.WriteLog().empty());
        QVERIFY(!ui.dialog.IsWorking());
    }

    // A Publish press that passes the checks writes the settings in their order (the
    // next dialog shows them), then publishes to a real server with the log in the
    // Status pane; the remote tree equals a local publish of the same project.
    void publishToServer() {
        if (!FtpTestServer::Available()) QSKIP("/usr/bin/python3 has no pyftpdlib");
        PublishTestEnv env;
        const std::string root = env.dir / "ftproot";
        fs::create_directories(root + "/www");
        FtpTestServer server(root, "alice", "pw-1234");
        QVERIFY2(server.Started(), server.Error().c_str());
        DialogUnderTest ui(env);
        ui.Fill({"127.0.0.1", QString::number(server.Port()), "alice", "pw-1234", "www"});
        ui.dialog.findChild<QCheckBox*>("passive")->setChecked(true);

        ui.Button("publish")->click();
        QVERIFY(ui.dialog.IsWorking());
        QVERIFY(!ui.Button("publish")->isEnabled() && !ui.Button("close")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!ui.dialog.IsWorking(), 60000);
        QVERIFY(ui.Button("publish")->isEnabled() && ui.Button("close")->isEnabled());
        const std::string success = "\n--------------------\nPublish successful!\n";
        QCOMPARE(Tail(ui.dialog.LogBytes(), success.size()), success);

        const std::vector<std::string> order = {
            "FTPServer/HostName",   "FTPServer/User",
            "FTPServer/Password",   "FTPServer/StartDir",
            "FTPServer/Port",       "FTPFirewall/HostName",
            "FTPFirewall/Password", "FTPFirewall/User",
            "FTPFirewall/Port",     "FTPFirewall/FirewallType",
            "FTPServer/Passive",    "FTPServer/ChangedOnly",
            "FTPServer/Security",   "FTPServer/TrustFingerprint"};
        QVERIFY(env.settings.WriteLog() == order);
        // Opened again, the dialog shows what was stored, the password masked.
        DialogUnderTest again(env);
        QCOMPARE(again.Edit("serverPassword")->text(), QStringLiteral("pw-1234"));
        QCOMPARE(again.Edit("serverPort")->text(), QString::number(server.Port()));
        QVERIFY(again.dialog.findChild<QCheckBox*>("passive")->isChecked());

        CFoldcraftDoc& doc = env.document.Doc();
        doc.m_strPublishPath = env.dir / "local";
        fs::create_directories(doc.m_strPublishPath);
        RecordingLogSink sink;
        QCOMPARE(LocalPublishRun(doc, sink, env.services.programFolder).RunLocalPublish(),
                 PublishResult::kSuccess);
        // Each target holds its own manifest of what was put there.
        auto remote = ReadTree(root + "/www");
        auto local = ReadTree(doc.m_strPublishPath);
        QCOMPARE(int(remote.erase(".foldcraft-manifest")), 1);
        local.erase(".foldcraft-manifest");
        QVERIFY(remote == local);
    }

    // Stop in the middle of 2,000 uploads ends the run after the file under way, with
    // its log line and QUIT, and both buttons back.
    void stopInTheMiddle() {
        if (!FtpTestServer::Available()) QSKIP("/usr/bin/python3 has no pyftpdlib");
        PublishTestEnv env;
        CFoldcraftDoc& doc = env.document.Doc();
        for (int i = 0; i < 2000; ++i) {
            const std::string name = "many/file" + std::to_string(i) + ".txt";
            AddDocument(*doc.m_pRoot, name, env.dir.WriteFile(name, "x"));
        }
        const std::string root = env.dir / "ftproot";
        fs::create_directories(root);
        FtpTestServer server(root, "bob", "pw");
        QVERIFY2(server.Started(), server.Error().c_str());
        DialogUnderTest ui(env);
        ui.Fill({"127.0.0.1", QString::number(server.Port()), "bob", "pw", ""});

        ui.Button("publish")->click();
        const auto stored = [&] {
            const auto commands = server.Commands();
            return std::count_if(commands.begin(), commands.end(),
                                 [](const std::string& c) { return c.rfind("STOR ", 0) == 0; });
        };
        QTRY_VERIFY_WITH_TIMEOUT(stored() >= 20, 60000);
        ui.Button("stop")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!ui.dialog.IsWorking(), 20000);
        QCOMPARE(Tail(ui.dialog.LogBytes(), std::strlen(FtpPublishRun::kStoppedLine)),
                 std::string(FtpPublishRun::kStoppedLine));
        QTRY_VERIFY_WITH_TIMEOUT(!server.Commands().empty() && server.Commands().back() == "QUIT",
                                 5000);
        QVERIFY(stored() < 2000);
        QVERIFY(ui.Button("publish")->isEnabled() && ui.Button("close")->isEnabled());
        QVERIFY(!ui.Button("stop")->isEnabled());
    }
};

QTEST_MAIN(tst_PublishFTPDlg)
#include "tst_PublishFTPDlg.moc"
