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
    // The path is written at every keystroke and marks the project modified; a
    // cancelled chooser changes nothing; the method alone is no modification, and
    // the FTP method greys the path and "Choose Path..." but keeps the path shown.
    void edits_data() {
        QTest::addColumn<int>("method");      // of the project opened
        QTest::addColumn<QString>("action");  // "type", "choose [answer]" or a radio button
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("modified");  // signals
        QTest::addColumn<int>("methodAfter");
        QTest::newRow("ftp project") << 1 << ""
                                     << "/old" << 0 << 1;
        QTest::newRow("typing") << 0 << "type"
                                << "/oldx" << 1 << 0;
        QTest::newRow("chooser cancelled") << 0 << "choose"
                                           << "/old" << 0 << 0;
        QTest::newRow("folder chosen") << 0 << "choose /chosen"
                                       << "/chosen" << 1 << 0;
        QTest::newRow("switched to ftp") << 0 << "exportFtp"
                                         << "/old" << 0 << 1;
        QTest::newRow("switched to local") << 1 << "localFiles"
                                           << "/old" << 0 << 0;
    }
    void edits() {
        QFETCH(int, method);
        QFETCH(QString, action);
        PublishTestEnv env;
        env.document.Doc().m_strPublishPath = "/old";
        env.document.Doc().m_nPublishMethod = method;
        CPublishView view(env.document, env.services);
        auto* edit = Child<QLineEdit>(view, "publishPath");
        auto* choose = Child<QPushButton>(view, "choosePath");
        QSignalSpy modifiedSpy(&env.document, &ProjectDocument::modifiedChanged);
        if (action == "type") {
            edit->end(false);
            QTest::keyClick(edit, Qt::Key_X);
        } else if (action.startsWith("choose")) {
            if (action.contains(' ')) env.dialogs.files.push_back({action.section(' ', 1)});
            choose->click();
            QCOMPARE(env.dialogs.calls.at(0).kind, std::string("directory"));
        } else if (!action.isEmpty()) {
            Child<QRadioButton>(view, qPrintable(action))->click();
        }
        QFETCH(QString, path);
        QFETCH(int, methodAfter);
        QCOMPARE(edit->text(), path);
        QCOMPARE(QString::fromStdString(env.document.Doc().m_strPublishPath), path);
        QTEST(int(modifiedSpy.count()), "modified");
        QCOMPARE(env.document.Doc().m_nPublishMethod, methodAfter);
        QCOMPARE(edit->isEnabled(), methodAfter == 0);
        QCOMPARE(choose->isEnabled(), methodAfter == 0);
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
        const QString ask = PublishChecks::kAskCreateDirectory, none;
        const QStringList nothing{PublishChecks::kNothingToPublish};
        const QString run = "foldcraft::CPublishProgressDlg";
        QTest::newRow("nothing built") << true << 0 << "@/site" << true << nothing << none;
        QTest::newRow("ftp, nothing built") << true << 1 << "" << true << nothing << none;
        QTest::newRow("ftp never looks at the path")
            << false << 1 << "no path" << true << QStringList{} << "foldcraft::CPublishFTPDlg";
        QTest::newRow("program folder")
            << false << 0 << "@/program" << true
            << QStringList{PublishChecks::kSameFolderAsApplication} << none;
        QTest::newRow("missing, No")
            << false << 0 << "@/new/site" << false << QStringList{ask} << none;
        QTest::newRow("missing, cannot be made")
            << false << 0 << "@/src/Docs/notes.txt/site" << true
            << QStringList{ask, PublishChecks::kDirectoryNotCreated} << none;
        QTest::newRow("missing, made")
            << false << 0 << "@/new/site" << true << QStringList{ask} << run;
        QTest::newRow("existing") << false << 0 << "@" << true << QStringList{} << run;
    }
    void publishChecks() {
        QFETCH(bool, emptyTree);
        QFETCH(int, method);
        QFETCH(QString, path);
        QFETCH(bool, yes);
        QFETCH(QStringList, messages);
        QFETCH(QString, opened);
        PublishTestEnv env;
        CFoldcraftDoc& doc = env.document.Doc();
        if (emptyTree) doc.DeleteContents();
        doc.m_timeLastPublish = 0;
        doc.m_nPublishMethod = method;
        doc.m_strPublishPath =
            path.replace("@", QString::fromStdString(env.dir.Path())).toStdString();
        env.dialogs.answers.push_back(yes ? IUserDialogs::Answer::kYes : IUserDialogs::Answer::kNo);
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
            QTRY_VERIFY_WITH_TIMEOUT(!run->IsWorking(), kPatienceMs);
            QVERIFY(publish->isEnabled());
        }
    }
};

QTEST_MAIN(tst_PublishView)
#include "tst_PublishView.moc"
