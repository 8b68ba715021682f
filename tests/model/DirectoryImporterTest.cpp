#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "model/BuildTreeFolder.h"
#include "model/Clock.h"
#include "model/DirectoryImporter.h"
#include "support/AsOrdinaryUser.h"
#include "support/TempDir.h"

using foldcraft::DirectoryImporter;
using foldcraft::test::AsOrdinaryUser;
using foldcraft::test::TempDir;
using foldcraft::test::UserRun;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Names(const CBuildTreeFolder& folder) {
    std::vector<std::string> names;
    for (const auto& sub : folder.m_arrFolders) names.push_back(sub->m_strName + "/");
    for (const auto& doc : folder.m_arrDocs) names.push_back(doc->m_strName);
    return names;
}

const CBuildTreeFolder* FindFolder(const CBuildTreeFolder& folder, const std::string& name) {
    for (const auto& sub : folder.m_arrFolders)
        if (sub->m_strName == name) return sub.get();
    return nullptr;
}

bool HasNote(const DirectoryImporter::Result& result, const std::string& pathEnd,
             const std::string& reason, bool problem) {
    return std::any_of(result.notes.begin(), result.notes.end(), [&](const auto& note) {
        return note.path.ends_with(pathEnd) && note.reason.find(reason) != std::string::npos &&
               note.problem == problem;
    });
}

void SetModificationTime(const std::string& path, time_t seconds) {
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

}  // namespace

TEST(DirectoryImporterTest, FoldersAndDocumentsInNameOrder) {
    TempDir dir;
    const std::string docs = dir / "docs";
    // "Été.txt" sorts by its lower case, after the ASCII names.
    for (const char* name : {"b.txt", "A.txt", "a.txt", "\xC3\x89t\xC3\xA9.txt", "f.txt", "Zeta/z"})
        dir.WriteFile(std::string("docs/") + name, name);
    dir.WriteFile("docs/alpha/beta/deep.pdf", "%PDF");
    fs::create_directories(docs + "/empty-dir");
    const std::string pdf = docs + "/alpha/beta/deep.pdf";
    SetModificationTime(pdf, 1'234'567'890);

    foldcraft::ScopedClockPin pin(1'700'000'000);
    CBuildTreeFolder root("Root", "(root)", "");
    root.m_strLabel = "kept";
    const auto result = DirectoryImporter().Import(docs, root);
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_FALSE(result.HasProblems());
    EXPECT_EQ(result.folders, 4u);
    EXPECT_EQ(result.documents, 7u);
    EXPECT_EQ(Names(root),
              (std::vector<std::string>{"alpha/", "empty-dir/", "Zeta/", "A.txt", "a.txt", "b.txt",
                                        "f.txt", "\xC3\x89t\xC3\xA9.txt"}));
    EXPECT_EQ(root.m_strLabel, "kept");

    const CBuildTreeFolder* alpha = FindFolder(root, "alpha");
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(alpha->m_strLink, "(folder)");
    const CBuildTreeFolder* beta = FindFolder(*alpha, "beta");
    ASSERT_NE(beta, nullptr);
    ASSERT_EQ(beta->m_arrDocs.size(), 1u);
    const CBuildTreeDoc& deep = *beta->m_arrDocs[0];
    EXPECT_EQ(deep.m_strLink, pdf);
    EXPECT_EQ(deep.m_nFileSize, 4);
    EXPECT_EQ(deep.m_timeFile, 1'234'567'890);
    EXPECT_EQ(deep.m_timePublish, 1'700'000'000);
}

TEST(DirectoryImporterTest, PathsAreAbsoluteAndNormal) {
    TempDir dir;
    dir.WriteFile("docs/sub/x.txt", "x");
    const std::string previous = fs::current_path().string();
    fs::current_path(dir.Path());
    CBuildTreeFolder root;
    const auto result = DirectoryImporter().Import("./docs/sub/../", root);
    fs::current_path(previous);
    ASSERT_TRUE(result.ok) << result.message;
    ASSERT_EQ(root.m_arrFolders.size(), 1u);
    EXPECT_EQ(root.m_arrFolders[0]->m_arrDocs.at(0)->m_strLink,
              fs::path(dir.Path()).string() + "/docs/sub/x.txt");
}

TEST(DirectoryImporterTest, HiddenAndEmptyEntriesAreSkipped) {
    TempDir dir;
    dir.WriteFile("d/.hidden.txt", "h");
    dir.WriteFile("d/.git/config", "c");
    dir.WriteFile("d/empty.txt", "");
    dir.WriteFile("d/shown.txt", "s");
    ::mkfifo((dir / "d/pipe").c_str(), 0600);  // never opened

    CBuildTreeFolder root;
    auto result = DirectoryImporter().Import(dir / "d", root);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(Names(root), (std::vector<std::string>{"shown.txt"}));
    EXPECT_TRUE(HasNote(result, "/d/pipe", "not a regular file", false));
    EXPECT_FALSE(result.HasProblems());

    CBuildTreeFolder all;
    DirectoryImporter::Options withHidden;
    withHidden.includeHidden = true;
    result = DirectoryImporter(withHidden).Import(dir / "d", all);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(Names(all), (std::vector<std::string>{".git/", ".hidden.txt", "shown.txt"}));
    EXPECT_EQ(Names(*all.m_arrFolders[0]), (std::vector<std::string>{"config"}));
}

TEST(DirectoryImporterTest, SymbolicLinksStayInsideTheDirectory) {
    TempDir dir;
    dir.WriteFile("outside/secret.txt", "secret");
    dir.WriteFile("d/real/file.txt", "real");
    const std::string d = dir / "d";
    fs::create_symlink(dir / "outside/secret.txt", d + "/out-file");
    fs::create_symlink("../outside", d + "/out-dir");
    fs::create_symlink("real/file.txt", d + "/in-file");
    fs::create_symlink("real", d + "/in-dir");
    fs::create_symlink("../..", d + "/real/up");  // leads outside
    fs::create_symlink(".", d + "/real/self");    // back into a folder being imported
    fs::create_symlink("loop-b", d + "/loop-a");  // a loop of links
    fs::create_symlink("loop-a", d + "/loop-b");
    fs::create_symlink("missing.txt", d + "/dangling");

    CBuildTreeFolder root;
    const auto result = DirectoryImporter().Import(d, root);
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(Names(root), (std::vector<std::string>{"in-dir/", "real/", "in-file"}));
    EXPECT_EQ(root.m_arrDocs[0]->m_strLink, d + "/in-file");  // the link's own path
    EXPECT_EQ(root.m_arrDocs[0]->m_nFileSize, 4);
    EXPECT_EQ(Names(*root.m_arrFolders[0]), (std::vector<std::string>{"file.txt"}));
    EXPECT_EQ(root.m_arrFolders[0]->m_arrDocs[0]->m_strLink, d + "/in-dir/file.txt");
    for (const char* link : {"/d/out-file", "/d/out-dir", "/d/real/up"})
        EXPECT_TRUE(HasNote(result, link, "outside the directory", false)) << link;
    EXPECT_TRUE(HasNote(result, "/d/real/self", "back into a folder", false));
    EXPECT_TRUE(HasNote(result, "/d/loop-a", "symbolic link loop", true));
    EXPECT_TRUE(HasNote(result, "/d/dangling", "broken symbolic link", true));
    EXPECT_TRUE(result.HasProblems());
}

TEST(DirectoryImporterTest, DirectoryGivenThroughALinkIsImported) {
    TempDir dir;
    dir.WriteFile("real/a.txt", "a");
    fs::create_symlink(dir / "real", dir / "link");
    fs::create_symlink("../real/a.txt", dir / "real/b.txt");  // inside, seen through the link
    CBuildTreeFolder root;
    const auto result = DirectoryImporter().Import(dir / "link", root);
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(Names(root), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(root.m_arrDocs[0]->m_strLink, dir / "link/a.txt");
}

TEST(DirectoryImporterTest, ImportAppendsAndAMissingOrWrongDirectoryChangesNothing) {
    TempDir dir;
    dir.WriteFile("file.txt", "x");
    dir.WriteFile("d/new.txt", "n");
    CBuildTreeFolder root;
    root.AddDoc(std::make_unique<CBuildTreeDoc>("zzz", "/zzz", ""));
    const std::pair<std::string, std::string> bad[] = {
        {dir / "missing", "No such file or directory"},
        {dir / "file.txt", "not a directory"},
        {"", ""},
    };
    for (const auto& [path, message] : bad) {
        const auto result = DirectoryImporter().Import(path, root);
        EXPECT_FALSE(result.ok) << path;
        EXPECT_NE(result.message.find(message), std::string::npos) << result.message;
    }
    EXPECT_EQ(Names(root), (std::vector<std::string>{"zzz"}));
    ASSERT_TRUE(DirectoryImporter().Import(dir / "d", root).ok);
    EXPECT_EQ(Names(root), (std::vector<std::string>{"zzz", "new.txt"}));
}

TEST(DirectoryImporterTest, HugeFileSizeIsCappedWithAWarning) {
    TempDir dir;
    const std::string big = dir.WriteFile("d/big.bin", "");
    if (::truncate(big.c_str(), 3'000'000'000LL) != 0) GTEST_SKIP() << "no sparse files here";
    CBuildTreeFolder root;
    const auto result = DirectoryImporter().Import(dir / "d", root);
    ASSERT_TRUE(result.ok);
    ASSERT_EQ(root.m_arrDocs.size(), 1u);
    EXPECT_EQ(root.m_arrDocs[0]->m_nFileSize, 2147483647);
    EXPECT_TRUE(HasNote(result, "/d/big.bin", "larger than 2 GiB", true));
    EXPECT_FALSE(result.notes[0].skipped);
}

TEST(DirectoryImporterTest, UnreadableSubdirectoryIsAProblem) {
    TempDir dir;
    dir.WriteFile("d/locked/x.txt", "x");
    dir.WriteFile("d/ok.txt", "o");
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod((dir / "d").c_str(), 0755), 0);
    ASSERT_EQ(::chmod((dir / "d/locked").c_str(), 0), 0);
    auto import = [&] {
        CBuildTreeFolder root;
        const auto result = DirectoryImporter().Import(dir / "d", root);
        return result.ok && Names(root) == std::vector<std::string>{"ok.txt"} &&
               HasNote(result, "/d/locked", "cannot read directory", true);
    };
    const UserRun run = AsOrdinaryUser(import);
    if (run == UserRun::kNoOrdinaryUser) GTEST_SKIP() << "cannot run as an ordinary user";
    EXPECT_EQ(run, UserRun::kPassed) << "the unreadable directory was not reported";
    ::chmod((dir / "d/locked").c_str(), 0700);
}

TEST(DirectoryImporterTest, DeepTreesStopAtTheFolderLimit) {
    TempDir dir;
    std::string path = dir / "d";
    // One level more than a project can hold below its root; built with relative
    // steps so that no path grows beyond the system's limit.
    fs::create_directories(path);
    const std::string previous = fs::current_path().string();
    fs::current_path(path);
    for (int i = 0; i < DirectoryImporter::kMaxDepth + 1; ++i) {
        ASSERT_EQ(::mkdir("n", 0700), 0);
        ASSERT_EQ(::chdir("n"), 0);
    }
    fs::current_path(previous);
    CBuildTreeFolder root;
    const auto result = DirectoryImporter().Import(path, root);
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.folders, static_cast<size_t>(DirectoryImporter::kMaxDepth));
    EXPECT_TRUE(result.HasProblems());
    EXPECT_EQ(root.CountItems(), static_cast<size_t>(DirectoryImporter::kMaxDepth) + 1);
}

TEST(DirectoryImporterTest, PublishTimeAndExcludedProjectFile) {
    TempDir dir;
    dir.WriteFile("docs/sub/a.txt", "a");
    const std::string project = dir.WriteFile("docs/site.fcd", "old project");
    const foldcraft::ScopedClockPin pin(1'800'000'000);

    DirectoryImporter::Options options;
    options.excludeFile = project;
    options.publishTime = 1'799'999'999;
    CBuildTreeFolder root;
    const auto result = DirectoryImporter(options).Import(dir / "docs", root);
    ASSERT_TRUE(result.ok) << result.message;

    // The project file being written is never imported into itself.
    EXPECT_EQ(Names(root), (std::vector<std::string>{"sub/"}));
    EXPECT_TRUE(HasNote(result, "site.fcd", "project file", false));
    EXPECT_FALSE(result.HasProblems());

    // Items carry the given publish date and are active at once.
    const CBuildTreeFolder* sub = FindFolder(root, "sub");
    ASSERT_NE(sub, nullptr);
    ASSERT_EQ(sub->m_arrDocs.size(), 1u);
    const std::vector<const CBuildTreeDoc*> items = {sub, sub->m_arrDocs[0].get()};
    for (const CBuildTreeDoc* item : items) {
        EXPECT_EQ(item->m_timePublish, 1'799'999'999);
        EXPECT_EQ(item->m_timePurge, 1'799'999'999 + CBuildTreeDoc::kDefaultPurgeSpan);
        EXPECT_TRUE(item->IsActive());
    }

    // Without a publish time the clock's time is kept: inactive in that second.
    CBuildTreeFolder plain;
    ASSERT_TRUE(DirectoryImporter().Import(dir / "docs", plain).ok);
    EXPECT_EQ(plain.m_arrFolders[0]->m_timePublish, 1'800'000'000);
    EXPECT_FALSE(plain.m_arrFolders[0]->IsActive());
}
