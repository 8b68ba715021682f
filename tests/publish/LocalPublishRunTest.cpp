#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>

#include "EventLogSink.h"
#include "PublishTestTree.h"
#include "generator/SitePaths.h"
#include "publish/LocalPublishRun.h"
#include "publish/LocalSiteTarget.h"
#include "publish/SiteContents.h"
#include "publish/SiteLinkChecker.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using namespace foldcraft;
using namespace foldcraft::test;
using foldcraft::SitePaths::FilesAddress;
using Result = LocalPublishRun::Result;

namespace {

const std::string kSuccess = "\n--------------------\nPublish successful!\n";
const std::string kDirs = "directory structure";
const std::set<std::string> kBookkeeping = {PublishManifest::kFileName, LocalSiteTarget::kLockName};

// Every file and directory below root, except those of the site and the program folder.
std::map<std::string, std::string> Outside(const std::string& root) {
    return Tree(root, false, {"site", "real-site", "program"});
}

class LocalPublishRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        NewProject(doc);
        doc.m_strPublishPath = site;
        fs::create_directories(site);
        fs::create_directories(program);
        AddDocument(*doc.m_pRoot, "Report", document);
    }

    Result Run() {
        sink.events.clear();
        LocalPublishRun run(doc, sink, program, sink.Pauses());
        run.SetSyncOptions(options);
        const Result result = run.RunLocalPublish();
        errorFlag = run.ErrorFlag();
        EXPECT_EQ(sink.events.back(), "close:on");
        return result;
    }
    std::string Shown() const { return sink.Shown(); }
    std::size_t Count(const std::string& text) const {
        const std::string shown = Shown();
        std::size_t n = 0;
        for (std::size_t at = 0; (at = shown.find(text, at)) != std::string::npos; ++at) ++n;
        return n;
    }
    std::string Copy(const std::string& source) const { return site + "/" + FilesAddress(source); }

    ScopedClockPin pin{kPublishNow};
    TempDir dir;
    const std::string site = dir / "site";
    const std::string program = dir / "program";
    const std::string document = dir.WriteFile("src/Docs/report.doc", "REPORT");
    CFoldcraftDoc doc;
    EventLogSink sink;
    SyncOptions options;
    bool errorFlag = false;
};

}  // namespace

// What the window shows, step by step (fixtures/run-*.txt, an event a line): each
// text appears after its pauses, never before them; a step switched off still pauses.
TEST_F(LocalPublishRunTest, EachTextShowsAfterItsPause) {
    for (const int title : {0, 1}) {
        for (const int sitemap : {0, 1}) {
            const std::string name =
                "run-title" + std::to_string(title) + "-sitemap" + std::to_string(sitemap) + ".txt";
            SCOPED_TRACE(name);
            fs::remove_all(site);
            fs::create_directories(site);
            doc.m_bCreateTitlePage = title;
            doc.m_bCreateSitemap = sitemap;
            doc.m_strPublishPath = site + (sitemap ? "//" : "");  // trailing slashes go
            EXPECT_EQ(Run(), Result::kSuccess);
            EXPECT_EQ(sink.Transcript(), ReadFile(FOLDCRAFT_TESTS_DIR "/publish/fixtures/" + name));
            EXPECT_FALSE(errorFlag);
            EXPECT_EQ(FileExists(site + "/TitlePage.html"), title == 1);
            EXPECT_EQ(FileExists(site + "/Sitemap.html"), sitemap == 1);
            EXPECT_EQ(LocalPublishRun::StartPagePath(doc),
                      site + (title ? "/TitlePage.html" : "/Folder0.html"));
        }
    }
}

// Active documents and hotspot pictures go to their page addresses; a source whose
// place cannot be written (SiteContents below) is listed first, then those that cannot
// be copied, each in walk order and with the reason; nothing outside the site changes.
TEST_F(LocalPublishRunTest, CopiesWhatThePagesLinkAndListsTheRest) {
    enum Expect { kCopy, kRefuse, kFail, kLeave };
    struct Row {
        int folder;            // 0 root, 1, 2 (inactive): a document; 3, 5 (hotspot), 4: a picture
        std::string link;      // below dir when it starts neither with '/' nor a scheme
        std::string contents;  // written there first when not empty
        Expect expect;
        const char* why = "";  // of a file not copied
        bool active = true;
    };
    const std::vector<Row> rows = {
        {0, "src/Later/soon.doc", "SOON", kLeave, "", false},
        {0, "http://example.com/x/y.html", "", kLeave},
        {0, "src/gone.doc", "", kFail, "missing"},
        {0, "src/../src/payload.doc", "PAYLOAD", kRefuse, "its name cannot be written on the site"},
        {0, "src/adir", "", kFail, "a directory, not a file"},
        {1, "src/Docs/Home/report.doc", "OTHER", kCopy},
        {1, "C:\\Old\\windows.doc", "", kFail, "missing"},
        {2, "src/Hidden/hidden.doc", "HIDDEN", kLeave},
        {3, "maps/world.gif", "MAP", kCopy},
        {4, "maps/unused.gif", "UNUSED", kLeave},
        {5, "src/x/../../victim.txt", "", kRefuse, "its name cannot be written on the site"},
    };
    dir.WriteFile("victim.txt", "VICTIM");
    fs::create_directories(dir / "src/adir");
    std::vector<CBuildTreeFolder*> folders = {doc.m_pRoot.get()};
    for (size_t i = 1; i <= 5; ++i) {
        folders.push_back(AddSubFolder(*doc.m_pRoot, "Sub" + std::to_string(i), i != 2));
        folders.back()->m_bHotspotFolder = i == 3 || i == 5;
    }
    std::vector<std::string> sources, refused, failed;
    std::string list;  // refused first, then failed
    for (const Row& row : rows) {
        const bool asIs = row.link[0] == '/' || row.link.find(':') != std::string::npos;
        sources.push_back(asIs ? row.link : dir / row.link);
        if (!row.contents.empty()) dir.WriteFile(row.link, row.contents);
        if (row.folder >= 3) folders[row.folder]->m_strHotspotImage = sources.back();
        if (row.folder < 3) AddDocument(*folders[row.folder], "item", sources.back(), row.active);
        if (row.expect == kRefuse) refused.push_back(sources.back());
        if (row.expect == kFail) failed.push_back(sources.back());
    }
    for (const Expect kind : {kRefuse, kFail}) {
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].expect == kind) list += sources[i] + " (" + rows[i].why + ")\n";
    }
    doc.m_strBackgroundImage = dir.WriteFile("pics/logo.gif", "MY OWN LOGO");
    doc.m_arrPublishFiles = {"/left/over/from/before.doc"};
    const auto outside = Outside(dir.Path());

    EXPECT_EQ(Run(), Result::kFilesNotCopied);
    std::vector<std::string> listed = refused;
    listed.insert(listed.end(), failed.begin(), failed.end());
    EXPECT_EQ(doc.m_arrPublishFiles, listed);
    const std::string shown = Shown();
    EXPECT_NE(shown.find("\nThe following files were not copied:\n" + list + "\nCreating styles"),
              std::string::npos)
        << shown;
    EXPECT_TRUE(shown.ends_with("\nPublish finished.\nSome files were not copied.\n")) << shown;
    EXPECT_TRUE(errorFlag);
    EXPECT_EQ(std::count(sink.events.begin(), sink.events.end(), "progress:30"), 0);
    EXPECT_EQ(Outside(dir.Path()), outside);
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].expect == kRefuse || rows[i].expect == kFail) continue;
        EXPECT_EQ(ReadFile(Copy(sources[i])), rows[i].expect == kCopy ? rows[i].contents : "")
            << sources[i];
    }
    EXPECT_EQ(ReadFile(site + "/images/background-logo.gif"), "MY OWN LOGO");
}

// A link in the site is never followed (the target itself may be one); what stands
// where a directory or page must go fails its step; nothing outside the site changes.
TEST_F(LocalPublishRunTest, ObstaclesInTheSite) {
    enum Obstacle { kLinkToFile, kLinkToDirectory, kDirectory, kTarget };
    struct Case {
        std::string place;  // below the site, "" for the site; the target for kTarget
        Obstacle obstacle;
        std::string failed;  // the step that fails, none when empty
    };
    const std::vector<Case> cases = {
        {"styles.css", kLinkToFile, ""},
        {"Folder0.html", kLinkToFile, ""},
        {"", kLinkToDirectory, ""},
        {"images", kLinkToDirectory, kDirs},
        {"files", kLinkToDirectory, kDirs},
        {FilesAddress(dir.Path()), kLinkToDirectory, kDirs},
        {"styles.css", kDirectory, "styles.css"},
        {"TitlePage.html", kDirectory, "title page"},
        {"Sitemap.html", kDirectory, "sitemap"},
        {"Folder0.html", kDirectory, "folder pages"},
        {dir / "missing", kTarget, kDirs},
        {"C:\\site", kTarget, kDirs},
        {"site", kTarget, kDirs},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.place + " " + std::to_string(c.obstacle));
        for (const char* name : {"site", "user", "real-site"}) fs::remove_all(dir / name);
        dir.WriteFile("user/notes.txt", "MY NOTES");
        dir.WriteFile("user/dir/keep.txt", "KEEP");
        fs::create_directories(dir / "real-site");
        const std::string place = site + (c.place.empty() ? "" : "/" + c.place);
        doc.m_strPublishPath = c.obstacle == kTarget ? c.place : site;
        if (c.obstacle != kTarget) fs::create_directories(fs::path(place).parent_path());
        if (c.obstacle == kDirectory) fs::create_directories(place + "/keep");
        if (c.obstacle == kLinkToFile) fs::create_symlink(dir / "user/notes.txt", place);
        if (c.obstacle == kLinkToDirectory)
            fs::create_directory_symlink(dir / (c.place.empty() ? "real-site" : "user/dir"), place);
        const auto outside = Outside(dir.Path());
        EXPECT_EQ(Run(), c.failed.empty() ? Result::kSuccess : Result::kFailed);
        const std::string failed =
            "\nCreating " + c.failed + "...\nCreation of " + c.failed + " failed!\n";
        EXPECT_TRUE(Shown().ends_with(c.failed.empty() ? kSuccess : failed)) << Shown();
        EXPECT_EQ(errorFlag, !c.failed.empty());
        EXPECT_EQ(ReadFile(site + "/" + FilesAddress(document)), c.failed == kDirs ? "" : "REPORT");
        EXPECT_EQ(Outside(dir.Path()), outside);
    }
}

// A killed run leaves its temporary files; the next run removes those of its own
// naming scheme whose process is gone, in every directory of the site and every one
// the manifest lists (here one it no longer uses and may not remove), nothing else.
TEST_F(LocalPublishRunTest, StaleTemporaryFilesOfKilledRunsAreRemoved) {
    const std::string old = dir.WriteFile("src/Old/old.doc", "OLD");
    AddDocument(*doc.m_pRoot, "Old", old);
    ASSERT_EQ(Run(), Result::kSuccess);
    doc.m_pRoot->m_arrDocs.pop_back();
    options.maxDelete = 0;
    const std::string dead = std::to_string(INT_MAX);  // above any process number
    const std::string live = std::to_string(getpid());
    const std::pair<std::string, bool> names[] = {
        {".~foldcraft-" + dead + "-0.tmp", true},   {".~foldcraft-" + dead + "-17.tmp", true},
        {".~foldcraft-" + live + "-3.tmp", false},  {".~foldcraft-1-3.tmp", false},
        {".~foldcraft-" + dead + "-3.tmp~", false}, {"x.~foldcraft-" + dead + "-3.tmp", false},
        {".~foldcraft-" + dead + "-.tmp", false},   {".~foldcraft-0" + dead + "-3.tmp", false},
        {".~foldcraft-" + dead + "-03.tmp", false}, {".~Foldcraft-" + dead + "-3.tmp", false},
    };
    const std::string mirror = fs::path(FilesAddress(document)).parent_path();
    const std::string unused = fs::path(FilesAddress(old)).parent_path();
    const std::vector<std::string> subs = {"", "/images", "/files", "/" + mirror, "/" + unused};
    for (const std::string& sub : subs) {
        for (const auto& [name, removed] : names) dir.WriteFile("site" + sub + "/" + name, "x");
    }
    EXPECT_EQ(Run(), Result::kSuccess);
    EXPECT_TRUE(FileExists(Copy(old)));
    for (const std::string& sub : subs) {
        for (const auto& [name, removed] : names) {
            EXPECT_EQ(FileExists(site + sub + "/" + name), !removed) << sub << "/" << name;
        }
    }
}

// A file the site no longer holds is removed only while it is as the publish left it
// (size and time): a file of the user's in its place stays, leaves the manifest and
// is told once.
TEST_F(LocalPublishRunTest, OnlyFilesAsTheyWerePublishedAreRemoved) {
    struct Row {
        std::string contents;  // what the user leaves in its place; empty: nothing
        std::int64_t mtime;    // its time, when set
    };
    const std::vector<Row> rows = {{"", 0}, {"MINE, longer", 0}, {"MINE", 1'000'000'000}};
    const std::string mine = dir.WriteFile("src/Docs/mine.txt", "OURS");
    const std::string line = "\nNot removed, changed since it was published: " + FilesAddress(mine);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.contents);
        fs::remove_all(site);
        fs::create_directories(site);
        AddDocument(*doc.m_pRoot, "Mine", mine);
        ASSERT_EQ(Run(), Result::kSuccess);
        doc.m_pRoot->m_arrDocs.pop_back();
        if (!row.contents.empty()) dir.WriteFile("site/" + FilesAddress(mine), row.contents);
        if (row.mtime != 0) SetFileTime(Copy(mine), row.mtime);

        EXPECT_EQ(Run(), Result::kSuccess);
        EXPECT_EQ(ReadFile(Copy(mine)), row.contents);
        EXPECT_EQ(Count(line + "\n"), row.contents.empty() ? 0u : 1u) << Shown();
        EXPECT_EQ(ReadFile(site + "/" + PublishManifest::kFileName).find("mine.txt"),
                  std::string::npos);
        EXPECT_EQ(Run(), Result::kSuccess);
        EXPECT_EQ(Count(line), 0u);
    }
}

// A folder (with a sub-folder) and a picture dropped from the project take their
// pages, copies and emptied directories with them: the site is then as a publish of
// the changed project into an empty directory makes it, and no link in it is broken.
TEST_F(LocalPublishRunTest, WhatTheProjectDroppedLeavesTheSite) {
    CBuildTreeFolder* gone = AddSubFolder(*doc.m_pRoot, "Gone");
    AddDocument(*gone, "G", dir.WriteFile("src/Gone/g.doc", "G"));
    AddDocument(*AddSubFolder(*gone, "Deeper"), "D", dir.WriteFile("src/Gone/Deeper/d.doc", "D"));
    AddSubFolder(*doc.m_pRoot, "Stays");
    AddDocument(*doc.m_pRoot, "Picture", dir.WriteFile("src/Pictures/p.jpg", "JPEG"));
    ASSERT_EQ(Run(), Result::kSuccess);
    ASSERT_TRUE(FileExists(site + "/p.jpg.html"));
    doc.m_pRoot->m_arrFolders.erase(doc.m_pRoot->m_arrFolders.begin());
    doc.m_pRoot->m_arrDocs.pop_back();

    EXPECT_EQ(Run(), Result::kSuccess);
    EXPECT_NE(Shown().find("\nRemoved 6 files that are no longer published.\n"
                           "\nRemoved 3 directories that the site no longer uses.\n"),
              std::string::npos)
        << Shown();
    const std::string clean = dir / "clean";
    fs::create_directories(clean);
    doc.m_strPublishPath = clean;
    ASSERT_EQ(Run(), Result::kSuccess);
    EXPECT_EQ(Tree(site, false, kBookkeeping), Tree(clean, false, kBookkeeping));
    const SiteLinkChecker::Result check = SiteLinkChecker::CheckSite(site);
    EXPECT_TRUE(check.ok) << check.error;
    EXPECT_TRUE(check.broken.empty())
        << check.broken.front().page << " " << check.broken.front().link;
}

// While another run holds the site's lock, a run fails at once, says who holds it
// and writes nothing.
TEST_F(LocalPublishRunTest, ASecondRunWhileTheFirstHoldsTheLockChangesNothing) {
    ASSERT_EQ(Run(), Result::kSuccess);
    dir.WriteFile("src/Docs/report.doc", "REPORT, second edition");
    LocalSiteTarget first(site);
    std::string holder;
    ASSERT_EQ(first.TakeLock(holder), SiteTarget::Lock::kTaken);
    char host[256] = {};
    ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
    const auto before = Tree(site, true);

    EXPECT_EQ(Run(), Result::kFailed);
    EXPECT_TRUE(Shown().ends_with("\nAnother publish is writing to this site (host " +
                                  std::string(host) + ", process " + std::to_string(::getpid()) +
                                  "); nothing was changed. Publish again when it has finished.\n"))
        << Shown();
    EXPECT_TRUE(errorFlag);
    EXPECT_EQ(Tree(site, true), before);
}

// Nothing is removed after a file was not copied, nor when more files are to go than
// the limit allows (the default: half of those listed, at least 20).
TEST_F(LocalPublishRunTest, RemovalsAreHeldBackAfterAFailureAndBeyondTheLimit) {
    constexpr std::size_t kAll = SIZE_MAX;
    const std::string notCopied = "\nNothing was removed, because some files were not copied.\n";
    const std::string over =
        "\nNothing was removed: 30 files are no longer published, more "
        "than the limit of ";
    struct Row {
        std::optional<std::size_t> maxDelete;
        bool missing;      // the report's source is gone
        std::string line;  // held back with it; empty: all removed
    };
    const std::vector<Row> rows = {
        {std::nullopt, true, notCopied},
        {kAll, true, notCopied},
        {std::nullopt, false, over},
        {29, false, over + "29. To remove them, publish again with --max-delete all.\n"},
        {30, false, ""},
        {kAll, false, ""},
    };
    std::vector<CBuildTreeDoc*> drops;
    for (int i = 0; i < 30; ++i) {
        const std::string name = "drop" + std::to_string(i) + ".doc";
        drops.push_back(AddDocument(*doc.m_pRoot, name, dir.WriteFile("src/Drops/" + name, name)));
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line + std::to_string(row.maxDelete.value_or(0)));
        fs::remove_all(site);
        fs::create_directories(site);
        options = {};
        for (CBuildTreeDoc* drop : drops) drop->m_bPurge = 0;
        ASSERT_EQ(Run(), Result::kSuccess);
        for (CBuildTreeDoc* drop : drops) {
            drop->m_bPurge = 1;
            drop->m_timePurge = kPublishNow - 1;
        }
        if (row.missing) fs::rename(document, document + ".away");
        options.maxDelete = row.maxDelete;

        EXPECT_EQ(Run(), row.missing ? Result::kFilesNotCopied : Result::kSuccess);
        if (row.missing) fs::rename(document + ".away", document);
        const std::string removed = "\nRemoved 30 files that are no longer published.\n";
        EXPECT_NE(Shown().find(row.line.empty() ? removed : row.line), std::string::npos)
            << Shown();
        std::size_t left = 0;
        for (CBuildTreeDoc* drop : drops) left += FileExists(Copy(drop->m_strLink));
        EXPECT_EQ(left, row.line.empty() ? 0u : drops.size());
        EXPECT_TRUE(FileExists(Copy(document)));
    }
}

// A dry run shows the plan (names as the log shows them) and changes nothing, not
// even a directory's time; into a directory not made yet it makes none.
TEST_F(LocalPublishRunTest, ADryRunShowsThePlanAndWritesNothing) {
    const std::string old = dir.WriteFile("src/Docs/old.doc", "OLD");
    AddDocument(*doc.m_pRoot, "Old", old);
    ASSERT_EQ(Run(), Result::kSuccess);
    doc.m_pRoot->m_arrDocs.pop_back();
    dir.WriteFile("src/Docs/report.doc", "REPORT, second edition");
    AddDocument(*doc.m_pRoot, "Escape", "/x\x1b[2J.doc");
    options.dryRun = true;
    const std::string head = "\nDry run: nothing was changed.\nWould copy ";
    const std::pair<std::string, std::string> rows[] = {
        {site, head + "1 file:\n  " + FilesAddress(document) +
                   "\nUnchanged: 17 files.\n"
                   "Would write 2 pages:\n  Sitemap.html\n  Folder0.html\n"
                   "Unchanged: 2 pages.\nWould remove 1 file:\n  " +
                   FilesAddress(old) +
                   "\nCannot copy 1 file:\n  /x\\x1B[2J.doc (its name cannot be written on "
                   "the site)\n"},
        {dir / "missing/site", head + "18 files:\n"},
    };
    for (const auto& [target, plan] : rows) {
        SCOPED_TRACE(target);
        doc.m_strPublishPath = target;
        const auto before = Tree(dir.Path(), true);
        EXPECT_EQ(Run(), Result::kSuccess);
        EXPECT_NE(Shown().find(plan), std::string::npos) << Shown();
        EXPECT_EQ(Tree(dir.Path(), true), before);
    }
}

// Publishing again writes only what changed: with nothing changed, no page and no
// copy is written again (same inode, same time); a changed document is copied again
// (its page shows neither size nor date here), and nothing else.
TEST_F(LocalPublishRunTest, PublishingAgainWritesOnlyWhatChanged) {
    const std::string picture = dir.WriteFile("src/Pictures/p.jpg", "JPEG");
    AddDocument(*doc.m_pRoot, "Picture", picture);
    AddDocument(*doc.m_pRoot, "The same picture again", picture);  // one file of the site
    AddSubFolder(*doc.m_pRoot, "Sub");
    ASSERT_EQ(Run(), Result::kSuccess);
    EXPECT_EQ(Count("\nSkipped "), 0u) << Shown();
    struct Row {
        std::string report;  // the report's new contents; empty: unchanged
        std::set<std::string> written;
        int skipped;
    };
    const std::string mirror = fs::path(FilesAddress(document)).parent_path();
    const Row rows[] = {
        {"", {}, 19},
        {"REPORT, second edition", {mirror, FilesAddress(document)}, 18},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.report);
        if (!row.report.empty()) dir.WriteFile("src/Docs/report.doc", row.report);
        const auto before = Tree(site, true, kBookkeeping);
        EXPECT_EQ(Run(), Result::kSuccess);
        std::set<std::string> written;
        for (const auto& [path, entry] : Tree(site, true, kBookkeeping)) {
            if (before.count(path) == 0 || before.at(path) != entry) written.insert(path);
        }
        EXPECT_EQ(written, row.written);  // a directory's time changes with what it holds
        EXPECT_EQ(Count("\nSkipped " + std::to_string(row.skipped) + " unchanged files.\n"), 1u)
            << Shown();
    }
}

// A file whose place on the site cannot be written safely is not collected: it is
// listed with the reason (the rule itself: SitePathsTest).
TEST(SiteContents, UnwritablePlacesAreListedWithTheReason) {
    const std::string n255(255, 'n');
    const std::string longPath = "/" + n255 + "/" + n255 + "/" + n255 + "/" + n255 + "/x.doc";
    const std::vector<std::string> collected = {"/d/ok.doc", "/d/" + n255, longPath.substr(256)};
    const std::vector<std::string> refused = {"/d/../x.doc", "C:\\..\\x.doc", "/d/a\x01.doc",
                                              "/d/" + n255 + "n", longPath};
    TempDir program;
    CFoldcraftDoc doc;
    NewProject(doc);
    for (const auto& list : {collected, refused}) {
        for (const std::string& source : list) AddDocument(*doc.m_pRoot, "item", source);
    }
    std::vector<SiteFile> files;
    std::vector<NotCopied> cannot;
    SiteContents::Collect(doc, program.Path(), kPublishNow, files, cannot);
    std::vector<std::string> gotFiles, gotCannot;
    for (const SiteFile& f : files) {
        if (f.kind == SiteFile::Kind::kDocument) gotFiles.push_back(f.path);
    }
    for (const NotCopied& n : cannot) {
        gotCannot.push_back(n.listedAs);
        EXPECT_EQ(n.reason, "its name cannot be written on the site");
    }
    std::vector<std::string> expectFiles;
    for (const std::string& source : collected) expectFiles.push_back(FilesAddress(source));
    EXPECT_EQ(gotFiles, expectFiles);
    EXPECT_EQ(gotCannot, refused);
}

// A large site is surveyed and copied in two halves at once: every copy arrives, the
// files not copied are listed in the site's order, and a second run copies nothing.
TEST_F(LocalPublishRunTest, ALargeSiteIsCopiedInTwoHalves) {
    std::vector<std::string> gone;
    for (int i = 0; i < 2400; ++i) {
        const std::string name = "src/Many/d" + std::to_string(10000 + i) + ".txt";
        AddDocument(*doc.m_pRoot, "D", dir.WriteFile(name, std::to_string(i)));
        if (i % 1000 == 999) {
            fs::remove(dir / name);  // in both halves
            gone.push_back(dir / name);
        }
    }
    EXPECT_EQ(Run(), Result::kFilesNotCopied);
    EXPECT_EQ(doc.m_arrPublishFiles, gone);
    EXPECT_EQ(ReadFile(Copy(dir / "src/Many/d12398.txt")), "2398");
    EXPECT_EQ(Run(), Result::kFilesNotCopied);
    EXPECT_EQ(Count("\nSkipped 2416 unchanged files.\n"), 1u) << Shown();
}
