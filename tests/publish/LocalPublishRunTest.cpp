#include <gtest/gtest.h>

#include <filesystem>
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

TEST_F(LocalPublishRunTest, SuccessfulRunWithTitlePageAndSitemap) {
    std::vector<int> pauses;
    EXPECT_EQ(Run(&pauses), Result::kSuccess);
    EXPECT_EQ(sink.log, kHeader + kDirs + kCopying + kCopied + kStyles + kTitle + kSitemap +
                            kFolders + kSuccess);
    EXPECT_EQ(sink.progress, (std::vector<int>{15, 30, 40, 50, 50, 100}));
    EXPECT_EQ(sink.scrolls, (std::vector<int>{4, 2, 2, 2, 2, 7}));
    EXPECT_EQ(pauses, (std::vector<int>{100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 300}));
    EXPECT_TRUE(sink.closeEnabled);
    EXPECT_FALSE(errorFlag);
    const std::string site = doc.m_strPublishPath;
    for (const char* page : {"styles.css", "TitlePage.html", "Sitemap.html", "Folder0.html"}) {
        EXPECT_TRUE(FileExists(site + "/" + page)) << page;
    }
    EXPECT_EQ(ReadFile(site + "/files/" + document.substr(1)), "REPORT");
    for (const auto& image : foldcraft::SupportImages::All()) {
        EXPECT_TRUE(FileExists(site + "/images/" + image.name)) << image.name;
    }
    EXPECT_EQ(LocalPublishRun::StartPageName(doc), "TitlePage.html");
    EXPECT_EQ(LocalPublishRun::StartPagePath(doc), site + "/TitlePage.html");
}

// What the window shows, step by step: a text that the run appends, waits and then
// shows appears after the wait, never before it.
TEST_F(LocalPublishRunTest, EachTextShowsAfterItsPause) {
    EventLogSink events;
    LocalPublishRun run(doc, events, program, events.Pauses());
    ASSERT_EQ(run.RunLocalPublish(), Result::kSuccess);
    const std::vector<std::string> expected = {
        "close:off",
        "pause:100",
        "show:" + kHeader + "\nCreating directory structure...",
        "progress:15",
        "show:\nSuccessfully created directory structure.\n",
        "scroll:4",
        "pause:100",
        "pause:100",
        "show:\nCopying files...",
        "progress:30",
        "show:\nSuccessfully copied files\n",
        "scroll:2",
        "pause:100",
        "pause:100",
        "show:\nCreating styles.css...",
        "progress:40",
        "show:\nSuccessfully created styles.css.\n",
        "scroll:2",
        "pause:100",
        "pause:100",
        "show:\nCreating title page...",
        "progress:50",
        "show:\nSuccessfully created title page.\n",
        "scroll:2",
        "pause:100",
        "pause:100",
        "show:\nCreating sitemap...",
        "progress:50",
        "show:\nSuccessfully created sitemap.\n",
        "scroll:2",
        "pause:100",
        "pause:300",
        "show:\nCreating folder pages...",
        "progress:100",
        "show:\nSuccessfully created folder pages.\n" + kSuccess,
        "scroll:7",
        "close:on",
    };
    EXPECT_EQ(events.events, expected);
}

TEST_F(LocalPublishRunTest, SuccessfulRunWithoutTitlePageAndSitemap) {
    doc.m_bCreateTitlePage = 0;
    doc.m_bCreateSitemap = 0;
    std::vector<int> pauses;
    EXPECT_EQ(Run(&pauses), Result::kSuccess);
    EXPECT_EQ(sink.log, kHeader + kDirs + kCopying + kCopied + kStyles + kFolders + kSuccess);
    EXPECT_EQ(sink.progress, (std::vector<int>{15, 30, 40, 100}));
    EXPECT_EQ(sink.scrolls, (std::vector<int>{4, 2, 2, 2, 2, 7}));
    EXPECT_EQ(pauses, (std::vector<int>{100, 100, 100, 100, 100, 100, 100, 100, 300}));
    EXPECT_FALSE(FileExists(doc.m_strPublishPath + "/TitlePage.html"));
    EXPECT_FALSE(FileExists(doc.m_strPublishPath + "/Sitemap.html"));
    EXPECT_EQ(LocalPublishRun::StartPageName(doc), "Folder0.html");
}

TEST_F(LocalPublishRunTest, TitlePageOnlyAndSitemapOnly) {
    doc.m_bCreateSitemap = 0;
    EXPECT_EQ(Run(), Result::kSuccess);
    EXPECT_EQ(sink.log,
              kHeader + kDirs + kCopying + kCopied + kStyles + kTitle + kFolders + kSuccess);
    EXPECT_EQ(sink.progress, (std::vector<int>{15, 30, 40, 50, 100}));

    sink = RecordingLogSink();
    doc.m_bCreateSitemap = 1;
    doc.m_bCreateTitlePage = 0;
    EXPECT_EQ(Run(), Result::kSuccess);
    EXPECT_EQ(sink.log,
              kHeader + kDirs + kCopying + kCopied + kStyles + kSitemap + kFolders + kSuccess);
    EXPECT_EQ(sink.progress, (std::vector<int>{15, 30, 40, 50, 100}));
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

TEST_F(LocalPublishRunTest, PublishingTwiceIntoTheSameDirectory) {
    ASSERT_EQ(Run(), Result::kSuccess);
    dir.WriteFile("src/Docs/report.doc", "REPORT, second edition");
    sink = RecordingLogSink();
    EXPECT_EQ(Run(), Result::kSuccess);
    EXPECT_EQ(sink.log, kHeader + kDirs + kCopying + kCopied + kStyles + kTitle + kSitemap +
                            kFolders + kSuccess);
    EXPECT_EQ(ReadFile(doc.m_strPublishPath + "/files/" + document.substr(1)),
              "REPORT, second edition");
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
    struct Case {
        const char* blocker;  // a directory where the writer's file should go
        std::string expectedTail;
        std::vector<int> progress;
    };
    const std::vector<Case> cases = {
        {"styles.css",
         kCopying + kCopied + "\nCreating styles.css...\nCreation of styles.css failed!\n",
         {15, 30}},
        {"TitlePage.html",
         kCopying + kCopied + kStyles +
             "\nCreating title page...\nCreation of title page failed!\n",
         {15, 30, 40}},
        {"Sitemap.html",
         kCopying + kCopied + kStyles + kTitle +
             "\nCreating sitemap...\nCreation of sitemap failed!\n",
         {15, 30, 40, 50}},
        {"Folder0.html",
         kCopying + kCopied + kStyles + kTitle + kSitemap +
             "\nCreating folder pages...\nCreation of folder pages failed!\n",
         {15, 30, 40, 50, 50}},
    };
    for (const Case& c : cases) {
        const std::string blocker = doc.m_strPublishPath + "/" + c.blocker;
        fs::create_directories(blocker + "/keep");
        sink = RecordingLogSink();
        EXPECT_EQ(Run(), Result::kFailed) << c.blocker;
        EXPECT_EQ(sink.log, kHeader + kDirs + c.expectedTail) << c.blocker;
        EXPECT_EQ(sink.progress, c.progress) << c.blocker;
        EXPECT_TRUE(errorFlag);
        EXPECT_TRUE(sink.closeEnabled);
        fs::remove_all(blocker);
    }
}

TEST_F(LocalPublishRunTest, SupportImagesAreInstalledIntoAnEmptyProgramFolder) {
    fs::remove_all(program);
    fs::create_directories(program);
    EXPECT_EQ(Run(), Result::kSuccess);
    EXPECT_EQ(fs::exists(program + "/images/logo.gif"), true);
}

TEST_F(LocalPublishRunTest, ManyMissingDocumentsAreListedInOrder) {
    CBuildTreeFolder* sub = AddSubFolder(*doc.m_pRoot, "Many");
    constexpr int kCount = 20'000;
    std::string expected = "\nThe following files were not copied:\n";
    for (int i = 0; i < kCount; ++i) {
        const std::string path =
            dir / ("missing/d" + std::to_string(i % 50) + "/f" + std::to_string(i) + ".doc");
        AddDocument(*sub, "f", path);
        expected += path + "\n";
    }
    EXPECT_EQ(Run(), Result::kFilesNotCopied);
    EXPECT_NE(sink.log.find(expected), std::string::npos);
    EXPECT_EQ(doc.m_arrPublishFiles.size(), static_cast<size_t>(kCount));
}
