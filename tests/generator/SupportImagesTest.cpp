#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "generator/SupportImages.h"
#include "support/AsOrdinaryUser.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using foldcraft::test::AsOrdinaryUser;
using foldcraft::test::FileExists;
using foldcraft::test::ReadFile;
using foldcraft::test::TempDir;
using foldcraft::test::UserRun;
namespace SupportImages = foldcraft::SupportImages;

namespace {

std::string Bytes(const SupportImages::Image& image) {
    return std::string(reinterpret_cast<const char*>(image.data), image.size);
}

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(SupportImages, BuiltInBytesMatchTheResourceFiles) {
    ASSERT_EQ(SupportImages::All().size(), 17u);
    for (const auto& image : SupportImages::All()) {
        SCOPED_TRACE(image.name);
        EXPECT_EQ(Bytes(image), ReadFile(std::string(FOLDCRAFT_SOURCE_DIR) +
                                         "/resources/support-images/" + image.name));
    }
}

TEST(SupportImagesInstall, FillsAFreshFolderAndCreatesItsParents) {
    TempDir tmp;
    const std::string folder = tmp / "new/program folder";
    std::string error = "stale";
    ASSERT_TRUE(SupportImages::EnsureInstalled(folder, &error)) << error;
    EXPECT_EQ(error, "");
    std::vector<std::string> expected;
    for (const auto& image : SupportImages::All()) {
        EXPECT_EQ(ReadFile(folder + "/images/" + image.name), Bytes(image)) << image.name;
        expected.push_back(image.name);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FilesIn(folder + "/images"), expected) << "no temporary files left behind";
}

TEST(SupportImagesInstall, KeepsImagesThatAreThereAndFillsInMissingOnes) {
    TempDir tmp;
    ASSERT_TRUE(SupportImages::EnsureInstalled(tmp.Path()));
    const std::string logo = tmp / "images/logo.gif";
    const std::string folder = tmp / "images/folder.gif";
    tmp.WriteFile("images/logo.gif", "the user's own logo");
    ASSERT_TRUE(fs::remove(folder));

    ASSERT_TRUE(SupportImages::EnsureInstalled(tmp.Path()));
    EXPECT_EQ(ReadFile(logo), "the user's own logo");
    const auto& all = SupportImages::All();
    auto it = std::find_if(all.begin(), all.end(),
                           [](const auto& i) { return std::string(i.name) == "folder.gif"; });
    ASSERT_NE(it, all.end());
    EXPECT_EQ(ReadFile(folder), Bytes(*it));

    // An empty file counts as the user's too: it is left as it is.
    tmp.WriteFile("images/spacer.gif", "");
    ASSERT_TRUE(SupportImages::EnsureInstalled(tmp.Path()));
    EXPECT_EQ(ReadFile(tmp / "images/spacer.gif"), "");
}

TEST(SupportImagesInstall, FailsWhenTheImageFolderCannotBeMade) {
    TempDir tmp;
    tmp.WriteFile("images", "a file where the folder should be");
    std::string error;
    EXPECT_FALSE(SupportImages::EnsureInstalled(tmp.Path(), &error));
    EXPECT_NE(error.find(tmp / "images"), std::string::npos) << error;
    EXPECT_EQ(ReadFile(tmp / "images"), "a file where the folder should be");

    // The program folder itself is a file.
    const std::string notAFolder = tmp.WriteFile("plain", "x");
    EXPECT_FALSE(SupportImages::EnsureInstalled(notAFolder, &error));
    EXPECT_FALSE(error.empty());

    EXPECT_FALSE(SupportImages::EnsureInstalled("", &error));
    EXPECT_FALSE(error.empty());
}

TEST(SupportImagesInstall, ReportsAnImageThatCannotBeWrittenAndInstallsTheRest) {
    TempDir tmp;
    fs::create_directories(tmp / "images/doc.gif");  // a directory in the image's place
    std::string error;
    EXPECT_FALSE(SupportImages::EnsureInstalled(tmp.Path(), &error));
    EXPECT_NE(error.find("doc.gif"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_directory(tmp / "images/doc.gif"));
    for (const auto& image : SupportImages::All()) {
        if (std::string(image.name) == "doc.gif") continue;
        EXPECT_EQ(ReadFile(tmp / ("images/" + std::string(image.name))), Bytes(image))
            << image.name;
    }
}

TEST(SupportImagesInstall, ReportsAFolderWithoutWritePermission) {
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
