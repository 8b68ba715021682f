// Autosave and recovery after a crash: a child process (this program, started again
// with --edit-and-wait) opens a project, edits it, lets the autosave interval pass
// on its test clock, says "ready" and waits to be killed with SIGKILL. Then the
// program starts again in this process and is answered through the test dialogs.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/CFoldcraftApp.h"
#include "app/CrashRecovery.h"
#include "app/DocumentLifeCycle.h"
#include "document/AddItemsCommand.h"
#include "document/BuildTreeModel.h"
#include "document/DesignEditCommand.h"
#include "document/ProjectDocument.h"
#include "model/MemorySettingsStore.h"
#include "model/ProjectFile.h"
#include "support/Patience.h"
#include "ui/support/RecordingUserDialogs.h"

using namespace foldcraft;
using Answer = IUserDialogs::Answer;
Q_DECLARE_METATYPE(Answer)

namespace {

// The child: every kind of edit (an undo step on the tree and on the design, and a
// change outside the undo stack), then a minute on the test clock.
int EditAndWait(const QString& programFolder, const QString& file) {
    test::RecordingUserDialogs dialogs;
    MemorySettingsStore settings;
    std::int64_t now = 0;
    CFoldcraftApp app(dialogs, settings, programFolder.toStdString());
    if (!app.InitInstance({.file = file,
                           .splash = false,
                           .settingsProblem = {},
                           .autosave = {60'000, 5'000},
                           .autosaveClock = [&now] { return now; }}) ||
        !app.Recovery())
        return 3;
    ProjectDocument& document = app.Document();
    std::vector<std::unique_ptr<CBuildTreeFolder>> folders;
    folders.push_back(std::make_unique<CBuildTreeFolder>("Added", "", ""));
    document.UndoStack().push(new AddItemsCommand(
        document.Tree(), "Add Folder", *document.Doc().m_pRoot, std::move(folders), {}, {}, {}));
    DesignEditCommand::Edit(document, UndoMergeId::kNoMerge,
                            [](CDesignSettings& s) { s.m_strTitle = "Recovered title"; });
    document.SetPublishPath("/srv/recovered");
    now += 60'000;
    app.Recovery()->Autosave()->Tick();
    std::printf("ready\n");
    std::fflush(stdout);
    return QApplication::exec();
}

struct Env {
    QTemporaryDir dir;
    QString programFolder = dir.filePath("program");
    QString project = dir.filePath("site.fcd");
    QByteArray projectBytes;
    std::vector<std::unique_ptr<QProcess>> children;

    Env() {
        CFoldcraftDoc doc;
        doc.OnNewDocument();
        SaveProject(doc, project.toStdString());
        projectBytes = Read(project);
    }
    ~Env() {
        for (auto& child : children) Kill(*child);
    }
    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QStringList Copies() const {
        return QDir(QString::fromStdString(CrashRecovery::DirOf(programFolder.toStdString())))
            .entryList({"*.fcd"});
    }
    // A child that has edited file ("": a new project) and made its copy; null on failure.
    QProcess* StartEditing(const QString& file) {
        auto child = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        child->setProcessEnvironment(environment);
        child->start(QCoreApplication::applicationFilePath(),
                     {"--edit-and-wait", programFolder, file});
        while (!child->canReadLine() && child->waitForReadyRead(test::kPatienceMs)) {
        }
        if (child->readLine() != "ready\n") return nullptr;
        children.push_back(std::move(child));
        return children.back().get();
    }
    static void Kill(QProcess& child) {
        if (child.state() == QProcess::NotRunning) return;
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        child.waitForFinished(test::kPatienceMs);
    }
};

// One start of the program in this process, answering the offers with answers.
struct Start {
    test::RecordingUserDialogs dialogs;
    MemorySettingsStore settings;
    std::int64_t now = 0;
    std::unique_ptr<CFoldcraftApp> app;

    Start(const Env& env, std::deque<Answer> answers) {
        dialogs.answers = std::move(answers);
        app = std::make_unique<CFoldcraftApp>(dialogs, settings, env.programFolder.toStdString());
        app->InitInstance({.file = {},
                           .splash = false,
                           .settingsProblem = {},
                           .autosave = {60'000, 5'000},
                           .autosaveClock = [this] { return now; }});
    }
    QStringList Offers() const { return dialogs.Messages().filter("Recover unsaved changes"); }
};

}  // namespace

class tst_Recovery : public QObject {
    Q_OBJECT
    // Every edit is back, under the project's own name and path; Save writes there.
    static void CheckRecovered(const Env& env, Start& start, bool saved, const QString& name) {
        const CFoldcraftDoc& doc = start.app->Document().Doc();
        QCOMPARE(QString::fromStdString(doc.GetTitle()), name);
        QCOMPARE(QString::fromStdString(doc.GetPathName()), saved ? env.project : QString());
        QCOMPARE(doc.m_bNeverSaved, saved ? 0 : 1);
        QCOMPARE(doc.m_pRoot->m_arrFolders.size(), 1u);
        QCOMPARE(doc.m_strTitle, std::string("Recovered title"));
        QCOMPARE(doc.m_strPublishPath, std::string("/srv/recovered"));
        QCOMPARE(env.Copies().size(), 1);  // this program's own copy, the old one gone
        if (!saved) return;
        QVERIFY(start.app->LifeCycle().FileSave());
        QCOMPARE(env.Copies().size(), 0);
        CFoldcraftDoc written;
        QVERIFY(LoadProject(written, env.project.toStdString()).Ok());
        QCOMPARE(written.m_pRoot->m_arrFolders.size(), 1u);
        QCOMPARE(written.m_strTitle, std::string("Recovered title"));
    }

private slots:
    // A killed program's copy is offered at the next start: Recover brings back every
    // edit as the modified project it was (Save writes the project's own file and
    // removes the copy), Discard removes the copy, Decide Later keeps it for the next
    // start. The copy never replaces the project's file.
    void offerAfterKill_data() {
        QTest::addColumn<bool>("saved");
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<int>("offersAtThirdStart");
        QTest::newRow("recover") << true << Answer::kRecover << 0;
        QTest::newRow("recover never saved") << false << Answer::kRecover << 0;
        QTest::newRow("discard") << true << Answer::kDiscard << 0;
        QTest::newRow("decide later") << true << Answer::kLater << 1;
    }
    void offerAfterKill() {
        QFETCH(bool, saved);
        QFETCH(Answer, answer);
        QFETCH(int, offersAtThirdStart);
        Env env;
        QProcess* child = env.StartEditing(saved ? env.project : QString());
        QVERIFY(child);
        Env::Kill(*child);
        QCOMPARE(env.Copies().size(), 1);
        QCOMPARE(Env::Read(env.project), env.projectBytes);
        {
            Start second(env, {answer});
            const QString name = saved ? "site.fcd" : "New Document";
            QCOMPARE(second.Offers().size(), 1);
            QVERIFY2(second.Offers()[0].startsWith("Recover unsaved changes to " + name + " from "),
                     qPrintable(second.Offers()[0]));
            const bool recovered = answer == Answer::kRecover;
            QCOMPARE(second.app->Document().Doc().IsModified(), recovered);
            if (recovered) CheckRecovered(env, second, saved, name);
            if (QTest::currentTestFailed()) return;
        }
        QCOMPARE(Start(env, {}).Offers().size(), offersAtThirdStart);
    }

    // While a program runs, another one started beside it neither offers nor touches
    // its copy; once it is killed, its copy (and only its) is offered. A clean end
    // leaves no copy behind.
    void twoProgramsKeepTheirOwnCopies() {
        Env env;
        QProcess* first = env.StartEditing(env.project);
        QVERIFY(first);
        const QStringList firstCopy = env.Copies();
        {
            Start second(env, {});
            QCOMPARE(second.Offers(), QStringList());
            DesignEditCommand::Edit(second.app->Document(), UndoMergeId::kNoMerge,
                                    [](CDesignSettings& s) { s.m_strTitle = "Second"; });
            second.now += 5'000;
            second.app->Recovery()->Autosave()->Tick();
            QCOMPARE(env.Copies().size(), 2);
            second.app->Document().Doc().SetModifiedFlag(false);  // ends without asking
        }
        QCOMPARE(env.Copies(), firstCopy);
        Env::Kill(*first);
        Start third(env, {Answer::kRecover});
        QCOMPARE(third.Offers().size(), 1);
        QCOMPARE(third.app->Document().Doc().m_strTitle, std::string("Recovered title"));
    }
};

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--edit-and-wait") == 0) {
        QApplication app(argc, argv);
        return EditAndWait(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    QApplication app(argc, argv);
    tst_Recovery test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_Recovery.moc"
