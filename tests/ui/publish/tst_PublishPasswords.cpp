// The publish dialogs' passwords: filled from the keyring when they open, kept there
// at a Publish press (or, where no keyring answers, in the settings file only when
// the user asks), and moved out of the settings file. The keyring is a double here;
// tests/keyring/ has the real one.
#include <QtTest>
#include <QtWidgets>
#include <filesystem>
#include <map>

#include "document/ProjectDocument.h"
#include "model/MemorySettingsStore.h"
#include "model/ProjectFile.h"
#include "publish/ftp/FtpTestProject.h"
#include "settings/PublishPasswords.h"
#include "support/FtpTestServer.h"
#include "support/Patience.h"
#include "ui/common/AppServices.h"
#include "ui/publish/CPublishFTPDlg.h"
#include "ui/publish/CPublishS3Dlg.h"
#include "ui/publish/CPublishSFTPDlg.h"
#include "ui/support/RecordingUserDialogs.h"

using namespace foldcraft;
using namespace foldcraft::test;

namespace {

// A keyring in memory that answers, or (answers false) is not there at all.
struct FakeKeyring : IPasswordStore {
    bool answers = true;
    std::map<std::string, std::string> items;

    Result Read(const std::string& key) override {
        if (!answers) return {Status::kNoService, {}, "no session bus"};
        const auto it = items.find(key);
        return it == items.end() ? Result{Status::kNotFound, {}, {}}
                                 : Result{Status::kOk, it->second, {}};
    }
    Result Write(const std::string& key, const std::string& secret) override {
        if (!answers) return {Status::kNoService, {}, "no session bus"};
        items[key] = secret;
        return {Status::kOk, {}, {}};
    }
    Result Remove(const std::string& key) override {
        if (!answers) return {Status::kNoService, {}, "no session bus"};
        return {items.erase(key) ? Status::kOk : Status::kNotFound, {}, {}};
    }
    QString Held(const std::string& key) const {
        const auto it = items.find(key);
        return it == items.end() ? QString() : QString::fromStdString(it->second);
    }
};

struct Env {
    Env() {
        qunsetenv("SSH_AUTH_SOCK");
        std::filesystem::create_directories(services.programFolder);
        ReadProjectBytes(document.Doc(), WriteProjectBytes(project.doc));
        services.passwords = &keyring;
    }
    TempDir dir;
    FtpTestProject project{dir};
    RecordingUserDialogs dialogs;
    MemorySettingsStore settings;
    FakeKeyring keyring;
    AppServices services{dialogs, settings, dir / "program"};
    ProjectDocument document;
    const int port = UnusedLoopbackPort();  // every run fails to connect

    // The messages about the keyring, of all those shown.
    int NoKeyringMessages() const {
        return static_cast<int>(dialogs.Messages().filter("No keyring").size());
    }
};

template <typename T = QLineEdit>
T* Get(QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (!child) qFatal("no child %s", name);
    return child;
}

template <typename Dialog>
void Publish(Dialog& dialog) {
    Get<QPushButton>(dialog, "publish")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.IsWorking(), kPatienceMs);
}

}  // namespace

class tst_PublishPasswords : public QObject {
    Q_OBJECT
private slots:
    void ftpDialog_data() {
        QTest::addColumn<bool>("answers");       // whether a keyring answers
        QTest::addColumn<QString>("inKeyring");  // before the window opens
        QTest::addColumn<QString>("inFile");     // FTPServer/Password before
        QTest::addColumn<QString>("typed");      // typed before Publish (empty: as shown)
        QTest::addColumn<QString>("boxes");      // "-r": untick Remember; "+f": tick the file box
        QTest::addColumn<QString>("shown");      // the password field as the window opens
        QTest::addColumn<bool>("moved");         // the log says the password moved
        QTest::addColumn<QString>("keyringAfter");
        QTest::addColumn<QString>("fileAfter");
        QTest::newRow("filled and changed")
            << true << "kept-pw" << "" << "new-pw" << "" << "kept-pw" << false << "new-pw" << "";
        QTest::newRow("moved out of the file")
            << true << "" << "file-pw" << "" << "" << "file-pw" << true << "file-pw" << "";
        QTest::newRow("forgotten")
            << true << "kept-pw" << "" << "" << "-r" << "kept-pw" << false << "" << "";
        QTest::newRow("no keyring: asked again")
            << false << "" << "" << "typed-pw" << "" << "" << false << "" << "";
        QTest::newRow("no keyring, file ticked")
            << false << "" << "" << "typed-pw" << "+f" << "" << false << "" << "typed-pw";
        QTest::newRow("no keyring, kept in the file")
            << false << "" << "file-pw" << "" << "" << "file-pw" << false << "" << "file-pw";
    }
    void ftpDialog() {
        QFETCH(bool, answers);
        QFETCH(QString, inKeyring);
        QFETCH(QString, inFile);
        QFETCH(QString, boxes);
        Env env;
        env.keyring.answers = answers;
        const std::string key = "ftp://alice@127.0.0.1:" + std::to_string(env.port);
        if (!inKeyring.isEmpty()) env.keyring.items[key] = inKeyring.toStdString();
        env.settings.WriteString("FTPServer", "HostName", "127.0.0.1");
        env.settings.WriteString("FTPServer", "User", "alice");
        env.settings.WriteInt("FTPServer", "Port", env.port);
        if (!inFile.isEmpty()) env.settings.WriteString("FTPServer", "Password", inFile.toStdString());

        CPublishFTPDlg dialog(env.document, env.services);
        QTEST(Get(dialog, "serverPassword")->text(), "shown");
        QTEST(dialog.LogBytes().contains(PublishPasswords::kMovedLine), "moved");
        auto* remember = Get<QCheckBox>(dialog, "rememberPassword");
        auto* rememberInFile = Get<QCheckBox>(dialog, "rememberInSettingsFile");
        QCOMPARE(remember->isEnabled() && remember->isChecked(), answers);
        QCOMPARE(rememberInFile->isHidden(), answers);
        QFETCH(QString, typed);
        if (!typed.isEmpty()) Get(dialog, "serverPassword")->setText(typed);
        if (boxes.contains("-r")) remember->setChecked(false);
        if (boxes.contains("+f")) rememberInFile->setChecked(true);
        Publish(dialog);
        for (const QString& secret : {inKeyring, inFile, typed})
            QVERIFY(secret.isEmpty() || !dialog.LogBytes().contains(secret.toUtf8()));
        QTEST(env.keyring.Held(key), "keyringAfter");
        QTEST(QString::fromStdString(env.settings.GetString("FTPServer", "Password", "")),
              "fileAfter");

        // Said once a run, however many windows open; the next window shows what was kept.
        CPublishFTPDlg again(env.document, env.services);
        QCOMPARE(env.NoKeyringMessages(), answers ? 0 : 1);
        QCOMPARE(Get(again, "serverPassword")->text(),
                 answers ? env.keyring.Held(key)
                         : QString::fromStdString(env.settings.GetString("FTPServer", "Password", "")));
    }

    // The SFTP window fills the password and the key's passphrase from the keyring and
    // keeps both there; with no keyring it says so once and keeps neither.
    void sftpDialog_data() {
        QTest::addColumn<bool>("answers");
        QTest::newRow("keyring") << true;
        QTest::newRow("no keyring") << false;
    }
    void sftpDialog() {
        QFETCH(bool, answers);
        Env env;
        env.keyring.answers = answers;
        const std::string key = "sftp://ann@127.0.0.1:" + std::to_string(env.port);
        const std::string keyFile = "sftp-key:/keys/id";
        env.keyring.items = {{key, "old-pw"}, {keyFile, "old-phrase"}};
        env.settings.WriteString("SFTPServer", "HostName", "127.0.0.1");
        env.settings.WriteString("SFTPServer", "User", "ann");
        env.settings.WriteInt("SFTPServer", "Port", env.port);
        env.settings.WriteString("SFTPServer", "KeyFile", "/keys/id");
        CPublishSFTPDlg dialog(env.document, env.services);
        QCOMPARE(Get(dialog, "serverPassword")->text(), answers ? "old-pw" : "");
        QCOMPARE(Get(dialog, "keyPassphrase")->text(), answers ? "old-phrase" : "");
        QCOMPARE(Get<QCheckBox>(dialog, "rememberPassword")->isChecked(), answers);
        QCOMPARE(env.NoKeyringMessages(), answers ? 0 : 1);
        Get(dialog, "serverPassword")->setText("new-pw");
        Get(dialog, "keyPassphrase")->setText("new-phrase");
        Publish(dialog);
        QCOMPARE(env.keyring.Held(key), answers ? "new-pw" : "old-pw");
        QCOMPARE(env.keyring.Held(keyFile), answers ? "new-phrase" : "old-phrase");
        for (const std::string& write : env.settings.WriteLog())
            QVERIFY2(write.find("Pass") == std::string::npos, write.c_str());
    }

    // The S3 window fills the secret key remembered under the stored access key and
    // endpoint, and keeps a changed one there; it never reaches the settings.
    void s3Dialog() {
        Env env;
        const std::string endpoint = "http://127.0.0.1:" + std::to_string(env.port);
        const std::string key = "s3://AKID@" + endpoint;
        env.keyring.items[key] = "old-secret";
        env.settings.WriteString("S3Storage", "Endpoint", endpoint);
        env.settings.WriteString("S3Storage", "Bucket", "site");
        env.settings.WriteString("S3Storage", "AccessKey", "AKID");
        CPublishS3Dlg dialog(env.document, env.services);
        QCOMPARE(Get(dialog, "accessKey")->text(), "AKID");
        QCOMPARE(Get(dialog, "secretKey")->text(), "old-secret");
        QVERIFY(Get<QCheckBox>(dialog, "rememberSecret")->isChecked());
        Get(dialog, "secretKey")->setText("new-secret");
        Publish(dialog);
        QCOMPARE(env.keyring.Held(key), "new-secret");
        for (const std::string& write : env.settings.WriteLog()) {
            const std::size_t slash = write.rfind('/');
            const std::string value =
                env.settings.GetString(write.substr(0, slash), write.substr(slash + 1), "");
            QVERIFY2(value.find("secret") == std::string::npos, write.c_str());
        }
    }
};

QTEST_MAIN(tst_PublishPasswords)
#include "tst_PublishPasswords.moc"
