// The page commands generate and preview, run as a user runs them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include "CliRunner.h"
#include "model/FoldcraftDoc.h"
#include "model/ProjectFile.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using foldcraft::test::CliRun;
using foldcraft::test::FakeOpener;
using foldcraft::test::FileExists;
using foldcraft::test::ReadFile;
using foldcraft::test::RunCli;
using foldcraft::test::TempDir;

namespace {

constexpr foldcraft::Time kLongAgo = 1000000000;  // items active whenever the tool runs

void MakeActive(CBuildTreeDoc& item) {
    item.m_timePublish = kLongAgo;
    item.m_timeFile = kLongAgo;
}

// Root with a sub-folder "Sub" (holding a picture) and a hotspot folder "Map".
std::string SaveSampleProject(const TempDir& dir, bool titleAndSitemap = true) {
    CFoldcraftDoc doc;
    doc.OnNewDocument();
    doc.m_bCreateTitlePage = titleAndSitemap ? 1 : 0;
    doc.m_bCreateSitemap = titleAndSitemap ? 1 : 0;
    CBuildTreeFolder& root = *doc.m_pRoot;
    MakeActive(root);
    auto sub = std::make_unique<CBuildTreeFolder>("Sub", "(folder)", "");
    MakeActive(*sub);
    auto cat = std::make_unique<CBuildTreeDoc>("Cat", "/pics/cat.jpg", "a cat");
    MakeActive(*cat);
    sub->AddDoc(std::move(cat));
    root.AddFolder(std::move(sub));
    auto map = std::make_unique<CBuildTreeFolder>("Map", "(folder)", "");
    MakeActive(*map);
    map->m_bHotspotFolder = 1;
    map->m_strHotspotImage = "/pics/plan.gif";
    root.AddFolder(std::move(map));
    const std::string path = dir / "sample.fcd";
    EXPECT_TRUE(foldcraft::SaveProject(doc, path).Ok());
    return path;
}

// The title page and the sitemap only when the project has them switched on.
TEST(GenerateCommand, CreatesTheDirectoryAndRunsTheWritersSwitchedOn) {
    for (const bool titleAndSitemap : {true, false}) {
        TempDir dir;
        const std::string project = SaveSampleProject(dir, titleAndSitemap);
        const CliRun run = RunCli({"generate", project, dir / "out/site"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, titleAndSitemap ? "Successfully created styles.css.\n"
                                             "Successfully created title page.\n"
                                             "Successfully created sitemap.\n"
                                             "Successfully created folder pages.\n"
                                           : "Successfully created styles.css.\n"
                                             "Successfully created folder pages.\n");
        for (const std::string name :
             {"styles.css", "Folder0.html", "Folder0-0.html", "Folder0-1.html", "cat.jpg.html"})
            EXPECT_TRUE(FileExists(dir / ("out/site/" + name))) << name;
        for (const std::string name : {"TitlePage.html", "Sitemap.html"})
            EXPECT_EQ(FileExists(dir / ("out/site/" + name)), titleAndSitemap) << name;
        EXPECT_NE(ReadFile(dir / "out/site/Folder0-1.html").find("usemap=\"#Map\""),
                  std::string::npos);
    }
}

TEST(GenerateCommand, AFailedWriterGivesExitTwoAndTheOtherPagesAreWritten) {
    TempDir dir;
    const std::string project = SaveSampleProject(dir);
    dir.WriteFile("site/Folder0-0.html/keep", "");
    dir.WriteFile("site/Sitemap.html/keep", "");
    const CliRun run = RunCli({"generate", project, dir / "site"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out,
              "Successfully created styles.css.\n"
              "Successfully created title page.\n");
    EXPECT_EQ(run.err, "Creation of sitemap failed!\nCreation of folder pages failed!\n");
    EXPECT_TRUE(FileExists(dir / "site/Folder0.html"));
    EXPECT_TRUE(FileExists(dir / "site/Folder0-1.html"));
    EXPECT_TRUE(FileExists(dir / "site/cat.jpg.html") == false);  // its folder page failed
}

TEST(GenerateCommand, RefusesAMissingProjectOrATargetThatIsAFile) {
    TempDir dir;
    CliRun run = RunCli({"generate", dir / "none.fcd", dir / "site"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("Error: "), std::string::npos);
    EXPECT_FALSE(FileExists(dir / "site"));

    const std::string project = SaveSampleProject(dir);
    dir.WriteFile("plain", "x");
    run = RunCli({"generate", project, dir / "plain"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("Error: " + (dir / "plain")), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(dir / "plain"), "x");

    run = RunCli({"generate", project});
    EXPECT_EQ(run.exitCode, 64);
}

TEST(PreviewCommand, WritesTheFolderPageIntoTheProgramFolder) {
    TempDir dir;
    const std::string project = SaveSampleProject(dir);
    const std::string program = dir / "program";
    const CliRun run = RunCli({"--program-folder", program, "preview", project, "--folder", "0-0"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, program + "/temp.html\n");
    const std::string page = ReadFile(program + "/temp.html");
    EXPECT_NE(page.find("<title>Sub</title>\r\n"), std::string::npos);
    EXPECT_NE(page.find("<img src=\"/pics/cat.jpg\" width=\"48\" height=\"48\">"),
              std::string::npos);
    EXPECT_TRUE(FileExists(program + "/styles.css"));
    EXPECT_TRUE(FileExists(program + "/images/folder.gif"));

    // The root by default; a hotspot folder shows its map.
    EXPECT_EQ(RunCli({"--program-folder", program, "preview", project}).exitCode, 0);
    EXPECT_NE(ReadFile(program + "/temp.html").find("<title>Root</title>"), std::string::npos);
    EXPECT_EQ(RunCli({"--program-folder", program, "preview", project, "--folder", "0-1"}).exitCode,
              0);
    EXPECT_NE(ReadFile(program + "/temp.html").find("<img src=\"/pics/plan.gif\" usemap"),
              std::string::npos);
}

TEST(PreviewCommand, UnknownFolderIdentifiersAreClearErrors) {
    TempDir dir;
    const std::string project = SaveSampleProject(dir);
    for (const char* id :
         {"0-2", "1", "0-", "0--0", "0-00", "0-0-0", "x", "", "0-99999999999999999999"}) {
        const CliRun run =
            RunCli({"--program-folder", dir / "program", "preview", project, "--folder", id});
        EXPECT_EQ(run.exitCode, 2) << id;
        EXPECT_EQ(run.err, std::string("Error: the project has no folder with the identifier \"") +
                               id + "\"\n")
            << id;
    }
    EXPECT_FALSE(FileExists(dir / "program/temp.html"));
}

TEST(PreviewCommand, OpenRunsXdgOpenOnThePage) {
    TempDir dir;
    const std::string project = SaveSampleProject(dir);
    const std::string program = dir / "program";
    const std::vector<std::string> args = {"--program-folder", program, "preview", project,
                                           "--open"};
    const FakeOpener opener(dir, 0);
    CliRun run = RunCli(args, {}, {opener.Env()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(opener.Opened(), program + "/temp.html");
    TempDir other;
    run = RunCli(args, {}, {FakeOpener(other, 3).Env()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("xdg-open"), std::string::npos);
    EXPECT_TRUE(FileExists(program + "/temp.html"));
}

// Every file below root with its contents (a link with its target), to see that
// nothing there changed.
std::map<std::string, std::string> Contents(const std::string& root) {
    std::map<std::string, std::string> all;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        all[e.path()] = e.is_symlink() ? "-> " + fs::read_symlink(e.path()).string()
                                       : (e.is_regular_file() ? ReadFile(e.path()) : "/");
    }
    return all;
}

// A link to a user's file or a named pipe standing where a page goes: the page
// replaces it, nothing is written through the link and nothing waits for a reader.
TEST(PageCommands, PagesReplaceLinksAndPipesAtTheirPlace) {
    struct Case {
        const char* command;
        const char* place;  // below the test directory
        bool pipe;          // a named pipe there, else a link to a user's file
        int exitCode;       // publish: the pictures of the sample are missing
    };
    const Case cases[] = {
        {"generate", "site/styles.css", false, 0},  {"generate", "site/cat.jpg.html", false, 0},
        {"generate", "site/styles.css", true, 0},   {"generate", "site/Folder0-0.html", true, 0},
        {"preview", "program/temp.html", false, 0}, {"preview", "program/styles.css", false, 0},
        {"preview", "program/temp.html", true, 0},  {"preview", "program/styles.css", true, 0},
        {"publish", "site/styles.css", true, 1},    {"publish", "site/Folder0.html", true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " " + c.place + (c.pipe ? " pipe" : " link"));
        TempDir dir;
        const std::string project = SaveSampleProject(dir);
        const std::string victim = dir.WriteFile("user/notes.txt", "MY NOTES");
        const std::string place = dir / c.place;
        fs::create_directories(fs::path(place).parent_path());
        ASSERT_EQ(c.pipe ? ::mkfifo(place.c_str(), 0600) : ::symlink(victim.c_str(), place.c_str()),
                  0);
        const auto before = Contents(dir / "user");
        std::vector<std::string> args = {"--program-folder", dir / "program", c.command, project};
        if (std::string(c.command) != "preview") args.push_back(dir / "site");
        if (std::string(c.command) == "publish") args.insert(args.end() - 1, "--to");
        // A pipe that is opened waits for ever for a reader.
        const CliRun run = RunCli(args, {}, {}, 0, 10);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.out << run.err;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(place)));
        EXPECT_EQ(Contents(dir / "user"), before);
    }
}

}  // namespace
