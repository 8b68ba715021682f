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

}  // namespace
}  // namespace foldcraft::test
