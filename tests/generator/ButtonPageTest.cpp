// Folder pages in the button layout: the four button styles, hidden names, inactive
// items, thumbnails with their picture pages, the jump script and the trail.
#include <gtest/gtest.h>

#include "GeneratorTestSupport.h"
#include "generator/SiteGenerator.h"
#include "support/TempDir.h"

namespace foldcraft::test {
namespace {

// The project whose pages are in fixtures/site.
std::unique_ptr<CFoldcraftDoc> SiteProject() {
    auto doc = NewProject();
    doc->m_bShowFileSize = 1;
    doc->m_bShowFileDate = 1;
    CBuildTreeFolder& root = *doc->m_pRoot;

    AddFolder(root, "Old").m_timePublish = kFuture;

    CBuildTreeFolder& radio = AddFolder(root, "Radio Room", "radio folder");
    radio.m_nFolderButtonStyle = CBuildTreeFolder::kStyleRadio;
    radio.m_nFileButtonStyle = CBuildTreeFolder::kStyleRadio;
    radio.m_bShowContentsFor = 1;
    radio.m_strLabel = "Pick one:";
    AddFolder(radio, "Leaf", "leaf comment");
    AddDoc(radio, "Report", "/data/Report.pdf", "yearly", 2048, kMarch7);
    AddDoc(radio, "Mail", "mailto:me@example.com", "write", 0, kMarch7);

    CBuildTreeFolder& texts = AddFolder(root, "Texts");
    texts.m_nFolderButtonStyle = CBuildTreeFolder::kStyleText;
    texts.m_nFileButtonStyle = CBuildTreeFolder::kStyleText;
    texts.m_strLabel = "Plain";
    AddFolder(texts, "Hidden", "no name").m_bVisible = 0;
    AddDoc(texts, "Secret", "/data/s.txt", "hidden name", 5, kMarch7).m_bVisible = 0;
    AddDoc(texts, "Web", "http://example.com/a\\b", "", 0, kMarch7);

    CBuildTreeFolder& gallery = AddFolder(root, "Gallery");
    gallery.m_nFolderButtonStyle = CBuildTreeFolder::kStyleGraphic;
    gallery.m_nFolderButtonGraphic = 2;
    gallery.m_nFileButtonStyle = CBuildTreeFolder::kStyleGraphic;
    gallery.m_nFileButtonGraphic = 5;
    AddFolder(gallery, "G1", "g");
    AddDoc(gallery, "Report", "/data/Report.pdf", "yearly", 2048, kMarch7);
    AddDoc(gallery, "Pic", "http://example.com/pic.jpg", "remote", 0, kMarch7);

    CBuildTreeFolder& jump = AddFolder(root, "Jump");
    AddDoc(jump, "Only", "/data/only.doc", "", 7, kMarch7);

    AddDoc(root, "Cat", "/pics/cat.jpg", "a cat", 100, kMarch7);
    AddDoc(root, "Gone", "/x/gone.doc", "", 1, kMarch7).m_timePublish = kFuture;
    AddDoc(root, "Plan", "/docs/Plan.doc", "the plan", 1234, kMarch7);
    return doc;
}

TEST(WriteFolderPages, FourStylesHiddenNamesInactiveItemsThumbnailsAndJump) {
    UseUtc();
    TempDir dir;
    auto doc = SiteProject();
    ScopedClockPin pin(kNow);
    ASSERT_TRUE(WriteFolderPages(*doc, dir.Path()));
    for (const char* page : {"Folder0.html", "Folder0-0.html", "Folder0-1.html", "Folder0-1-0.html",
                             "Folder0-2.html", "Folder0-2-0.html", "Folder0-3.html",
                             "Folder0-3-0.html", "Folder0-4.html", "cat.jpg.html"}) {
        SCOPED_TRACE(page);
        const std::string expected = Fixture(std::string("site/") + page);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(ReadFile(dir / page), expected);
    }
    // A web link whose address ends in "jpg" gets no picture page.
    EXPECT_FALSE(FileExists(dir / "pic.jpg.html"));
    EXPECT_FALSE(FileExists(dir / "Report.pdf.html"));
}

// Wherever a page shows an item's name it is text, and every address is encoded
// for the place it stands in; the user's own content (labels, comments) stays HTML.
struct EncodingCase {
    std::string name;
    std::string link;
    std::string href;   // in the page's bytes
    std::string shown;  // the name in the page's bytes
};

TEST(WriteFolderPages, NamesAreTextAndAddressesAreEncoded) {
    const EncodingCase cases[] = {
        {"why?", "/docs/why?.txt", "files/docs/why%3F.txt", "why?"},
        {"Q&A #1", "/docs/Q&A #1.txt", "files/docs/Q&amp;A%20%231.txt", "Q&amp;A #1"},
        {"a \"quoted\" name", "/docs/a \"quoted\" name.txt",
         "files/docs/a%20%22quoted%22%20name.txt", "a &quot;quoted&quot; name"},
        {"<img src=x onerror=alert(1)>.txt", "/in/<img src=x onerror=alert(1)>.txt",
         "files/in/%3Cimg%20src=x%20onerror=alert(1)%3E.txt",
         "&lt;img src=x onerror=alert(1)&gt;.txt"},
        {"x\" onmouseover=\"alert(1)", "/d/x\" onmouseover=\"alert(1)",
         "files/d/x%22%20onmouseover=%22alert(1)", "x&quot; onmouseover=&quot;alert(1)"},
        {"100% caf\xC3\xA9", "C:\\Docs\\100% caf\xC3\xA9~[1].doc",
         "files/Docs/100%25%20caf%C3%A9~%5B1%5D.doc", "100% caf\xC3\xA9"},
        {"Web", "http://example.com/a b?q=1&r=\"<x>\"\t#top",
         "http://example.com/a b?q=1&amp;r=%22%3Cx%3E%22%09#top", "Web"},
        {"Mail", "mailto:me@example.com?subject=Hi & bye",
         "mailto:me@example.com?subject=Hi &amp; bye", "Mail"},
        {"<b>.gif", "/p/<b>.gif", "%3Cb%3E.gif.html", "&lt;b&gt;.gif"},  // picture pages
        {"x:y.gif", "/p/x:y.gif", "x%3Ay.gif.html", "x:y.gif"},
    };
    auto doc = NewProject();
    CBuildTreeFolder& root = *doc->m_pRoot;
    root.m_strLabel = "<i>label</i>";
    CBuildTreeFolder& sub = AddFolder(root, "A & <B>", "<b>comment</b>");
    sub.m_nFileButtonStyle = CBuildTreeFolder::kStyleRadio;
    sub.m_bShowContentsFor = 1;
    AddDoc(sub, "It's", "/docs/it's?.txt");  // the only entry: the page jumps to it
    for (const EncodingCase& c : cases) AddDoc(root, c.name, c.link);
    TempDir dir;
    ScopedClockPin pin(kNow);
    ASSERT_TRUE(WriteFolderPages(*doc, dir.Path()));
    ASSERT_TRUE(WriteSitemap(*doc, dir.Path()));
    ASSERT_TRUE(WritePreviewPage(*doc, root, (dir / "program")));
    const std::string page = ReadFile(dir / "Folder0.html");
    const std::string sitemap = ReadFile(dir / "Sitemap.html");
    const std::string preview = ReadFile(dir / "program/temp.html");
    for (const EncodingCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NE(page.find("<a class=\"documentlink\" href=\"" + c.href + "\" target=\"_blank\">" +
                            c.shown + "</a>"),
                  std::string::npos);
        EXPECT_NE(sitemap.find("<a href=\"" + c.href + "\"><img src=\"images/"), std::string::npos);
        EXPECT_NE(sitemap.find("border=\"0\">" + c.shown + "</a>"), std::string::npos);
        EXPECT_NE(preview.find("href=\"#\">" + c.shown + "</a>"), std::string::npos);
    }
    EXPECT_EQ(ReadFile(dir / "<b>.gif.html"),
              Crlf("<html>\n<head>\n<title>&lt;b&gt;.gif</title>\n<link rel=\"stylesheet\" "
                   "href=\"styles.css\">\n</head>\n<body>\n<p></p>\n<img "
                   "src=\"files/p/%3Cb%3E.gif\">\n</body>\n</html>\n"));
    EXPECT_NE(preview.find("<img src=\"/p/%3Cb%3E.gif\" width="), std::string::npos);
    EXPECT_NE(page.find("<i>label</i>\r\n"), std::string::npos);
    EXPECT_NE(page.find("<br><b>comment</b></td>"), std::string::npos);
    EXPECT_NE(page.find(">A &amp; &lt;B&gt;</a>"), std::string::npos);
    const std::string subPage = ReadFile(dir / "Folder0-0.html");
    EXPECT_NE(subPage.find("<title>A &amp; &lt;B&gt;</title>"), std::string::npos);
    EXPECT_NE(subPage.find("<h1>Contents for A &amp; &lt;B&gt;</h1>"), std::string::npos);
    EXPECT_NE(subPage.find("> <a href=\"Folder0-0.html\">A &amp; &lt;B&gt;</a><br><br>"),
              std::string::npos);
    EXPECT_NE(subPage.find("onClick=\"strURLFile='files/docs/it\\'s%3F.txt'\""), std::string::npos);
    EXPECT_NE(subPage.find("<span class=\"documentlink\">It's</span>"), std::string::npos);
    EXPECT_NE(subPage.find("location.href = \"files/docs/it\\'s%3F.txt\";"), std::string::npos);
}

}  // namespace
}  // namespace foldcraft::test
