// The walk over the tree, the navigation trail, the jump script and the rows'
// switches, with the mends: a page that cannot be created does not stop the walk.
#include <gtest/gtest.h>

#include "GeneratorTestSupport.h"
#include "generator/SiteGenerator.h"
#include "support/TempDir.h"

namespace foldcraft::test {
namespace {

constexpr std::string_view kHead =
    "<link rel=\"stylesheet\" href=\"styles.css\">\n<style type=\"text/css\">\n<!--\n"
    "h1 { font-size: 20pt; font-weight: bold; }\n-->\n</style>\n "
    "<script>\nvar strURLFolder=\"#\";\nvar strURLFile=\"#\";\n</script>\n"
    "</head>\n<body>\n";

std::string Page(const std::string& title, const std::string& body) {
    return Crlf("<html>\n<head>\n<title>" + title + "</title>\n" + std::string(kHead) + body +
                std::string(kMakerAndEnd));
}

TEST(WriteFolderPages, APageThatCannotBeCreatedDoesNotStopTheWalk) {
    TempDir dir;
    auto doc = NewProject();
    CBuildTreeFolder& root = *doc->m_pRoot;
    AddFolder(root, "A");
    CBuildTreeFolder& b = AddFolder(root, "B");
    AddFolder(b, "B0");
    AddFolder(root, "C");
    dir.WriteFile("Folder0-1.html/keep", "x");  // a directory in the page's place
    ScopedClockPin pin(kNow);
    EXPECT_FALSE(WriteFolderPages(*doc, dir.Path()));
    EXPECT_TRUE(FileExists(dir / "Folder0.html"));
    EXPECT_TRUE(FileExists(dir / "Folder0-0.html"));
    EXPECT_TRUE(FileExists(dir / "Folder0-1-0.html"));
    EXPECT_TRUE(FileExists(dir / "Folder0-2.html"));
    EXPECT_EQ(ReadFile(dir / "Folder0-1.html/keep"), "x");
    // The page below the failed one still carries the whole trail.
    EXPECT_NE(ReadFile(dir / "Folder0-1-0.html")
                  .find("<a href=\"Folder0.html\">Root</a> > <a href=\"Folder0-1.html\">B</a> > "
                        "<a href=\"Folder0-1-0.html\">B0</a><br><br>"),
              std::string::npos);
}

TEST(WriteFolderPages, InactiveRootWritesNothing) {
    TempDir dir;
    auto doc = NewProject();
    AddFolder(*doc->m_pRoot, "A");
    doc->m_pRoot->m_timePublish = kFuture;
    ScopedClockPin pin(kNow);
    EXPECT_TRUE(WriteFolderPages(*doc, dir.Path()));
    EXPECT_FALSE(FileExists(dir / "Folder0.html"));
    EXPECT_FALSE(FileExists(dir / "Folder0-0.html"));
}

TEST(WriteFolderPages, InactiveFoldersGetPagesButNoLinks) {
    TempDir dir;
    auto doc = NewProject();
    CBuildTreeFolder& root = *doc->m_pRoot;
    CBuildTreeFolder& old = AddFolder(root, "Old");
    old.m_timePublish = kFuture;
    AddFolder(old, "Below");
    ScopedClockPin pin(kNow);
    ASSERT_TRUE(WriteFolderPages(*doc, dir.Path()));
    EXPECT_TRUE(FileExists(dir / "Folder0-0.html"));
    EXPECT_TRUE(FileExists(dir / "Folder0-0-0.html"));
    const std::string root0 = ReadFile(dir / "Folder0.html");
    EXPECT_EQ(root0.find("Folder0-0.html"), std::string::npos);
    // The empty table is still written.
    EXPECT_NE(
        root0.find(Crlf("<form name=\"frmFolders\">\n<table align=\"center\" cellpadding=\"2\" "
                        "cellspacing=\"0\" border=\"0\">\n<tr><td colspan=\"2\" "
                        "height=\"15\"></td></tr>\n</table>\n</form><a href=\"TitlePage.html\">")),
        std::string::npos)
        << root0;
}

struct TrailCase {
    std::int32_t position;
    std::string body;
};

TEST(WriteFolderPages, NavigationTrailAtBottomOrDisabled) {
    auto doc = NewProject();
    doc->m_bCreateTitlePage = 0;
    doc->m_bCreateSitemap = 0;
    doc->m_strHeader = "H";
    doc->m_strFooter = "F";
    AddFolder(*doc->m_pRoot, "Sub");
    const std::string restart =
        "<a href=\"Folder0.html\"><img src=\"images/restart.jpg\" width=\"76\" height=\"26\" "
        "border=\"0\"></a>\n";
    const TrailCase cases[] = {
        {CFoldcraftDoc::kNavBottom,
         "<p>H</p>\n\n<br><br>\n" + restart +
             "<a href=\"Folder0.html\">Root</a> > <a href=\"Folder0-0.html\">Sub</a><br><br>"
             "<p>F</p>\n"},
        {CFoldcraftDoc::kNavDisabled, "<p>H</p>\n\n<br><br>\n" + restart + "<p>F</p>\n"},
    };
    for (const TrailCase& c : cases) {
        TempDir dir;
        doc->m_nNavBarPosition = c.position;
        ScopedClockPin pin(kNow);
        ASSERT_TRUE(WriteFolderPages(*doc, dir.Path()));
        EXPECT_EQ(ReadFile(dir / "Folder0-0.html"), Page("Sub", c.body)) << c.position;
    }
}

std::string JumpPage(CFoldcraftDoc& doc) {
    TempDir dir;
    ScopedClockPin pin(kNow);
    EXPECT_TRUE(WriteFolderPages(doc, dir.Path()));
    return ReadFile(dir / "Folder0.html");
}

TEST(WriteFolderPages, JumpScriptOnlyForASingleActiveEntryWithoutLabel) {
    auto doc = NewProject();
    CBuildTreeFolder& root = *doc->m_pRoot;
    CBuildTreeDoc& cat = AddDoc(root, "Cat", "/pics/cat.jpg");
    EXPECT_NE(JumpPage(*doc).find(
                  Crlf("</table>\n</form>\n<script>\nlocation.href = \"cat.jpg.html\";\n</script>\n"
                       "<a href=\"TitlePage.html\">")),
              std::string::npos);

    cat.m_strLink = "mailto:me@example.com";
    EXPECT_NE(JumpPage(*doc).find(Crlf("location.href = \"mailto:me@example.com\";\n")),
              std::string::npos);

    root.m_strLabel = "Look:";
    EXPECT_EQ(JumpPage(*doc).find("location.href = \""), std::string::npos);
    root.m_strLabel.clear();

    cat.m_timePublish = kFuture;  // the only entry is not active: nowhere to jump
    EXPECT_EQ(JumpPage(*doc).find("location.href = \""), std::string::npos);
    cat.m_timePublish = kCreated;

    CBuildTreeDoc& second = AddDoc(root, "Second", "/a.doc");
    second.m_timePublish = kFuture;  // a second entry, even an inactive one
    EXPECT_EQ(JumpPage(*doc).find("location.href = \""), std::string::npos);
    root.m_arrDocs.pop_back();
    EXPECT_NE(JumpPage(*doc).find("location.href = \""), std::string::npos);

    AddFolder(root, "Sub").m_timePublish = kFuture;  // any sub-folder
    EXPECT_EQ(JumpPage(*doc).find("location.href = \""), std::string::npos);
}

TEST(WriteFolderPages, CommentsSizeAndDateOff) {
    auto doc = NewProject();
    doc->m_bShowComments = 0;
    doc->m_bUseThumbnails = 0;
    doc->m_nThumbWidth = 20;
    doc->m_nThumbHeight = 30;
    CBuildTreeFolder& root = *doc->m_pRoot;
    root.m_strLabel = "x";
    AddFolder(root, "Sub", "hidden comment");
    AddDoc(root, "Cat", "/pics/cat.jpg", "hidden comment", 5, kMarch7);
    const std::string page = JumpPage(*doc);
    EXPECT_EQ(page.find("hidden comment"), std::string::npos);
    EXPECT_NE(page.find(Crlf("<td class=\"folder\"  height=\"50\" width=\"450\">\n<a "
                             "class=\"folderlink\" href=\"Folder0-0.html\">Sub</a>\n</td>\n")),
              std::string::npos);
    EXPECT_NE(
        page.find(Crlf("<tr>\n<td width=\"23\" class=\"document\">\n<a "
                       "href=\"files/pics/cat.jpg\" target=\"_blank\"><img "
                       "src=\"images/file.gif\" width=\"20\" height=\"30\" "
                       "border=\"0\"></a>\n</td>\n<td class=\"document\"  width=\"370\" "
                       "height=\"50\">\n<a class=\"documentlink\" href=\"files/pics/cat.jpg\" "
                       "target=\"_blank\">Cat</a>\n</td>\n<td class=\"document\" "
                       "align=\"right\"></td></tr>\n")),
        std::string::npos)
        << page;
}

TEST(WriteFolderPages, GraphicStyleWithSizeOnlyAndAnIndexOutOfRange) {
    UseUtc();
    auto doc = NewProject();
    doc->m_bShowFileSize = 1;
    doc->m_bShowComments = 0;
    CBuildTreeFolder& root = *doc->m_pRoot;
    root.m_strLabel = "x";
    root.m_nFileButtonStyle = CBuildTreeFolder::kStyleGraphic;
    root.m_nFileButtonGraphic = 9;
    root.m_nFolderButtonGraphic = 6;  // not used: the folder style is not graphic
    AddDoc(root, "Doc", "/a.doc", "", 42, kMarch7);
    AddDoc(root, "Web", "http://example.com/", "", 42, kMarch7);
    const std::string page = JumpPage(*doc);
    EXPECT_NE(page.find(Crlf("h1 { font-size: 20pt; font-weight: bold; }\n"
                             ".document { background-image: url(images/black_btn.jpg); }\n-->")),
              std::string::npos);
    EXPECT_EQ(page.find("steel_btn"), std::string::npos);
    EXPECT_NE(page.find(Crlf("target=\"_blank\">Doc</a>\nSize: 42 </td>\n</tr>\n")),
              std::string::npos);
    EXPECT_NE(page.find(Crlf("target=\"_blank\">Web</a>\n</td>\n</tr>\n")), std::string::npos);
}

TEST(WriteFolderPages, PicturePagesThatCannotBeWrittenFallBackToTheDocument) {
    TempDir dir;
    auto doc = NewProject();
    CBuildTreeFolder& root = *doc->m_pRoot;
    root.m_strLabel = "x";
    AddDoc(root, "Cat", "/pics/cat.jpg");
    AddDoc(root, "Odd", "/pics/line\nbreak.gif");
    dir.WriteFile("cat.jpg.html/keep", "");
    ScopedClockPin pin(kNow);
    ASSERT_TRUE(WriteFolderPages(*doc, dir.Path()));
    const std::string page = ReadFile(dir / "Folder0.html");
    EXPECT_NE(page.find("<a href=\"files/pics/cat.jpg\" target=\"_blank\"><img "
                        "src=\"images/file.gif\" width=\"48\""),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("<a href=\"files/pics/line%0Abreak.gif\" target=\"_blank\"><img "
                        "src=\"images/file.gif\" width=\"48\""),
              std::string::npos)
        << page;
    EXPECT_FALSE(FileExists(dir / "line\nbreak.gif.html"));
    // The sitemap links the document too, not a page that cannot exist.
    ASSERT_TRUE(WriteSitemap(*doc, dir.Path()));
    EXPECT_NE(ReadFile(dir / "Sitemap.html").find("<a href=\"files/pics/line%0Abreak.gif\">"),
              std::string::npos);
}

// Two picture documents with the same file name: the first in the order of the
// folder pages (a folder's own rows, then its sub-folders) keeps the name, the
// later ones get names of their own, and every link leads to its own document's.
TEST(WriteFolderPages, PicturesWithTheSameNameGetPagesOfTheirOwn) {
    TempDir dir;
    auto doc = NewProject();
    CBuildTreeFolder& root = *doc->m_pRoot;
    AddDoc(AddFolder(root, "2025"), "One", "/2025/photo.gif", "first");
    AddDoc(AddFolder(root, "2026"), "Two", "/2026/photo.gif", "second");
    AddDoc(root, "Three", "C:\\b\\PHOTO.GIF", "third");
    AddDoc(root, "Cat", "/a/cat.jpg", "no clash");
    ScopedClockPin pin(kNow);
    ASSERT_TRUE(WriteFolderPages(*doc, dir.Path()));
    ASSERT_TRUE(WriteSitemap(*doc, dir.Path()));
    const struct {
        const char* page;
        const char* folderPage;
        const char* title;
        const char* caption;
        const char* picture;
    } expected[] = {
        {"PHOTO.GIF.html", "Folder0.html", "PHOTO.GIF", "third", "files/b/PHOTO.GIF"},
        {"cat.jpg.html", "Folder0.html", "cat.jpg", "no clash", "files/a/cat.jpg"},
        {"photo.gif-2.html", "Folder0-0.html", "photo.gif", "first", "files/2025/photo.gif"},
        {"photo.gif-3.html", "Folder0-1.html", "photo.gif", "second", "files/2026/photo.gif"},
    };
    const std::string sitemap = ReadFile(dir / "Sitemap.html");
    for (const auto& e : expected) {
        SCOPED_TRACE(e.page);
        EXPECT_EQ(ReadFile(dir / e.page),
                  Crlf(std::string("<html>\n<head>\n<title>") + e.title +
                       "</title>\n<link rel=\"stylesheet\" href=\"styles.css\">\n</head>\n<body>\n"
                       "<p>" +
                       e.caption + "</p>\n<img src=\"" + e.picture + "\">\n</body>\n</html>\n"));
        EXPECT_NE(ReadFile(dir / e.folderPage)
                      .find(std::string("<a class=\"documentlink\" href=\"") + e.page + "\""),
                  std::string::npos);
        EXPECT_NE(sitemap.find(std::string("<a href=\"") + e.page + "\">"), std::string::npos);
    }
    EXPECT_FALSE(FileExists(dir / "photo.gif.html"));
}

}  // namespace
}  // namespace foldcraft::test
