#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <map>

#include "EventLogSink.h"
#include "PublishTestTree.h"
#include "generator/SitePaths.h"
#include "publish/LocalPublishRun.h"
#include "publish/LocalSiteAssembly.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using namespace foldcraft;
using namespace foldcraft::test;
using foldcraft::SitePaths::FilesAddress;
using Result = LocalPublishRun::Result;

namespace {

const std::string kSuccess = "\n--------------------\nPublish successful!\n";
const std::string kDirs = "directory structure";

// Every file and directory below root with its contents, except those of the site
// and the program folder.
std::map<std::string, std::string> Outside(const std::string& root) {
    std::map<std::string, std::string> all;
    for (auto it = fs::recursive_directory_iterator(root); it != decltype(it)(); ++it) {
        const std::string name = it->path().filename();
        if (it.depth() == 0 && (name == "site" || name == "real-site" || name == "program")) {
            it.disable_recursion_pending();
        } else {
            all[it->path()] = it->is_regular_file() ? ReadFile(it->path()) : "(not a file)";
        }
    }
    return all;
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
        const Result result = run.RunLocalPublish();
        errorFlag = run.ErrorFlag();
        EXPECT_EQ(sink.events.back(), "close:on");
        return result;
    }
    // All the text the run showed.
    std::string Shown() const {
        std::string text;
        for (const std::string& e : sink.events) {
            if (e.rfind("show:", 0) == 0) text += e.substr(5);
        }
        return text;
    }

    ScopedClockPin pin{kPublishNow};
    TempDir dir;
    const std::string site = dir / "site";
    const std::string program = dir / "program";
    const std::string document = dir.WriteFile("src/Docs/report.doc", "REPORT");
    CFoldcraftDoc doc;
    EventLogSink sink;
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
            std::string events;
            for (const std::string& e : sink.events) {
                for (char c : e) events += c == '\n' ? std::string("\\n") : std::string(1, c);
                events += '\n';
            }
            EXPECT_EQ(events, ReadFile(FOLDCRAFT_TESTS_DIR "/publish/fixtures/" + name));
            EXPECT_FALSE(errorFlag);
            EXPECT_EQ(FileExists(site + "/TitlePage.html"), title == 1);
            EXPECT_EQ(FileExists(site + "/Sitemap.html"), sitemap == 1);
            EXPECT_EQ(LocalPublishRun::StartPagePath(doc),
                      site + (title ? "/TitlePage.html" : "/Folder0.html"));
        }
    }
}

TEST(LocalSiteAssembly, ImagesDestinationOfNoFileNameIsRefused) {
    for (const char* hostile : {"/pics/", "/pics/..", "C:\\pics\\.", ""}) {
        EXPECT_FALSE(LocalSiteAssembly::ImagesDestination("/T", hostile).has_value()) << hostile;
    }
}

// Active documents and hotspot pictures go to their page addresses; a source that
// cannot be copied is listed in walk order; nothing outside the site changes.
TEST_F(LocalPublishRunTest, CopiesWhatThePagesLinkAndListsTheRest) {
    enum Expect { kCopy, kList, kLeave };
    struct Row {
        int folder;            // 0 root, 1, 2 (inactive): a document; 3, 5 (hotspot), 4: a picture
        std::string link;      // below dir when it starts neither with '/' nor a scheme
        std::string contents;  // written there first when not empty
        Expect expect;
        bool active = true;
    };
    const std::string up = "/" + std::string(fs::path(site).relative_path()) + "/../../../../";
    const std::vector<Row> rows = {
        {0, "src/Later/soon.doc", "SOON", kLeave, false},
        {0, "http://example.com/x/y.html", "", kLeave},
        {0, "src/gone.doc", "", kList},
        {0, "src/../src/payload.doc", "PAYLOAD", kList},
        {0, "C:\\..\\..\\..\\victim.txt", "", kList},
        {0, up + dir.Path().substr(1) + "/victim.txt", "", kList},
        {0, "src/", "", kList},
        {0, "C:\\", "", kList},
        {0, "src/adir", "", kList},
        {1, "src/Docs/Home/report.doc", "OTHER", kCopy},
        {1, "C:\\Old\\windows.doc", "", kList},
        {2, "src/Hidden/hidden.doc", "HIDDEN", kLeave},
        {3, "maps/world.gif", "MAP", kCopy},
        {4, "maps/unused.gif", "UNUSED", kLeave},
        {5, "src/x/../../victim.txt", "", kList},
    };
    dir.WriteFile("victim.txt", "VICTIM");
    fs::create_directories(dir / "src/adir");
    std::vector<CBuildTreeFolder*> folders = {doc.m_pRoot.get()};
    for (size_t i = 1; i <= 5; ++i) {
        folders.push_back(AddSubFolder(*doc.m_pRoot, "Sub" + std::to_string(i), i != 2));
        folders.back()->m_bHotspotFolder = i == 3 || i == 5;
    }
    std::vector<std::string> sources, listed;
    for (const Row& row : rows) {
        const bool asIs = row.link[0] == '/' || row.link.find(':') != std::string::npos;
        sources.push_back(asIs ? row.link : dir / row.link);
        if (!row.contents.empty()) dir.WriteFile(row.link, row.contents);
        if (row.folder >= 3) folders[row.folder]->m_strHotspotImage = sources.back();
        if (row.folder < 3) AddDocument(*folders[row.folder], "item", sources.back(), row.active);
        if (row.expect == kList) listed.push_back(sources.back());
    }
    doc.m_strBackgroundImage = dir.WriteFile("pics/logo.gif", "MY OWN LOGO");
    doc.m_arrPublishFiles = {"/left/over/from/before.doc"};
    const auto outside = Outside(dir.Path());

    EXPECT_EQ(Run(), Result::kFilesNotCopied);
    std::string list;
    for (const std::string& source : listed) list += source + "\n";
    const std::string shown = Shown();
    EXPECT_NE(shown.find("\nThe following files were not copied:\n" + list + "\nCreating styles"),
              std::string::npos)
        << shown;
    EXPECT_TRUE(shown.ends_with("\nPublish finished.\nSome files were not copied.\n")) << shown;
    EXPECT_TRUE(errorFlag);
    EXPECT_EQ(std::count(sink.events.begin(), sink.events.end(), "progress:30"), 0);
    EXPECT_EQ(Outside(dir.Path()), outside);
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].expect == kList) continue;
        EXPECT_EQ(ReadFile(site + "/" + FilesAddress(sources[i])),
                  rows[i].expect == kCopy ? rows[i].contents : "")
            << sources[i];
    }
    EXPECT_TRUE(fs::is_directory(site + "/" + FilesAddress(dir / "src/Hidden")));
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

// Publishing again copies only what changed and removes only the files that an
// earlier run put there and the site no longer holds, never through a link.
TEST_F(LocalPublishRunTest, PublishingAgainCopiesOnlyWhatChangedAndRemovesOnlyItsOwn) {
    CBuildTreeDoc* old = AddDocument(*doc.m_pRoot, "Old", dir.WriteFile("src/Docs/old.doc", "OLD"));
    ASSERT_EQ(Run(), Result::kSuccess);
    const std::string oldCopy = site + "/" + FilesAddress(old->m_strLink);
    struct stat before {};
    ASSERT_EQ(::stat((site + "/images/logo.gif").c_str(), &before), 0);

    dir.WriteFile("src/Docs/report.doc", "REPORT, second edition");
    old->m_bPurge = 1;
    old->m_timePurge = kPublishNow - 1;
    const std::string theirs = dir.WriteFile("site/files/theirs.doc", "THEIRS");
    const std::string victim = dir.WriteFile("outside/victim.doc", "VICTIM");
    fs::create_directory_symlink(dir / "outside", site + "/files/link");
    std::ofstream(site + "/.foldcraft-manifest", std::ios::app) << "6 - files/link/victim.doc\n";

    EXPECT_EQ(Run(), Result::kSuccess);
    EXPECT_NE(Shown().find("\nSuccessfully copied files\n\nSkipped 17 unchanged files.\n"
                           "\nRemoved 1 files that are no longer published.\n\nCreating styles"),
              std::string::npos)
        << Shown();
    EXPECT_EQ(ReadFile(site + "/" + FilesAddress(document)), "REPORT, second edition");
    EXPECT_FALSE(FileExists(oldCopy));
    EXPECT_TRUE(FileExists(theirs));
    EXPECT_TRUE(FileExists(victim));
    struct stat after {};
    ASSERT_EQ(::stat((site + "/images/logo.gif").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);  // not copied again
}

// A killed run leaves its temporary files; the next run removes those of its own
// naming scheme whose process is gone, in the directories it writes, and nothing else.
TEST_F(LocalPublishRunTest, StaleTemporaryFilesOfKilledRunsAreRemoved) {
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
    const std::vector<std::string> subs = {"", "/images", "/files", "/" + mirror};
    for (const std::string& sub : subs) {
        for (const auto& [name, removed] : names) dir.WriteFile("site" + sub + "/" + name, "x");
    }
    EXPECT_EQ(Run(), Result::kSuccess);
    for (const std::string& sub : subs) {
        for (const auto& [name, removed] : names) {
            EXPECT_EQ(FileExists(site + sub + "/" + name), !removed) << sub << "/" << name;
        }
    }
}
