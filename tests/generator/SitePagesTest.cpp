// Folder pages, sitemaps and previews of whole projects, against the expected trees
// in fixtures/pages/<project> and fixtures/preview.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "GeneratorTestSupport.h"
#include "generator/PageSet.h"
#include "generator/SiteGenerator.h"
#include "support/TempDir.h"

namespace foldcraft::test {
namespace {

using Build = void (*)(CFoldcraftDoc& doc, const TempDir& files);

// The four button styles, hidden names, inactive items, thumbnails and a jump.
void Buttons(CFoldcraftDoc& doc, const TempDir&) {
    doc.m_bShowFileSize = 1;
    doc.m_bShowFileDate = 1;
    CBuildTreeFolder& root = *doc.m_pRoot;
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
    gallery.m_nFolderButtonGraphic = 6;
    gallery.m_nFileButtonStyle = CBuildTreeFolder::kStyleGraphic;
    gallery.m_nFileButtonGraphic = 5;
    AddFolder(gallery, "G1", "g");
    AddDoc(gallery, "Report", "/data/Report.pdf", "yearly", 2048, kMarch7);
    AddDoc(gallery, "Pic", "http://example.com/pic.jpg", "remote", 0, kMarch7);
    AddDoc(AddFolder(root, "Jump"), "Only", "/data/only.jpg", "", 7, kMarch7);
    AddDoc(root, "Cat", "/pics/cat.jpg", "a cat", 100, kMarch7);
    AddDoc(root, "Gone", "/x/gone.doc", "", 1, kMarch7).m_timePublish = kFuture;
    AddDoc(root, "Plan", "/docs/Plan.doc", "the plan", 1234, kMarch7);
}

// No title page, the trail at the bottom, no comments, no thumbnails, sizes only;
// which folders jump on to their only entry. A directory stands at Blocked's page:
// the pages below it are still written.
void Walk(CFoldcraftDoc& doc, const TempDir&) {
    doc.m_bCreateTitlePage = 0;
    doc.m_nNavBarPosition = CFoldcraftDoc::kNavBottom;
    doc.m_strHeader = "H";
    doc.m_strFooter = "F";
    doc.m_bShowComments = 0;
    doc.m_bUseThumbnails = 0;
    doc.m_nThumbWidth = 20;
    doc.m_nThumbHeight = 30;
    doc.m_bShowFileSize = 1;
    CBuildTreeFolder& root = *doc.m_pRoot;
    root.m_nFolderButtonGraphic = 6;  // not used: the folder style is not graphic
    AddDoc(AddFolder(root, "Picture", "no comment"), "Cat", "/pics/cat.jpg", "no comment", 5);
    AddDoc(AddFolder(root, "Mail"), "Mail", "mailto:me@example.com");
    CBuildTreeFolder& labelled = AddFolder(root, "Labelled");
    labelled.m_strLabel = "Look:";
    AddDoc(labelled, "Doc", "/a.doc");
    CBuildTreeFolder& inactive = AddFolder(root, "Inactive");
    AddDoc(inactive, "Later", "/later.doc").m_timePublish = kFuture;
    CBuildTreeFolder& two = AddFolder(root, "Two");
    AddDoc(two, "Doc", "/a.doc");
    AddDoc(two, "Later", "/later.doc").m_timePublish = kFuture;
    CBuildTreeFolder& withFolder = AddFolder(root, "WithFolder");
    AddDoc(withFolder, "Doc", "/a.doc");
    CBuildTreeFolder& old = AddFolder(withFolder, "Old");
    old.m_timePublish = kFuture;  // a page of its own, but in no list or sitemap
    AddFolder(old, "Below");
    AddFolder(AddFolder(root, "Blocked"), "Below");
    CBuildTreeFolder& graphic = AddFolder(root, "Graphic");
    graphic.m_nFileButtonStyle = CBuildTreeFolder::kStyleGraphic;
    graphic.m_nFileButtonGraphic = 9;  // out of range
    AddDoc(graphic, "Doc", "/a.doc", "", 42);
    AddDoc(graphic, "Web", "http://example.com/", "", 42);
}

// Pictures of one file name: the first in page order (a folder's rows, then its
// sub-folders) keeps it, the later ones get numbered pages. A directory at
// cat.jpg.html: that row links the picture itself. A line break: not listed.
void SameNames(CFoldcraftDoc& doc, const TempDir&) {
    doc.m_nNavBarPosition = CFoldcraftDoc::kNavDisabled;
    CBuildTreeFolder& root = *doc.m_pRoot;
    AddDoc(AddFolder(root, "2025"), "One", "/2025/photo.gif", "first");
    AddDoc(AddFolder(root, "2026"), "Two", "/2026/photo.gif", "second");
    AddDoc(root, "Three", "C:\\b\\PHOTO.GIF", "third");
    AddDoc(root, "Cat", "/a/cat.jpg", "no clash");
    AddDoc(root, "Odd", "/pics/line\nbreak.gif");
}

// Item names are text and addresses are encoded for where they stand (the pages
// show how); the user's own labels and comments stay HTML.
void Names(CFoldcraftDoc& doc, const TempDir&) {
    CBuildTreeFolder& root = *doc.m_pRoot;
    root.m_strLabel = "<i>label</i>";
    CBuildTreeFolder& sub = AddFolder(root, "A & <B>", "<b>comment</b>");
    sub.m_nFileButtonStyle = CBuildTreeFolder::kStyleRadio;
    sub.m_bShowContentsFor = 1;
    AddDoc(sub, "It's", "/docs/it's?.txt");  // the only entry: the page jumps to it
    const std::pair<const char*, const char*> names[] = {
        {"why?", "/docs/why?.txt"},
        {"Q&A #1", "/docs/Q&A #1.txt"},
        {"a \"quoted\" name", "/docs/a \"quoted\" name.txt"},
        {"<img src=x onerror=alert(1)>.txt", "/in/<img src=x onerror=alert(1)>.txt"},
        {"x\" onmouseover=\"alert(1)", "/d/x\" onmouseover=\"alert(1)"},
        {"100% caf\xC3\xA9", "C:\\Docs\\100% caf\xC3\xA9~[1].doc"},
        {"Web", "http://example.com/a b?q=1&r=\"<x>\"\t#top"},
        {"Mail", "mailto:me@example.com?subject=Hi & bye"},
        {"<b>.gif", "/p/<b>.gif"},  // picture pages
        {"x:y.gif", "/p/x:y.gif"},
    };
    for (const auto& [name, link] : names) AddDoc(root, name, link);
}

std::string WriteDated(const TempDir& files, const std::string& relative, const char* contents) {
    const std::string path = files.WriteFile(relative, contents);
    const struct timespec times[2] = {{kMarch7, 0}, {kMarch7, 0}};
    EXPECT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    return path;
}

// The hotspot folder Map (0-2): areas lead to its entries, to files that are there
// (their own size and date), to ones that are not, and to nothing.
void Hotspots(CFoldcraftDoc& doc, const TempDir& files) {
    doc.m_bShowFileSize = 1;
    doc.m_bShowFileDate = 1;
    CBuildTreeFolder& root = *doc.m_pRoot;
    AddFolder(root, "A");
    AddFolder(root, "B");
    CBuildTreeFolder& map = AddFolder(root, "Map");
    map.m_bHotspotFolder = 1;
    map.m_strHotspotImage = "C:\\Pics\\plan.gif";
    AddFolder(map, "Kid");
    AddFolder(map, "Off").m_timePublish = kFuture;
    const std::string report = WriteDated(files, "docs/report.txt", "hello");
    const std::string paren = WriteDated(files, "Data (old)/a.doc", "abc");
    AddDoc(map, "Report", report);
    AddDoc(map, "Site", "http://example.com/wiki/X_(y)");
    AddDoc(map, "Paren", paren);
    AddDoc(map, "Missing", "/nonexistent/m.doc");
    AddDoc(map, "Later", "/docs/later.doc").m_timePublish = kFuture;
    AddDoc(map, "Picture", "/pics/map.jpg");  // no rows here: no picture page
    AddArea(map, CHotspotArea::kRectangle, "Kid (Folder 1)", {10, 20, 110, 70});
    AddArea(map, CHotspotArea::kCircle, "Report (" + report + ")", {10, 10, 51, 30});
    AddArea(map, CHotspotArea::kPolygon, "Site (http://example.com/wiki/X_(y))",
            {1, 2, 3, 4, 5, 6});
    AddArea(map, CHotspotArea::kRectangle, "Paren (" + paren + ")", {0, 0, 5, 5});
    AddArea(map, CHotspotArea::kRectangle, "Missing (/nonexistent/m.doc)", {1, 1, 2, 2});
    AddArea(map, CHotspotArea::kRectangle, "Off (Folder 2)", {3, 3, 4, 4});
    AddArea(map, CHotspotArea::kRectangle, "Gone (Folder 9)", {5, 5, 6, 6});
    AddArea(map, CHotspotArea::kRectangle, "Later (/docs/later.doc)", {7, 7, 8, 8});
    AddArea(map, 7, "Kid (Folder 1)", {1, 1, 2, 2});  // no such shape
    AddArea(map, CHotspotArea::kRectangle, "", {9, 9, 10, 10});
    // Texts of entries that are gone or were made elsewhere: only the last parentheses
    // count; an entry of the folder keeps its own whole.
    AddDoc(map, "Odd", "/x (Folder 1)/b.doc");
    for (const char* text :
         {"  Folder 1  ", "X (Folder 0)", "X (Folder abc)", "Minutes (C:\\Board\\minutes.doc)",
          "Mail ( mailto:a@b.c )", "Web (http://x.org/a\\b)", "New (C:\\Data (new)\\a.doc)",
          "Odd (/x (Folder 1)/b.doc)"}) {
        AddArea(map, CHotspotArea::kRectangle, text, {1, 2, 3, 4});
    }
}

// A hotspot folder without a picture at the root: no rows, the trail at the bottom,
// no buttons; its preview shows the tables with every name.
void HotspotRoot(CFoldcraftDoc& doc, const TempDir& files) {
    doc.m_nNavBarPosition = CFoldcraftDoc::kNavBottom;
    doc.m_bShowRestartButton = 0;
    doc.m_bCreateSitemap = 0;
    CBuildTreeFolder& root = *doc.m_pRoot;
    root.m_bHotspotFolder = 1;
    root.m_bShowContentsFor = 1;
    root.m_strLabel = "<b>map</b>";
    root.m_nFolderButtonStyle = CBuildTreeFolder::kStyleGraphic;
    AddFolder(root, "Kid", "kid").m_bVisible = 0;
    AddDoc(root, "Cat", "C:\\Pics\\cat.jpg", "c", 10, kMarch7);
    AddDoc(root, "Web", "http://example.com/", "", 0, kMarch7);
    const std::string note = WriteDated(files, "note.txt", "n");
    AddDoc(root, "Note", note);  // readable: empty alt and title with size and date off
    AddArea(root, CHotspotArea::kRectangle, "Note (" + note + ")", {1, 2, 3, 4});
}

const struct {
    const char* name;  // fixtures/pages/<name>
    Build build;
    const char* obstacle;  // a directory standing at this page's place
    bool folderPagesWritten;
} kProjects[] = {
    {"buttons", Buttons, nullptr, true},
    {"walk", Walk, "Folder0-6.html", false},
    {"same-names", SameNames, "cat.jpg.html", true},
    {"names", Names, nullptr, true},
    {"hotspots", Hotspots, nullptr, true},
    {"hotspot-root", HotspotRoot, nullptr, true},
    {"inactive-root",  // no folder page at all
     [](CFoldcraftDoc& doc, const TempDir&) {
         AddDoc(*doc.m_pRoot, "Cat", "/pics/cat.jpg");
         doc.m_pRoot->m_timePublish = kFuture;
     },
     nullptr, true},
};

TEST(SitePages, FolderPagesAndSitemapOfEachProject) {
    UseUtc();
    for (const auto& p : kProjects) {
        SCOPED_TRACE(p.name);
        TempDir site;
        TempDir files;
        auto doc = NewProject();
        p.build(*doc, files);
        if (p.obstacle) site.WriteFile(std::string(p.obstacle) + "/keep", "x");
        ScopedClockPin pin(kNow);
        EXPECT_EQ(WriteFolderPages(*doc, site.Path()), p.folderPagesWritten);
        EXPECT_TRUE(WriteSitemap(*doc, site.Path()));
        ExpectFixtureTree(site.Path(), std::string("pages/") + p.name, files.Path().substr(1));
    }
}

// Rendered in memory, the pages of each project are the ones the disk writers write
// at the same run time, byte for byte, with the same results. The title page is
// dated by the run's stamp; its "now" decides what is active.
TEST(SitePages, RenderedPagesAreTheWrittenOnes) {
    UseUtc();
    using Write = bool (*)(const CFoldcraftDoc&, const std::string&, const RunTime&);
    using Render = bool (*)(const CFoldcraftDoc&, PageSet&, const RunTime&);
    const std::pair<Write, Render> writers[] = {{WriteStyleSheet, RenderStyleSheet},
                                                {WriteTitlePage, RenderTitlePage},
                                                {WriteSitemap, RenderSitemap},
                                                {WriteFolderPages, RenderFolderPages}};
    const RunTime time{kNow, kMarch7};
    for (const auto& p : kProjects) {
        SCOPED_TRACE(p.name);
        TempDir site;
        TempDir files;
        auto doc = NewProject();
        p.build(*doc, files);
        PageSet pages;
        for (const auto& [write, render] : writers) {
            EXPECT_TRUE(write(*doc, site.Path(), time));
            EXPECT_TRUE(render(*doc, pages, time));
        }
        EXPECT_EQ(
            static_cast<size_t>(std::distance(std::filesystem::directory_iterator(site.Path()),
                                              std::filesystem::directory_iterator())),
            pages.Pages().size());
        for (const PageSet::Page& page : pages.Pages()) {
            EXPECT_EQ(ReadFile(site / page.name), page.bytes) << page.name;
        }
        EXPECT_NE(
            ReadFile(site / "TitlePage.html").find("Created on Sunday, March 7, 2004 at 14:5"),
            std::string::npos);
    }
}

// Names at the limits: a document whose copy cannot be published is listed nowhere;
// a picture whose page name would be too long gets no page, and its row and the
// sitemap link the picture; a backslash in a POSIX path is part of the file name.
TEST(SitePages, NamesAtTheLimits) {
    const std::string y245(245, 'y');
    std::string deep;
    for (int i = 0; i < 5; ++i) deep += "/" + std::string(250, 'p');
    const struct {
        const char* name;
        std::string link;
        std::string href;  // in its row and in the sitemap; empty: listed nowhere
    } cases[] = {
        {"line break", "/pics/line\nbreak.gif", ""},
        {"bell", "/d/bell\x07.txt", ""},
        {"long name", "/d/" + std::string(256, 'n'), ""},
        {"long path", deep + "/a.txt", ""},
        {"long picture", "/p/" + std::string(247, 'x') + ".gif",
         "files/p/" + std::string(247, 'x') + ".gif"},
        {"first of two", "/p1/" + y245 + ".gif", y245 + ".gif.html"},
        {"second of two", "/p2/" + y245 + ".gif", "files/p2/" + y245 + ".gif"},  // "-2.html": 256
        {"backslash", "/u/a\\b.txt", "files/u/a%5Cb.txt"},
        {"slash", "/u/a/b.txt", "files/u/a/b.txt"},
        {"windows", "C:\\u\\a\\c.txt", "files/u/a/c.txt"},
    };
    auto doc = NewProject();
    for (const auto& c : cases) AddDoc(*doc->m_pRoot, c.name, c.link);
    PageSet pages;
    EXPECT_TRUE(RenderFolderPages(*doc, pages, RunTime{kNow, kNow}));
    EXPECT_TRUE(RenderSitemap(*doc, pages, RunTime{kNow, kNow}));
    // The picture page first: it is written while its folder page is open.
    ASSERT_EQ(pages.Pages().size(), 3u);
    EXPECT_EQ(pages.Pages()[0].name, y245 + ".gif.html");
    for (const PageSet::Page& page : {pages.Pages()[1], pages.Pages()[2]}) {
        SCOPED_TRACE(page.name);
        for (const auto& c : cases) {
            if (c.href.empty()) {
                EXPECT_EQ(page.bytes.find(std::string(">") + c.name + "</a>"), std::string::npos)
                    << c.name;
            } else {
                EXPECT_NE(page.bytes.find("href=\"" + c.href + "\""), std::string::npos) << c.name;
            }
        }
    }
}

// The preview shows every name, active items only, and rows without actions; the
// background image is copied where the style sheet finds it.
const struct {
    const char* name;  // fixtures/preview/<name>.html
    Build build;
    int folder;  // the root's sub-folder shown, or -1 for the root
} kPreviews[] = {
    {"buttons-root", Buttons, -1},
    {"buttons-radio", Buttons, 1},
    {"buttons-texts", Buttons, 2},
    {"buttons-gallery", Buttons, 3},  // graphic rows show no size or date
    {"names", Names, -1},
    {"image-map", Hotspots, 2},
    {"hotspot-root", HotspotRoot, -1},
};

TEST(SitePages, PreviewOfAFolder) {
    UseUtc();
    TempDir files;
    TempDir shown;
    for (const auto& p : kPreviews) {
        SCOPED_TRACE(p.name);
        TempDir program;
        auto doc = NewProject();
        p.build(*doc, files);
        // Named like a support image: copied beside it under its own name.
        doc->m_strBackgroundImage = files.WriteFile("pics/logo.gif", "BACKGROUND");
        const CBuildTreeFolder& folder =
            p.folder < 0 ? *doc->m_pRoot : *doc->m_pRoot->m_arrFolders[p.folder];
        ScopedClockPin pin(kNow);
        ASSERT_TRUE(WritePreviewPage(*doc, folder, program.Path()));
        EXPECT_TRUE(FileExists(program / "styles.css"));
        EXPECT_TRUE(FileExists(program / "images/logo.gif"));
        EXPECT_EQ(ReadFile(program / "images/background-logo.gif"), "BACKGROUND");
        std::filesystem::rename(program / "temp.html", shown / (std::string(p.name) + ".html"));
    }
    ExpectFixtureTree(shown.Path(), "preview", files.Path().substr(1));
}

}  // namespace
}  // namespace foldcraft::test
