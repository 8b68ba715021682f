#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "ModelTestSupport.h"
#include "model/BuildTreeFolder.h"
#include "model/Clock.h"
#include "model/DirectoryImporter.h"
#include "support/AsOrdinaryUser.h"

using foldcraft::DirectoryImporter;
using foldcraft::test::Outline;
using foldcraft::test::TempDir;
using foldcraft::test::UserRun;
using Names = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

// The notes sorted, each as "name: reason", with " (problem)" when it is one.
Names Notes(const DirectoryImporter::Result& result) {
    Names notes;
    for (const auto& note : result.notes) {
        notes.push_back(fs::path(note.path).filename().string() + ": " + note.reason +
                        (note.problem ? " (problem)" : ""));
    }
    std::sort(notes.begin(), notes.end());
    return notes;
}

}  // namespace

TEST(DirectoryImporterTest, FoldersAndDocumentsInNameOrderWithoutHiddenEmptyOrOddEntries) {
    TempDir dir;
    // "Été.txt" sorts by its lower case, after the ASCII names.
    for (const char* name : {"b.txt", "A.txt", "a.txt", "\xC3\x89t\xC3\xA9.txt", "f.txt", "Zeta/z",
                             ".hidden.txt", ".git/config"})
        dir.WriteFile(std::string("docs/") + name, name);
    const std::string pdf = dir.WriteFile("docs/alpha/beta/deep.pdf", "%PDF");
    const timespec times[2] = {{1'234'567'890, 0}, {1'234'567'890, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, pdf.c_str(), times, 0), 0);
    dir.WriteFile("docs/empty.txt", "");
    fs::create_directories(dir / "docs/empty-dir");
    ASSERT_EQ(mkfifo((dir / "docs/pipe").c_str(), 0600), 0);  // never opened
    ASSERT_EQ(::truncate(dir.WriteFile("docs/big.bin", "").c_str(), 3'000'000'000LL), 0);
    DirectoryImporter::Options options;
    options.excludeFile = dir.WriteFile("docs/site.fcd", "the project being written");

    foldcraft::ScopedClockPin pin(1'700'000'000);
    CBuildTreeFolder root("Root", "(root)", "");
    root.AddDoc(std::make_unique<CBuildTreeDoc>("zzz", "/zzz", ""));
    for (const std::string& bad : {dir / "missing", pdf, std::string()}) {
        const auto result = DirectoryImporter().Import(bad, root);  // changes nothing
        EXPECT_FALSE(result.ok || result.message.empty()) << bad;
    }
    const std::string previous = fs::current_path();
    fs::current_path(dir.Path());  // a relative path is made absolute and normal
    const auto result = DirectoryImporter(options).Import("./docs/alpha/../", root);
    fs::current_path(previous);
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(Outline(root),
              "Root[alpha[beta[deep.pdf]] empty-dir[] Zeta[z] zzz A.txt a.txt b.txt big.bin f.txt "
              "\xC3\x89t\xC3\xA9.txt]");
    EXPECT_EQ(
        Notes(result),
        (Names{"big.bin: larger than 2 GiB: its size is recorded as 2147483647 bytes (problem)",
               "pipe: not a regular file or directory",
               "site.fcd: the project file being written"}));
    EXPECT_EQ(result.folders, 4u);
    EXPECT_EQ(result.documents, 8u);
    EXPECT_EQ(root.m_arrFolders[0]->m_strLink, "(folder)");
    EXPECT_EQ(root.m_arrDocs[4]->m_nFileSize, 2147483647);
    const CBuildTreeDoc& deep = *root.m_arrFolders[0]->m_arrFolders.at(0)->m_arrDocs.at(0);
    EXPECT_EQ(deep.m_strLink, pdf);
    EXPECT_EQ(deep.m_nFileSize, 4);
    EXPECT_EQ(deep.m_timeFile, 1'234'567'890);
    EXPECT_EQ(deep.m_timePublish, 1'700'000'000);
    EXPECT_FALSE(deep.IsActive()) << "new items keep the clock's time";

    // Hidden entries on request; with a publish time, items are active at once.
    DirectoryImporter::Options more;
    more.includeHidden = true;
    more.publishTime = 1'699'999'999;
    CBuildTreeFolder all("Root", "(root)", "");
    ASSERT_TRUE(DirectoryImporter(more).Import(dir / "docs", all).ok);
    EXPECT_EQ(Outline(all),
              "Root[.git[config] alpha[beta[deep.pdf]] empty-dir[] Zeta[z] .hidden.txt A.txt "
              "a.txt b.txt big.bin f.txt site.fcd \xC3\x89t\xC3\xA9.txt]");
    EXPECT_EQ(all.m_arrDocs[0]->m_timePublish, 1'699'999'999);
    EXPECT_EQ(all.m_arrDocs[0]->m_timePurge, 1'699'999'999 + CBuildTreeDoc::kDefaultPurgeSpan);
    EXPECT_TRUE(all.m_arrDocs[0]->IsActive());
}

TEST(DirectoryImporterTest, SymbolicLinksAreFollowedOnlyInsideTheDirectory) {
    TempDir dir;
    dir.WriteFile("outside/secret.txt", "secret");
    dir.WriteFile("d/real/file.txt", "real");
    const std::string d = dir / "d", via = dir / "via";
    // in-file: inside, seen through via; real/up leads outside; real/self back into a
    // folder being imported; the directory itself is given through the link via.
    for (const char* link :
         {"out-file->../outside/secret.txt", "out-dir->../outside", "in-file->../d/real/file.txt",
          "in-dir->real", "real/up->../..", "real/self->.", "loop-a->loop-b", "loop-b->loop-a",
          "dangling->missing.txt"})
        foldcraft::test::MakeLink(d, link);
    foldcraft::test::MakeLink(dir.Path(), "via->" + d);

    CBuildTreeFolder root("Root", "(root)", "");
    const auto result = DirectoryImporter().Import(via, root);
    ASSERT_TRUE(result.ok) << result.message;
    // real/ is met twice, as itself and through in-dir: so are its links.
    EXPECT_EQ(Outline(root), "Root[in-dir[file.txt] real[file.txt] in-file]");
    EXPECT_EQ(root.m_arrDocs[0]->m_strLink, via + "/in-file");  // the link's own path
    EXPECT_EQ(root.m_arrDocs[0]->m_nFileSize, 4);
    EXPECT_EQ(root.m_arrFolders[0]->m_arrDocs[0]->m_strLink, via + "/in-dir/file.txt");
    EXPECT_EQ(Notes(result),
              (Names{"dangling: broken symbolic link (problem)",
                     "loop-a: symbolic link loop (problem)", "loop-b: symbolic link loop (problem)",
                     "out-dir: symbolic link leads outside the directory",
                     "out-file: symbolic link leads outside the directory",
                     "self: symbolic link leads back into a folder being imported",
                     "self: symbolic link leads back into a folder being imported",
                     "up: symbolic link leads outside the directory",
                     "up: symbolic link leads outside the directory"}));
}

TEST(DirectoryImporterTest, UnreadableSubdirectoryIsAProblem) {
    TempDir dir;
    dir.WriteFile("d/locked/x.txt", "x");
    dir.WriteFile("d/ok.txt", "o");
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod((dir / "d").c_str(), 0755), 0);
    ASSERT_EQ(::chmod((dir / "d/locked").c_str(), 0), 0);
    const UserRun run = foldcraft::test::AsOrdinaryUser([&] {
        CBuildTreeFolder root;
        const auto result = DirectoryImporter().Import(dir / "d", root);
        return result.ok && Outline(root) == "[ok.txt]" &&
               Notes(result).at(0).starts_with("locked: cannot read directory");
    });
    ::chmod((dir / "d/locked").c_str(), 0700);
    if (run == UserRun::kNoOrdinaryUser) GTEST_SKIP() << "cannot run as an ordinary user";
    EXPECT_EQ(run, UserRun::kPassed) << "the unreadable directory was not reported";
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
