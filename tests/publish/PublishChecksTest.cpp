#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "model/Clock.h"
#include "model/FoldcraftDoc.h"
#include "publish/PublishChecks.h"
#include "support/AsOrdinaryUser.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using foldcraft::PublishCheckResult;
using foldcraft::PublishChecks;
using foldcraft::ScopedClockPin;
using foldcraft::test::AsOrdinaryUser;
using foldcraft::test::TempDir;
using foldcraft::test::UserRun;
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

// The program folder is recognised by identity when it exists, else as normalised
// text; that check comes before the path's form. Another letter case is another
// folder here, unless it really is the same one (a case-folding link).
TEST(PublishChecks, ProgramFolderIsRecognisedByIdentity) {
    TempDir dir;
    const std::string program = dir / "Foldcraft";
    fs::create_directories(program);
    ASSERT_EQ(::symlink(program.c_str(), (dir / "link").c_str()), 0);
    ASSERT_EQ(::symlink(program.c_str(), (dir / "FOLDcraft").c_str()), 0);
    const std::string same = "Cannot publish to same folder as application.";
    const std::pair<std::string, std::string> cases[] = {
        {program, program},
        {program + "/", program},
        {program + "//.", program},
        {dir / "x/../Foldcraft", program},
        {dir / "link", program},
        {dir / "FOLDcraft", program},
        {"/no/such/Foldcraft/", "/no/such/Foldcraft"},
        {"no-such-rel/prog", "no-such-rel/prog"},
    };
    for (const auto& [path, folder] : cases)
        EXPECT_EQ(PublishChecks::CheckPublishPath(path, folder).message, same) << path;
    EXPECT_EQ(PublishChecks::CheckPublishPath(dir / "FOLDCRAFT", program).outcome,
              Outcome::kAskCreateDirectory);
    EXPECT_EQ(PublishChecks::CheckPublishPath("/no/such/FOLDCRAFT", "/no/such/Foldcraft").outcome,
              Outcome::kAskCreateDirectory);
    // An empty program folder never matches.
    EXPECT_EQ(PublishChecks::CheckPublishPath("", "").message, "Invalid path.");
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
    // A directory without write permission.
    const std::string locked = dir / "locked";
    fs::create_directories(locked);
    ::chmod(dir.Path().c_str(), 0755);
    ::chmod(locked.c_str(), 0555);
    const UserRun run = AsOrdinaryUser([&] {
        return PublishChecks::CreatePublishDirectory(locked + "/site").message ==
               "Error: directory not created.";
    });
    EXPECT_NE(run, UserRun::kFailed);
}
