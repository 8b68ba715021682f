#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "publish/PublishChecks.h"
#include "ui/publish/CPublishProgressDlg.h"
#include "ui/publish/CPublishView.h"
#include "ui/publish/PublishTestEnv.h"

using namespace foldcraft;
using namespace foldcraft::test;

namespace {
enum class Action { kNone, kType, kChooseCancelled, kChooseFolder, kSwitchToFtp, kSwitchToLocal };

template <typename T>
T* Child(QWidget& view, const char* name) {
    T* child = view.findChild<T*>(QString::fromLatin1(name));
    if (!child) qFatal("no child %s", name);
    return child;
}
}  // namespace

class tst_PublishView : public QObject {
    Q_OBJECT
private slots:
    void edits_data() {
        QTest::addColumn<int>("method");  // of the project opened
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<int>("methodAfter");
        QTest::newRow("ftp project: path shown, greyed")
            << 1 << Action::kNone << "/old" << false << 1;
        QTest::newRow("typing") << 0 << Action::kType << "/oldx" << true << 0;
        QTest::newRow("chooser cancelled") << 0 << Action::kChooseCancelled << "/old" << false << 0;
        QTest::newRow("folder chosen") << 0 << Action::kChooseFolder << "/chosen" << true << 0;
        QTest::newRow("switched to ftp") << 0 << Action::kSwitchToFtp << "/old" << false << 1;
        QTest::newRow("switched to local") << 1 << Action::kSwitchToLocal << "/old" << false << 0;
    }
    // The path is written at every keystroke and marks the project modified; a
    // cancelled chooser changes nothing; the method alone is no modification, and
    // the FTP method greys the path and "Choose Path..." but keeps the path shown.
    void edits() {
        QFETCH(int, method);
        QFETCH(Action, action);
        PublishTestEnv env;
        env.document.Doc().m_strPublishPath = "/old";
        env.document.Doc().m_nPublishMethod = method;
        CPublishView view(env.document, env.services);
        auto* edit = Child<QLineEdit>(view, "publishPath");
        QSignalSpy modifiedSpy(&env.document, &ProjectDocument::modifiedChanged);
        if (action == Action::kType) {
            edit->end(false);
            QTest::keyClick(edit, Qt::Key_X);
        } else if (action == Action::kChooseCancelled || action == Action::kChooseFolder) {
            if (action == Action::kChooseFolder) env.dialogs.files.push_back({"/chosen"});
            Child<QPushButton>(view, "choosePath")->click();
            QCOMPARE(env.dialogs.calls.at(0).kind, std::string("directory"));
        } else if (action != Action::kNone) {
            Child<QRadioButton>(view, action == Action::kSwitchToFtp ? "exportFtp" : "localFiles")
                ->click();
        }
        QFETCH(QString, path);
        QFETCH(bool, modified);
        QFETCH(int, methodAfter);
        QCOMPARE(edit->text(), path);
        QCOMPARE(QString::fromStdString(env.document.Doc().m_strPublishPath), path);
        QCOMPARE(int(modifiedSpy.count()), modified ? 1 : 0);
        QCOMPARE(env.document.Doc().m_nPublishMethod, methodAfter);
        QCOMPARE(edit->isEnabled(), methodAfter == 0);
        QCOMPARE(Child<QPushButton>(view, "choosePath")->isEnabled(), methodAfter == 0);
    }

    void publishChecks_data() {
        QTest::addColumn<bool>("emptyTree");
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("path");  // "@" stands for the temporary directory
        QTest::addColumn<int>("answer");    // to "Create?": 0 none, 1 Yes, 2 No
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("opened");  // class of the window opened, or empty
        const QString ask = PublishChecks::kAskCreateDirectory, none;
        const QStringList nothing{PublishChecks::kNothingToPublish};
        const QString run = "foldcraft::CPublishProgressDlg";
        QTest::newRow("nothing built") << true << 0 << "@/site" << 0 << nothing << none;
        QTest::newRow("ftp, nothing built") << true << 1 << "" << 0 << nothing << none;
        QTest::newRow("ftp never looks at the path")
            << false << 1 << "no path" << 0 << QStringList{} << "foldcraft::CPublishFTPDlg";
        QTest::newRow("program folder")
            << false << 0 << "@/program" << 0
            << QStringList{PublishChecks::kSameFolderAsApplication} << none;
        QTest::newRow("relative path")
            << false << 0 << "site" << 0 << QStringList{PublishChecks::kInvalidPath} << none;
        QTest::newRow("missing, No") << false << 0 << "@/new/site" << 2 << QStringList{ask} << none;
        QTest::newRow("missing, cannot be made")
            << false << 0 << "@/src/Docs/notes.txt/site" << 1
            << QStringList{ask, PublishChecks::kDirectoryNotCreated} << none;
        QTest::newRow("missing, made")
            << false << 0 << "@/new/site" << 1 << QStringList{ask} << run;
        QTest::newRow("existing") << false << 0 << "@" << 0 << QStringList{} << run;
    }
    // Publish makes the checks in order, with their message boxes, and opens the
    // window of the method; once something is built the project is stamped and
    // marked modified, however the later checks end. One run at a time: Publish is
    // disabled until the run has ended.
    void publishChecks() {
        QFETCH(bool, emptyTree);
        QFETCH(int, method);
        QFETCH(QString, path);
        QFETCH(int, answer);
        QFETCH(QStringList, messages);
        QFETCH(QString, opened);
        PublishTestEnv env;
        CFoldcraftDoc& doc = env.document.Doc();
        if (emptyTree) doc.DeleteContents();
        doc.m_timeLastPublish = 0;
        doc.m_nPublishMethod = method;
        doc.m_strPublishPath =
            path.replace("@", QString::fromStdString(env.dir.Path())).toStdString();
        if (answer)
            env.dialogs.answers.push_back(answer == 1 ? IUserDialogs::Answer::kYes
                                                      : IUserDialogs::Answer::kNo);
        CPublishView view(env.document, env.services);
        QSignalSpy openedSpy(&view, &CPublishView::publishWindowOpened);
        auto* publish = Child<QPushButton>(view, "publish");
        publish->click();

        QCOMPARE(env.dialogs.Messages(), messages);
        QCOMPARE(doc.IsModified(), !emptyTree);
        QCOMPARE(doc.m_timeLastPublish, emptyTree ? Time(0) : kPublishNow);
        QCOMPARE(int(openedSpy.count()), opened.isEmpty() ? 0 : 1);
        QCOMPARE(publish->isEnabled(), opened.isEmpty());
        if (opened.isEmpty()) return;
        auto* window = openedSpy.at(0).at(0).value<QWidget*>();
        QCOMPARE(window->metaObject()->className(), opened.toLatin1().constData());
        if (auto* run = qobject_cast<CPublishProgressDlg*>(window)) {
            QVERIFY(std::filesystem::is_directory(doc.m_strPublishPath));
            QTRY_VERIFY_WITH_TIMEOUT(!run->IsWorking(), 30000);
            QVERIFY(publish->isEnabled());
        }
    }
};

QTEST_MAIN(tst_PublishView)
#include "tst_PublishView.moc"
