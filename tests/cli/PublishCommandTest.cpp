// The page commands (generate, preview), publish and check, run as a user runs them.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "CliRunner.h"
#include "generator/SitePaths.h"
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
using foldcraft::test::ReadFile;
using foldcraft::test::RunCli;
using foldcraft::test::TempDir;

namespace {

struct Project {
    std::string publishPath = "/nowhere";
    bool withItems = true;
    bool titleAndSitemap = true;
    std::string extraDocument = {};
};

// dir/name: a document, a link, a folder with a picture and a hotspot folder "Map".
std::string Write(const TempDir& dir, const std::string& name, const Project& p = {}) {
    CFoldcraftDoc doc;
    foldcraft::test::NewProject(doc);
    doc.m_strPublishPath = p.publishPath;
    doc.m_bCreateTitlePage = doc.m_bCreateSitemap = p.titleAndSitemap ? 1 : 0;
    doc.m_timeLastPublish = 1000;
    if (p.withItems) {
        AddDocument(*doc.m_pRoot, "Plan", dir.WriteFile("src/Plan.doc", "plan"));
        AddDocument(*doc.m_pRoot, "Web", "http://example.com/");
        AddDocument(*AddSubFolder(*doc.m_pRoot, "Pictures"), "Cat",
                    dir.WriteFile("src/cat.jpg", "cat"));
        CBuildTreeFolder* map = AddSubFolder(*doc.m_pRoot, "Map");
        map->m_bHotspotFolder = 1;
        map->m_strHotspotImage = dir.WriteFile("src/map.gif", "map");
        if (!p.extraDocument.empty()) AddDocument(*map, "Extra", p.extraDocument);
    }
    EXPECT_TRUE(SaveProject(doc, dir / name).Ok());
    return dir / name;
}

}  // namespace

// The title page and the sitemap only when the project has them switched on; a killed
// run's temporary page is cleared.
TEST(PageCommandsTest, GenerateRunsTheWritersSwitchedOn) {
    for (const bool titleAndSitemap : {true, false}) {
        TempDir d;
        const std::string stale = d.WriteFile("out/site/.~foldcraft-2147483647-1.tmp", "killed");
        const CliRun run = RunCli(
            {"generate", Write(d, "p.fcd", {.titleAndSitemap = titleAndSitemap}), d / "out/site"});
        EXPECT_FALSE(FileExists(stale));
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "Successfully created styles.css.\n" +
                               std::string(titleAndSitemap ? "Successfully created title page.\n"
                                                             "Successfully created sitemap.\n"
                                                           : "") +
                               "Successfully created folder pages.\n");
        for (const std::string name : {"styles.css", "Folder0.html", "Folder0-0.html"})
            EXPECT_TRUE(FileExists(d / ("out/site/" + name))) << name;
        for (const std::string name : {"TitlePage.html", "Sitemap.html"})
            EXPECT_EQ(FileExists(d / ("out/site/" + name)), titleAndSitemap) << name;
    }
}

TEST(PublishCommandTest, PublishPrintsTheLogAndCheckReadsTheSite) {
    TempDir d;
    fs::create_directories(d / "site");
    const std::string project = Write(d, "p.fcd", {.publishPath = d / "site"});
    const std::string before = ReadFile(project);
    const CliRun run = RunCli({"publish", project});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out + run.err, foldcraft::test::Fixture("publish-log.txt"));
    EXPECT_EQ(ReadFile(d / "site/files" + (d / "src/cat.jpg")), "cat");
    EXPECT_EQ(ReadFile(project), before);  // without --save

    const std::string plan = "files" + (d / "src/Plan.doc");
    EXPECT_TRUE(RunCli({"check", d / "site"}).out.ends_with(" local links: no broken link.\n"));
    fs::remove(d / ("site/" + plan));
    d.WriteFile("site/\x1B[2J.html", "<a href=\"\x1B]0;x\x07\">");  // printed as text
    const CliRun check = RunCli({"check", d / "site"});
    EXPECT_EQ(check.exitCode, 1);
    EXPECT_TRUE(check.out.starts_with("\\x1B[2J.html: \\x1B]0;x\\x07\n")) << check.out;
    EXPECT_TRUE(check.out.ends_with("\nSitemap.html: " + plan +
                                    "\nChecked 7 pages, 62 local links: 4 broken links.\n"));
}

// Exit codes and messages; what an error leaves is checked at the end.
TEST(PublishCommandTest, ErrorsExitWithTheirMessages) {
    TempDir d;
    Write(d, "p.fcd");
    Write(d, "empty.fcd", {.withItems = false});
    Write(d, "relative.fcd", {.publishPath = "relative/site"});
    Write(d, "missing-doc.fcd", {.extraDocument = d / "src/gone.doc"});
    d.WriteFile("plain", "x");
    d.WriteFile("b/Folder0-0.html/keep", "");
    d.WriteFile("b/Sitemap.html/keep", "");
    const std::vector<std::string> notCopied = {"publish", "@/missing-doc.fcd", "--to", "@/o",
                                                "--yes"};
    std::vector<foldcraft::test::CliCase> cases = {
        {{"generate", "@/p.fcd", "@/b"}, 2, "sitemap failed!\nCreation of folder pages failed!\n"},
        {{"generate", "@/none.fcd", "@/out"}, 2, "Error: @/none.fcd: "},
        {{"generate", "@/p.fcd", "@/plain"}, 2, "Error: @/plain: "},
        {{"generate", "@/p.fcd"}, 64},
        {notCopied, 1, "", "\nThe following files were not copied:\n@/src/gone.doc (missing)\n"},
        {notCopied, 1, "", "\nPublish finished.\nSome files were not copied.\n"},
        {{"publish", "@/empty.fcd"}, 2, "Nothing has been constructed in Step 1 Build.\n"},
        {{"publish", "@/relative.fcd"}, 2, "Invalid path.\n"},
        {{"publish", "@/p.fcd", "--to", ""}, 2, "Invalid path.\n"},
        {{"publish", "@/p.fcd", "--program-folder", "@/h", "--to", "@/h/"}, 2, "same folder"},
        {{"publish", "@/missing.fcd"}, 2, "Error: @/missing.fcd: "},
        {{"publish", "@/p.fcd", "--to", "@/new/site"}, 2, "Directory does not exist. Create?\n"},
        {{"publish", "@/p.fcd", "--to", "@/plain/site", "--yes"}, 2, "directory not created.\n"},
        {{"check", "@/no-such-site"}, 2, "Error: "},
        {{"preview", "@/p.fcd", "--program-folder", "@/prog"}, 0, "", "@/prog/temp.html\n"},
    };
    for (const std::string id :
         {"0-2", "1", "0-", "0--0", "0-00", "0-0-0", "x", "", "0-99999999999999999999"})
        cases.push_back({{"preview", "@/p.fcd", "--folder", id}, 2, "identifier \"" + id + "\"\n"});
    foldcraft::test::ExpectRuns(cases, d.Path());
    EXPECT_TRUE(FileExists(d / "b/Folder0-1.html"));  // the other pages are written
    EXPECT_EQ(ReadFile(d / "plain"), "x");
    EXPECT_FALSE(FileExists(d / "new"));
    EXPECT_NE(ReadFile(d / "prog/temp.html").find("<title>Root</title>"), std::string::npos);
}

// SOURCE_DATE_EPOCH is "now" (same bytes twice; a malformed one is warned of). --yes makes
// a (relative) directory; --save writes the last-publish time back, but not --to.
TEST(PublishCommandTest, SourceDateEpochMakesPublishingReproducible) {
    TempDir d;
    const std::string project = Write(d, "p.fcd");
    const std::string later = d.WriteFile("src/later.doc", "later");
    {  // published a minute after the runs' --now: not yet current in them
        CFoldcraftDoc doc;
        ASSERT_TRUE(LoadProject(doc, project).Ok());
        AddDocument(*doc.m_pRoot, "Later", later)->m_timePublish = foldcraft::test::kCliNow + 60;
        ASSERT_TRUE(SaveProject(doc, project).Ok());
    }
    auto publish = [&](const std::string& site, const std::string& epoch, bool save = false) {
        std::vector<std::string> args = {"publish", project, "--to", site, "--yes", "--quiet"};
        if (save) args.push_back("--save");
        const CliRun run = RunCli(args, {}, {"SOURCE_DATE_EPOCH=" + epoch});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "");
        return run.err;
    };
    EXPECT_EQ(publish(d / "b", "86400"), "");
    EXPECT_EQ(publish(fs::relative(d / "a", fs::current_path()), "86400", true), "");
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(d / "a")) {
        if (!entry.is_regular_file()) continue;
        const fs::path relative = fs::relative(entry.path(), d / "a");
        if (relative == ".foldcraft-manifest") continue;  // the files' times, not the site
        ++files;
        EXPECT_EQ(ReadFile(entry.path()), ReadFile(d / "b" / relative)) << relative;
    }
    EXPECT_GE(files, 20u);  // pages, stylesheet, support images and copies
    EXPECT_NE(ReadFile(d / "a/TitlePage.html").find("Friday, January 2, 1970 at 0:0"),
              std::string::npos);
    CFoldcraftDoc doc;
    ASSERT_TRUE(LoadProject(doc, project).Ok());
    EXPECT_EQ(doc.m_timeLastPublish, 86400);
    EXPECT_EQ(doc.m_strPublishPath, "/nowhere");
    EXPECT_NE(publish(d / "c", "1e9").find("Warning: SOURCE_DATE_EPOCH"), std::string::npos);
    EXPECT_NE(publish(d / "c", "9223372036854775807").find("Warning: SOURCE_DATE_EPOCH"),
              std::string::npos);
    // A leftover SOURCE_DATE_EPOCH older than the documents stamps the pages only: --now
    // (the runner's) decides what is current, so nothing is purged.
    EXPECT_EQ(publish(d / "b", "1"), "");
    EXPECT_FALSE(fs::exists(fs::path(d / "b") / foldcraft::SitePaths::FilesAddress(later)));
    for (const auto& entry : fs::recursive_directory_iterator(d / "a")) {
        EXPECT_TRUE(fs::exists(d / "b" / fs::relative(entry.path(), d / "a"))) << entry.path();
    }
}

// --open runs xdg-open on the preview (in the program folder) or the start page.
TEST(PageCommandsTest, OpenRunsXdgOpenOnThePage) {
    TempDir d, failing, start;
    const std::string project = Write(d, "p.fcd");
    const std::string page = d / "program/temp.html";
    const std::vector<std::string> preview = {"--program-folder", d / "program", "preview", project,
                                              "--open",           "--folder",    "0-0"};
    const FakeOpener opener(d, 0);
    CliRun run = RunCli(preview, {}, {opener.Env()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, page + "\n");
    EXPECT_EQ(opener.Opened(), page);
    EXPECT_NE(ReadFile(page).find("<title>Pictures</title>"), std::string::npos);
    run = RunCli(preview, {}, {FakeOpener(failing, 3).Env()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("Error: xdg-open could not open " + page), std::string::npos);
    const FakeOpener browser(start, 0);
    run = RunCli({"publish", project, "--to", d / "site", "--yes", "--open"}, {}, {browser.Env()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(browser.Opened(), d / "site/TitlePage.html");
}

// A link to a user's file or a named pipe where a page goes is replaced, not followed.
TEST(PageCommandsTest, PagesReplaceLinksAndPipesAtTheirPlace) {
    const std::pair<std::string, std::string> places[] = {
        {"generate", "site/styles.css"},     {"generate", "site/cat.jpg.html"},
        {"generate", "site/Folder0-0.html"}, {"preview", "program/temp.html"},
        {"preview", "program/styles.css"},   {"publish", "site/styles.css"},
        {"publish", "site/Folder0.html"},
    };
    for (const auto& [command, place] : places) {
        for (const bool pipe : {false, true}) {
            SCOPED_TRACE(command + " " + place + (pipe ? " pipe" : " link"));
            TempDir d;
            const std::string victim = d.WriteFile("user/notes.txt", "MY NOTES");
            fs::create_directories(fs::path(d / place).parent_path());
            ASSERT_EQ(pipe ? ::mkfifo((d / place).c_str(), 0600)
                           : ::symlink(victim.c_str(), (d / place).c_str()),
                      0);
            std::vector<std::string> args = {"--program-folder", d / "program", command,
                                             Write(d, "p.fcd")};
            if (command == "publish") args.push_back("--to");
            if (command != "preview") args.push_back(d / "site");
            const CliRun run = RunCli(args);
            EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(d / place)));
            EXPECT_EQ(ReadFile(victim), "MY NOTES");
        }
    }
}

// ftp-publish uses a settings file (--settings or $FOLDCRAFT_SETTINGS) only when it
// is a regular file: a link is not followed, a FIFO not waited on (the store's own
// test has the other kinds). A stored value that does not read stops the run before
// it starts.
TEST(PublishCommandTest, FtpPublishRefusesSettingsItCannotTrust) {
    TempDir d;
    const std::string project = Write(d, "p.fcd");
    const std::string notes = d.WriteFile("notes.txt", "MY NOTES");
    ASSERT_EQ(::chmod(notes.c_str(), 0644), 0);
    ASSERT_EQ(::symlink(notes.c_str(), (d / "link.ini").c_str()), 0);
    ASSERT_EQ(::mkfifo((d / "fifo.ini").c_str(), 0644), 0);
    const std::string tls =
        d.WriteFile("tls.ini",
                    "[FTPServer]\nHostName=127.0.0.1\nUser=u\nPassword=pw\nPort=1\n"
                    "Security=true\n");
    const std::string notRegular = "Error: the settings file is not a regular file: ";
    struct Row {
        std::string file;
        bool environment;  // named by $FOLDCRAFT_SETTINGS rather than --settings
        std::string error;
    };
    const Row rows[] = {
        {d / "link.ini", false, notRegular + d / "link.ini"},
        {d / "fifo.ini", true, notRegular + d / "fifo.ini"},
        {tls, false,
         "Error: setting FTPServer/Security has the value \"true\", which is not 0 or 1."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file + (row.environment ? " from the environment" : ""));
        struct stat before {};
        ::lstat(row.file.c_str(), &before);
        std::vector<std::string> args = {"ftp-publish", project};
        if (!row.environment) args.insert(args.end(), {"--settings", row.file});
        const CliRun run =
            RunCli(args, {}, {"FOLDCRAFT_SETTINGS=" + (row.environment ? row.file : "")});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.err, row.error + "\n");
        EXPECT_EQ(run.out, "");  // no run started, nothing connected
        struct stat after {};
        ::lstat(row.file.c_str(), &after);
        EXPECT_EQ(after.st_mode, row.file == tls ? S_IFREG | 0600 : before.st_mode);
    }
    EXPECT_EQ(ReadFile(notes), "MY NOTES");
    EXPECT_EQ(fs::status(notes).permissions(), fs::perms(0644));
}

// On a terminal the tool asks; an edit made meanwhile is kept by --save (exit 1).
TEST(PublishCommandTest, MissingDirectoryQuestionOnATerminal) {
    TempDir d;
    const std::string project = Write(d, "p.fcd");
    for (const std::string answer : {"n\n", "y\n"}) {
        const std::string site = d / ("tty-" + answer.substr(0, 1));
        int master = -1;
        const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            setenv("FOLDCRAFT_HOME", (d / "home").c_str(), 1);
            execl(FOLDCRAFT_CLI_PATH, FOLDCRAFT_CLI_PATH, "publish", project.c_str(), "--to",
                  site.c_str(), "--quiet", "--save", static_cast<char*>(nullptr));
            _exit(127);
        }
        std::string output;
        bool answered = false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (pollfd p{master, POLLIN, 0}; std::chrono::steady_clock::now() < deadline;) {
            char buf[512];
            const ssize_t n = ::poll(&p, 1, 100) > 0 ? ::read(master, buf, sizeof buf) : 0;
            if (n < 0 || (n == 0 && p.revents)) break;
            output.append(buf, static_cast<size_t>(n));
            if (!answered && output.ends_with("Directory does not exist. Create? [y/N] ")) {
                if (answer == "y\n") {
                    CFoldcraftDoc edited;
                    ASSERT_TRUE(LoadProject(edited, project).Ok());
                    edited.m_strTitle = "Edited meanwhile";
                    ASSERT_TRUE(SaveProject(edited, project).Ok());
                }
                answered = ::write(master, answer.data(), 2) == 2;
            }
        }
        ::close(master);  // a tool still waiting for an answer reads the end of input
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(answered) << output;
        EXPECT_EQ(WEXITSTATUS(status), answer == "y\n" ? 1 : 2) << output;
        EXPECT_EQ(FileExists(site + "/Folder0.html"), answer == "y\n");
        const std::string warning = "Warning: " + project + " was changed during the publish";
        EXPECT_EQ(output.find(warning) != std::string::npos, answer == "y\n") << output;
        CFoldcraftDoc after;
        ASSERT_TRUE(LoadProject(after, project).Ok());
        EXPECT_EQ(after.m_strTitle, answer == "y\n" ? "Edited meanwhile" : "My Title");
    }
}
