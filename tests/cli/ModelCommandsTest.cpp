// The project commands, run as a user runs them: the built tool as a subprocess.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "CliRunner.h"
#include "cli/ProjectJson.h"
#include "model/FoldcraftDoc.h"
#include "model/ProjectFile.h"
#include "support/TempDir.h"

using foldcraft::cli::ProjectJson;
using foldcraft::test::CliRun;
using foldcraft::test::ExpectRuns;
using foldcraft::test::FileExists;
using foldcraft::test::Fixture;
using foldcraft::test::ReadFile;
using foldcraft::test::RunCli;
using foldcraft::test::TempDir;
namespace fs = std::filesystem;

// sample.json leaves fields out, uses the hex and boolean forms; info prints it whole.
TEST(ModelCommandsTest, JsonAndProjectTripsAreByteIdentical) {
    TempDir d;
    const std::string a = d / "a.fcd";
    CliRun run = RunCli({"from-json", d.WriteFile("s.json", Fixture("sample.json")), "-o", a});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string info = Fixture("sample-info.json");
    EXPECT_EQ(RunCli({"info", a}).out, info);
    CFoldcraftDoc doc;
    std::string error;
    ASSERT_TRUE(ProjectJson::FromText(info, doc, error)) << error;
    EXPECT_EQ(ProjectJson::ToJson(doc).dump(2) + "\n", info);
    EXPECT_EQ(RunCli({"from-json", "-", "-o", d / "stdin.fcd"}, info).exitCode, 0);
    EXPECT_EQ(ReadFile(d / "stdin.fcd"), ReadFile(a));
    const std::string written = ReadFile(a);
    EXPECT_EQ(RunCli({"resave", a, a}).exitCode, 0);
    EXPECT_EQ(ReadFile(a), written);

    // The format tests' files: JSON trips give what resave writes; damaged or unsupported
    // files are errors (the latter printing the empty project) and are not written back.
    std::vector<std::string> projects{a};
    for (const auto& entry :
         fs::directory_iterator(fs::path(FOLDCRAFT_TESTS_DIR) / "model/fixtures"))
        if (entry.path().extension() == ".fcd") projects.push_back(entry.path().string());
    ASSERT_GE(projects.size(), 12u);
    for (const std::string& fcd : projects) {
        SCOPED_TRACE(fcd);
        const bool damaged = fs::path(fcd).filename().string().starts_with("broken-");
        const bool unsupported = fs::path(fcd).filename() == "version-2.fcd";
        run = RunCli({"info", fcd});
        const CliRun resave = RunCli({"resave", fcd, d / "resaved.fcd"});
        if (damaged || unsupported) {
            EXPECT_EQ(run.exitCode, damaged ? 2 : 1);
            EXPECT_EQ(run.out, damaged ? "" : Fixture("new-info.json"));
            EXPECT_TRUE(run.err.starts_with(damaged
                                                ? "Error: " + fcd + ": the project file"
                                                : "Error: unsupported Foldcraft file format.\n"))
                << run.err;
            EXPECT_EQ(resave.exitCode, 2);
            EXPECT_FALSE(FileExists(d / "resaved.fcd"));
            continue;
        }
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(resave.exitCode, 0) << resave.err;
        run = RunCli({"from-json", d.WriteFile("trip.json", run.out), "-o", d / "trip.fcd"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(ReadFile(d / "trip.fcd"), ReadFile(d / "resaved.fcd"));
        fs::remove(d / "resaved.fcd");
    }
}

// Exit codes and messages; on an error no file is written or changed.
TEST(ModelCommandsTest, ErrorsExitTwoAndLeaveFilesAlone) {
    TempDir d;
    d.WriteFile("keep.fcd", "precious");
    d.WriteFile("force.fcd", "precious");
    d.WriteFile("zero.fcd", "");
    const std::string out = d.WriteFile("out.fcd", "previous contents");
    ASSERT_EQ(::mkfifo((d / "fifo.fcd").c_str(), 0600), 0);
    d.WriteFile("bad.json", "{\"m_strTitle\": ");
    d.WriteFile("2.json", R"({"m_strTitle": "a", "m_strTitle": "b"})");
    std::vector<foldcraft::test::CliCase> cases = {
        {{"new", "@/new.fcd"}, 0},
        {{"new", "@/keep.fcd"}, 2, "Error: @/keep.fcd exists; use --force to replace it\n"},
        {{"new", "--force", "@/force.fcd"}, 0},
        {{"new", "@/no/such/dir/x.fcd"}, 2, "Error: "},
        {{"info", "@/zero.fcd"}, 0, "", Fixture("new-info.json")},
        {{"info", "@/missing.fcd"}, 2, "Error: @/missing.fcd: "},
        {{"info", "@"}, 2, "Error: @: "},
        // A FIFO is neither read (which would wait for a writer) nor replaced.
        {{"info", "@/fifo.fcd"}, 2, "Error: not a regular file: @/fifo.fcd\n"},
        {{"resave", "@/new.fcd", "@/fifo.fcd"}, 2, "Error: not a regular file: @/fifo.fcd\n"},
        {{"from-json", "@/missing.json", "-o", "@/out.fcd"}, 2, "Error: @/missing.json: "},
        {{"from-json", "@", "-o", "@/out.fcd"}, 2, "Error: @: is a directory\n"},
        {{"from-json", "@/bad.json", "-o", "@/out.fcd"}, 2, "Error: @/bad.json: not valid JSON"},
        {{"from-json", "@/2.json", "-o", "@/out.fcd"},
         2,
         "Error: @/2.json: m_strTitle: field given twice"},
        {{"import", "@/nothing", "-o", "@/out.fcd"}, 2, "Error: @/nothing: "},
        {{}, 64},
        {{"no-such-command"}, 64},
        {{"info", "a.fcd", "b.fcd"}, 64},
        {{"from-json", "a.json"}, 64},
        {{"import", "@", "-o", "@/out.fcd", "--no-such-option"}, 64},
    };
    const std::string usage = "Usage: " FOLDCRAFT_CLI_PATH " ";
    for (const std::string command : {"new", "info", "from-json", "resave", "import", "generate",
                                      "preview", "publish", "check"}) {
        cases.push_back({{"--help"}, 0, "", "\n  " + command + " "});
        cases.push_back({{command, "--help"}, 0, "", usage + command});
    }
    ExpectRuns(cases, d.Path());
    EXPECT_EQ(ReadFile(d / "keep.fcd"), "precious");
    EXPECT_EQ(ReadFile(out), "previous contents");
    EXPECT_TRUE(fs::is_fifo(d / "fifo.fcd"));
    const std::string info = RunCli({"info", d / "force.fcd"}).out;
    EXPECT_EQ(std::regex_replace(info, std::regex("\"m_bNeverSaved\": 0"), "\"m_bNeverSaved\": 1"),
              Fixture("new-info.json"));
    EXPECT_EQ(RunCli({"info", d / "new.fcd"}).out, info);
}

TEST(ModelCommandsTest, RunningOutOfMemoryIsAnErrorAndWritesNothing) {
    if (foldcraft::test::kAddressSanitizer)
        GTEST_SKIP() << "an address-space limit leaves no room for AddressSanitizer";
    TempDir d;
    // A project with a 100 MiB title (a hole in the file) and a JSON text with a 48 MiB
    // string: more than 160 MiB of address space can hold twice.
    CFoldcraftDoc doc;
    doc.OnNewDocument();
    doc.m_strTitle.clear();
    doc.m_strPublishPath.clear();
    const std::string bytes = foldcraft::WriteProjectBytes(doc);  // ends: title, i32, path
    const std::uint32_t titleSize = 100u << 20;
    const std::string big = d / "big.fcd";
    {
        std::ofstream out(big, std::ios::binary);
        out << bytes.substr(0, bytes.size() - 6) << "\xFF\xFF\xFF";
        out.write(reinterpret_cast<const char*>(&titleSize), 4);  // little-endian
        out.seekp(titleSize, std::ios::cur);
        out << bytes.substr(bytes.size() - 5);
    }
    const std::string json =
        d.WriteFile("big.json", "{\"m_strTitle\": \"" + std::string(48u << 20, 'a') + "\"}");
    const std::string out = d.WriteFile("out.fcd", "previous contents");
    for (const auto& args : std::vector<std::vector<std::string>>{{"info", big},
                                                                  {"resave", big, out},
                                                                  {"generate", big, d / "site"},
                                                                  {"from-json", json, "-o", out}}) {
        const CliRun run = RunCli(args, {}, {}, 160u << 20);
        EXPECT_EQ(run.exitCode, 2) << args[0] << ": " << run.err;
        EXPECT_EQ(run.err, "Error: not enough memory.\n") << args[0];
        EXPECT_EQ(ReadFile(out), "previous contents") << args[0];
    }
    // A project that loads but whose pages do not fit: the publish log says why.
    std::string folders;
    for (int i = 0; i < 8; ++i) folders += std::string(i ? "," : "") + "{\"m_timePublish\": 1}";
    const std::string pages = d.WriteFile(
        "pages.json", "{\"m_strHeader\": \"" + std::string(24u << 20, 'h') +
                          "\", \"m_pRoot\": {\"m_timePublish\": 1, \"m_arrFolders\": [" +
                          folders + "]}}");
    ASSERT_EQ(RunCli({"from-json", pages, "-o", d / "pages.fcd"}).exitCode, 0);
    const CliRun run =
        RunCli({"publish", d / "pages.fcd", "--to", d / "site", "--yes"}, {}, {}, 160u << 20);
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_TRUE(run.out.ends_with("\nError: not enough memory.\n")) << run.out;
}

// What import reports; a publish in the second of the import shows what it imported.
TEST(ModelCommandsTest, ImportMakesAProjectOfADirectory) {
    TempDir d;
    d.WriteFile("docs/Reports/A.txt", "A");
    d.WriteFile("docs/notes.txt", "notes");
    d.WriteFile("docs/.hidden", "h");
    fs::create_symlink(d.WriteFile("outside.txt", "secret"), d / "docs/leak.txt");
    fs::create_symlink("loop2", d / "docs/loop1");
    fs::create_symlink("loop1", d / "docs/loop2");

    CliRun run = RunCli({"import", d / "docs", "-o", d / "p.fcd"});
    EXPECT_EQ(run.exitCode, 1);  // the link loop could not be read
    EXPECT_EQ(run.out, "Imported 1 folder and 2 documents into " + (d / "p.fcd") + "\n");
    for (const std::string skipped :
         {"leak.txt: symbolic link leads outside the directory", "loop1: symbolic link loop"})
        EXPECT_NE(run.err.find("Skipped: " + (d / "docs/") + skipped), std::string::npos)
            << run.err;
    EXPECT_EQ(RunCli({"generate", d / "p.fcd", d / "site"}).exitCode, 0);
    EXPECT_NE(ReadFile(d / "site/Folder0.html").find(">notes.txt</a>"), std::string::npos);

    run = RunCli({"import", "--include-hidden", d / "docs", "-o", d / "p.fcd"});
    EXPECT_EQ(run.out, "Imported 1 folder and 3 documents into " + (d / "p.fcd") + "\n");
}
