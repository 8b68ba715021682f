#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "BuildFixture.h"
#include "support/Patience.h"
#include "ui/build/FolderSettingsCommand.h"
#include "ui/design/FolderDialogs.h"

using namespace foldcraft;
using foldcraft::test::BuildFixture;

enum Special { kDrop = 100, kButtonStyles, kRename };

class tst_BuildCommands : public QObject {
    Q_OBJECT
private slots:
    // Each command is one undo step that leaves the root's children and the selection
    // as given; undo gives back the saved bytes and selection of before (the tree
    // fully expanded, "modified" cleared), redo those of after.
    void undoRedo_data() {
        QTest::addColumn<QString>("select");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("root");  // the root's children after
        QTest::addColumn<QString>("selected");
        using enum BuildCommand;
        const struct {
            const char *name, *select;
            int action;
            const char *root, *selected;
        } rows[] = {
            {"add folder", "", int(kAddFolder), "A B Reports b A a web", "Root"},
            {"add files", "A", int(kAddFiles), "A B b A a web", "A"},
            {"add web link", "", int(kAddWebLink), "A B b A a web x", "Root"},
            {"drop", "b", kDrop, "A B b A a web one.txt two.txt", "Root"},
            {"sort", "b", int(kSortAscending), "A B A a b web", "b"},
            {"reverse sort", "", int(kSortDescending), "B A web b A a", "Root"},
            {"move up", "a", int(kMoveUp), "A B b a A web", "a"},
            {"move down", "A", int(kMoveDown), "B A b A a web", "A"},
            {"remove folder", "A", int(kRemove), "B b A a web", "Root"},
            {"remove link", "web", int(kRemove), "A B b A a", "Root"},
            {"button styles", "A", kButtonStyles, "A B b A a web", "A"},
            {"rename", "A/A1", kRename, "A B b A a web", "Renamed"},
        };
        for (const auto& r : rows)
            QTest::newRow(r.name) << QString(r.select) << r.action << QString(r.root)
                                  << QString(r.selected);
    }
    void undoRedo() {
        QFETCH(QString, select);
        QFETCH(int, action);
        BuildFixture f;
        const QString one = f.WriteFile("one.txt", "1"), two = f.WriteFile("two.txt", "22");
        f.buildDialogs.folderName = QStringLiteral("Reports");
        f.dialogs.files.push_back({one, two});
        f.buildDialogs.webLink = {"https://example.org/x", "x"};
        f.Select(select);
        const std::string before = f.Bytes();
        const QString selectedBefore = f.SelectedName();
        if (action == kDrop) {
            f.form->DropFiles({one, two}, f.Find("b"));
        } else if (action == kButtonStyles) {
            const ItemRef a = f.Find("A");
            f.document.UndoStack().push(
                new FolderSettingsCommand<ButtonStyleSettings, &ApplyButtonStyles>(
                    f.tree->Model(), "Buttons", a, ReadButtonStyles(f.Folder("A")), {3, 2, 1, 4},
                    {{}, a}, {{}, a}));
        } else if (action == kRename) {
            f.form->findChild<QLineEdit*>()->setText(QStringLiteral("Renamed"));
        } else {
            f.form->Run(BuildCommand(action));
        }
        QCOMPARE(f.document.UndoStack().count(), 1);
        const std::string after = f.Bytes();
        QVERIFY(after != before);
        QVERIFY(f.document.Doc().IsModified());
        QTEST(f.Children("").join(' '), "root");
        QTEST(f.SelectedName(), "selected");
        f.document.UndoStack().undo();
        QVERIFY(f.Bytes() == before);
        QVERIFY(f.AllExpanded(f.tree->Model().RootIndex()));
        QCOMPARE(f.SelectedName(), selectedBefore.isEmpty() ? "Root" : selectedBefore);
        QVERIFY(!f.document.Doc().IsModified());
        f.document.UndoStack().redo();
        QVERIFY(f.Bytes() == after);
        QTEST(f.SelectedName(), "selected");
    }

    // Pages and PDF files added bring the notice once, unless it was switched off;
    // ticking "don't show again" switches it off.
    void supportFileNotice() {
        const std::tuple<QStringList, int, int> rows[] = {
            {{"index.html", "a.HTM", "b.pdf"}, 0, 1}, {{"x.txt"}, 0, 0}, {{"index.html"}, 1, 0}};
        for (const auto& [names, setting, notices] : rows) {
            BuildFixture f;
            if (setting) f.settings.WriteInt("Message", "SupportFileMsg", setting);
            QStringList paths;
            for (const QString& name : names) paths << f.WriteFile(name, "x");
            f.dialogs.files.push_back(paths);
            f.buildDialogs.dontShowAgain = true;
            f.form->Run(BuildCommand::kAddFiles);
            QCOMPARE(f.Children("").mid(6), names);
            QCOMPARE(f.buildDialogs.notices, notices);
            QCOMPARE(f.settings.GetInt("Message", "SupportFileMsg", 0), notices ? 1 : setting);
            QCOMPARE(f.services.lastAddDir, f.dir.path().toStdString());
        }
    }

    // A directory dropped with two files: the files are added (a path longer than
    // 255 characters whole), the directory refused with one message, the root
    // selected, all as one step. A drop beside the items adds nothing.
    void dropDirectoryWithTwoFiles() {
        BuildFixture f;
        const QString deep = QString(60, 'd') + '/' + QString(60, 'e') + '/' + QString(60, 'f') +
                             '/' + QString(60, 'g');
        QVERIFY(QDir(f.dir.path()).mkpath(deep));
        const QString longFile = f.WriteFile(deep + "/long.txt", "long");
        const QString small = f.WriteFile("small.txt", "s");
        f.Select("A");
        f.form->DropFiles({f.dir.path() + "/" + deep, longFile, small}, f.Find("A/a-doc"));
        QCOMPARE(f.Children("A"), QStringList({"A1", "a-doc", "long.txt", "small.txt"}));
        QCOMPARE(f.Folder("A").m_arrDocs[1]->m_strLink, longFile.toStdString());
        QCOMPARE(f.dialogs.Messages(),
                 QStringList{"Cannot add entire folder, select files instead."});
        QCOMPARE(f.SelectedName(), QStringLiteral("Root"));
        QCOMPARE(f.document.UndoStack().count(), 1);
        f.form->DropFiles({small}, {});
        QCOMPARE(f.document.UndoStack().count(), 1);
    }

    // Move Up and Move Down only within a run of items of the same kind.
    void moveAvailability() {
        const std::tuple<const char*, bool, bool> rows[] = {
            {"", false, false}, {"A", false, true},   {"B", true, false},
            {"b", false, true}, {"web", true, false}, {"A/A1/deep", false, false}};
        for (const auto& [select, up, down] : rows) {
            BuildFixture f;
            f.Select(select);
            QCOMPARE(f.form->Selection().nextSameKind, down);
            f.form->Run(BuildCommand::kMoveUp);
            QCOMPARE(f.document.UndoStack().count(), int(up));
        }
    }

    // The Delete key removes a folder with everything below it and selects its
    // parent; on the root it removes nothing but rebuilds, which selects the folder
    // of the last command.
    void deleteKey() {
        BuildFixture f;
        QCOMPARE(f.form->Selection().treeItemCount, 10);
        f.Select("A/A1");
        QTest::keyClick(&f.tree->Tree(), Qt::Key_Delete);
        QCOMPARE(f.Children("A"), QStringList{"a-doc"});
        QCOMPARE(f.SelectedName(), QStringLiteral("A"));
        QCOMPARE(f.form->Selection().treeItemCount, 8);
        f.Select("");
        QTest::keyClick(&f.tree->Tree(), Qt::Key_Delete);
        QCOMPARE(f.document.UndoStack().count(), 1);
        QCOMPARE(f.SelectedName(), QStringLiteral("A"));
    }

    void icons() {
        const std::pair<const char*, TreeIcon> rows[] = {
            {"mailto:a@example.org", TreeIcon::kWebLink},
            {"ftp://example.org/f", TreeIcon::kWebLink},
            {"/home/a://b.txt", TreeIcon::kWebLink},
            {"MAILTO:a@example.org", TreeIcon::kDocument},
            {"/nowhere/x.txt", TreeIcon::kDocument},
            {"*", TreeIcon::kChangedDocument}};  // a file changed since the last publish
        for (const auto& [link, icon] : rows) {
            BuildFixture f;
            const QString path = link == std::string("*") ? f.WriteFile("changed.txt", "c") : link;
            f.Root().AddDoc(std::make_unique<CBuildTreeDoc>("x", path.toStdString(), ""));
            f.document.NotifyReset();
            QCOMPARE(int(f.tree->Model().IconOf(*f.Find("x").item)), int(icon));
        }
    }

    // A double-click opens a document or link, never a folder; a right press moves no
    // selection; a context menu request from the keyboard shows nothing, one from the
    // pointer reaches the owner; a row selected without moving the current item (as
    // assistive tools do) is the selected item.
    void mouseAndContextMenu() {
        BuildFixture f;
        f.tree->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.tree.get(), test::kPatienceMs));
        SiteTreeView& view = f.tree->Tree();
        auto center = [&](const char* name) {
            return view.visualRect(f.tree->Model().IndexOf(f.Find(name))).center();
        };
        for (const char* name : {"B", "web"})
            QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, center(name));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, center("b"));
        QTest::mousePress(view.viewport(), Qt::RightButton, {}, center("a"));
        QCOMPARE(f.SelectedName(), QStringLiteral("b"));
        QCOMPARE(f.dialogs.calls.size(), size_t(1));
        QCOMPARE(f.dialogs.calls[0].text, QStringLiteral("https://example.org/"));
        f.tree->setContextMenuPolicy(Qt::CustomContextMenu);
        QSignalSpy requests(f.tree.get(), &QWidget::customContextMenuRequested);
        const QPoint inside = view.visualRect(f.tree->Model().RootIndex()).center();
        for (auto reason : {QContextMenuEvent::Keyboard, QContextMenuEvent::Mouse}) {
            QContextMenuEvent event(reason, inside, view.viewport()->mapToGlobal(inside));
            QApplication::sendEvent(view.viewport(), &event);
        }
        QCOMPARE(requests.count(), 1);
        view.selectionModel()->select(f.tree->Model().IndexOf(f.Find("B")),
                                      QItemSelectionModel::ClearAndSelect);
        QCOMPARE(f.SelectedName(), QStringLiteral("B"));
    }

    // Hotspots refuses a folder with nothing to link to; Preview writes temp.html into
    // the program folder and opens it.
    void hotspotsAndPreview() {
        BuildFixture f;
        f.Select("B");
        f.form->Run(BuildCommand::kHotspots);
        QCOMPARE(f.dialogs.Messages(), QStringList{"Folder has no subitems to link to."});
        f.form->Run(BuildCommand::kPreview);
        QVERIFY(QFile::exists(f.dir.filePath("temp.html")));
        QCOMPARE(f.dialogs.calls.back().kind, std::string("url"));
        QCOMPARE(f.dialogs.calls.back().text,
                 QUrl::fromLocalFile(f.dir.filePath("temp.html")).toString());
    }
};

QTEST_MAIN(tst_BuildCommands)
#include "tst_BuildCommands.moc"
