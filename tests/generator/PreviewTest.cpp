#include <gtest/gtest.h>

#include "GeneratorTestSupport.h"
#include "generator/SiteGenerator.h"
#include "support/TempDir.h"

namespace foldcraft::test {
namespace {

// The expected pages are in fixtures/preview.
TEST(WritePreviewPage, HotspotFolderWithPictureShowsTheImageMap) {
    TempDir program;
    auto doc = NewProject();
    CBuildTreeFolder& map = AddFolder(*doc->m_pRoot, "Map");
    map.m_bHotspotFolder = 1;
    map.m_strHotspotImage = "C:\\Pics\\plan.gif";
    AddFolder(map, "Kid");
    AddArea(map, CHotspotArea::kRectangle, "Kid (Folder 1)", {10, 20, 110, 70});
    AddArea(map, CHotspotArea::kCircle, "Gone (Folder 7)", {10, 10, 51, 30});
    AddArea(map, CHotspotArea::kPolygon, "", {1, 2, 3, 4, 5, 6});
    ScopedClockPin pin(kNow);
    ASSERT_TRUE(WritePreviewPage(*doc, map, program.Path()));
    EXPECT_EQ(ReadFile(program / "temp.html"), Fixture("preview/image-map.html"));
    EXPECT_TRUE(FileExists(program / "styles.css"));
    EXPECT_TRUE(FileExists(program / "images/folder.gif"));
    EXPECT_TRUE(FileExists(program / "images/logo.gif"));
}

TEST(WritePreviewPage, HotspotFolderWithoutPictureShowsTheTables) {
    UseUtc();
    TempDir program;
    auto doc = NewProject();
    doc->m_bShowFileSize = 1;
    doc->m_bShowFileDate = 1;
    CBuildTreeFolder& map = AddFolder(*doc->m_pRoot, "Map");
    map.m_bHotspotFolder = 1;
    map.m_nFolderButtonStyle = CBuildTreeFolder::kStyleGraphic;
    map.m_nFolderButtonGraphic = 1;
    AddFolder(map, "Kid", "kid").m_bVisible = 0;  // the preview shows every name
    AddFolder(map, "Off").m_timePublish = kFuture;
    AddDoc(map, "Cat", "C:\\Pics\\cat.jpg", "c", 10, kMarch7);
    AddDoc(map, "Web", "http://example.com/", "", 0, kMarch7);
    AddArea(map, CHotspotArea::kRectangle, "Kid (Folder 1)", {1, 2, 3, 4});
    ScopedClockPin pin(kNow);
    ASSERT_TRUE(WritePreviewPage(*doc, map, program.Path()));
    EXPECT_EQ(ReadFile(program / "temp.html"), Fixture("preview/hotspot-tables.html"));
}

TEST(WritePreviewPage, EmptyFolderInRadioStyleWithoutButtonsOrTrail) {
    TempDir program;
    auto doc = NewProject();
    doc->m_bShowRestartButton = 0;
    doc->m_bCreateSitemap = 0;
    doc->m_bShowComments = 0;
    doc->m_nNavBarPosition = CFoldcraftDoc::kNavTop;
    CBuildTreeFolder& root = *doc->m_pRoot;
    root.m_nFolderButtonStyle = CBuildTreeFolder::kStyleRadio;
    root.m_nFileButtonStyle = CBuildTreeFolder::kStyleRadio;
    root.m_bShowContentsFor = 1;
    ScopedClockPin pin(kNow);
    ASSERT_TRUE(WritePreviewPage(*doc, root, program.Path()));
    EXPECT_EQ(ReadFile(program / "temp.html"), Fixture("preview/empty-radio.html"));
}

TEST(WritePreviewPage, RadioAndTextRowsWithoutActions) {
    TempDir program;
    auto doc = NewProject();
    CBuildTreeFolder& root = *doc->m_pRoot;
    root.m_nFolderButtonStyle = CBuildTreeFolder::kStyleRadio;
    root.m_nFileButtonStyle = CBuildTreeFolder::kStyleText;
    AddFolder(root, "Kid", "kid");
    AddDoc(root, "Doc", "/a/b.doc", "d").m_bVisible = 0;
    ScopedClockPin pin(kNow);
    ASSERT_TRUE(WritePreviewPage(*doc, root, program.Path()));
    const std::string page = ReadFile(program / "temp.html");
    EXPECT_NE(page.find(Crlf("<tr>\n<td class=\"folder\">\n<input type=\"radio\" "
                             "name=\"fldrradio\">\n</td>\n<td class=\"folder\"  height=\"50\" "
                             "width=\"450\">\n<span class=\"folderlink\">Kid</span>\n<br>kid</td>\n"
                             "</tr>\n<tr><td height=\"5\"></td></tr>\n<tr>\n<td colspan=\"2\">\n")),
              std::string::npos)
        << page;
    EXPECT_NE(page.find(Crlf("<tr>\n<td class=\"document\" align=\"center\" width=\"370\" "
                             "height=\"50\">\n<a class=\"documentlink\" href=\"#\">Doc</a>\n"
                             "<br>d</td>\n<td class=\"document\" align=\"right\"></td></tr>\n")),
              std::string::npos)
        << page;
    EXPECT_EQ(page.find("<script>"), std::string::npos);
}

TEST(WritePreviewPage, DefaultFolderRowsAndRadioDocumentRows) {
    TempDir program;
    auto doc = NewProject();
    doc->m_bShowFileSize = 1;
    doc->m_bShowRestartButton = 0;
    CBuildTreeFolder& root = *doc->m_pRoot;
    root.m_nFileButtonStyle = CBuildTreeFolder::kStyleRadio;
    AddFolder(root, "Kid", "kid").m_bVisible = 0;
    AddDoc(root, "Doc", "/a/b.doc", "d", 9).m_bVisible = 0;
    ScopedClockPin pin(kNow);
    ASSERT_TRUE(WritePreviewPage(*doc, root, program.Path()));
    EXPECT_EQ(ReadFile(program / "temp.html"),
              Fixture("preview/default-folders-radio-documents.html"));
}

TEST(WritePreviewPage, GraphicDocumentRowsShowNoSizeOrDate) {
    TempDir program;
    auto doc = NewProject();
    doc->m_bShowFileSize = 1;
    doc->m_bShowFileDate = 1;
    CBuildTreeFolder& root = *doc->m_pRoot;
    root.m_nFileButtonStyle = CBuildTreeFolder::kStyleGraphic;
    root.m_nFileButtonGraphic = 6;
    AddDoc(root, "Doc", "/a/b.doc", "d", 9, kMarch7);
    ScopedClockPin pin(kNow);
    ASSERT_TRUE(WritePreviewPage(*doc, root, program.Path()));
    const std::string page = ReadFile(program / "temp.html");
    EXPECT_NE(page.find(Crlf(".document { background-image: url(images/steel_btn.jpg); }\n-->")),
              std::string::npos);
    EXPECT_NE(page.find(Crlf("<tr><td colspan=\"2\" height=\"15\"></td></tr>\n<tr>\n"
                             "<td class=\"document\" align=\"center\" width=\"500\" "
                             "height=\"50\">\n<a class=\"documentlink\" href=\"#\">Doc</a>\n"
                             "<br>d</td>\n</tr>\n<tr><td height=\"5\"></td></tr>\n</table>")),
              std::string::npos)
        << page;
}

TEST(WritePreviewPage, ReportsAPageThatCannotBeWritten) {
    TempDir program;
    auto doc = NewProject();
    program.WriteFile("temp.html/x", "");
    EXPECT_FALSE(WritePreviewPage(*doc, *doc->m_pRoot, program.Path()));
    EXPECT_TRUE(FileExists(program / "styles.css"));
    program.WriteFile("plain", "");
    EXPECT_FALSE(WritePreviewPage(*doc, *doc->m_pRoot, program / "plain/folder"));
}

}  // namespace
}  // namespace foldcraft::test
