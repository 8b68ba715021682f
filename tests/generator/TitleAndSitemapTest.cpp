#include <gtest/gtest.h>

#include "GeneratorTestSupport.h"
#include "generator/SiteGenerator.h"
#include "support/TempDir.h"

namespace foldcraft::test {
namespace {

constexpr std::string_view kSitemapHead =
    "<html>\n<head>\n<title>Sitemap</title>\n"
    "<link rel=\"stylesheet\" href=\"styles.css\">\n<style type=\"text/css\">\n<!--\n"
    "h1 {  font-size: 30pt; font-weight: bold; }\n"
    ".comments { background-color: #00FF00; ; width: 50%; }\n"
    "-->\n</style>\n</head>\n<body>\n"
    "<h1>Sitemap</h1>\n"
    "<table width=\"60%\" cellpadding=\"1\" cellspacing=\"0\" border=\"0\">\n";

constexpr std::string_view kSpacer = "<img src=\"images/spacer.gif\" border=\"0\">";

std::string Row(int spacers, const std::string& address, const std::string& icon,
                const std::string& name) {
    std::string row = "<tr>\n<td>\n";
    for (int i = 0; i < spacers; ++i) row += kSpacer;
    row += "<a href=\"" + address + "\"><img src=\"images/" + icon + "\" border=\"0\">" + name +
           "</a></td>\n</tr>\n";
    return row;
}

std::string Sitemap(const std::string& rows) {
    return Crlf(std::string(kSitemapHead) + rows + "</table>\n" + std::string(kMakerAndEnd));
}

// With comments, and without them (no box at all); the link is there even when the
// root is not active.
TEST(WriteTitlePage, WithAndWithoutComments) {
    UseUtc();
    TempDir dir;
    auto doc = NewProject();
    ScopedClockPin pin(kMarch7);
    ASSERT_TRUE(WriteTitlePage(*doc, dir.Path()));
    EXPECT_EQ(ReadFile(dir / "TitlePage.html"), Fixture("title/comments.html"));
    doc->m_strComments.clear();
    doc->m_pRoot->m_timePublish = kFuture;
    ASSERT_TRUE(WriteTitlePage(*doc, dir.Path()));
    EXPECT_EQ(ReadFile(dir / "TitlePage.html"), Fixture("title/no-comments.html"));
}

TEST(WriteTitlePage, TextsAreInsertedAsTheyStand) {
    UseUtc();
    TempDir dir;
    auto doc = NewProject();
    doc->m_strTitle = "A & <b>B</b> 100%";
    doc->m_strComments = "<i>x</i> %s %d";
    ScopedClockPin pin(kMarch7);
    ASSERT_TRUE(WriteTitlePage(*doc, dir.Path()));
    const std::string page = ReadFile(dir / "TitlePage.html");
    EXPECT_NE(page.find("<title>A & <b>B</b> 100%</title>\r\n"), std::string::npos);
    EXPECT_NE(page.find("<h1>A & <b>B</b> 100%</h1>\r\n"), std::string::npos);
    EXPECT_NE(page.find("<p><i><i>x</i> %s %d</i></p>\r\n"), std::string::npos);
}

TEST(WriteTitlePage, ReportsAPageThatCannotBeCreated) {
    TempDir dir;
    auto doc = NewProject();
    dir.WriteFile("TitlePage.html/x", "");
    EXPECT_FALSE(WriteTitlePage(*doc, dir.Path()));
    dir.WriteFile("Sitemap.html/x", "");
    EXPECT_FALSE(WriteSitemap(*doc, dir.Path()));
}

// The root holds two items and one sub-folder with one item: five rows, the
// sub-folder's subtree before the root's own items.
TEST(WriteSitemap, FiveRowExample) {
    TempDir dir;
    auto doc = NewProject();
    CBuildTreeFolder& root = *doc->m_pRoot;
    CBuildTreeFolder& sub = AddFolder(root, "Sub");
    AddDoc(sub, "C", "/docs/c.gif");
    AddDoc(root, "A", "/docs/a.doc");
    AddDoc(root, "B", "mailto:me@example.com");
    ScopedClockPin pin(kNow);
    ASSERT_TRUE(WriteSitemap(*doc, dir.Path()));
    EXPECT_EQ(
        ReadFile(dir / "Sitemap.html"),
        Sitemap(Row(0, "Folder0.html", "cfolder.gif", "Root") +
                Row(1, "Folder0-0.html", "cfolder.gif", "Sub") +
                Row(2, "c.gif.html", "doc.gif", "C") + Row(1, "files/docs/a.doc", "doc.gif", "A") +
                Row(1, "mailto:me@example.com", "urldoc.gif", "B")));
}

TEST(WriteSitemap, InactiveItemsAreLeftOutWithTheirSubtreesButPositionsKeepCounting) {
    TempDir dir;
    auto doc = NewProject();
    CBuildTreeFolder& root = *doc->m_pRoot;
    CBuildTreeFolder& old = AddFolder(root, "Old");
    old.m_timePublish = kFuture;
    AddDoc(old, "Below", "/docs/below.doc");
    CBuildTreeFolder& maps = AddFolder(root, "Maps");
    maps.m_bHotspotFolder = 1;
    AddFolder(maps, "Deep");
    AddDoc(root, "Later", "/docs/later.doc").m_timePublish = kFuture;
    AddDoc(root, "Web", "http://example.com/a\\b.html");
    ScopedClockPin pin(kNow);
    ASSERT_TRUE(WriteSitemap(*doc, dir.Path()));
    EXPECT_EQ(ReadFile(dir / "Sitemap.html"),
              Sitemap(Row(0, "Folder0.html", "cfolder.gif", "Root") +
                      Row(1, "Folder0-1.html", "hsfolder.gif", "Maps") +
                      Row(2, "Folder0-1-0.html", "cfolder.gif", "Deep") +
                      Row(1, "http://example.com/a/b.html", "urldoc.gif", "Web")));
}

// Picture documents lead to their picture page only where the folder pages write
// one; everything else leads to the item's own address.
TEST(WriteSitemap, PictureRowsLinkPicturePagesOnlyWhereTheyAreWritten) {
    TempDir dir;
    auto doc = NewProject();
    CBuildTreeFolder& root = *doc->m_pRoot;
    CBuildTreeFolder& maps = AddFolder(root, "Maps");
    maps.m_bHotspotFolder = 1;
    AddDoc(maps, "InMap", "/pics/map.jpg");
    AddDoc(root, "Remote", "http://example.com/x.JPG");
    AddDoc(root, "Local", "C:\\Pics\\Cat.GIF");
    auto rows = [&](const std::string& localAddress) {
        return Sitemap(Row(0, "Folder0.html", "cfolder.gif", "Root") +
                       Row(1, "Folder0-0.html", "hsfolder.gif", "Maps") +
                       Row(2, "files/pics/map.jpg", "doc.gif", "InMap") +
                       Row(1, "http://example.com/x.JPG", "urldoc.gif", "Remote") +
                       Row(1, localAddress, "doc.gif", "Local"));
    };
    ScopedClockPin pin(kNow);
    ASSERT_TRUE(WriteSitemap(*doc, dir.Path()));
    EXPECT_EQ(ReadFile(dir / "Sitemap.html"), rows("Cat.GIF.html"));

    ASSERT_TRUE(WriteFolderPages(*doc, dir.Path()));
    EXPECT_TRUE(FileExists(dir / "Cat.GIF.html"));
    EXPECT_FALSE(FileExists(dir / "map.jpg.html"));
    EXPECT_FALSE(FileExists(dir / "x.JPG.html"));

    doc->m_bUseThumbnails = 0;
    ASSERT_TRUE(WriteSitemap(*doc, dir.Path()));
    EXPECT_EQ(ReadFile(dir / "Sitemap.html"), rows("files/Pics/Cat.GIF"));

    // Without an active root no folder page, and so no picture page, is written.
    doc->m_bUseThumbnails = 1;
    root.m_timePublish = kFuture;
    ASSERT_TRUE(WriteSitemap(*doc, dir.Path()));
    EXPECT_EQ(ReadFile(dir / "Sitemap.html"), rows("files/Pics/Cat.GIF"));
}

}  // namespace
}  // namespace foldcraft::test
