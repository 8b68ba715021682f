#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "PublishTestTree.h"
#include "publish/LocalSiteTarget.h"
#include "publish/SyncRun.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using namespace foldcraft;
using namespace foldcraft::test;

namespace {

SiteFile Document(const std::string& source) {
    SiteFile file;
    file.path = "files/Docs/" + fs::path(source).filename().string();
    file.source.localPath = source;
    file.listedAs = source;
    return file;
}

// One whole sync of files into site.
void Publish(const std::string& site, std::vector<SiteFile> files) {
    LocalSiteTarget target(site);
    SyncRun run(target, {});
    ASSERT_TRUE(run.Start());
    run.Plan(std::move(files), {});
    ASSERT_TRUE(run.MakeDirectories());
    run.PutFiles();
    run.Finish();
    ASSERT_TRUE(run.NotCopiedFiles().empty());
}

// The target itself never climbs out of the site, whatever path it is given (the
// site's paths and the manifest refuse such paths before).
TEST(LocalSiteTarget, NeverLeavesTheSite) {
    TempDir dir;
    const std::string victim = dir.WriteFile("victim.txt", "VICTIM");
    dir.WriteFile("site/files/x/victim.txt", "VICTIM");
    struct stat st {};
    ASSERT_EQ(::stat(victim.c_str(), &st), 0);
    const ManifestEntry recorded{6, FileTime{st.st_mtim.tv_sec, st.st_mtim.tv_nsec}, ""};
    SetFileTime(dir / "site/files/x/victim.txt", st.st_mtim.tv_sec);
    LocalSiteTarget target(dir / "site");
    for (const std::string path :
         {"..", ".", "files/..", "files/x/../..", "./files", "/tmp", "files//x"}) {
        std::string reason;
        EXPECT_EQ(target.Directory(path, reason), -1) << path;
        EXPECT_EQ(reason, "not a path inside the site: " + path);
    }
    for (const std::string path : {"../victim.txt", "files/../../victim.txt", "files/x/..", ".."}) {
        std::string reason;
        EXPECT_EQ(target.RemoveFile(path, recorded, reason), SiteTarget::Removal::kFailed) << path;
        EXPECT_FALSE(target.RemoveDirectory(path).ok) << path;
    }
    EXPECT_TRUE(FileExists(victim));
}

// A directory of the site moved away and replaced by a link after the plan: no
// removal, no put and no new directory follows it there, so what lies outside stays
// as it was.
TEST(LocalSiteTarget, ADirectorySwappedForALinkIsNotFollowed) {
    struct Row {
        bool changed;     // a.doc is put again; else only b.doc is removed
        bool afterMkdir;  // swapped after MakeDirectories; else right after the plan
    };
    for (const Row row : {Row{false, false}, Row{true, false}, Row{true, true}}) {
        SCOPED_TRACE(std::to_string(row.changed) + std::to_string(row.afterMkdir));
        TempDir dir;
        const std::string site = dir / "site";
        const std::string a = dir.WriteFile("src/a.doc", "A");
        const std::string b = dir.WriteFile("src/b.doc", "B");
        fs::create_directories(site);
        Publish(site, {Document(a), Document(b)});
        if (row.changed) dir.WriteFile("src/a.doc", "A, second edition");
        auto swap = [&] {
            fs::create_directories(dir / "outside");
            fs::rename(site + "/files/Docs", dir / "outside/Docs");
            fs::create_directory_symlink(dir / "outside/Docs", site + "/files/Docs");
            return Tree(dir / "outside", true);
        };

        LocalSiteTarget target(site);
        SyncRun run(target, {});
        ASSERT_TRUE(run.Start());
        run.Plan({Document(a)}, {});
        ASSERT_EQ(run.ThePlan().removals.size(), 1u);
        auto outside = row.afterMkdir ? decltype(swap()){} : swap();
        // A directory to make where the link stands ends the run.
        const bool made = run.MakeDirectories();
        EXPECT_EQ(made, !row.changed || row.afterMkdir);
        if (row.afterMkdir) outside = swap();
        if (made) {
            run.PutFiles();
            run.PutPages({});
            run.Finish();
        } else {
            run.Abandon();
        }
        EXPECT_EQ(Tree(dir / "outside", true), outside);
        EXPECT_EQ(run.Removed(), 0u);
    }
}

// A run that ends before it replaces a file (a failure) still lists the old one as its
// own, so that a later run removes it when the site no longer holds it.
TEST(SyncRun, AnAbandonedRunStillListsWhatItDidNotReplace) {
    TempDir dir;
    const std::string site = dir / "site";
    const std::string a = dir.WriteFile("src/a.doc", "A");
    const std::string b = dir.WriteFile("src/b.doc", "B");
    fs::create_directories(site);
    Publish(site, {Document(a), Document(b)});
    dir.WriteFile("src/a.doc", "A, second edition");
    {
        LocalSiteTarget target(site);
        SyncRun run(target, {});
        ASSERT_TRUE(run.Start());
        run.Plan({Document(a), Document(b)}, {});
        ASSERT_EQ(run.ThePlan().uploads.size(), 1u);
        run.Abandon();
    }
    Publish(site, {Document(b)});
    EXPECT_FALSE(FileExists(site + "/files/Docs/a.doc"));
    EXPECT_EQ(ReadFile(site + "/files/Docs/b.doc"), "B");
}

}  // namespace
