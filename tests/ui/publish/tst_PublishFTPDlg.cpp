#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "publish/FtpPublishRun.h"
#include "support/FtpTestServer.h"
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
    // "1" for each of the named widgets that is enabled, "0" for the others.
    QString Enabled(std::initializer_list<const char*> names) {
        QString states;
        for (const char* name : names) states += Get<QWidget>(name)->isEnabled() ? '1' : '0';
        return states;
    }
    QString Buttons() { return Enabled({"publish", "stop", "close"}); }
    QString Firewall() {
        return Enabled({"firewallHost", "firewallPort", "firewallUser", "firewallPassword"});
    }
    // Fills host, port, user, password and starting directory, and presses Publish.
    void Publish(const QStringList& values) {
        const char* names[] = {"serverHost", "serverPort", "serverUser", "serverPassword",
                               "startDir"};
        for (int i = 0; i < values.size(); ++i) Get(names[i])->setText(values[i]);
        Get<QPushButton>("publish")->click();
    }
    bool LogEndsWith(const std::string& end) {
        return dialog.LogBytes().toStdString().ends_with(end);
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
        QStringList texts;
        for (auto name : {"serverHost", "serverPort", "serverUser", "serverPassword", "startDir",
                          "firewallHost", "firewallPort"})
            texts << ui.Get(name)->text();
        QCOMPARE(texts.join('|'), QStringLiteral("|21|||||21"));
        QCOMPARE(ui.Get("serverPassword")->echoMode(), QLineEdit::Password);
        QCOMPARE(ui.Get("firewallPassword")->echoMode(), QLineEdit::Password);
        auto* type = ui.Get<QComboBox>("firewallType");
        QCOMPARE(type->count(), 9);
        QCOMPARE(type->currentText(), QStringLiteral("None"));
        QCOMPARE(ui.Firewall(), QStringLiteral("0000"));
        type->setCurrentText(QStringLiteral("Proxy OPEN"));
        QCOMPARE(ui.Firewall(), QStringLiteral("1111"));
        ui.Get("firewallHost")->setText(QStringLiteral("proxy"));
        type->setCurrentIndex(0);
        QCOMPARE(ui.Firewall(), QStringLiteral("0000"));
        QCOMPARE(ui.Get("firewallHost")->text(), QStringLiteral("proxy"));
    }

    // The first check that fails is told (an empty port field is a missing port), and
    // nothing is written or run.
    void failedCheck_data() {
        QTest::addColumn<QStringList>("fields");  // host, port, user, password
        QTest::addColumn<QString>("message");
        QTest::newRow("all empty") << QStringList{"", "", "", ""} << FtpSettings::kNoHostName;
        QTest::newRow("no port") << QStringList{"h", "", "u", "p"} << FtpSettings::kNoPort;
    }
    void failedCheck() {
        QFETCH(QStringList, fields);
        PublishTestEnv env;
        DialogUnderTest ui(env);
        ui.Publish(fields);
        QTEST(env.dialogs.Messages().join('|'), "message");
        QVERIFY(env.settings.WriteLog().empty());
        QVERIFY(!ui.dialog.IsWorking());
    }

    // A Publish press that passes the checks writes the settings (the next dialog
    // shows them), then publishes to a real server into the starting directory, with
    // the log in the Status pane and the buttons locked meanwhile.
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
        QVERIFY(ui.dialog.IsWorking());
        QCOMPARE(ui.Buttons(), QStringLiteral("010"));
        QTRY_VERIFY_WITH_TIMEOUT(!ui.dialog.IsWorking(), kPatienceMs);
        QCOMPARE(ui.Buttons(), QStringLiteral("101"));
        QVERIFY(ui.LogEndsWith("\n--------------------\nPublish successful!\n"));
        QVERIFY(std::filesystem::is_regular_file(root + "/www/TitlePage.html"));
        DialogUnderTest again(env);
        QCOMPARE(again.Get("serverPassword")->text(), QStringLiteral("pw-1234"));
        QVERIFY(again.Get<QCheckBox>("passive")->isChecked());
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
                                 [](const std::string& c) { return c.starts_with("STOR "); });
        };
        QTRY_VERIFY_WITH_TIMEOUT(stored() >= 20, kPatienceMs);
        ui.Get<QPushButton>("stop")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!ui.dialog.IsWorking(), kPatienceMs);
        QVERIFY(ui.LogEndsWith(FtpPublishRun::kStoppedLine));
        QTRY_VERIFY_WITH_TIMEOUT(server.Commands().back() == "QUIT", kPatienceMs);
        QVERIFY(stored() < 2000);
        QCOMPARE(ui.Buttons(), QStringLiteral("101"));
    }
};

QTEST_MAIN(tst_PublishFTPDlg)
#include "tst_PublishFTPDlg.moc"
