#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "ModelTestSupport.h"
#include "model/ProgramFolder.h"

using foldcraft::ProgramFolder;
using foldcraft::test::TempDir;
using foldcraft::test::Tree;
namespace fs = std::filesystem;

namespace {

// Sets (or, with nullopt, removes) an environment variable.
void SetEnv(const char* name, const std::optional<std::string>& value) {
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
}

}  // namespace

TEST(ProgramFolderTest, ResolveTakesExplicitThenEnvironmentThenDefault) {
    using Env = std::optional<std::string>;
    std::vector<std::pair<const char*, Env>> saved;
    for (const char* name : {"HOME", "FOLDCRAFT_HOME", "XDG_DATA_HOME"}) {
        const char* value = std::getenv(name);
        saved.emplace_back(name, value ? Env(value) : std::nullopt);
    }
    SetEnv("HOME", "/home/tester");
    const std::string fallback = "/home/tester/.local/share/Foldcraft";
    // The explicit folder, FOLDCRAFT_HOME, XDG_DATA_HOME (nullopt: not set), the result.
    const std::tuple<std::string, Env, Env, std::string> cases[] = {
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
    for (const auto& [explicitFolder, foldcraftHome, xdgDataHome, resolved] : cases) {
        SetEnv("FOLDCRAFT_HOME", foldcraftHome);
        SetEnv("XDG_DATA_HOME", xdgDataHome);
        EXPECT_EQ(ProgramFolder::Resolve(explicitFolder), resolved) << explicitFolder;
    }
    for (const auto& [name, value] : saved) SetEnv(name, value);
}

TEST(ProgramFolderTest, EnsureCreatesParentsAndReportsFailure) {
    TempDir dir;
    std::string error;
    EXPECT_TRUE(ProgramFolder::Ensure(dir / "a/b/c", &error)) << error;
    EXPECT_TRUE(ProgramFolder::Ensure(dir / "a/b/c", &error));  // already there
    dir.WriteFile("file", "x");
    EXPECT_FALSE(ProgramFolder::Ensure(dir / "file/sub", &error));
    EXPECT_NE(error.find(dir / "file"), std::string::npos) << error;
}

// Clean-up removes the scratch items of the program folder (_temp, temp.html,
// styles.css) and nothing else; links are removed, never followed.
TEST(ProgramFolderTest, CleanUpRemovesTheScratchItemsOnly) {
    using Names = std::vector<std::string>;
    struct Case {
        Names files, links;  // links: "name->target"
        Names left;          // what is left under prog/
    };
    const Case cases[] = {
        {{"_temp/Folder0.html", "_temp/files/home/u/doc.pdf", "temp.html", "styles.css",
          "images/folder.gif", "TEMP.HTML", "temp.html.bak", "sub/temp.html"},
         {},
         {"TEMP.HTML=x", "images/", "images/folder.gif=x", "sub/", "sub/temp.html=x",
          "temp.html.bak=x"}},
        {{}, {"_temp->../outside", "temp.html->../outside/page.html"}, {}},
        {{"_temp/x.html"}, {"_temp/link->../../outside"}, {}},
        // Items it cannot remove (a non-empty directory named temp.html) stop nothing.
        {{"_temp", "temp.html/inner.txt", "styles.css"},
         {},
         {"temp.html/", "temp.html/inner.txt=x"}},
        {{}, {}, {}},  // nothing to remove is no error
    };
    for (const Case& c : cases) {
        TempDir dir;
        dir.WriteFile("outside/page.html", "kept");
        dir.WriteFile("outside/sub/a.txt", "kept");
        fs::create_directory(dir / "prog");
        for (const auto& file : c.files) dir.WriteFile("prog/" + file, "x");
        for (const auto& link : c.links) foldcraft::test::MakeLink(dir / "prog", link);
        ProgramFolder::CleanUp(dir / "prog");
        EXPECT_EQ(Tree(dir / "prog"), c.left);
        EXPECT_EQ(Tree(dir / "outside"), (Names{"page.html=kept", "sub/", "sub/a.txt=kept"}));
    }
    ProgramFolder::CleanUp(TempDir() / "missing");
}
