#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <string>

#include "generator/SupportImages.h"
#include "support/AsOrdinaryUser.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
namespace SupportImages = foldcraft::SupportImages;

namespace foldcraft::test {
namespace {

std::string Bytes(const SupportImages::Image& image) {
    return std::string(reinterpret_cast<const char*>(image.data), image.size);
}

std::set<std::string> FilesIn(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
    return names;
}

// A fresh folder (and its parents) gets the resource files' bytes and nothing else;
// images that are there, even empty ones, are the user's and stay.
TEST(SupportImages, InstallsTheMissingImagesAndKeepsTheUsersOwn) {
    TempDir tmp;
    const std::string images = tmp / "new/program folder/images/";
    std::string error = "stale";
    ASSERT_TRUE(SupportImages::EnsureInstalled(tmp / "new/program folder", &error)) << error;
    EXPECT_EQ(error, "");
    std::set<std::string> names;
    for (const auto& image : SupportImages::All()) {
        const std::string resource = "/resources/support-images/" + std::string(image.name);
        EXPECT_EQ(Bytes(image), ReadFile(FOLDCRAFT_SOURCE_DIR + resource)) << image.name;
        EXPECT_EQ(ReadFile(images + image.name), Bytes(image)) << image.name;
        names.insert(image.name);
    }
    EXPECT_EQ(names.size(), 17u);
    EXPECT_EQ(FilesIn(images), names) << "no temporary files left behind";

    tmp.WriteFile("new/program folder/images/logo.gif", "the user's own logo");
    tmp.WriteFile("new/program folder/images/spacer.gif", "");
    ASSERT_TRUE(fs::remove(images + "folder.gif"));
    ASSERT_TRUE(SupportImages::EnsureInstalled(tmp / "new/program folder"));
    EXPECT_EQ(ReadFile(images + "logo.gif"), "the user's own logo");
    EXPECT_EQ(ReadFile(images + "spacer.gif"), "");
    EXPECT_EQ(ReadFile(images + "folder.gif"), Bytes(SupportImages::All()[8]));
}

// What cannot be written is reported by its path and left as it stands; the other
// images are still installed.
TEST(SupportImages, ReportsWhatCannotBeWritten) {
    const struct {
        const char* obstacle;  // a file in the temporary directory
        const char* folder;    // the program folder in it
        const char* reported;
    } cases[] = {
        {"images", "", "images"},
        {"plain", "plain", "plain"},
        {"images/doc.gif/keep", "", "images/doc.gif"},
    };
    for (const auto& c : cases) {
        TempDir tmp;
        tmp.WriteFile(c.obstacle, "x");
        std::string error;
        EXPECT_FALSE(
            SupportImages::EnsureInstalled(*c.folder ? tmp / c.folder : tmp.Path(), &error));
        EXPECT_NE(error.find(tmp / c.reported), std::string::npos) << error;
        EXPECT_EQ(ReadFile(tmp / c.obstacle), "x");
        const bool folder = fs::is_directory(tmp / "images");
        EXPECT_EQ(folder ? FilesIn(tmp / "images").size() : 17u, 17u) << "the rest installed";
    }
    std::string error;
    EXPECT_FALSE(SupportImages::EnsureInstalled("", &error));
    EXPECT_FALSE(error.empty());
}

TEST(SupportImages, ReportsAFolderWithoutWritePermission) {
    TempDir tmp;
    fs::create_directories(tmp / "images");
    ASSERT_EQ(chmod(tmp.Path().c_str(), 0755), 0);
    ASSERT_EQ(chmod((tmp / "images").c_str(), 0555), 0);
    auto install = [&] {
        std::string error;
        bool ok = SupportImages::EnsureInstalled(tmp.Path(), &error);
        return !ok && error.find("cannot write the support image " + (tmp / "images/")) == 0;
    };
    const UserRun run = AsOrdinaryUser(install);
    chmod((tmp / "images").c_str(), 0755);
    if (run == UserRun::kNoOrdinaryUser) GTEST_SKIP() << "cannot run as an ordinary user";
    EXPECT_EQ(run, UserRun::kPassed) << "the failure was not reported";
    EXPECT_TRUE(FilesIn(tmp / "images").empty());
}

}  // namespace
}  // namespace foldcraft::test
