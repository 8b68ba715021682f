#include <QCheckBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <filesystem>

#include "model/ProjectFile.h"
#include "ui/publish/CPublishProgressDlg.h"
#include "ui/publish/PublishTestEnv.h"

using namespace foldcraft;
using namespace foldcraft::test;
using Answer = IUserDialogs::Answer;

namespace {

// The status log of the command-line tool's publish of the same project, on the same
// pinned clock.
QByteArray CliLog(PublishTestEnv& env, const std::string& target) {
    const std::string file = env.dir / "project.fcd";
    if (!SaveProject(env.document.Doc(), file).Ok()) qFatal("cannot save the project");
    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SOURCE_DATE_EPOCH"), QString::number(kPublishNow));
    cli.setProcessEnvironment(environment);
    cli.start(QStringLiteral(FOLDCRAFT_CLI_PATH),
              {"--program-folder", QString::fromStdString(env.services.programFolder), "publish",
               QString::fromStdString(file), "--to", QString::fromStdString(target), "--yes"});
    if (!cli.waitForFinished(60000)) qFatal("the command-line tool did not finish");
    return cli.readAllStandardOutput();
}

}  // namespace

class tst_PublishProgressDlg : public QObject {
    Q_OBJECT
private slots:
    void localRun_data() {
        QTest::addColumn<int>("missing");       // documents whose source is gone
        QTest::addColumn<bool>("titleAndMap");  // title page and sitemap made
        QTest::addColumn<QList<int>>("progress");
        QTest::addColumn<int>("answer");         // to the question after errors: 0 none asked
        QTest::addColumn<QString>("startPage");  // empty: none opened
        QTest::newRow("complete") << 0 << true << QList<int>{15, 30, 40, 50, 100} << 0
                                  << "TitlePage.html";
        QTest::newRow("missing document, view anyway")
            << 1 << true << QList<int>{15, 40, 50, 100} << 1 << "TitlePage.html";
        QTest::newRow("missing document, not viewed")
            << 1 << true << QList<int>{15, 40, 50, 100} << 2 << "";
        // A log of several hundred kilobytes reaches the window in pieces.
        QTest::newRow("3,000 missing documents")
            << 3000 << true << QList<int>{15, 40, 50, 100} << 2 << "";
        QTest::newRow("no title page nor sitemap")
            << 0 << false << QList<int>{15, 30, 40, 100} << 0 << "Folder0.html";
    }
    // A real local publish in the window: the log equals the command-line tool's
    // byte for byte, the progress moves as the steps end, Close is enabled at the
    // end, and Close asks after errors before handing the start page to the opener.
    // The files not copied reach the project on this thread.
    void localRun() {
        QFETCH(int, missing);
        QFETCH(bool, titleAndMap);
        QFETCH(QList<int>, progress);
        QFETCH(int, answer);
        QFETCH(QString, startPage);
        PublishTestEnv env;
        CFoldcraftDoc& doc = env.document.Doc();
        std::vector<std::string> notCopied;
        for (int i = 0; i < missing; ++i) {
            notCopied.push_back(env.dir / ("src/gone/a-long-directory-name/" + std::to_string(i)));
            AddDocument(*doc.m_pRoot, "Gone", notCopied.back());
        }
        doc.m_bCreateTitlePage = doc.m_bCreateSitemap = titleAndMap ? 1 : 0;
        doc.m_strPublishPath = env.dir / "site";
        std::filesystem::create_directories(doc.m_strPublishPath);
        doc.m_arrPublishFiles = {"from an earlier run"};
        if (answer) env.dialogs.answers.push_back(answer == 1 ? Answer::kYes : Answer::kNo);

        CPublishProgressDlg window(env.document, env.services);
        auto* bar = window.findChild<QProgressBar*>("progress");
        auto* close = window.findChild<QPushButton*>("close");
        auto* showStartPage = window.findChild<QCheckBox*>("showStartPage");
        QSignalSpy moves(bar, &QProgressBar::valueChanged);
        window.show();
        QVERIFY(window.Start());
        QVERIFY(showStartPage->isChecked() && !showStartPage->isEnabled());
        QVERIFY(!close->isEnabled());
        // Escape and the window's close are ignored while the run works.
        QTest::keyClick(&window, Qt::Key_Escape);
        window.close();
        QVERIFY(window.isVisible());

        QTRY_VERIFY_WITH_TIMEOUT(!window.IsWorking(), 30000);
        QVERIFY(close->isEnabled());
        QList<int> values;
        for (const auto& move : moves) values << move.at(0).toInt();
        QCOMPARE(values, progress);
        const QByteArray cli = CliLog(env, env.dir / "cli-site");
        QCOMPARE(window.LogBytes(), cli);
        QCOMPARE(window.findChild<QPlainTextEdit*>("log")->toPlainText().toUtf8(), cli);
        QVERIFY(doc.m_arrPublishFiles == notCopied);

        close->click();
        QCOMPARE(env.dialogs.Messages(),
                 answer ? QStringList{CPublishProgressDlg::kErrorQuestion} : QStringList{});
        QStringList urls;
        for (const auto& call : env.dialogs.calls)
            if (call.kind == "url") urls << call.text;
        const QString page = QString::fromStdString(env.dir / "site/") + startPage;
        QCOMPARE(urls, startPage.isEmpty() ? QStringList{}
                                           : QStringList{QUrl::fromLocalFile(page).toString()});
        QVERIFY(!window.isVisible());
    }
};

QTEST_MAIN(tst_PublishProgressDlg)
#include "tst_PublishProgressDlg.moc"
