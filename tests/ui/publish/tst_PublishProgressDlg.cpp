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
    cli.setEnvironment(QProcess::systemEnvironment()
                       << QStringLiteral("SOURCE_DATE_EPOCH=%1").arg(kPublishNow));
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
        QTest::addColumn<bool>("viewAnyway");    // the answer to the question after errors
        QTest::addColumn<QString>("startPage");  // empty: none opened
        QTest::newRow("complete") << 0 << true << QList<int>{15, 30, 40, 50, 100} << false
                                  << "TitlePage.html";
        QTest::newRow("missing document, view anyway")
            << 1 << true << QList<int>{15, 40, 50, 100} << true << "TitlePage.html";
        // A log of several hundred kilobytes reaches the window in pieces.
        QTest::newRow("3,000 missing documents, not viewed")
            << 3000 << true << QList<int>{15, 40, 50, 100} << false << "";
        QTest::newRow("no title page nor sitemap")
            << 0 << false << QList<int>{15, 30, 40, 100} << false << "Folder0.html";
    }
    void localRun() {
        QFETCH(int, missing);
        QFETCH(bool, titleAndMap);
        QFETCH(QList<int>, progress);
        QFETCH(bool, viewAnyway);
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
        env.dialogs.answers.push_back(viewAnyway ? Answer::kYes : Answer::kNo);

        CPublishProgressDlg window(env.document, env.services);
        auto* bar = window.findChild<QProgressBar*>("progress");
        auto* close = window.findChild<QPushButton*>("close");
        auto* showStartPage = window.findChild<QCheckBox*>("showStartPage");
        QSignalSpy moves(bar, &QProgressBar::valueChanged);
        window.show();
        QVERIFY(window.Start() && !close->isEnabled());
        QVERIFY(showStartPage->isChecked() && !showStartPage->isEnabled());
        // Escape and the window's close are ignored while the run works.
        QTest::keyClick(&window, Qt::Key_Escape);
        window.close();
        QVERIFY(window.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!window.IsWorking(), kPatienceMs);
        QVERIFY(close->isEnabled());
        QList<int> values;
        for (const auto& move : moves) values << move.at(0).toInt();
        QCOMPARE(values, progress);
        const QByteArray cli = CliLog(env, env.dir / "cli-site");
        QCOMPARE(window.LogBytes(), cli);
        QCOMPARE(window.findChild<QPlainTextEdit*>("log")->toPlainText().toUtf8(), cli);
        QVERIFY(doc.m_arrPublishFiles == notCopied);
        close->click();
        QStringList asked;  // the question after errors, then the start page opened
        for (const auto& call : env.dialogs.calls) asked << call.text;
        if (missing) QCOMPARE(asked.value(0), QString(CPublishProgressDlg::kErrorQuestion));
        const QString page = QString::fromStdString(env.dir / "site/") + startPage;
        QCOMPARE(asked.mid(missing ? 1 : 0).join('|'),
                 startPage.isEmpty() ? "" : QUrl::fromLocalFile(page).toString());
        QVERIFY(!window.isVisible());
    }
};

QTEST_MAIN(tst_PublishProgressDlg)
#include "tst_PublishProgressDlg.moc"
