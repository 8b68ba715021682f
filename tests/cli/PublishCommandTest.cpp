// The publish and check commands, run as a user runs them.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "CliRunner.h"
#include "model/ProjectFile.h"
#include "publish/PublishTestTree.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using foldcraft::LoadProject;
using foldcraft::SaveProject;
using foldcraft::test::AddDocument;
using foldcraft::test::AddSubFolder;
using foldcraft::test::CliRun;
using foldcraft::test::FakeOpener;
using foldcraft::test::FileExists;
using foldcraft::test::kCliNow;
using foldcraft::test::NewProject;
using foldcraft::test::ReadFile;
using foldcraft::test::RunCli;
using foldcraft::test::TempDir;

namespace {

const std::string kSuccessLog =
    "Publish status:\n----------------------------------------\n"
    "\nCreating directory structure...\nSuccessfully created directory structure.\n"
    "\nCopying files...\nSuccessfully copied files\n"
    "\nCreating styles.css...\nSuccessfully created styles.css.\n"
    "\nCreating title page...\nSuccessfully created title page.\n"
    "\nCreating sitemap...\nSuccessfully created sitemap.\n"
    "\nCreating folder pages...\nSuccessfully created folder pages.\n"
    "\n--------------------\nPublish successful!\n";

class PublishCommandTest : public ::testing::Test {
protected:
    // Writes a project with documents in two directories and a web link, whose
    // publish path is publishPath.
    std::string WriteProject(const std::string& publishPath, bool withItems = true,
                             const std::string& extraDocument = {}) {
        CFoldcraftDoc doc;
        NewProject(doc);
        doc.m_strPublishPath = publishPath;
        if (withItems) {
            AddDocument(*doc.m_pRoot, "Plan", dir.WriteFile("src/Reports/Plan.doc", "plan"));
            AddDocument(*doc.m_pRoot, "Web", "http://example.com/");
            CBuildTreeFolder* sub = AddSubFolder(*doc.m_pRoot, "Pictures");
            AddDocument(*sub, "Cat", dir.WriteFile("src/Pics/cat.jpg", "cat"));
            if (!extraDocument.empty()) AddDocument(*sub, "Extra", extraDocument);
        }
        doc.m_timeLastPublish = 1000;
        const std::string path = dir / "project.fcd";
        EXPECT_TRUE(SaveProject(doc, path).Ok());
        return path;
    }

    TempDir dir;
};

}  // namespace

TEST_F(PublishCommandTest, PublishPrintsTheLogAndTheSiteChecksClean) {
    const std::string site = dir / "site";
    fs::create_directories(site);
    const std::string project = WriteProject(site);
    const std::string before = ReadFile(project);
    const CliRun run = RunCli({"publish", project});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, kSuccessLog);
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(FileExists(site + "/Folder0.html"));
    EXPECT_TRUE(FileExists(site + "/Folder0-0.html"));
    EXPECT_EQ(ReadFile(site + "/files/" + (dir / "src/Pics/cat.jpg").substr(1)), "cat");
    // Without --save the project file is left as it was.
    EXPECT_EQ(ReadFile(project), before);

    const CliRun check = RunCli({"check", site});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    EXPECT_NE(check.out.find("no broken link."), std::string::npos) << check.out;

    fs::remove(site + "/files/" + (dir / "src/Reports/Plan.doc").substr(1));
    const CliRun broken = RunCli({"check", site});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_NE(
        broken.out.find("Folder0.html: files/" + (dir / "src/Reports/Plan.doc").substr(1) + "\n"),
        std::string::npos)
        << broken.out;

    EXPECT_EQ(RunCli({"check", dir / "no-such-site"}).exitCode, 2);
}

TEST_F(PublishCommandTest, FilesNotCopiedExitOne) {
    fs::create_directories(dir / "site");
    const std::string missing = dir / "src/gone.doc";
    const CliRun run = RunCli({"publish", WriteProject(dir / "site", true, missing)});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("\nThe following files were not copied:\n" + missing + "\n"),
              std::string::npos)
        << run.out;
    EXPECT_TRUE(run.out.ends_with(
        "\n--------------------\nPublish finished.\nSome files were not copied.\n"));
}

TEST_F(PublishCommandTest, RefusedChecksExitTwoWithTheirMessage) {
    fs::create_directories(dir / "site");
    CliRun run = RunCli({"publish", WriteProject(dir / "site", /*withItems=*/false)});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err,
              "Cannot publish at this time.  Nothing has been constructed in Step 1 Build.\n");
    EXPECT_EQ(run.out, "");

    run = RunCli({"publish", WriteProject("relative/site")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "Invalid path.\n");

    run = RunCli({"publish", WriteProject(dir / "site"), "--to", ""});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "Invalid path.\n");

    // The program folder (FOLDCRAFT_HOME of the run) given with a trailing slash.
    const std::string home = dir / "home";
    run = RunCli(
        {"publish", WriteProject(dir / "site"), "--program-folder", home, "--to", home + "/"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "Cannot publish to same folder as application.\n");

    run = RunCli({"publish", dir / "missing.fcd"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("Error:"), std::string::npos);
}

TEST_F(PublishCommandTest, MissingDirectoryIsRefusedWithoutATerminalAndMadeWithYes) {
    const std::string site = dir / "new/site";
    const std::string project = WriteProject(dir / "elsewhere");
    CliRun run = RunCli({"publish", project, "--to", site});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.starts_with("Directory does not exist. Create?\n")) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(FileExists(dir / "new"));

    run = RunCli({"publish", project, "--to", site, "--yes"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, kSuccessLog);
    EXPECT_TRUE(FileExists(site + "/TitlePage.html"));
    EXPECT_FALSE(FileExists(dir / "elsewhere"));

    // Cannot be made: below a plain file.
    dir.WriteFile("plain", "x");
    run = RunCli({"publish", project, "--to", dir / "plain/site", "--yes"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "Error: directory not created.\n");
}

TEST_F(PublishCommandTest, RelativeToIsTakenFromTheCurrentDirectory) {
    // The tool runs in this process's current directory.
    fs::create_directories(dir / "site");
    const std::string relative = fs::relative(dir / "site", fs::current_path()).string();
    ASSERT_FALSE(relative.starts_with("/"));
    const CliRun run = RunCli({"publish", WriteProject("/nowhere"), "--to", relative});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(FileExists(dir / "site/Folder0.html"));
}

TEST_F(PublishCommandTest, SaveWritesTheLastPublishTimeBack) {
    fs::create_directories(dir / "site");
    const std::string project = WriteProject("/nowhere");
    const CliRun run = RunCli({"publish", project, "--to", dir / "site", "--save", "--quiet"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "");  // --quiet
    CFoldcraftDoc doc;
    ASSERT_TRUE(LoadProject(doc, project).Ok());
    EXPECT_EQ(doc.m_timeLastPublish, kCliNow);
    // --to is for this run only.
    EXPECT_EQ(doc.m_strPublishPath, "/nowhere");
}

// SOURCE_DATE_EPOCH is "now": the same project publishes to the same bytes, the
// title page shows that time, and a malformed value falls back to the clock with a
// warning.
TEST_F(PublishCommandTest, SourceDateEpochMakesPublishingReproducible) {
    const std::string project = WriteProject("/nowhere");
    auto publish = [&](const std::string& site, const std::string& epoch) {
        fs::create_directories(site);
        const CliRun run = RunCli({"publish", project, "--to", site, "--quiet"}, {},
                                  {"SOURCE_DATE_EPOCH=" + epoch});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return run.err;
    };
    publish(dir / "a", "86400");
    publish(dir / "b", "86400");
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir / "a")) {
        if (!entry.is_regular_file()) continue;
        const fs::path relative = fs::relative(entry.path(), dir / "a");
        EXPECT_EQ(ReadFile(entry.path()), ReadFile(dir / "b" / relative)) << relative;
        ++files;
    }
    EXPECT_GE(files, 20u);  // pages, stylesheet, support images and copies
    EXPECT_NE(ReadFile(dir / "a/TitlePage.html").find("Friday, January 2, 1970 at 0:0"),
              std::string::npos);
    EXPECT_NE(publish(dir / "c", "1e9").find("Warning: SOURCE_DATE_EPOCH"), std::string::npos);
}

TEST_F(PublishCommandTest, OpenStartsXdgOpenOnTheStartPage) {
    fs::create_directories(dir / "site");
    const FakeOpener opener(dir, 0);
    const CliRun run =
        RunCli({"publish", WriteProject(dir / "site"), "--open", "--quiet"}, {}, {opener.Env()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(opener.Opened(), dir / "site/TitlePage.html");
}

// The question is asked when the tool runs on a terminal. While it waits, the
// project file is edited: --save then leaves the edit in place.
TEST_F(PublishCommandTest, MissingDirectoryQuestionOnATerminal) {
    const std::string project = WriteProject("/nowhere");
    struct Case {
        const char* answer;
        bool editWhileAsked;
        int exitCode;
    };
    for (const Case& c : {Case{"n\n", false, 2}, Case{"y\n", true, 1}}) {
        const std::string site = dir / (std::string("tty-") + c.answer[0]);
        int master = -1;
        const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            setenv("FOLDCRAFT_HOME", (dir / "home").c_str(), 1);
            execl(FOLDCRAFT_CLI_PATH, FOLDCRAFT_CLI_PATH, "publish", project.c_str(), "--to",
                  site.c_str(), "--quiet", "--save", static_cast<char*>(nullptr));
            _exit(127);
        }
        std::string output;
        bool answered = false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 100) > 0) {
                char buf[512];
                const ssize_t n = ::read(master, buf, sizeof buf);
                if (n <= 0) break;
                output.append(buf, static_cast<size_t>(n));
            }
            if (!answered && output.find("Create? [y/N] ") != std::string::npos) {
                if (c.editWhileAsked) {
                    CFoldcraftDoc edited;
                    ASSERT_TRUE(LoadProject(edited, project).Ok());
                    edited.m_strTitle = "Edited meanwhile";
                    ASSERT_TRUE(SaveProject(edited, project).Ok());
                }
                ASSERT_EQ(::write(master, c.answer, 2), 2);
                answered = true;
            }
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::close(master);
        EXPECT_TRUE(answered) << output;
        EXPECT_NE(output.find("Directory does not exist. Create? [y/N] "), std::string::npos);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), c.exitCode) << output;
        EXPECT_EQ(FileExists(site + "/Folder0.html"), c.answer[0] == 'y');
        if (c.editWhileAsked) {
            EXPECT_NE(output.find("Warning: " + project + " was changed during the publish"),
                      std::string::npos)
                << output;
            CFoldcraftDoc after;
            ASSERT_TRUE(LoadProject(after, project).Ok());
            EXPECT_EQ(after.m_strTitle, "Edited meanwhile");
        }
    }
}
