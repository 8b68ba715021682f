#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "model/ProgramFolder.h"
#include "support/TempDir.h"

using foldcraft::ProgramFolder;
using foldcraft::test::FileExists;
using foldcraft::test::ReadFile;
using foldcraft::test::TempDir;
namespace fs = std::filesystem;

namespace {

// Sets (or, with nullopt, removes) an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

bool IsSymlink(const std::string& path) {
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(path, ec));
}

}  // namespace

TEST(ProgramFolderTest, ResolveTakesExplicitThenEnvironmentThenDefault) {
    using Env = std::optional<std::string>;
    ScopedEnv home("HOME", "/home/tester");
    const std::string fallback = "/home/tester/.local/share/Foldcraft";
    struct Case {
        std::string explicitFolder;
        Env foldcraftHome, xdgDataHome;
        std::string resolved;
    };
    const Case cases[] = {
        {"/explicit/folder", "/env/folder", {}, "/explicit/folder"},
        {"", "/env/folder", {}, "/env/folder"},
        {"", "", {}, fallback},  // set but empty counts as not set
        {"", {}, {}, fallback},
        {"", {}, "/data", "/data/Foldcraft"},
        {"", {}, "relative/data", fallback},  // not absolute: ignored
        // Trailing slashes are dropped, but "/" stays.
        {"/explicit/", "/env/folder//", {}, "/explicit"},
        {"/", {}, {}, "/"},
        {"", "/env/folder//", {}, "/env/folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.resolved);
        ScopedEnv env("FOLDCRAFT_HOME", c.foldcraftHome), xdg("XDG_DATA_HOME", c.xdgDataHome);
        EXPECT_EQ(ProgramFolder::Resolve(c.explicitFolder), c.resolved);
    }
    ScopedEnv env("FOLDCRAFT_HOME", "/env/folder");
    EXPECT_EQ(ProgramFolder::Resolve(), "/env/folder");  // the argument's default
}

TEST(ProgramFolderTest, EnsureCreatesParentsAndReportsFailure) {
    TempDir dir;
    std::string error;
    EXPECT_TRUE(ProgramFolder::Ensure(dir / "a/b/c", &error)) << error;
    EXPECT_TRUE(fs::is_directory(dir / "a/b/c"));
    EXPECT_TRUE(ProgramFolder::Ensure(dir / "a/b/c", &error));  // already there
    dir.WriteFile("file", "x");
    EXPECT_FALSE(ProgramFolder::Ensure(dir / "file", &error));
    EXPECT_NE(error.find(dir / "file"), std::string::npos) << error;
    EXPECT_FALSE(ProgramFolder::Ensure(dir / "file/sub", &error));
}

TEST(ProgramFolderTest, CleanUpRemovesTheScratchItemsOnly) {
    TempDir dir;
    const std::string folder = dir / "prog";
    dir.WriteFile("prog/_temp/Folder0.html", "page");
    dir.WriteFile("prog/_temp/files/home/u/deep/doc.pdf", "pdf");
    dir.WriteFile("prog/_temp/images/folder.gif", "gif");
    dir.WriteFile("prog/temp.html", "preview");
    dir.WriteFile("prog/styles.css", "css");
    dir.WriteFile("prog/images/folder.gif", "support image");
    dir.WriteFile("prog/TEMP.HTML", "other case");
    dir.WriteFile("prog/temp.html.bak", "keep");
    dir.WriteFile("prog/project.fcd", "keep");
    dir.WriteFile("prog/sub/temp.html", "keep");

    ProgramFolder::CleanUp(folder);
    EXPECT_FALSE(FileExists(folder + "/_temp"));
    EXPECT_FALSE(FileExists(folder + "/temp.html"));
    EXPECT_FALSE(FileExists(folder + "/styles.css"));
    EXPECT_EQ(ReadFile(folder + "/images/folder.gif"), "support image");
    EXPECT_TRUE(FileExists(folder + "/TEMP.HTML"));
    EXPECT_TRUE(FileExists(folder + "/temp.html.bak"));
    EXPECT_TRUE(FileExists(folder + "/project.fcd"));
    EXPECT_TRUE(FileExists(folder + "/sub/temp.html"));

    // Missing items, or no folder at all, are no error and stop nothing.
    dir.WriteFile("prog/styles.css", "css");
    ProgramFolder::CleanUp(folder);
    ProgramFolder::CleanUp(dir / "missing");
    EXPECT_FALSE(FileExists(folder + "/styles.css"));
    EXPECT_FALSE(FileExists(dir / "missing"));
}

TEST(ProgramFolderTest, CleanUpRemovesLinksWithoutTouchingTheirTargets) {
    TempDir dir;
    const std::string folder = dir / "prog";
    dir.WriteFile("precious/a.txt", "a");
    dir.WriteFile("precious/sub/b.txt", "b");
    dir.WriteFile("page.html", "not scratch");
    dir.WriteFile("outside/c.txt", "c");
    fs::create_directories(folder);
    fs::create_symlink(dir / "precious", folder + "/_temp");
    fs::create_symlink(dir / "page.html", folder + "/temp.html");

    ProgramFolder::CleanUp(folder);
    EXPECT_FALSE(IsSymlink(folder + "/_temp"));
    EXPECT_FALSE(IsSymlink(folder + "/temp.html"));
    EXPECT_EQ(ReadFile(dir / "precious/a.txt"), "a");
    EXPECT_EQ(ReadFile(dir / "precious/sub/b.txt"), "b");
    EXPECT_EQ(ReadFile(dir / "page.html"), "not scratch");

    // A link inside a real _temp is removed, not followed.
    dir.WriteFile("prog/_temp/x.html", "x");
    fs::create_symlink(dir / "outside", folder + "/_temp/link");
    ProgramFolder::CleanUp(folder);
    EXPECT_FALSE(FileExists(folder + "/_temp"));
    EXPECT_EQ(ReadFile(dir / "outside/c.txt"), "c");
}

TEST(ProgramFolderTest, CleanUpGoesOnPastAnItemItCannotRemove) {
    TempDir dir;
    const std::string folder = dir / "prog";
    // A _temp that is a plain file and a temp.html that is a non-empty directory:
    // neither stops the rest of the clean-up.
    dir.WriteFile("prog/_temp", "a file by that name");
    dir.WriteFile("prog/temp.html/inner.txt", "x");
    dir.WriteFile("prog/styles.css", "css");
    ProgramFolder::CleanUp(folder);
    EXPECT_FALSE(FileExists(folder + "/_temp"));
    EXPECT_FALSE(FileExists(folder + "/styles.css"));
}
