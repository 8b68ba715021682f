// How local paths become site paths and addresses, and which site paths may be
// published.
#include <gtest/gtest.h>

#include "generator/SitePaths.h"

namespace foldcraft::test {
namespace {

// A POSIX path has only "/" as separator: its backslashes stay in the file name (the
// copy's path) and are encoded in the link. Every other form keeps both separators.
TEST(SitePaths, BackslashesSeparateOnlyOutsidePosixPaths) {
    const struct {
        const char* path;
        const char* relative;  // RelativeSitePath
        const char* address;   // EncodedAddress(ItemAddress)
        const char* fileName;  // FileName
    } cases[] = {
        {"/home/u/a\\b.txt", "home/u/a\\b.txt", "files/home/u/a%5Cb.txt", "a\\b.txt"},
        {"/home/u/a/b.txt", "home/u/a/b.txt", "files/home/u/a/b.txt", "b.txt"},
        {"//\\x.doc", "\\x.doc", "files/%5Cx.doc", "\\x.doc"},
        {"C:\\Docs\\a.doc", "Docs/a.doc", "files/Docs/a.doc", "a.doc"},
        {"C:/Docs\\a.doc", "Docs/a.doc", "files/Docs/a.doc", "a.doc"},
        {"\\\\server\\share\\a.doc", "server/share/a.doc", "files/server/share/a.doc", "a.doc"},
        {"docs\\a.doc", "docs/a.doc", "files/docs/a.doc", "a.doc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(SitePaths::RelativeSitePath(c.path), c.relative);
        EXPECT_EQ(SitePaths::FilesAddress(c.path), std::string("files/") + c.relative);
        EXPECT_EQ(SitePaths::EncodedAddress(SitePaths::ItemAddress(c.path)), c.address);
        EXPECT_EQ(SitePaths::FileName(c.path), c.fileName);
        EXPECT_EQ(SitePaths::SiteFileName(SitePaths::FilesAddress(c.path)), c.fileName);
    }
    EXPECT_EQ(SitePaths::ItemAddress("http://example.com/a\\b"), "http://example.com/a/b");
}

TEST(SitePaths, PublishablePaths) {
    const std::string name255(255, 'n');
    // 4 segments of 254 bytes and their separators: 1019 bytes.
    const std::string name254(254, 'n');
    const std::string path1019 = name254 + "/" + name254 + "/" + name254 + "/" + name254;
    const struct {
        std::string relative;
        bool publishable;
    } cases[] = {
        {"files/a.doc", true},
        {"files/" + name255, true},
        {"files/" + name255 + "x", false},
        {path1019 + "/1024", true},
        {path1019 + "/_1025", false},
        {"files/a\\b.txt", true},  // a name character
        {"files/..\\x", false},    // a climb where backslashes separate
        {"files/a\\\\b", false},
        {"files/\\x", false},
        {"files/a\\", false},
        {"files/line\nbreak.gif", false},
        {"files/bell\x07.doc", false},
        {"files/del\x7F.doc", false},
        {"files/tab\t.doc", false},
        {std::string("files/nul\0.doc", 14), false},
        {"files/caf\xC3\xA9 100%.doc", true},
        {"files//a.doc", false},
        {"files/../a.doc", false},
        {"files/a/", false},
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SitePaths::IsPublishablePath(c.relative), c.publishable)
            << c.relative.substr(0, 40) << " (" << c.relative.size() << " bytes)";
    }
}

}  // namespace
}  // namespace foldcraft::test
