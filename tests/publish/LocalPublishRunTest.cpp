#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>

#include "EventLogSink.h"
#include "PublishTestTree.h"
#include "generator/SupportImages.h"
#include "publish/LocalPublishRun.h"
#include "support/RecordingLogSink.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using foldcraft::LocalPublishRun;
using foldcraft::ScopedClockPin;
using foldcraft::test::AddDocument;
using foldcraft::test::AddSubFolder;
using foldcraft::test::EventLogSink;
using foldcraft::test::FileExists;
using foldcraft::test::kPublishNow;
using foldcraft::test::NewProject;
using foldcraft::test::ReadFile;
using foldcraft::test::RecordingLogSink;
using foldcraft::test::TempDir;
using Result = LocalPublishRun::Result;

namespace {

const std::string kHeader = "Publish status:\n" + std::string(40, '-') + "\n";
const std::string kDirs =
    "\nCreating directory structure...\nSuccessfully created directory structure.\n";
const std::string kCopying = "\nCopying files...";
const std::string kCopied = "\nSuccessfully copied files\n";
const std::string kStyles = "\nCreating styles.css...\nSuccessfully created styles.css.\n";
const std::string kTitle = "\nCreating title page...\nSuccessfully created title page.\n";
const std::string kSitemap = "\nCreating sitemap...\nSuccessfully created sitemap.\n";
const std::string kFolders = "\nCreating folder pages...\nSuccessfully created folder pages.\n";
const std::string kSuccess = "\n--------------------\nPublish successful!\n";
const std::string kFinished =
    "\n--------------------\nPublish finished.\nSome files were not copied.\n";

class LocalPublishRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        NewProject(doc);
        doc.m_strPublishPath = dir / "site";
        program = dir / "program";
        fs::create_directories(doc.m_strPublishPath);
        fs::create_directories(program);
        document = dir.WriteFile("src/Docs/report.doc", "REPORT");
        AddDocument(*doc.m_pRoot, "Report", document);
        AddDocument(*doc.m_pRoot, "Web", "http://example.com/");
    }

    Result Run(std::vector<int>* pauses = nullptr) {
        LocalPublishRun::PauseHook hook;
        if (pauses) hook = [pauses](int ms) { pauses->push_back(ms); };
        LocalPublishRun run(doc, sink, program, hook);
        const Result result = run.RunLocalPublish();
        errorFlag = run.ErrorFlag();
        return result;
    }

    ScopedClockPin pin{kPublishNow};
    TempDir dir;
    CFoldcraftDoc doc;
    std::string program;
    std::string document;
    RecordingLogSink sink;
    bool errorFlag = false;
};

}  // namespace

TEST_F(LocalPublishRunTest, SuccessfulRunsWithAndWithoutTitlePageAndSitemap) {
    struct Case {
        int title, sitemap;
        std::string pages;  // the log texts between styles.css and the folder pages
        std::vector<int> progress;
        int pauses;  // of 100 ms, before the last one of 300 ms
    };
    const std::vector<Case> cases = {
        {0, 0, "", {15, 30, 40, 100}, 8},
        {1, 0, kTitle, {15, 30, 40, 50, 100}, 9},
        {0, 1, kSitemap, {15, 30, 40, 50, 100}, 9},
        {1, 1, kTitle + kSitemap, {15, 30, 40, 50, 50, 100}, 10},
    };
    const std::string site = doc.m_strPublishPath;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.title) + std::to_string(c.sitemap));
        fs::remove_all(site);
        fs::create_directories(site);
        sink = RecordingLogSink();
        doc.m_bCreateTitlePage = c.title;
        doc.m_bCreateSitemap = c.sitemap;
        std::vector<int> pauses;
        EXPECT_EQ(Run(&pauses), Result::kSuccess);
        EXPECT_EQ(sink.log,
                  kHeader + kDirs + kCopying + kCopied + kStyles + c.pages + kFolders + kSuccess);
        EXPECT_EQ(sink.progress, c.progress);
        EXPECT_EQ(sink.scrolls, (std::vector<int>{4, 2, 2, 2, 2, 7}));
        std::vector<int> expectedPauses(c.pauses, 100);
        expectedPauses.push_back(300);
        EXPECT_EQ(pauses, expectedPauses);
        EXPECT_TRUE(sink.closeEnabled);
        EXPECT_FALSE(errorFlag);
        EXPECT_EQ(FileExists(site + "/TitlePage.html"), c.title == 1);
        EXPECT_EQ(FileExists(site + "/Sitemap.html"), c.sitemap == 1);
        EXPECT_EQ(LocalPublishRun::StartPageName(doc), c.title ? "TitlePage.html" : "Folder0.html");
    }
    // The last run made everything; the support images were installed into the empty
    // program folder first.
    EXPECT_TRUE(FileExists(site + "/styles.css"));
    EXPECT_TRUE(FileExists(site + "/Folder0.html"));
    EXPECT_EQ(ReadFile(site + "/files/" + document.substr(1)), "REPORT");
    for (const auto& image : foldcraft::SupportImages::All()) {
        EXPECT_TRUE(FileExists(site + "/images/" + image.name)) << image.name;
    }
    EXPECT_EQ(LocalPublishRun::StartPagePath(doc), site + "/TitlePage.html");
}

// What the window shows, step by step: a text that the run appends, waits and then
// shows appears after the wait, never before it.
TEST_F(LocalPublishRunTest, EachTextShowsAfterItsPause) {
    EventLogSink events;
    LocalPublishRun run(doc, events, program, events.Pauses());
    ASSERT_EQ(run.RunLocalPublish(), Result::kSuccess);
    std::vector<std::string> expected = {"close:off"};
    // Each step: its pauses, its first text, the progress, its second text, the scroll.
    auto step = [&](std::vector<int> pauses, const std::string& start, int progress,
                    const std::string& done, int scroll) {
        for (int ms : pauses) expected.push_back("pause:" + std::to_string(ms));
        expected.insert(expected.end(), {"show:" + start, "progress:" + std::to_string(progress),
                                         "show:" + done, "scroll:" + std::to_string(scroll)});
    };
    step({100}, kHeader + "\nCreating directory structure...", 15,
         "\nSuccessfully created directory structure.\n", 4);
    step({100, 100}, "\nCopying files...", 30, "\nSuccessfully copied files\n", 2);
    step({100, 100}, "\nCreating styles.css...", 40, "\nSuccessfully created styles.css.\n", 2);
    step({100, 100}, "\nCreating title page...", 50, "\nSuccessfully created title page.\n", 2);
    step({100, 100}, "\nCreating sitemap...", 50, "\nSuccessfully created sitemap.\n", 2);
    step({100, 300}, "\nCreating folder pages...", 100,
         "\nSuccessfully created folder pages.\n" + kSuccess, 7);
    expected.push_back("close:on");
    EXPECT_EQ(events.events, expected);
}

TEST_F(LocalPublishRunTest, MissingSourcesAreListedAndEveryPageIsStillWritten) {
    const std::string missing = dir / "src/Docs/gone.doc";
    AddDocument(*doc.m_pRoot, "Gone", missing);
    CBuildTreeFolder* sub = AddSubFolder(*doc.m_pRoot, "Sub");
    AddDocument(*sub, "Windows", "C:\\Old\\windows.doc");
    // Entries of an earlier run are dropped when the run starts.
    doc.m_arrPublishFiles = {"/left/over/from/before.doc"};

    EXPECT_EQ(Run(), Result::kFilesNotCopied);
    EXPECT_EQ(sink.log, kHeader + kDirs + kCopying + "\nThe following files were not copied:\n" +
                            missing + "\nC:\\Old\\windows.doc\n" + kStyles + kTitle + kSitemap +
                            kFolders + kFinished);
    // The progress bar is not moved to 30 when files were not copied.
    EXPECT_EQ(sink.progress, (std::vector<int>{15, 40, 50, 50, 100}));
    EXPECT_TRUE(errorFlag);
    EXPECT_TRUE(sink.closeEnabled);
    EXPECT_EQ(doc.m_arrPublishFiles, (std::vector<std::string>{missing, "C:\\Old\\windows.doc"}));
    EXPECT_TRUE(FileExists(doc.m_strPublishPath + "/Folder0.html"));
    EXPECT_TRUE(FileExists(doc.m_strPublishPath + "/Folder0-0.html"));
    EXPECT_EQ(ReadFile(doc.m_strPublishPath + "/files/" + document.substr(1)), "REPORT");
}

// Publishing again copies only what changed and removes only the files that an
// earlier run put there and the site no longer holds, never through a link.
TEST_F(LocalPublishRunTest, PublishingAgainCopiesOnlyWhatChangedAndRemovesOnlyItsOwn) {
    const std::string site = doc.m_strPublishPath;
    CBuildTreeDoc* old = AddDocument(*doc.m_pRoot, "Old", dir.WriteFile("src/Docs/old.doc", "OLD"));
    ASSERT_EQ(Run(), Result::kSuccess);
    const std::string oldCopy = site + "/files/" + old->m_strLink.substr(1);
    ASSERT_TRUE(FileExists(oldCopy));
    struct stat before {};
    ASSERT_EQ(::stat((site + "/images/logo.gif").c_str(), &before), 0);

    dir.WriteFile("src/Docs/report.doc", "REPORT, second edition");
    old->m_bPurge = 1;
    old->m_timePurge = kPublishNow - 1;
    const std::string theirs = dir.WriteFile("site/files/theirs.doc", "THEIRS");
    // A listed file behind a link to elsewhere is not removed.
    const std::string victim = dir.WriteFile("outside/victim.doc", "VICTIM");
    fs::create_directory_symlink(dir / "outside", site + "/files/link");
    std::ofstream(site + "/.foldcraft-manifest", std::ios::app) << "6 - files/link/victim.doc\n";

    sink = RecordingLogSink();
    EXPECT_EQ(Run(), Result::kSuccess);
    EXPECT_EQ(sink.log, kHeader + kDirs + kCopying + kCopied + "\nSkipped 17 unchanged files.\n" +
                            "\nRemoved 1 files that are no longer published.\n" + kStyles + kTitle +
                            kSitemap + kFolders + kSuccess);
    EXPECT_EQ(ReadFile(site + "/files/" + document.substr(1)), "REPORT, second edition");
    EXPECT_FALSE(FileExists(oldCopy));
    EXPECT_TRUE(FileExists(theirs));
    EXPECT_TRUE(FileExists(victim));
    struct stat after {};
    ASSERT_EQ(::stat((site + "/images/logo.gif").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);  // not copied again
}

TEST_F(LocalPublishRunTest, TrailingSlashOnThePublishPath) {
    doc.m_strPublishPath += "//";
    EXPECT_EQ(Run(), Result::kSuccess);
    EXPECT_EQ(LocalPublishRun::StartPagePath(doc), dir / "site/TitlePage.html");
    EXPECT_TRUE(FileExists(dir / "site/Folder0.html"));
}

TEST_F(LocalPublishRunTest, MissingTargetEndsWithDirectoryFailure) {
    fs::remove_all(doc.m_strPublishPath);
    EXPECT_EQ(Run(), Result::kFailed);
    EXPECT_EQ(sink.log, kHeader + "\nCreating directory structure..." +
                            "\nCreation of directory structure failed!\n");
    EXPECT_TRUE(sink.progress.empty());
    EXPECT_TRUE(errorFlag);
    EXPECT_TRUE(sink.closeEnabled);
    EXPECT_FALSE(FileExists(doc.m_strPublishPath));
}

TEST_F(LocalPublishRunTest, EachPageWriterFailureEndsTheRunWithItsLine) {
    struct Writer {
        std::string file, name, done;
        int progressAfter;
    };
    const std::vector<Writer> writers = {{"styles.css", "styles.css", kStyles, 40},
                                         {"TitlePage.html", "title page", kTitle, 50},
                                         {"Sitemap.html", "sitemap", kSitemap, 50},
                                         {"Folder0.html", "folder pages", kFolders, 100}};
    std::string before = kCopying + kCopied;
    std::vector<int> progress = {15, 30};
    for (const Writer& w : writers) {
        SCOPED_TRACE(w.file);
        const std::string blocker = doc.m_strPublishPath + "/" + w.file;
        fs::remove_all(doc.m_strPublishPath);       // every run copies afresh
        fs::create_directories(blocker + "/keep");  // a directory where the page should go
        sink = RecordingLogSink();
        EXPECT_EQ(Run(), Result::kFailed);
        EXPECT_EQ(sink.log, kHeader + kDirs + before + "\nCreating " + w.name +
                                "...\nCreation of " + w.name + " failed!\n");
        EXPECT_EQ(sink.progress, progress);
        EXPECT_TRUE(errorFlag);
        EXPECT_TRUE(sink.closeEnabled);
        before += w.done;
        progress.push_back(w.progressAfter);
    }
}

// A link standing in the site is never followed: one where a page goes is replaced
// by the page, one where a directory is needed fails the directory step. The
// target itself may be a link. Nothing outside the site changes.
TEST_F(LocalPublishRunTest, LinksInTheSiteAreNeverFollowed) {
    const std::string mirrorTop = document.substr(1, document.find('/', 1) - 1);  // "tmp"
    struct Case {
        std::string place;  // below the site; empty: the site itself
        bool toDirectory;   // the link leads to the user's directory, else to a file
        bool directoryFails;
    };
    const std::vector<Case> cases = {
        {"styles.css", false, false}, {"Folder0.html", false, false},     {"images", true, true},
        {"files", true, true},        {"files/" + mirrorTop, true, true}, {"", true, false},
    };
    const std::string user = dir / "user";
    // Every file outside the site and the program folder, with its contents.
    auto outside = [&] {
        std::map<std::string, std::string> all;
        for (auto it = fs::recursive_directory_iterator(dir.Path()); it != decltype(it)(); ++it) {
            const std::string name = it->path().filename();
            if (it.depth() == 0 && (name == "site" || name == "real-site" || name == "program")) {
                it.disable_recursion_pending();
            } else {
                all[it->path()] = it->is_regular_file() ? ReadFile(it->path()) : "(not a file)";
            }
        }
        return all;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.place);
        fs::remove_all(doc.m_strPublishPath);
        fs::remove_all(user);
        fs::remove_all(dir / "real-site");
        dir.WriteFile("user/notes.txt", "MY NOTES");
        dir.WriteFile("user/dir/keep.txt", "KEEP");
        const std::string linkTarget = c.toDirectory ? user + "/dir" : user + "/notes.txt";
        const std::string place = doc.m_strPublishPath + (c.place.empty() ? "" : "/" + c.place);
        if (c.place.empty()) {
            fs::create_directories(dir / "real-site");
            fs::create_directory_symlink(dir / "real-site", place);
        } else {
            fs::create_directories(fs::path(place).parent_path());
            fs::create_symlink(linkTarget, place);
        }
        sink = RecordingLogSink();
        const auto before = outside();
        EXPECT_EQ(Run(), c.directoryFails ? Result::kFailed : Result::kSuccess);
        if (c.directoryFails) {
            EXPECT_EQ(sink.log, kHeader + "\nCreating directory structure..." +
                                    "\nCreation of directory structure failed!\n");
            EXPECT_TRUE(fs::is_symlink(place));
        } else {
            EXPECT_EQ(sink.log, kHeader + kDirs + kCopying + kCopied + kStyles + kTitle + kSitemap +
                                    kFolders + kSuccess);
            EXPECT_EQ(ReadFile(doc.m_strPublishPath + "/files/" + document.substr(1)), "REPORT");
            EXPECT_EQ(fs::is_regular_file(fs::symlink_status(place)), !c.place.empty());
        }
        EXPECT_EQ(outside(), before);
        EXPECT_EQ(ReadFile(user + "/notes.txt"), "MY NOTES");
    }
}

// A killed run leaves its temporary files; the next run removes those of its own
// naming scheme whose process is gone, in the directories it writes, and nothing else.
TEST_F(LocalPublishRunTest, StaleTemporaryFilesOfKilledRunsAreRemoved) {
    const pid_t gone = fork();
    if (gone == 0) _exit(0);
    ASSERT_GT(gone, 0);
    ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
    const std::string dead = std::to_string(gone);
    const std::string live = std::to_string(getpid());
    const std::string mirror = "files/" + fs::path(document).parent_path().string().substr(1);
    const std::pair<std::string, bool> names[] = {
        // name, removed
        {".~foldcraft-" + dead + "-0.tmp", true},   {".~foldcraft-" + dead + "-17.tmp", true},
        {".~foldcraft-" + live + "-3.tmp", false},  {".~foldcraft-1-3.tmp", false},
        {".~foldcraft-" + dead + "-3.tmp~", false}, {"x.~foldcraft-" + dead + "-3.tmp", false},
        {".~foldcraft-" + dead + "-.tmp", false},   {".~foldcraft-0" + dead + "-3.tmp", false},
        {".~foldcraft-" + dead + "-03.tmp", false}, {".~Foldcraft-" + dead + "-3.tmp", false},
    };
    const std::vector<std::string> subs = {"", "/images", "/files", "/" + mirror};
    for (const std::string& sub : subs) {
        for (const auto& [name, removed] : names) {
            dir.WriteFile("site" + sub + "/" + name, "partial");
        }
    }
    EXPECT_EQ(Run(), Result::kSuccess);
    for (const std::string& sub : subs) {
        for (const auto& [name, removed] : names) {
            EXPECT_EQ(FileExists(doc.m_strPublishPath + sub + "/" + name), !removed)
                << sub << "/" << name;
        }
    }
}
