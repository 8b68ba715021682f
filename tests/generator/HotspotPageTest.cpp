// Folder pages of hotspot folders: the image map, its areas and how a hotspot's
// link text becomes an address.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "GeneratorTestSupport.h"
#include "generator/HotspotPageWriter.h"
#include "generator/PageContext.h"
#include "generator/SiteGenerator.h"
#include "support/TempDir.h"

namespace foldcraft::test {
namespace {

std::string WriteDatedFile(const TempDir& dir, const std::string& relative,
                           const std::string& contents) {
    const std::string path = dir.WriteFile(relative, contents);
    const struct timespec times[2] = {{kMarch7, 0}, {kMarch7, 0}};
    EXPECT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    return path;
}

std::string PageHead(const std::string& title) {
    return "<html>\n<head>\n<title>" + title +
           "</title>\n<link rel=\"stylesheet\" href=\"styles.css\">\n<style "
           "type=\"text/css\">\n<!--\nh1 { font-size: 20pt; font-weight: bold; }\n-->\n</style>\n "
           "</head>\n<body>\n<p>Customize header text here...</p>\n";
}

constexpr std::string_view kButtons =
    "<a href=\"TitlePage.html\"><img src=\"images/restart.jpg\" width=\"76\" height=\"26\" "
    "border=\"0\"></a>\n"
    "<a href=\"Sitemap.html\"><img src=\"images/sitemap.jpg\" width=\"76\" height=\"26\" "
    "border=\"0\"></a>\n";

constexpr std::string_view kFooter = "<p>Customize footer text here...</p>\n";

struct MapProject {
    std::unique_ptr<CFoldcraftDoc> doc = NewProject();
    CBuildTreeFolder* map = nullptr;
    std::string report;  // full paths of the two real files
    std::string paren;
};

// Root with sub-folders A, B and the hotspot folder Map (0-2).
MapProject MakeMapProject(const TempDir& files) {
    MapProject p;
    CBuildTreeFolder& root = *p.doc->m_pRoot;
    AddFolder(root, "A");
    AddFolder(root, "B");
    CBuildTreeFolder& map = AddFolder(root, "Map");
    p.map = &map;
    map.m_bHotspotFolder = 1;
    map.m_strHotspotImage = "C:\\Pics\\plan.gif";
    AddFolder(map, "Kid");
    AddFolder(map, "Off").m_timePublish = kFuture;
    p.report = WriteDatedFile(files, "docs/report.txt", "hello");
    p.paren = WriteDatedFile(files, "Data (old)/a.doc", "abc");
    AddDoc(map, "Report", p.report);
    AddDoc(map, "Site", "http://example.com/wiki/X_(y)");
    AddDoc(map, "Paren", p.paren);
    AddDoc(map, "Missing", "/nonexistent/m.doc");
    AddDoc(map, "Later", "/docs/later.doc").m_timePublish = kFuture;

    AddArea(map, CHotspotArea::kRectangle, "Kid (Folder 1)", {10, 20, 110, 70});
    AddArea(map, CHotspotArea::kCircle, "Report (" + p.report + ")", {10, 10, 51, 30});
    AddArea(map, CHotspotArea::kPolygon, "Site (http://example.com/wiki/X_(y))",
            {1, 2, 3, 4, 5, 6});
    AddArea(map, CHotspotArea::kRectangle, "Paren (" + p.paren + ")", {0, 0, 5, 5});
    AddArea(map, CHotspotArea::kRectangle, "Missing (/nonexistent/m.doc)", {1, 1, 2, 2});
    AddArea(map, CHotspotArea::kRectangle, "Off (Folder 2)", {3, 3, 4, 4});
    AddArea(map, CHotspotArea::kRectangle, "Gone (Folder 9)", {5, 5, 6, 6});
    AddArea(map, CHotspotArea::kRectangle, "Later (/docs/later.doc)", {7, 7, 8, 8});
    AddArea(map, 7, "Kid (Folder 1)", {1, 1, 2, 2});
    AddArea(map, CHotspotArea::kRectangle, "", {9, 9, 10, 10});
    return p;
}

std::string Areas(const MapProject& p, const std::string& sizeDateAttrs,
                  const std::string& parenAttrs) {
    const std::string reportAddress = "files/" + p.report.substr(1);
    std::string parenAddress = "files/" + p.paren.substr(1);  // a space encoded
    parenAddress.replace(parenAddress.find(' '), 1, "%20");
    return "<area shape=\"rect\" coords=\"10,20,110,70\" href=\"Folder0-2-0.html\" "
           "target=\"_blank\"  >\n"
           "<area shape=\"circle\" coords=\"30,20,20\" href=\"" +
           reportAddress + "\" target=\"_blank\" " + sizeDateAttrs +
           ">\n"
           "<area shape=\"poly\" coords=\"1,2,3,4,5,6,\" href=\"http://example.com/wiki/X_(y)\" "
           "target=\"_blank\"  >\n"
           "<area shape=\"rect\" coords=\"0,0,5,5\" href=\"" +
           parenAddress + "\" target=\"_blank\" " + parenAttrs +
           ">\n"
           "<area shape=\"rect\" coords=\"1,1,2,2\" href=\"files/nonexistent/m.doc\" "
           "target=\"_blank\"  >\n"
           "<area shape=\"rect\" coords=\"9,9,10,10\" href=\"\" target=\"_blank\"  >\n";
}

std::string MapPage(const std::string& areas) {
    return Crlf(PageHead("Map") +
                "\n<br><br>\n<a href=\"Folder0.html\">Root</a> > <a "
                "href=\"Folder0-2.html\">Map</a><br><br>"
                "<img src=\"files/Pics/plan.gif\" usemap=\"#Map\" border=\"0\">\n"
                "<map name=\"Map\">\n" +
                areas + "</map>\n<br>\n" + std::string(kButtons) + std::string(kFooter) +
                std::string(kMakerAndEnd));
}

TEST(HotspotFolderPage, AreasWithSizeAndDateShown) {
    UseUtc();
    TempDir dir;
    TempDir files;
    MapProject p = MakeMapProject(files);
    p.doc->m_bShowFileSize = 1;
    p.doc->m_bShowFileDate = 1;
    ScopedClockPin pin(kNow);
    ASSERT_TRUE(WriteFolderPages(*p.doc, dir.Path()));
    EXPECT_EQ(ReadFile(dir / "Folder0-2.html"),
              MapPage(Areas(p, "alt=\"Size: 5 Date: 3/7/2004\" title=\"Size: 5 Date: 3/7/2004\"",
                            "alt=\"Size: 3 Date: 3/7/2004\" title=\"Size: 3 Date: 3/7/2004\"")));
    // The pages below a hotspot folder are written too.
    EXPECT_TRUE(FileExists(dir / "Folder0-2-0.html"));
    EXPECT_TRUE(FileExists(dir / "Folder0-2-1.html"));
}

TEST(HotspotFolderPage, AltAndTitleRules) {
    UseUtc();
    TempDir dir;
    TempDir files;
    MapProject p = MakeMapProject(files);
    ScopedClockPin pin(kNow);
    // Both off: a readable document still gets the two attributes, empty.
    ASSERT_TRUE(WriteFolderPages(*p.doc, dir.Path()));
    EXPECT_EQ(ReadFile(dir / "Folder0-2.html"),
              MapPage(Areas(p, "alt=\"\" title=\"\"", "alt=\"\" title=\"\"")));
    // Only the date.
    p.doc->m_bShowFileDate = 1;
    ASSERT_TRUE(WriteFolderPages(*p.doc, dir.Path()));
    EXPECT_EQ(ReadFile(dir / "Folder0-2.html"),
              MapPage(Areas(p, "alt=\"Date: 3/7/2004\" title=\"Date: 3/7/2004\"",
                            "alt=\"Date: 3/7/2004\" title=\"Date: 3/7/2004\"")));
}

TEST(HotspotFolderPage, NoPictureTrailAtBottomAndRootAsHotspotFolder) {
    TempDir dir;
    auto doc = NewProject();
    doc->m_nNavBarPosition = CFoldcraftDoc::kNavBottom;
    doc->m_bShowRestartButton = 0;
    doc->m_bCreateSitemap = 0;
    CBuildTreeFolder& root = *doc->m_pRoot;
    root.m_bHotspotFolder = 1;
    root.m_bShowContentsFor = 1;
    root.m_strLabel = "<b>map</b>";
    ScopedClockPin pin(kNow);
    ASSERT_TRUE(WriteFolderPages(*doc, dir.Path()));
    EXPECT_EQ(ReadFile(dir / "Folder0.html"),
              Crlf(PageHead("Root") +
                   "<h1>Contents for Root</h1>\n<b>map</b>\n<br><br>\n"
                   "<img src=\"files/\" usemap=\"#Map\" border=\"0\">\n<map name=\"Map\">\n"
                   "</map>\n<br>\n<a href=\"Folder0.html\">Root</a><br><br>" +
                   std::string(kFooter) + std::string(kMakerAndEnd)));
}

class ResolveHotspotLinkTest : public ::testing::Test {
protected:
    HotspotPageWriter::Target Resolve(const std::string& text, const std::string& id = "0-2") {
        return HotspotPageWriter(ctx).ResolveHotspotLink(folder, text, id);
    }

    std::unique_ptr<CFoldcraftDoc> doc = NewProject();
    CBuildTreeFolder folder;
    ScopedClockPin pin{kNow};
    PageContext ctx{*doc, "/unused"};
};

TEST_F(ResolveHotspotLinkTest, FolderEntriesNamePositions) {
    {
        ScopedClockPin created(kCreated);
        for (int i = 0; i < 3; ++i) folder.AddFolder(std::make_unique<CBuildTreeFolder>());
    }
    EXPECT_EQ(Resolve("Reports (Folder 3)").address, "Folder0-2-2.html");
    EXPECT_EQ(Resolve("Kid (Folder 1)", "0").address, "Folder0-0.html");
    EXPECT_EQ(Resolve("  Folder 2  ").address, "Folder0-2-1.html");  // no parentheses
    EXPECT_FALSE(Resolve("X (Folder 0)").linked);
    EXPECT_FALSE(Resolve("X (Folder 4)").linked);
    EXPECT_FALSE(Resolve("X (Folder abc)").linked);
    EXPECT_TRUE(Resolve("").linked);
    EXPECT_EQ(Resolve("").address, "");
}

TEST_F(ResolveHotspotLinkTest, StaleOrForeignTextsFallBackToTheCut) {
    const auto minutes = Resolve("Minutes (C:\\Board\\minutes.doc)");
    EXPECT_TRUE(minutes.linked);
    EXPECT_EQ(minutes.address, "files/Board/minutes.doc");
    EXPECT_EQ(minutes.sizeText, "");  // no such file here
    EXPECT_EQ(minutes.dateText, "");
    EXPECT_EQ(Resolve("Mail ( mailto:a@b.c )").address, "mailto:a@b.c");
    EXPECT_EQ(Resolve("Web (http://x.org/a\\b)").address, "http://x.org/a\\b");
    // Not an entry of this folder: only the last parentheses are seen.
    EXPECT_EQ(Resolve("Old (C:\\Data (old)\\a.doc)").address, "files/old)/a.doc");
}

TEST_F(ResolveHotspotLinkTest, CurrentEntriesKeepParenthesesWhole) {
    AddDoc(folder, "Old", "C:\\Data (old)\\a.doc");
    AddDoc(folder, "Odd", "/x (Folder 1)/b.doc");
    EXPECT_EQ(Resolve("Old (C:\\Data (old)\\a.doc)").address, "files/Data (old)/a.doc");
    EXPECT_EQ(Resolve("Odd (/x (Folder 1)/b.doc)").address, "files/x (Folder 1)/b.doc");
}

}  // namespace
}  // namespace foldcraft::test
