#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <tuple>

#include "model/Clock.h"
#include "model/FoldcraftDoc.h"
#include "publish/PublishChecks.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using foldcraft::PublishChecks;
using foldcraft::test::TempDir;
using Outcome = foldcraft::PublishCheckResult::Outcome;

const std::string kInvalid = "Invalid path.";
const std::string kAsk = "Directory does not exist. Create?";

// A tree with nothing but its root is refused before the publish stamp; after it
// the stamp is made, and the project marked modified, even when the path is refused.
TEST(PublishChecks, TheStampComesAfterTheFirstCheck) {
    foldcraft::ScopedClockPin pin(1'234'567);
    for (const bool empty : {true, false}) {
        CFoldcraftDoc doc;
        doc.OnNewDocument();
        if (!empty) doc.m_pRoot->AddDoc(std::make_unique<CBuildTreeDoc>("a", "/tmp/a.doc", ""));
        doc.m_timeLastPublish = 5;
        doc.SetModifiedFlag(false);
        doc.m_strPublishPath = "relative/site";
        const std::string nothing =
            "Cannot publish at this time.  Nothing has been constructed in Step 1 Build.";
        EXPECT_EQ(PublishChecks::CheckLocal(doc, "/no-program").message,
                  empty ? nothing : kInvalid);
        EXPECT_EQ(doc.m_timeLastPublish, empty ? 5 : 1'234'567);
        EXPECT_EQ(doc.IsModified(), !empty);
        EXPECT_EQ(PublishChecks::BeginPublish(doc).message, empty ? nothing : "");
    }
}

// The program folder is refused first, by identity when it exists (another letter
// case is another folder unless it is the same one), else as normalised text.
TEST(PublishChecks, PublishPaths) {
    TempDir dir;
    const std::string program = dir / "Foldcraft";
    fs::create_directories(program);
    ASSERT_EQ(::symlink(program.c_str(), (dir / "link").c_str()), 0);
    ASSERT_EQ(::symlink(program.c_str(), (dir / "FOLDcraft").c_str()), 0);
    const std::string same = "Cannot publish to same folder as application.";
    // The program folder, publish paths and the message (none: go on).
    const std::vector<std::tuple<std::string, std::vector<std::string>, std::string>> groups = {
        {program,
         {"", "relative", "./site", "C:", "C:/site", "\\\\server\\share\\site", "1:\\x", "site/",
          "~/site"},
         kInvalid},
        {program, {"C:\\", "c:\\site", "/nonexistent-foldcraft-site/x", dir / "FOLDCRAFT"}, kAsk},
        {program, {dir.Path()}, ""},
        {program,
         {program, program + "//.", dir / "x/../Foldcraft", dir / "link", dir / "FOLDcraft"},
         same},
        {"/no/such/Foldcraft", {"/no/such/Foldcraft/", "/no/such/x/../Foldcraft"}, same},
        {"/no/such/Foldcraft", {"/no/such/FOLDCRAFT"}, kAsk},
        {"no-such-rel/prog", {"no-such-rel/prog"}, same},
        {"", {""}, kInvalid},
    };
    for (const auto& [folder, paths, message] : groups) {
        for (const std::string& path : paths) {
            const auto r = PublishChecks::CheckPublishPath(path, folder);
            EXPECT_EQ(r.message, message) << path;
            EXPECT_EQ(r.outcome, message.empty()   ? Outcome::kOk
                                 : message == kAsk ? Outcome::kAskCreateDirectory
                                                   : Outcome::kRefused)
                << path;
        }
    }
}

// The answer Yes makes the directory with its parents, or says it could not.
TEST(PublishChecks, CreatingTheMissingDirectory) {
    TempDir dir;
    const std::string file = dir.WriteFile("plain", "x");
    const std::pair<std::string, bool> cases[] = {
        {dir / "a/b/site", true}, {file + "/site", false}, {file, false}, {"C:\\site", false}};
    for (const auto& [path, made] : cases) {
        const auto r = PublishChecks::CreatePublishDirectory(path);
        EXPECT_EQ(r.message, made ? "" : "Error: directory not created.") << path;
        EXPECT_EQ(r.Ok(), made) << path;
        EXPECT_EQ(fs::is_directory(path), made) << path;
    }
}
