#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "document/ItemFormRules.h"
#include "document/ProjectDocument.h"
#include "document/WebLinkRules.h"
#include "model/MemorySettingsStore.h"
#include "model/ProjectFile.h"
#include "support/Patience.h"
#include "ui/build/BuildActions.h"
#include "ui/build/BuildDialogs.h"
#include "ui/build/CBuildTreeView.h"
#include "ui/build/CBuildView.h"
#include "ui/build/CNewFolderDlg.h"
#include "ui/build/CNewWebLinkDlg.h"
#include "ui/build/SiteTreeView.h"
#include "ui/common/AppServices.h"
#include "ui/support/RecordingUserDialogs.h"

using namespace foldcraft;
using foldcraft::test::RecordingUserDialogs;

namespace {

// Answers the Build step's own dialogs (no answer: Cancel) and counts the notices.
struct FakeBuildDialogs : IBuildDialogs {
    std::optional<QString> folderName;
    std::optional<WebLink> webLink;
    std::optional<ButtonStyleSettings> buttonStyles;
    std::optional<HotspotSettings> hotspots;
    bool dontShowAgain = false;
    int notices = 0;

    std::optional<QString> AskFolderName(QWidget*) override { return folderName; }
    std::optional<WebLink> AskWebLink(QWidget*) override { return webLink; }
    bool SupportFileNotice(QWidget*) override {
        ++notices;
        return dontShowAgain;
    }
    std::optional<ButtonStyleSettings> EditButtonStyles(QWidget*,
                                                        const CBuildTreeFolder&) override {
        return buttonStyles;
    }
    std::optional<HotspotSettings> EditHotspots(QWidget*, const CBuildTreeFolder&) override {
        return hotspots;
    }
};

// The Build tab's two panes and its commands, dialogs answered by doubles, the model
// checked by QAbstractItemModelTester, the clock pinned. Root: folders A (folder A1
// with document deep; document a-doc) and B (empty), then documents b, A, a and the
// web link web.
struct BuildFixture {
    ScopedClockPin clock{1'000'000'000};
    QTemporaryDir dir;
    ProjectDocument document;
    RecordingUserDialogs dialogs;
    MemorySettingsStore settings;
    AppServices services{dialogs, settings, dir.path().toStdString()};
    FakeBuildDialogs buildDialogs;
    std::unique_ptr<CBuildTreeView> tree;
    std::unique_ptr<CBuildView> form;
    std::unique_ptr<BuildActions> actions;
    std::unique_ptr<QAbstractItemModelTester> tester;

    BuildFixture() {
        CBuildTreeFolder& root = Root();
        auto a = std::make_unique<CBuildTreeFolder>("A", "(folder)", "");
        auto a1 = std::make_unique<CBuildTreeFolder>("A1", "(folder)", "");
        a1->AddDoc(std::make_unique<CBuildTreeDoc>("deep", "/nowhere/deep.txt", ""));
        a->AddFolder(std::move(a1));
        a->AddDoc(std::make_unique<CBuildTreeDoc>("a-doc", "/nowhere/a-doc.txt", ""));
        root.AddFolder(std::move(a));
        root.AddFolder(std::make_unique<CBuildTreeFolder>("B", "(folder)", ""));
        for (const char* name : {"b", "A", "a"})
            root.AddDoc(std::make_unique<CBuildTreeDoc>(name, std::string("/nowhere/") + name, ""));
        root.AddDoc(std::make_unique<CBuildTreeDoc>("web", "https://example.org/", ""));
        document.Doc().m_timeLastPublish = 0;
        document.NotifyReset();  // the tree was filled behind the model's back
        tree = std::make_unique<CBuildTreeView>(document, services);
        form = std::make_unique<CBuildView>(document, services, *tree);
        actions = std::make_unique<BuildActions>(document, services, *tree, buildDialogs);
        QObject::connect(form.get(), &CBuildView::commandRequested, actions.get(),
                         &BuildActions::Run);
        tester = std::make_unique<QAbstractItemModelTester>(
            &tree->Model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        document.NotifyReset();
    }

    CBuildTreeFolder& Root() { return *document.Doc().m_pRoot; }
    // Selects an item of the root by name (folders first), or a path "A/A1".
    ItemRef Find(const QString& path) {
        BuildTreeModel& m = tree->Model();
        QModelIndex at = m.RootIndex();
        for (const QString& name : path.split('/', Qt::SkipEmptyParts))
            at = m.match(m.index(0, 0, at), Qt::DisplayRole, name, 1, Qt::MatchExactly).value(0);
        return m.ItemAt(at);
    }
    void Select(const QString& path) { tree->Select(Find(path)); }
    QString SelectedName() { return QString::fromStdString(tree->Selected().item->m_strName); }
    QStringList Children(const QString& path) {
        const QModelIndex parent = tree->Model().IndexOf(Find(path));
        QStringList names;
        for (int row = 0; row < tree->Model().rowCount(parent); ++row)
            names << tree->Model().index(row, 0, parent).data().toString();
        return names;
    }
    bool AllExpanded(const QModelIndex& index) {
        const int rows = tree->Model().rowCount(index);
        bool all = rows == 0 || tree->Tree().isExpanded(index);
        for (int row = 0; row < rows; ++row) all &= AllExpanded(tree->Model().index(row, 0, index));
        return all;
    }
    std::string Bytes() { return WriteProjectBytes(document.Doc()); }
    QString WriteFile(const QString& name, const QByteArray& contents) {
        QFile file(dir.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(contents);
        return file.fileName();
    }
};

Time June(int day) {
    return QDateTime(QDate(2026, 6, day), QTime(12, 0), Qt::UTC).toSecsSinceEpoch();
}

template <typename T>
T* Control(QWidget& form, const QString& name) {
    for (T* widget : form.findChildren<T*>())
        if (widget->accessibleName() == name) return widget;
    return nullptr;
}

enum Special { kDrop = 100, kRename };

}  // namespace

class tst_BuildStep : public QObject {
    Q_OBJECT
private slots:
    // Each command is one undo step leaving the root's children and selection as given;
    // undo restores bytes, selection, expansion and "modified", redo those of after.
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
            {"add folder from disk", "A", int(kAddFolderFromDisk), "A B b A a web", "A"},
            {"drop", "b", kDrop, "A B b A a web one.txt two.txt", "Root"},
            {"sort", "b", int(kSortAscending), "A B A a b web", "b"},
            {"reverse sort", "", int(kSortDescending), "B A web b A a", "Root"},
            {"move up", "a", int(kMoveUp), "A B b a A web", "a"},
            {"move down", "A", int(kMoveDown), "B A b A a web", "A"},
            {"remove folder", "A", int(kRemove), "B b A a web", "Root"},
            {"remove link", "web", int(kRemove), "A B b A a", "Root"},
            {"button styles", "A", int(kButtons), "A B b A a web", "Root"},
            {"hotspots", "A", int(kHotspots), "A B b A a web", "Root"},
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
        if (action == int(BuildCommand::kAddFolderFromDisk))
            f.dialogs.files.front() = {f.dir.path()};
        f.buildDialogs.webLink = {"https://example.org/x", "x"};
        f.buildDialogs.buttonStyles = ButtonStyleSettings{3, 2, 1, 4};
        f.buildDialogs.hotspots = HotspotSettings{1, "map.png", {}};
        f.Select(select);
        const std::string before = f.Bytes();
        const QString selectedBefore = f.SelectedName();
        if (action == kDrop) {
            f.actions->DropFiles({one, two}, f.Find("b"));
        } else if (action == kRename) {
            f.form->findChild<QLineEdit*>()->setText(QStringLiteral("Renamed"));
        } else {
            f.actions->Run(BuildCommand(action));
        }
        QCOMPARE(f.document.UndoStack().count(), 1);
        const std::string after = f.Bytes();
        QVERIFY(after != before && f.document.Doc().IsModified());
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

    // Pages and PDFs bring the notice once unless switched off ("don't show again"); the
    // files come by the form's Add Files button.
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
            Control<QPushButton>(*f.form, "Add Files")->click();
            QCOMPARE(f.Children("").mid(6), names);
            QCOMPARE(f.buildDialogs.notices, notices);
            QCOMPARE(f.settings.GetInt("Message", "SupportFileMsg", 0), notices ? 1 : setting);
            QCOMPARE(f.services.lastAddDir, f.dir.path().toStdString());
        }
    }

    // A drop adds files (a path over 255 characters whole) and folders with their trees
    // read as the importer reads them (hidden and empty files left out) under the target's
    // folder, as one step, the root selected; an empty file is refused with a message.
    void dropFoldersAndFiles() {
        BuildFixture f;
        const QString d(60, 'd'), e(60, 'e'), g(60, 'g');
        QVERIFY(QDir(f.dir.path()).mkpath(d + '/' + e + '/' + g));
        const QString longFile = f.WriteFile(d + '/' + e + '/' + g + "/long.txt", "long");
        f.WriteFile(d + "/.hidden", "h");
        f.WriteFile(d + "/empty.txt", "");
        const QString empty = f.WriteFile("empty.txt", ""), small = f.WriteFile("small.txt", "s");
        f.Select("A");
        f.actions->DropFiles({f.dir.filePath(d), longFile, small, empty}, f.Find("A/a-doc"));
        QCOMPARE(f.Children("A"), QStringList({"A1", d, "a-doc", "long.txt", "small.txt"}));
        QCOMPARE(f.Children("A/" + d), QStringList{e});
        QCOMPARE(f.Children("A/" + d + '/' + e + '/' + g), QStringList{"long.txt"});
        QCOMPARE(f.Root().m_arrFolders[0]->m_arrDocs[1]->m_strLink, longFile.toStdString());
        QCOMPARE(f.dialogs.Messages(),
                 QStringList{"Cannot add a file that is empty or cannot be read."});
        QCOMPARE(f.SelectedName(), QStringLiteral("Root"));
        QCOMPARE(f.document.UndoStack().count(), 1);
        f.document.UndoStack().undo();
        QCOMPARE(f.Children("A"), QStringList({"A1", "a-doc"}));
    }

    // A file already in the folder is asked about: No leaves it out, Yes adds it again.
    void fileAlreadyInFolderAsks() {
        const std::tuple<IUserDialogs::Answer, int> rows[] = {{IUserDialogs::Answer::kNo, 1},
                                                              {IUserDialogs::Answer::kYes, 2}};
        for (const auto& [answer, copies] : rows) {
            BuildFixture f;
            const QString small = f.WriteFile("small.txt", "s");
            f.actions->DropFiles({small}, f.Find("B"));
            f.dialogs.answers.push_back(answer);
            f.actions->DropFiles({small}, f.Find("B"));
            QCOMPARE(f.Children("B").count("small.txt"), copies);
            QCOMPARE(f.dialogs.Messages(),
                     QStringList{"small.txt is already in this folder. Add it again?"});
        }
    }

    // Move Up and Move Down only within a run of items of the same kind.
    void moveAvailability() {
        const std::tuple<const char*, bool, bool> rows[] = {
            {"", false, false}, {"A", false, true},   {"B", true, false},
            {"b", false, true}, {"web", true, false}, {"A/A1/deep", false, false}};
        for (const auto& [select, up, down] : rows) {
            BuildFixture f;
            f.Select(select);
            QCOMPARE(f.actions->Selection().nextSameKind, down);
            f.actions->Run(BuildCommand::kMoveUp);
            QCOMPARE(f.document.UndoStack().count(), int(up));
        }
    }

    // Delete removes a folder with all below it and selects its parent; on the root it
    // only rebuilds, selecting the folder of the last command.
    void deleteKey() {
        BuildFixture f;
        QCOMPARE(f.actions->Selection().treeItemCount, 10);
        f.Select("A/A1");
        QTest::keyClick(&f.tree->Tree(), Qt::Key_Delete);
        QCOMPARE(f.Children("A"), QStringList{"a-doc"});
        QCOMPARE(f.SelectedName(), QStringLiteral("A"));
        QCOMPARE(f.actions->Selection().treeItemCount, 8);
        f.Select("");
        QTest::keyClick(&f.tree->Tree(), Qt::Key_Delete);
        QCOMPARE(f.document.UndoStack().count(), 1);
        QCOMPARE(f.SelectedName(), QStringLiteral("A"));
    }

    // Icons: a lower-case scheme anywhere makes a web link; changed files are marked.
    void icons() {
        BuildFixture f;
        const QString links[] = {"mailto:a@example.org", "ftp://example.org/f",
                                 "/home/a://b.txt",      "MAILTO:a@example.org",
                                 "/nowhere/x.txt",       f.WriteFile("changed.txt", "c")};
        for (const QString& link : links)
            f.Root().AddDoc(std::make_unique<CBuildTreeDoc>("x", link.toStdString(), ""));
        f.document.NotifyReset();
        using enum TreeIcon;
        const TreeIcon icons[] = {kWebLink,  kWebLink,  kWebLink,
                                  kDocument, kDocument, kChangedDocument};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(int(f.tree->Model().IconOf(*f.Root().m_arrDocs[4 + i])), int(icons[i]));
    }

    // The tree shows each row's state; a file gone from disk shows missing once Refresh
    // looked again, not before.
    void itemStatesInTree() {
        BuildFixture f;
        const QString file = f.WriteFile("here.txt", "h");
        f.Root().AddDoc(std::make_unique<CBuildTreeDoc>("here", file.toStdString(), ""));
        f.Root().m_arrDocs[0]->m_bVisible = 0;
        f.document.NotifyReset();
        BuildTreeModel& m = f.tree->Model();
        const QModelIndex here = m.IndexOf(f.Find("here"));
        QVERIFY(!m.data(here, Qt::ForegroundRole).isValid());
        QVERIFY(m.data(m.IndexOf(f.Find("b")), Qt::FontRole).value<QFont>().italic());
        QVERIFY(m.data(m.IndexOf(f.Find("a")), Qt::ToolTipRole).toString().startsWith("Missing"));
        QVERIFY(QFile::remove(file));
        QVERIFY(!m.data(here, Qt::ToolTipRole).toString().startsWith("Missing"));
        f.actions->Run(BuildCommand::kRefresh);
        QCOMPARE(m.data(here, Qt::ForegroundRole).value<QColor>(), QColor(0xC0, 0x20, 0x20));
        QVERIFY(m.data(here, Qt::ToolTipRole).toString().startsWith("Missing: " + file));
        QVERIFY(!m.data(m.RootIndex(), Qt::ToolTipRole).isValid());
    }

    // Hotspots needs sub-items; Preview writes temp.html in the program folder, opened.
    // Hotspots needs sub-items; Preview writes temp.html in the program folder.
    void hotspotsNeedSubItems() {
        BuildFixture f;
        f.Select("B");
        f.actions->Run(BuildCommand::kHotspots);
        QCOMPARE(f.dialogs.Messages(), QStringList{"Folder has no subitems to link to."});
        f.actions->Run(BuildCommand::kPreview);
        QVERIFY(QFile::exists(f.dir.filePath("temp.html")));
    }

    // Preview and a double-click on a document open it in the desktop; when that
    // fails, a message names the path (or address) and offers it for copying.
    void openingSaysWhenItFails() {
        const struct {
            const char* item;  // "" for Preview of the selected folder B
            bool opens;
            QString target;  // "" for temp.html in the program folder
        } rows[] = {
            {"", true, ""},
            {"", false, ""},
            {"b", false, "/nowhere/b"},
            {"web", false, "https://example.org/"},
        };
        for (const auto& row : rows) {
            BuildFixture f;
            f.dialogs.opens = row.opens;
            const QString target = row.target.isEmpty() ? f.dir.filePath("temp.html") : row.target;
            if (QLatin1String(row.item).isEmpty()) {
                f.Select("B");
                f.actions->Run(BuildCommand::kPreview);
            } else {
                emit f.tree->findChild<SiteTreeView*>()->itemDoubleClicked(
                    f.tree->Model().IndexOf(f.Find(row.item)));
            }
            const auto& calls = f.dialogs.calls;
            QCOMPARE(calls.size(), row.opens ? 1u : 2u);
            QCOMPARE(QUrl(calls[0].text),
                     target.startsWith("https:") ? QUrl(target) : QUrl::fromLocalFile(target));
            if (row.opens) continue;
            QVERIFY2(calls[1].kind == "message" && calls[1].text.contains(target),
                     qPrintable(calls[1].text));
            QCOMPARE(calls[1].copyText, target);
        }
    }

    // Dates show in the locale's short format with four-digit years; after a click in
    // a date, typing replaces the section clicked, the time of day kept; a refused
    // purge date is corrected and the message says to what.
    void datesInLocale() {
        const std::tuple<QLocale, QString, int, QString> rows[] = {
            {QLocale(QLocale::English, QLocale::UnitedStates), "6/10/2026", 3, "6/4/2026"},
            {QLocale(QLocale::German, QLocale::Germany), "10.06.2026", 1, "04.06.2026"}};
        for (const auto& [locale, shown, dayAt, corrected] : rows) {
            QLocale::setDefault(locale);
            BuildFixture f;
            CBuildTreeDoc& item = *f.Find("b").item;
            item.m_timePublish = June(10);
            item.m_timePurge = June(20);
            item.m_bPurge = 1;
            f.Select("b");
            auto* publish = Control<QDateEdit>(*f.form, "Publish:");
            auto* edit = publish->findChild<QLineEdit*>();
            QCOMPARE(edit->text(), shown);
            QPoint day(0, edit->height() / 2);
            while (edit->cursorPositionAt(day) < dayAt) day.rx()++;
            QTest::mouseClick(edit, Qt::LeftButton, {}, day);
            QTest::keyClicks(edit, "03");
            QTest::keyClick(edit, Qt::Key_Return);
            QCOMPARE(item.m_timePublish, June(3));
            Control<QDateEdit>(*f.form, "Purge date")->setDate(QDate(2026, 6, 2));
            QCOMPARE(item.m_timePurge, June(4));
            QCOMPARE(f.dialogs.Messages(),
                     QStringList{"Cannot set purge date on or before active publish date. "
                                 "The purge date is now " +
                                 corrected + "."});
        }
        QLocale::setDefault(QLocale::c());
    }

    // Typing in a field is one step until it is left; "Edit..." edits the label in the
    // Edit Text dialog; an emptied name becomes "Folder Name", in field and tree.
    void fieldEdits() {
        BuildFixture f;
        f.Select("A");
        const std::string before = f.Bytes();
        auto* comment = Control<QLineEdit>(*f.form, "Comment:");
        QTest::keyClicks(comment, "xyz");
        QTest::keyClick(comment, Qt::Key_Return);
        QTest::keyClicks(comment, "w");
        QCOMPARE(f.Find("A").item->m_strComment, std::string("xyzw"));
        QCOMPARE(f.document.UndoStack().count(), 2);
        f.document.UndoStack().undo();
        QCOMPARE(comment->text(), QStringLiteral("xyz"));
        f.document.UndoStack().undo();
        QVERIFY(f.Bytes() == before);

        f.dialogs.texts.push_back(QStringLiteral("Hello"));
        Control<QPushButton>(*f.form, "Edit...")->click();
        QCOMPARE(f.Root().m_arrFolders[0]->m_strLabel, std::string("Hello"));
        QCOMPARE(Control<QPlainTextEdit>(*f.form, "Label")->toPlainText(), QStringLiteral("Hello"));

        QCOMPARE(ItemFormRules::NameFromField(""), std::string("Folder Name"));
        auto* name = Control<QLineEdit>(*f.form, "Name:");
        name->clear();
        QCOMPARE(name->text(), QStringLiteral("Folder Name"));
        QCOMPARE(f.tree->Model().data(f.tree->Model().IndexOf(f.tree->Selected())).toString(),
                 QStringLiteral("Folder Name"));
    }

    // Buttons for folders only; the link editable for web links only.
    void enableRules() {
        const std::tuple<const char*, bool, bool> rows[] = {
            {"A", true, false}, {"b", false, false}, {"web", false, true}};
        for (const auto& [select, folder, linkEditable] : rows) {
            BuildFixture f;
            f.Select(select);
            for (const char* caption :
                 {"Add Folder", "Add Files", "Add Web Link", "Buttons...", "Hotspot...", "Edit..."})
                QCOMPARE(Control<QPushButton>(*f.form, caption)->isEnabled(), folder);
            QVERIFY(Control<QPushButton>(*f.form, "Refresh")->isEnabled());
            QCOMPARE(
                Control<QCheckBox>(*f.form, "Show \"Contents for\" at start of page")->isEnabled(),
                folder);
            QCOMPARE(Control<QLineEdit>(*f.form, "Link:")->isReadOnly(), !linkEditable);
        }
    }

    // The name follows the link keystroke by keystroke until the user types a name;
    // OK with a bad link shows the message and stays open. Add Folder needs a name.
    void webLinkDialog() {
        test::RecordingUserDialogs dialogs;
        CNewWebLinkDlg dialog(dialogs);
        auto* link = dialog.findChildren<QLineEdit*>().at(0);
        auto* name = dialog.findChildren<QLineEdit*>().at(1);
        QCOMPARE(link->text(), QStringLiteral("http://"));
        QTest::keyClicks(link, "www.example.org");
        QCOMPARE(name->text(), QStringLiteral("example.org"));
        QTest::keyClicks(name, "!");
        QTest::keyClicks(link, "/x");
        QCOMPARE(name->text(), QStringLiteral("example.org!"));
        link->setText(QStringLiteral("example.org"));
        dialog.accept();
        QCOMPARE(dialogs.Messages(), QStringList{"Link is improperly formatted."});
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        CNewFolderDlg folder;  // needs a name, a blank one will do
        folder.accept();
        QCOMPARE(folder.result(), int(QDialog::Rejected));
        QTest::keyClicks(folder.findChild<QLineEdit*>(), " ");
        folder.accept();
        QCOMPARE(folder.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(tst_BuildStep)
#include "tst_BuildStep.moc"
