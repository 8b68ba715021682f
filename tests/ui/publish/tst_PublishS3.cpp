// The "Publish to object storage" dialog against a real s3rver on 127.0.0.1
// (S3rverTestServer), and the Publish step's choice of method and target per project.
#include <QtTest>
#include <QtWidgets>
#include <filesystem>

#include "document/ProjectDocument.h"
#include "document/ProjectTargets.h"
#include "model/MemorySettingsStore.h"
#include "model/ProjectFile.h"
#include "publish/PublishChecks.h"
#include "publish/ftp/FtpTestProject.h"
#include "settings/QtSettingsStore.h"
#include "support/Patience.h"
#include "support/S3rverTestServer.h"
#include "ui/common/AppServices.h"
#include "ui/publish/CPublishS3Dlg.h"
#include "ui/publish/CPublishView.h"
#include "ui/support/RecordingUserDialogs.h"

using namespace foldcraft;
using namespace foldcraft::test;

namespace {

// The services with a recording dialog double and a settings file of the test's own,
// and the FTP test project, at the pinned clock.
struct Env {
    Env() {
        std::filesystem::create_directories(services.programFolder);
        ReadProjectBytes(document.Doc(), WriteProjectBytes(project.doc));
        document.Doc().SetModifiedFlag(false);
    }
    static std::unique_ptr<QtSettingsStore> OpenStore(const std::string& file) {
        std::string error;
        auto store = QtSettingsStore::Open(file, error);
        if (!store) qFatal("%s", error.c_str());
        return store;
    }
    ScopedClockPin pin{kPublishNow};
    TempDir dir;
    FtpTestProject project{dir};
    RecordingUserDialogs dialogs;
    std::string settingsFile = dir / "Foldcraft.conf";
    std::unique_ptr<QtSettingsStore> settings = OpenStore(settingsFile);
    AppServices services{dialogs, *settings, dir / "program"};
    ProjectDocument document;
};

template <typename T = QLineEdit>
T* Get(QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (!child) qFatal("no child %s", name);
    return child;
}

}  // namespace

class tst_PublishS3 : public QObject {
    Q_OBJECT
private slots:
    // The fields show the stored settings, the addressing as its three choices; each
    // field is named by its caption and reached by its mnemonic, no two alike.
    void fields() {
        Env env;
        env.settings->WriteString("S3Storage", "Endpoint", "http://store.example:9000");
        env.settings->WriteString("S3Storage", "Region", "eu-north-1");
        env.settings->WriteString("S3Storage", "Bucket", "pages");
        env.settings->WriteString("S3Storage", "Prefix", "www/");
        env.settings->WriteInt("S3Storage", "PathStyle", 0);
        env.settings->WriteInt("S3Storage", "Connections", 9);
        CPublishS3Dlg dialog(env.document, env.services);
        QCOMPARE(Get<QComboBox>(dialog, "addressing")->currentText(), "Host name");
        Get<QComboBox>(dialog, "addressing")->setCurrentIndex(1);
        const S3Settings shown = dialog.FieldSettings();
        QCOMPARE(shown.strEndpoint, "http://store.example:9000");
        QCOMPARE(shown.strRegion, "eu-north-1");
        QCOMPARE(shown.strBucket, "pages");
        QCOMPARE(shown.strPrefix, "www/");
        QCOMPARE(shown.nPathStyle, 1);
        QCOMPARE(shown.nConnections, 9);
        QCOMPARE(Get(dialog, "secretKey")->echoMode(), QLineEdit::Password);

        QSet<QChar> mnemonics;
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            if (!label->buddy() || label->text() == "Status:") continue;
            const int amp = label->text().indexOf('&');
            QVERIFY2(amp >= 0, qPrintable(label->text()));
            QVERIFY2(!mnemonics.contains(label->text().at(amp + 1).toLower()),
                     qPrintable(label->text()));
            mnemonics.insert(label->text().at(amp + 1).toLower());
            QCOMPARE(label->buddy()->accessibleName(), QString(label->text()).remove('&'));
        }
        QCOMPARE(mnemonics.size(), 8);
    }

    // Publishing with an unknown access key shows the run's reason and sends
    // nothing; with the server's key the site arrives below the prefix. The settings
    // are written by each press, the access key with them, never the secret key.
    void publish_data() {
        QTest::addColumn<QString>("accessKey");
        QTest::addColumn<QString>("message");  // the start of the warning; empty: none
        QTest::addColumn<bool>("arrived");
        QTest::newRow("unknown key") << "NOT-A-KEY"
                                     << "The storage refused the keys" << false;
        QTest::newRow("good key") << S3rverTestServer::kAccessKey << "" << true;
    }
    void publish() {
        const std::string why = S3rverTestServer::Unavailable();
        if (!why.empty()) QSKIP(qPrintable(QString::fromStdString("s3rver cannot run: " + why)));
        S3rverTestServer server;
        QVERIFY2(server.Started(), server.Error().c_str());
        QFETCH(QString, accessKey);
        QFETCH(QString, message);
        QFETCH(bool, arrived);
        Env env;
        CPublishS3Dlg dialog(env.document, env.services);
        Get(dialog, "endpoint")->setText(QString::fromStdString(server.Endpoint()));
        Get(dialog, "bucket")->setText(S3rverTestServer::kBucket);
        Get(dialog, "prefix")->setText("www/");
        Get(dialog, "accessKey")->setText(accessKey);
        Get(dialog, "secretKey")->setText("secret-of-the-test");
        Get<QPushButton>(dialog, "publish")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.IsWorking(), kPatienceMs);
        QCOMPARE(std::filesystem::exists(server.ObjectFile("www/TitlePage.html")), arrived);
        if (message.isEmpty()) {
            QVERIFY2(env.dialogs.calls.empty(), qPrintable(env.dialogs.Messages().join('\n')));
            QVERIFY(dialog.LogBytes().contains("Publish successful!\n"));
        } else {
            QCOMPARE(env.dialogs.calls.size(), std::size_t{1});
            QCOMPARE(env.dialogs.calls.front().icon, IUserDialogs::Icon::kWarning);
            QVERIFY2(env.dialogs.calls.front().text.startsWith(message),
                     qPrintable(env.dialogs.calls.front().text));
        }
        QCOMPARE(env.settings->GetString("S3Storage", "Bucket", ""), S3rverTestServer::kBucket);
        const std::string file = ReadFile(env.settingsFile);
        QVERIFY(file.find("secret-of-the-test") == std::string::npos);
        QCOMPARE(env.settings->GetString("S3Storage", "AccessKey", ""), accessKey.toStdString());
    }

    // Each project opened gets its own method back, and the dialogs its own target:
    // a record beats the project file's method; a project without one gets the
    // file's method (its FTP read as SFTP once, while the retired flag says so) and
    // the user's own settings; a change of method is remembered for the project and
    // is no edit of it, and a save remembers the directory typed before it; the file
    // keeps only local or FTP.
    void viewRemembersEachProjectsTarget() {
        Env env;
        const std::string a = env.dir / "a.fcd";
        const std::string b = env.dir / "b.fcd";
        env.settings->WriteInt("SFTPServer", "Chosen", 1);
        {
            ProjectTargets seed(*env.settings);
            seed.SetProject(a);
            seed.Remember(ProjectTargets::Method::kS3, "/site/a");
            seed.WriteString("S3Storage", "Bucket", "bucket-a");
        }
        env.settings->WriteString("S3Storage", "Bucket", "user-bucket");
        CPublishView view(env.document, env.services);
        QSignalSpy opened(&view, &CPublishView::publishWindowOpened);
        const auto open = [&](const std::string& file) {
            env.document.Doc().SetPathName(file);
            env.document.Doc().m_bNeverSaved = 0;
            env.document.Doc().m_nPublishMethod = CFoldcraftDoc::kPublishFtp;
            env.document.Doc().m_strPublishPath = "/from/file";
            env.document.Doc().SetModifiedFlag(false);
            env.document.NotifyReset();
        };
        struct Step {
            std::string file;
            const char* click;  // a method chosen after opening, "save PATH", or nullptr
            const char* checked;
            const char* path;
            const char* bucket;  // shown by the S3 dialog, or nullptr: not opened
        };
        const Step steps[] = {
            {a, nullptr, "exportS3", "/site/a", "bucket-a"},
            {b, nullptr, "exportSftp", "/from/file", nullptr},
            {b, "exportS3", "exportS3", "/from/file", "user-bucket"},
            {a, "localFiles", "localFiles", "/site/a", nullptr},
            {b, nullptr, "exportS3", "/from/file", nullptr},
            {a, "save /typed", "localFiles", "/typed", nullptr},
            {a, nullptr, "localFiles", "/typed", nullptr},
        };
        for (const Step& step : steps) {
            open(step.file);
            if (step.click && QString(step.click).startsWith("save ")) {
                Get(view, "publishPath")->setText(QString(step.click).section(' ', 1));
                env.document.Doc().SetModifiedFlag(false);  // as the save leaves it
                env.document.NotifyTitleChanged();
            } else if (step.click) {
                Get<QRadioButton>(view, step.click)->click();
            }
            const QString where = QString::fromStdString(step.file) + " " + step.checked;
            QVERIFY2(Get<QRadioButton>(view, step.checked)->isChecked(), qPrintable(where));
            QCOMPARE(Get(view, "publishPath")->text(), step.path);
            QVERIFY(!env.document.Doc().IsModified());
            QCOMPARE(env.document.Doc().m_nPublishMethod, QString(step.checked) == "localFiles"
                                                              ? CFoldcraftDoc::kPublishLocal
                                                              : CFoldcraftDoc::kPublishFtp);
            if (!step.bucket) continue;
            opened.clear();
            Get<QPushButton>(view, "publish")->click();
            QCOMPARE(opened.size(), 1);
            auto* dialog = qobject_cast<CPublishS3Dlg*>(opened.front().front().value<QWidget*>());
            QVERIFY(dialog);
            QCOMPARE(Get(*dialog, "bucket")->text(), step.bucket);
            dialog->close();
            QTRY_VERIFY(!view.IsPublishing());
            env.document.Doc().SetModifiedFlag(false);  // the press stamped the project
        }
    }
};

QTEST_MAIN(tst_PublishS3)
#include "tst_PublishS3.moc"
