#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "model/Clock.h"
#include "model/FoldcraftDoc.h"
#include "publish/PublishChecks.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using foldcraft::PublishCheckResult;
using foldcraft::PublishChecks;
using foldcraft::ScopedClockPin;
using foldcraft::test::TempDir;
using Outcome = PublishCheckResult::Outcome;

namespace {

void AddOneDocument(CFoldcraftDoc& doc) {
    doc.m_pRoot->AddDoc(std::make_unique<CBuildTreeDoc>("a", "/tmp/a.doc", ""));
}

}  // namespace

TEST(PublishChecks, EmptyTreeIsRefusedWithoutStamp) {
    ScopedClockPin pin(1'000'000);
    CFoldcraftDoc doc;
    doc.OnNewDocument();
    doc.m_timeLastPublish = 5;
    doc.SetModifiedFlag(false);
    const PublishCheckResult r = PublishChecks::CheckLocal(doc, "/nonexistent-program-folder");
    EXPECT_EQ(r.outcome, Outcome::kRefused);
    EXPECT_EQ(r.message,
              "Cannot publish at this time.  Nothing has been constructed in Step 1 Build.");
    EXPECT_EQ(doc.m_timeLastPublish, 5);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(PublishChecks::BeginPublish(doc).message, r.message);
}

TEST(PublishChecks, StampIsMadeEvenWhenAPathCheckFails) {
    ScopedClockPin pin(1'234'567);
    CFoldcraftDoc doc;
    doc.OnNewDocument();
    AddOneDocument(doc);
    doc.SetModifiedFlag(false);
    doc.m_strPublishPath = "relative/site";
    const PublishCheckResult r = PublishChecks::CheckLocal(doc, "/nonexistent-program-folder");
    EXPECT_EQ(r.outcome, Outcome::kRefused);
    EXPECT_EQ(r.message, "Invalid path.");
    EXPECT_EQ(doc.m_timeLastPublish, 1'234'567);
    EXPECT_TRUE(doc.IsModified());
}

TEST(PublishChecks, PathForms) {
    const std::string program = "/nonexistent-program-folder";
    for (const char* bad : {"", "relative", "./site", "C:", "C:/site", "\\\\server\\share\\site",
                            "1:\\x", "site/", "~/site"}) {
        const PublishCheckResult r = PublishChecks::CheckPublishPath(bad, program);
        EXPECT_EQ(r.outcome, Outcome::kRefused) << bad;
        EXPECT_EQ(r.message, "Invalid path.") << bad;
    }
    // Valid forms that do not exist here: the question is asked.
    for (const char* good : {"C:\\", "c:\\site", "/nonexistent-foldcraft-site/x"}) {
        const PublishCheckResult r = PublishChecks::CheckPublishPath(good, program);
        EXPECT_EQ(r.outcome, Outcome::kAskCreateDirectory) << good;
        EXPECT_EQ(r.message, "Directory does not exist. Create?") << good;
    }
    TempDir dir;
    EXPECT_TRUE(PublishChecks::CheckPublishPath(dir.Path(), program).Ok());
}

TEST(PublishChecks, ProgramFolderIsRecognisedByIdentity) {
    TempDir dir;
    const std::string program = dir / "Foldcraft";
    fs::create_directories(program);
    const std::string same = "Cannot publish to same folder as application.";
    EXPECT_EQ(PublishChecks::CheckPublishPath(program, program).message, same);
    EXPECT_EQ(PublishChecks::CheckPublishPath(program + "/", program).message, same);
    EXPECT_EQ(PublishChecks::CheckPublishPath(program + "//.", program).message, same);
    EXPECT_EQ(PublishChecks::CheckPublishPath(dir / "x/../Foldcraft", program).message, same);
    ASSERT_EQ(::symlink(program.c_str(), (dir / "link").c_str()), 0);
    EXPECT_EQ(PublishChecks::CheckPublishPath(dir / "link", program).message, same);

    // Another letter case is another folder on this system: not refused as the
    // program folder (it does not exist, so the question follows).
    const PublishCheckResult other = PublishChecks::CheckPublishPath(dir / "FOLDCRAFT", program);
    EXPECT_EQ(other.outcome, Outcome::kAskCreateDirectory);
    // ...unless it really is the same folder (a case-folding link here).
    ASSERT_EQ(::symlink(program.c_str(), (dir / "FOLDcraft").c_str()), 0);
    EXPECT_EQ(PublishChecks::CheckPublishPath(dir / "FOLDcraft", program).message, same);
}

TEST(PublishChecks, MissingProgramFolderComparedAsNormalisedText) {
    EXPECT_EQ(PublishChecks::CheckPublishPath("/no/such/Foldcraft/", "/no/such/Foldcraft").message,
              "Cannot publish to same folder as application.");
    EXPECT_EQ(PublishChecks::CheckPublishPath("/no/such/FOLDCRAFT", "/no/such/Foldcraft").outcome,
              Outcome::kAskCreateDirectory);
}

TEST(PublishChecks, SameFolderIsCheckedBeforePathForm) {
    // An empty program folder never matches; an empty path is then "Invalid path.".
    EXPECT_EQ(PublishChecks::CheckPublishPath("", "").message, "Invalid path.");
    // A path that is the program folder and also of no valid form gets the
    // program-folder message: that check comes first.
    EXPECT_EQ(PublishChecks::CheckPublishPath("no-such-rel/prog", "no-such-rel/prog").message,
              "Cannot publish to same folder as application.");
}

TEST(PublishChecks, MissingDirectoryAnsweredYesIsCreatedWithParents) {
    TempDir dir;
    const std::string target = dir / "a/b/site";
    ASSERT_EQ(PublishChecks::CheckPublishPath(target, "/x").outcome, Outcome::kAskCreateDirectory);
    EXPECT_TRUE(PublishChecks::CreatePublishDirectory(target).Ok());
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_TRUE(PublishChecks::CheckPublishPath(target, "/x").Ok());
}

TEST(PublishChecks, MissingDirectoryThatCannotBeMade) {
    TempDir dir;
    const std::string file = dir.WriteFile("plain", "x");
    // Below a plain file.
    PublishCheckResult r = PublishChecks::CreatePublishDirectory(file + "/site");
    EXPECT_EQ(r.outcome, Outcome::kRefused);
    EXPECT_EQ(r.message, "Error: directory not created.");
    // The path names a file, not a directory.
    EXPECT_EQ(PublishChecks::CheckPublishPath(file, "/x").outcome, Outcome::kAskCreateDirectory);
    EXPECT_EQ(PublishChecks::CreatePublishDirectory(file).message, "Error: directory not created.");
    // A Windows-form path names nothing on this system.
    EXPECT_EQ(PublishChecks::CreatePublishDirectory("C:\\site").message,
              "Error: directory not created.");
    EXPECT_FALSE(fs::exists("C:\\site"));
    if (::geteuid() != 0) {
        const std::string locked = dir / "locked";
        fs::create_directories(locked);
        ::chmod(locked.c_str(), 0500);
        EXPECT_EQ(PublishChecks::CreatePublishDirectory(locked + "/site").message,
                  "Error: directory not created.");
        ::chmod(locked.c_str(), 0700);
    }
}

TEST(PublishChecks, MissingDirectoryAnsweredNoLeavesNothing) {
    TempDir dir;
    CFoldcraftDoc doc;
    doc.OnNewDocument();
    AddOneDocument(doc);
    doc.m_strPublishPath = dir / "site";
    const PublishCheckResult r = PublishChecks::CheckLocal(doc, dir / "program");
    EXPECT_EQ(r.outcome, Outcome::kAskCreateDirectory);
    // The caller answers No: nothing is made.
    EXPECT_FALSE(fs::exists(dir / "site"));
}
