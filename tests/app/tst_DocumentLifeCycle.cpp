#include <QTemporaryDir>
#include <QTest>

#include "app/AppServices.h"
#include "app/CMainFrame.h"
#include "app/DocumentLifeCycle.h"
#include "app/ProjectDocument.h"
#include "model/MemorySettingsStore.h"
#include "model/ProjectFile.h"
#include "ui/support/RecordingUserDialogs.h"

using namespace foldcraft;
using Answer = IUserDialogs::Answer;

namespace {

struct Fixture {
    QTemporaryDir dir;
    ProjectDocument document;
    test::RecordingUserDialogs dialogs;
    MemorySettingsStore settings;
    AppServices services{dialogs, settings, {}};
    DocumentLifeCycle lifeCycle{document, services};

    QString Path(const char* name) const { return dir.filePath(QLatin1String(name)); }

    // Writes a project with `folders` sub-folders to name and returns its path.
    QString WriteProject(const char* name, int folders) {
        CFoldcraftDoc doc;
        doc.OnNewDocument();
        for (int i = 0; i < folders; ++i)
            doc.m_pRoot->AddFolder(std::make_unique<CBuildTreeFolder>("F", "", ""));
        const QString path = Path(name);
        if (!SaveProject(doc, path.toStdString()).Ok()) return {};
        return path;
    }

    // The number of sub-folders of the root in the file at path.
    static int FoldersIn(const QString& path) {
        CFoldcraftDoc doc;
        doc.OnNewDocument();
        if (!LoadProject(doc, path.toStdString()).Ok()) return -1;
        return int(doc.m_pRoot->m_arrFolders.size());
    }

    void AddFolder() {
        document.Doc().m_pRoot->AddFolder(std::make_unique<CBuildTreeFolder>("New", "", ""));
        document.MarkModified();
    }
};

}  // namespace

class tst_DocumentLifeCycle : public QObject {
    Q_OBJECT
private slots:
    // The offer to save before New, Open and Exit: Save writes the project in place
    // and goes on, Don't Save goes on without writing, Cancel keeps everything.
    void offerToSave_data() {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("answer");
        for (const char* op : {"new", "open", "exit"}) {
            QTest::addRow("%s save", op) << QString::fromLatin1(op) << int(Answer::kSave);
            QTest::addRow("%s don't save", op) << QString::fromLatin1(op) << int(Answer::kDiscard);
            QTest::addRow("%s cancel", op) << QString::fromLatin1(op) << int(Answer::kCancel);
        }
    }
    void offerToSave() {
        QFETCH(QString, operation);
        QFETCH(int, answer);
        Fixture f;
        const QString saved = f.WriteProject("saved.fcd", 1);
        const QString other = f.WriteProject("other.fcd", 3);
        QVERIFY(f.lifeCycle.OpenPath(saved));
        f.AddFolder();
        f.dialogs.answers.push_back(Answer(answer));
        f.dialogs.files.push_back({other});

        bool wentOn = false;
        if (operation == "new") {
            wentOn = f.lifeCycle.FileNew();
        } else if (operation == "open") {
            wentOn = f.lifeCycle.FileOpen();
        } else {
            CMainFrame frame(f.document, f.services, f.lifeCycle);
            f.lifeCycle.SetWindow(&frame);
            frame.show();
            wentOn = frame.close();
            f.lifeCycle.SetWindow(nullptr);
        }

        QCOMPARE(f.dialogs.Messages(), QStringList{QStringLiteral("Save changes to saved.fcd?")});
        const bool cancelled = Answer(answer) == Answer::kCancel;
        QCOMPARE(wentOn, !cancelled);
        QCOMPARE(Fixture::FoldersIn(saved), Answer(answer) == Answer::kSave ? 2 : 1);
        if (cancelled) {
            QVERIFY(f.document.Doc().IsModified());
            QCOMPARE(f.document.Doc().m_pRoot->m_arrFolders.size(), size_t(2));
        } else if (operation == "new") {
            QCOMPARE(f.document.Doc().GetTitle(), std::string("New Document"));
            QVERIFY(f.document.Doc().m_pRoot->m_arrFolders.empty());
        } else if (operation == "open") {
            QCOMPARE(f.document.Doc().GetTitle(), std::string("other.fcd"));
            QCOMPARE(f.document.Doc().m_pRoot->m_arrFolders.size(), size_t(3));
        }
        // Open asks for the file first, then offers to save.
        if (operation == "open") QCOMPARE(f.dialogs.calls.front().kind, std::string("open"));
    }

    // Save of a project never saved asks for a name like Save As (".fcd" added); the
    // next Save writes in place without asking.
    void saveOfNewProjectActsAsSaveAs() {
        Fixture f;
        f.AddFolder();
        f.dialogs.files.push_back({f.Path("site")});
        QVERIFY(f.lifeCycle.FileSave());
        QCOMPARE(f.dialogs.calls.size(), size_t(1));
        QCOMPARE(f.dialogs.calls[0].kind, std::string("save"));
        const CFoldcraftDoc& doc = f.document.Doc();
        QCOMPARE(doc.GetTitle(), std::string("site.fcd"));
        QCOMPARE(doc.m_bNeverSaved, 0);
        QVERIFY(!doc.IsModified());
        QCOMPARE(Fixture::FoldersIn(f.Path("site.fcd")), 1);

        f.AddFolder();
        QVERIFY(f.lifeCycle.FileSave());
        QCOMPARE(f.dialogs.calls.size(), size_t(1));
        QCOMPARE(Fixture::FoldersIn(f.Path("site.fcd")), 2);
    }

    // A file changed by another program since it was read is replaced only when the
    // user says so.
    void fileChangedOnDiskIsReplacedOnlyAfterAsking() {
        Fixture f;
        const QString saved = f.WriteProject("saved.fcd", 1);
        QVERIFY(f.lifeCycle.OpenPath(saved));
        QVERIFY(!f.WriteProject("saved.fcd", 3).isEmpty());  // the other program
        f.AddFolder();
        f.dialogs.answers = {Answer::kNo, Answer::kYes};
        QVERIFY(!f.lifeCycle.FileSave());
        QCOMPARE(Fixture::FoldersIn(saved), 3);
        QVERIFY(f.document.Doc().IsModified());
        QVERIFY(f.lifeCycle.FileSave());
        QCOMPARE(Fixture::FoldersIn(saved), 2);
        QCOMPARE(f.dialogs.Messages().size(), 2);
        QVERIFY(f.dialogs.Messages()[0].contains(QStringLiteral("changed by another program")));
    }

    // A save that fails tells why and leaves the project modified and unnamed; so
    // does an open of a file that cannot be read.
    void failedSaveKeepsTheModifiedFlag() {
        Fixture f;
        f.AddFolder();
        f.dialogs.files.push_back({f.Path("missing/site.fcd")});
        QVERIFY(!f.lifeCycle.FileSave());
        QCOMPARE(f.dialogs.Messages().size(), 1);
        QVERIFY(f.dialogs.Messages()[0].startsWith(QStringLiteral("Cannot save ")));
        QVERIFY(f.document.Doc().IsModified());
        QCOMPARE(f.document.Doc().m_bNeverSaved, 1);
        QCOMPARE(f.document.Doc().GetTitle(), std::string("New Document"));

        QVERIFY(!f.lifeCycle.OpenPath(f.Path("missing.fcd"), false));
        QVERIFY(f.document.Doc().IsModified());
        QCOMPARE(f.document.Doc().m_pRoot->m_arrFolders.size(), size_t(1));
    }

    // Four recent files, most recent first, kept in the settings; opening one again
    // moves it to the front; a file that no longer opens leaves the list.
    void recentListOfFour() {
        Fixture f;
        QStringList paths;
        for (const char* name : {"a.fcd", "b.fcd", "c.fcd", "d.fcd", "e.fcd"}) {
            paths << f.WriteProject(name, 0);
            QVERIFY(f.lifeCycle.OpenPath(paths.last()));
        }
        auto names = [&f] {
            QStringList list;
            for (const auto& file : f.lifeCycle.Recent().Files())
                list << QFileInfo(QString::fromStdString(file)).fileName();
            return list;
        };
        QCOMPARE(names(), (QStringList{"e.fcd", "d.fcd", "c.fcd", "b.fcd"}));
        QVERIFY(f.lifeCycle.OpenPath(paths[2]));
        QCOMPARE(names(), (QStringList{"c.fcd", "e.fcd", "d.fcd", "b.fcd"}));
        QCOMPARE(RecentFileList(f.settings).Files(), f.lifeCycle.Recent().Files());

        QVERIFY(QFile::remove(paths[4]));
        QVERIFY(!f.lifeCycle.OpenPath(paths[4]));
        QCOMPARE(names(), (QStringList{"c.fcd", "d.fcd", "b.fcd"}));
    }
};

QTEST_MAIN(tst_DocumentLifeCycle)
#include "tst_DocumentLifeCycle.moc"
