#pragma once

#include <QAbstractItemModelTester>
#include <QTemporaryDir>
#include <memory>

#include "app/AppServices.h"
#include "app/ProjectDocument.h"
#include "model/BuildTreeFolder.h"
#include "model/MemorySettingsStore.h"
#include "model/ProjectFile.h"
#include "ui/build/BuildDialogs.h"
#include "ui/build/CBuildTreeView.h"
#include "ui/build/CBuildView.h"
#include "ui/build/SiteTreeView.h"
#include "ui/support/RecordingUserDialogs.h"

namespace foldcraft::test {

// Answers the Build step's own dialogs (no answer: Cancel) and counts the notices.
struct FakeBuildDialogs : IBuildDialogs {
    std::optional<QString> folderName;
    std::optional<WebLink> webLink;
    bool dontShowAgain = false;
    int notices = 0;

    std::optional<QString> AskFolderName(QWidget*) override { return folderName; }
    std::optional<WebLink> AskWebLink(QWidget*) override { return webLink; }
    bool SupportFileNotice(QWidget*) override {
        ++notices;
        return dontShowAgain;
    }
};

// A project with the Build tab's two panes and every dialog answered by doubles;
// the tree model is checked by QAbstractItemModelTester throughout. The clock is
// pinned, so that new items serialize the same each time.
//
//   Root
//     A            (folder: sub-folder A1 with one document, document a-doc)
//     B            (empty folder)
//     b, A, a      (documents, in that order)
//     web          (a web link)
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
        tree = std::make_unique<CBuildTreeView>(document, services);
        form = std::make_unique<CBuildView>(document, services, *tree);
        form->SetDialogs(buildDialogs);
        tester = std::make_unique<QAbstractItemModelTester>(
            &tree->Model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        document.NotifyReset();
    }

    CBuildTreeFolder& Root() { return *document.Doc().m_pRoot; }
    CBuildTreeFolder& Folder(const char* name) {
        return static_cast<CBuildTreeFolder&>(*Find(name).item);
    }
    // Selects an item of the root by name (folders first), or a path "A/A1".
    ItemRef Find(const QString& path) {
        QModelIndex index = tree->Model().RootIndex();
        for (const QString& part : path.split('/', Qt::SkipEmptyParts)) {
            const QModelIndexList hits = tree->Model().match(
                tree->Model().index(0, 0, index), Qt::DisplayRole, part, 1, Qt::MatchExactly);
            if (hits.isEmpty()) return {};
            index = hits.first();
        }
        return tree->Model().ItemAt(index);
    }
    void Select(const QString& path) { tree->Select(Find(path)); }
    QString SelectedName() {
        const ItemRef ref = tree->Selected();
        return ref ? QString::fromStdString(ref.item->m_strName) : QString();
    }
    // The names of a folder's children as the tree shows them, in order.
    QStringList Children(const QString& path) {
        const QModelIndex parent = tree->Model().IndexOf(Find(path));
        QStringList names;
        for (int row = 0; row < tree->Model().rowCount(parent); ++row)
            names << tree->Model().index(row, 0, parent).data().toString();
        return names;
    }
    // Whether every folder with children is shown expanded, from index down.
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

}  // namespace foldcraft::test
