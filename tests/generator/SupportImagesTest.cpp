#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "generator/SupportImages.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using foldcraft::test::FileExists;
using foldcraft::test::ReadFile;
using foldcraft::test::TempDir;
namespace SupportImages = foldcraft::SupportImages;

namespace {

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

std::string Bytes(const SupportImages::Image& image) {
    return std::string(reinterpret_cast<const char*>(image.data), image.size);
}

// The logical screen of a GIF, after checking the signature, that an image
// descriptor follows (after the colour table and any extension blocks), and the
// trailer.
std::optional<Size> GifSize(const std::string& b) {
    if (b.size() < 14 || (b.compare(0, 6, "GIF87a") != 0 && b.compare(0, 6, "GIF89a") != 0))
        return std::nullopt;
    if (static_cast<unsigned char>(b.back()) != 0x3B) return std::nullopt;
    auto u8 = [&](std::size_t i) { return static_cast<unsigned char>(b[i]); };
    Size size{u8(6) | (u8(7) << 8), u8(8) | (u8(9) << 8)};
    std::size_t pos = 13;
    if (u8(10) & 0x80) pos += 3u * (1u << ((u8(10) & 7) + 1));
    while (pos < b.size() && u8(pos) == 0x21) {  // extension blocks
        pos += 2;
        while (pos < b.size() && u8(pos) != 0) pos += 1 + u8(pos);
        ++pos;
    }
    if (pos + 10 > b.size() || u8(pos) != 0x2C) return std::nullopt;
    // The first image covers the whole screen.
    Size frame{u8(pos + 5) | (u8(pos + 6) << 8), u8(pos + 7) | (u8(pos + 8) << 8)};
    if (!(frame == size)) return std::nullopt;
    return size;
}

// The frame size of a baseline or progressive JPEG, read from its SOF marker.
std::optional<Size> JpegSize(const std::string& b) {
    auto u8 = [&](std::size_t i) { return static_cast<unsigned char>(b[i]); };
    if (b.size() < 4 || u8(0) != 0xFF || u8(1) != 0xD8) return std::nullopt;
    if (u8(b.size() - 2) != 0xFF || u8(b.size() - 1) != 0xD9) return std::nullopt;
    std::size_t pos = 2;
    while (pos + 4 <= b.size()) {
        if (u8(pos) != 0xFF) return std::nullopt;
        unsigned marker = u8(pos + 1);
        std::size_t length = (u8(pos + 2) << 8) | u8(pos + 3);
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
            if (pos + 9 > b.size()) return std::nullopt;
            return Size{(u8(pos + 7) << 8) | u8(pos + 8), (u8(pos + 5) << 8) | u8(pos + 6)};
        }
        pos += 2 + length;
    }
    return std::nullopt;
}

std::optional<Size> ImageSize(const SupportImages::Image& image) {
    std::string name = image.name;
    if (name.ends_with(".gif")) return GifSize(Bytes(image));
    if (name.ends_with(".jpg")) return JpegSize(Bytes(image));
    return std::nullopt;
}

std::map<std::string, Size> AllSizes() {
    std::map<std::string, Size> sizes;
    for (const auto& image : SupportImages::All()) {
        auto size = ImageSize(image);
        if (size) sizes[image.name] = *size;
    }
    return sizes;
}

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(SupportImages, SeventeenNamesInCopyOrder) {
    std::vector<std::string> names;
    for (const auto& image : SupportImages::All()) names.push_back(image.name);
    const std::vector<std::string> expected = {
        "black_btn.jpg", "blue_btn.jpg",  "cyan_btn.jpg", "green_btn.jpg", "orange_btn.jpg",
        "red_btn.jpg",   "steel_btn.jpg", "file.gif",     "folder.gif",    "logo.gif",
        "restart.jpg",   "sitemap.jpg",   "doc.gif",      "urldoc.gif",    "hsfolder.gif",
        "cfolder.gif",   "spacer.gif"};
    EXPECT_EQ(names, expected);
}

TEST(SupportImages, EachDecodesAsItsFormat) {
    for (const auto& image : SupportImages::All()) {
        SCOPED_TRACE(image.name);
        ASSERT_NE(image.data, nullptr);
        EXPECT_TRUE(ImageSize(image).has_value()) << "not a whole GIF or JPEG file";
    }
}

TEST(SupportImages, SizesFitWhereThePagesPutThem) {
    auto sizes = AllSizes();
    ASSERT_EQ(sizes.size(), 17u);
    // Drawn by the pages at exactly these sizes.
    EXPECT_EQ(sizes["folder.gif"], (Size{32, 32}));
    EXPECT_EQ(sizes["restart.jpg"], (Size{76, 26}));
    EXPECT_EQ(sizes["sitemap.jpg"], (Size{76, 26}));
    // Drawn at the thumbnail size, 48 by 48 by default.
    EXPECT_EQ(sizes["file.gif"], (Size{48, 48}));
    // The button backgrounds cover a whole 500-wide, 50-high name cell with its
    // padding, so that they do not repeat inside a one-line button.
    for (const char* name : {"black_btn.jpg", "blue_btn.jpg", "cyan_btn.jpg", "green_btn.jpg",
                             "orange_btn.jpg", "red_btn.jpg", "steel_btn.jpg"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(sizes[name], (Size{504, 50}));
    }
    // The sitemap indents by spacers as wide as its icons, so that a row's icon
    // lines up under its parent's name.
    for (const char* name : {"cfolder.gif", "hsfolder.gif", "doc.gif", "urldoc.gif"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(sizes[name], sizes["spacer.gif"]);
    }
    EXPECT_GT(sizes["logo.gif"].width, 0);
}

TEST(SupportImages, BuiltInBytesMatchTheResourceFiles) {
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
    // Root may write anywhere: run the install as an ordinary user then.
    auto install = [&] {
        std::string error;
        bool ok = SupportImages::EnsureInstalled(tmp.Path(), &error);
        return !ok && error.find("cannot write the support image " + (tmp / "images/")) == 0;
    };
    if (geteuid() != 0) {
        EXPECT_TRUE(install());
    } else {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            bool dropped = setgid(65534) == 0 && setuid(65534) == 0;
            _exit(dropped ? (install() ? 0 : 1) : 2);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "cannot run as an ordinary user";
        EXPECT_EQ(WEXITSTATUS(status), 0) << "the failure was not reported";
    }
    chmod((tmp / "images").c_str(), 0755);
    EXPECT_TRUE(FilesIn(tmp / "images").empty());
}
