#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "publish/PublishChecks.h"
#include "ui/publish/CPublishFTPDlg.h"
#include "ui/publish/CPublishProgressDlg.h"
#include "ui/publish/CPublishView.h"
#include "ui/publish/PublishTestEnv.h"

using namespace foldcraft;
using namespace foldcraft::test;
using Answer = IUserDialogs::Answer;

namespace {

struct ViewUnderTest {
    explicit ViewUnderTest(PublishTestEnv& env) : view(env.document, env.services) {}
    template <typename T>
    T* Child(const char* name) {
        T* child = view.findChild<T*>(QString::fromLatin1(name));
        if (!child) qFatal("no child %s", name);
        return child;
    }
    QLineEdit* Path() { return Child<QLineEdit>("publishPath"); }
    CPublishView view;
};

enum class Action { kType, kChooseCancelled, kChooseFolder, kSwitchToFtp };

}  // namespace

class tst_PublishView : public QObject {
    Q_OBJECT
private slots:
    // A project published by FTP shows its path, greyed out with "Choose Path...";
    // switching to local files enables both. Filling the view is no change.
    void ftpMethodDisablesThePathButKeepsIt() {
        PublishTestEnv env;
        env.document.Doc().m_nPublishMethod = CFoldcraftDoc::kPublishFtp;
        env.document.Doc().m_strPublishPath = "/srv/www/site";
        ViewUnderTest ui(env);
        QCOMPARE(ui.Path()->text(), QStringLiteral("/srv/www/site"));
        QVERIFY(ui.Child<QRadioButton>("exportFtp")->isChecked());
        QVERIFY(!ui.Path()->isEnabled());
        QVERIFY(!ui.Child<QPushButton>("choosePath")->isEnabled());
        ui.Child<QRadioButton>("localFiles")->click();
        QVERIFY(ui.Path()->isEnabled());
        QVERIFY(ui.Child<QPushButton>("choosePath")->isEnabled());
        QVERIFY(!env.document.Doc().IsModified());
    }

    void editsAndModifiedFlag_data() {
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<int>("method");
        QTest::newRow("typing") << Action::kType << "/old/sitex" << true << 0;
        QTest::newRow("chooser cancelled") << Action::kChooseCancelled << "/old/site" << false << 0;
        QTest::newRow("folder chosen") << Action::kChooseFolder << "/chosen/dir" << true << 0;
        QTest::newRow("method switched") << Action::kSwitchToFtp << "/old/site" << false << 1;
    }
    // The path is written at every keystroke and marks the project modified; a
    // cancelled chooser changes nothing; the method alone is no modification.
    void editsAndModifiedFlag() {
        QFETCH(Action, action);
        PublishTestEnv env;
        env.document.Doc().m_strPublishPath = "/old/site";
        ViewUnderTest ui(env);
        QSignalSpy modifiedSpy(&env.document, &ProjectDocument::modifiedChanged);
        switch (action) {
            case Action::kType:
                ui.Path()->setFocus();
                ui.Path()->end(false);
                QTest::keyClick(ui.Path(), Qt::Key_X);
                break;
            case Action::kChooseCancelled:
            case Action::kChooseFolder:
                if (action == Action::kChooseFolder) env.dialogs.files.push_back({"/chosen/dir"});
                ui.Child<QPushButton>("choosePath")->click();
                QCOMPARE(env.dialogs.calls.size(), size_t(1));
                QCOMPARE(env.dialogs.calls[0].kind, std::string("directory"));
                break;
            case Action::kSwitchToFtp:
                ui.Child<QRadioButton>("exportFtp")->click();
                break;
        }
        QFETCH(QString, path);
        QFETCH(bool, modified);
        QFETCH(int, method);
        QCOMPARE(ui.Path()->text(), path);
        QCOMPARE(QString::fromStdString(env.document.Doc().m_strPublishPath), path);
        QCOMPARE(env.document.Doc().IsModified(), modified);
        QCOMPARE(int(modifiedSpy.count()), modified ? 1 : 0);
        QCOMPARE(env.document.Doc().m_nPublishMethod, method);
    }

    void publishChecks_data() {
        QTest::addColumn<bool>("emptyTree");
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("path");  // "@" stands for the temporary directory
        QTest::addColumn<int>("answer");    // to "Create?": 0 none, 1 Yes, 2 No
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("opened");  // class of the window opened, or empty
        const QString nothing = PublishChecks::kNothingToPublish;
        const QString ask = PublishChecks::kAskCreateDirectory;
        QTest::newRow("nothing built") << true << 0 << "@/site" << 0 << QStringList{nothing} << "";
        QTest::newRow("ftp never looks at the path")
            << false << 1 << "no path at all" << 0 << QStringList{} << "foldcraft::CPublishFTPDlg";
        QTest::newRow("ftp, nothing built") << true << 1 << "" << 0 << QStringList{nothing} << "";
        QTest::newRow("program folder")
            << false << 0 << "@/program" << 0
            << QStringList{PublishChecks::kSameFolderAsApplication} << "";
        QTest::newRow("relative path")
            << false << 0 << "site" << 0 << QStringList{PublishChecks::kInvalidPath} << "";
        QTest::newRow("missing, answered No")
            << false << 0 << "@/new/site" << 2 << QStringList{ask} << "";
        QTest::newRow("missing, cannot be made")
            << false << 0 << "@/src/Docs/notes.txt/site" << 1
            << QStringList{ask, PublishChecks::kDirectoryNotCreated} << "";
        QTest::newRow("missing, made") << false << 0 << "@/new/site" << 1 << QStringList{ask}
                                       << "foldcraft::CPublishProgressDlg";
        QTest::newRow("existing") << false << 0 << "@" << 0 << QStringList{}
                                  << "foldcraft::CPublishProgressDlg";
    }
    // Publish makes the checks in order, with their message boxes, and opens the
    // window of the method; once something is built the project is stamped and
    // marked modified, however the later checks end.
    void publishChecks() {
        QFETCH(bool, emptyTree);
        QFETCH(int, method);
        QFETCH(QString, path);
        QFETCH(int, answer);
        PublishTestEnv env;
        CFoldcraftDoc& doc = env.document.Doc();
        if (emptyTree) doc.DeleteContents();
        doc.m_timeLastPublish = 0;
        doc.m_nPublishMethod = method;
        path.replace(QLatin1String("@"), QString::fromStdString(env.dir.Path()));
        doc.m_strPublishPath = path.toStdString();
        if (answer) env.dialogs.answers.push_back(answer == 1 ? Answer::kYes : Answer::kNo);
        ViewUnderTest ui(env);
        QSignalSpy openedSpy(&ui.view, &CPublishView::publishWindowOpened);

        ui.Child<QPushButton>("publish")->click();

        QFETCH(QStringList, messages);
        QFETCH(QString, opened);
        QCOMPARE(env.dialogs.Messages(), messages);
        QCOMPARE(int(openedSpy.count()), opened.isEmpty() ? 0 : 1);
        QCOMPARE(doc.IsModified(), !emptyTree);
        QCOMPARE(doc.m_timeLastPublish, emptyTree ? Time(0) : kPublishNow);
        if (opened.isEmpty()) {
            QVERIFY(ui.Child<QPushButton>("publish")->isEnabled());
            return;
        }
        auto* window = openedSpy.at(0).at(0).value<QWidget*>();
        QCOMPARE(window->metaObject()->className(), opened.toLatin1().constData());
        QVERIFY(std::filesystem::is_directory(doc.m_strPublishPath) || method == 1);
        // One run at a time: a second press (a double-click) starts nothing.
        QVERIFY(!ui.Child<QPushButton>("publish")->isEnabled());
        if (auto* run = qobject_cast<CPublishProgressDlg*>(window)) {
            QTRY_VERIFY_WITH_TIMEOUT(!run->IsWorking(), 30000);
            QVERIFY(ui.Child<QPushButton>("publish")->isEnabled());
        }
    }
};

QTEST_MAIN(tst_PublishView)
#include "tst_PublishView.moc"
