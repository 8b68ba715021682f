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

namespace {

struct DialogUnderTest {
    explicit DialogUnderTest(PublishTestEnv& env) : dialog(env.document, env.services) {}
    template <typename T = QLineEdit>
    T* Get(const char* name) {
        return dialog.findChild<T*>(name);
    }
    bool Enabled(std::initializer_list<const char*> names) {
        return std::all_of(names.begin(), names.end(),
                           [&](auto n) { return Get<QWidget>(n)->isEnabled(); });
    }
    bool FirewallEnabled() {
        return Enabled({"firewallHost", "firewallPort", "firewallUser", "firewallPassword"});
    }
    // Fills host, port, user, password and starting directory, and presses Publish.
    void Publish(const QStringList& values) {
        const char* names[] = {"serverHost", "serverPort", "serverUser", "serverPassword",
                               "startDir"};
        for (int i = 0; i < values.size(); ++i) Get(names[i])->setText(values[i]);
        Get<QPushButton>("publish")->click();
    }
    bool ButtonsBack() {
        return Get<QPushButton>("publish")->isEnabled() && Get<QPushButton>("close")->isEnabled() &&
               !Get<QPushButton>("stop")->isEnabled();
    }
    std::string LogTail(std::size_t size) {
        const std::string log = dialog.LogBytes().toStdString();
        return log.substr(log.size() - std::min(size, log.size()));
    }
    CPublishFTPDlg dialog;
};

}  // namespace

class tst_PublishFTPDlg : public QObject {
    Q_OBJECT
private slots:
    // First use: empty fields, both ports 21, "None" among the nine types, masked
    // passwords, firewall fields disabled; a firewall type enables them and "None"
    // disables them again, keeping what was typed.
    void firstUseAndFirewallRule() {
        PublishTestEnv env;
        DialogUnderTest ui(env);
        for (auto name : {"serverHost", "serverUser", "serverPassword", "startDir", "firewallHost"})
            QVERIFY2(ui.Get(name)->text().isEmpty(), name);
        QCOMPARE(ui.Get("serverPort")->text() + ui.Get("firewallPort")->text(), QString("2121"));
        QCOMPARE(ui.Get("serverPassword")->echoMode(), QLineEdit::Password);
        QCOMPARE(ui.Get("firewallPassword")->echoMode(), QLineEdit::Password);
        auto* type = ui.Get<QComboBox>("firewallType");
        QCOMPARE(type->count(), 9);
        QCOMPARE(type->currentText(), QStringLiteral("None"));
        QVERIFY(!ui.FirewallEnabled());
        type->setCurrentText(QStringLiteral("Proxy OPEN"));
        QVERIFY(ui.FirewallEnabled());
        ui.Get("firewallHost")->setText(QStringLiteral("proxy"));
        type->setCurrentIndex(0);
        QVERIFY(!ui.FirewallEnabled());
        QCOMPARE(ui.Get("firewallHost")->text(), QStringLiteral("proxy"));
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
        ui.Publish(fields);
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
        std::filesystem::create_directories(root + "/www");
        FtpTestServer server(root, "alice", "pw-1234");
        QVERIFY2(server.Started(), server.Error().c_str());
        DialogUnderTest ui(env);
        ui.Get<QCheckBox>("passive")->setChecked(true);
        ui.Publish({"127.0.0.1", QString::number(server.Port()), "alice", "pw-1234", "www"});
        QVERIFY(!ui.Enabled({"publish"}) && !ui.Enabled({"close"}) && ui.dialog.IsWorking());
        QTRY_VERIFY_WITH_TIMEOUT(!ui.dialog.IsWorking(), 60000);
        QVERIFY(ui.ButtonsBack());
        const std::string success = "\n--------------------\nPublish successful!\n";
        QCOMPARE(ui.LogTail(success.size()), success);

        const std::vector<std::string> order = {
            "FTPServer/HostName",   "FTPServer/User",
            "FTPServer/Password",   "FTPServer/StartDir",
            "FTPServer/Port",       "FTPFirewall/HostName",
            "FTPFirewall/Password", "FTPFirewall/User",
            "FTPFirewall/Port",     "FTPFirewall/FirewallType",
            "FTPServer/Passive",    "FTPServer/ChangedOnly",
            "FTPServer/Security",   "FTPServer/TrustFingerprint"};
        QVERIFY(env.settings.WriteLog() == order);
        DialogUnderTest again(env);
        QCOMPARE(again.Get("serverPassword")->text(), QStringLiteral("pw-1234"));
        QVERIFY(again.Get<QCheckBox>("passive")->isChecked());

        CFoldcraftDoc& doc = env.document.Doc();
        doc.m_strPublishPath = env.dir / "local";
        std::filesystem::create_directories(doc.m_strPublishPath);
        RecordingLogSink sink;
        QCOMPARE(LocalPublishRun(doc, sink, env.services.programFolder).RunLocalPublish(),
                 PublishResult::kSuccess);
        // Each target holds its own manifest of what was put there.
        auto remote = ReadTree(root + "/www"), local = ReadTree(doc.m_strPublishPath);
        QCOMPARE(int(remote.erase(".foldcraft-manifest")), 1);
        local.erase(".foldcraft-manifest");
        QVERIFY(remote == local);
    }

    // Stop in the middle of 2,000 uploads ends the run after the file under way, with
    // its log line and QUIT, and the buttons back.
    void stopInTheMiddle() {
        if (!FtpTestServer::Available()) QSKIP("/usr/bin/python3 has no pyftpdlib");
        PublishTestEnv env;
        for (int i = 0; i < 2000; ++i) {
            const std::string name = "many/" + std::to_string(i) + ".txt";
            AddDocument(*env.document.Doc().m_pRoot, name, env.dir.WriteFile(name, "x"));
        }
        std::filesystem::create_directories(env.dir / "ftproot");
        FtpTestServer server(env.dir / "ftproot", "bob", "pw");
        QVERIFY2(server.Started(), server.Error().c_str());
        DialogUnderTest ui(env);
        ui.Publish({"127.0.0.1", QString::number(server.Port()), "bob", "pw", ""});
        const auto stored = [&] {
            const auto commands = server.Commands();
            return std::count_if(commands.begin(), commands.end(),
                                 [](const std::string& c) { return c.rfind("STOR ", 0) == 0; });
        };
        QTRY_VERIFY_WITH_TIMEOUT(stored() >= 20, 60000);
        ui.Get<QPushButton>("stop")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!ui.dialog.IsWorking(), 20000);
        const std::string stopped = FtpPublishRun::kStoppedLine;
        QCOMPARE(ui.LogTail(stopped.size()), stopped);
        QTRY_VERIFY_WITH_TIMEOUT(server.Commands().back() == "QUIT", 5000);
        QVERIFY(stored() < 2000);
        QVERIFY(ui.ButtonsBack());
    }
};

QTEST_MAIN(tst_PublishFTPDlg)
#include "tst_PublishFTPDlg.moc"
