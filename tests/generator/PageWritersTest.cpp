// The style sheet, the title page and the texts they are made of.
#include <gtest/gtest.h>

#include <filesystem>

#include "GeneratorTestSupport.h"
#include "generator/SiteGenerator.h"
#include "support/TempDir.h"

namespace foldcraft::test {
namespace {

TEST(ColorToHtml, WritesRedGreenBlueInUpperCaseHex) {
    EXPECT_EQ(ColorToHtml(0xFF0000), "#0000FF");
    EXPECT_EQ(ColorToHtml(0x010203), "#030201");
    EXPECT_EQ(ColorToHtml(0xAB00CDEF), "#EFCD00");  // the unused top byte is ignored
}

// A new project's style sheet; then every colour and the font changed, with the
// background as the publish copies it: under a name of its own when a support image
// has its name, encoded for the url(); a bare file name gives none.
TEST(WriteStyleSheet, ColoursFontAndBackground) {
    const struct {
        const char* name;  // fixtures/styles/<name>.css
        const char* image;
        int placement;
    } cases[] = {
        {"default", "", 0},
        {"custom", "", 0},
        {"tiled", "C:\\Art\\paper.gif", 0},
        {"centred", "/home/me/art/paper.gif", 1},
        {"named-like-a-support-image", "/art/logo.gif", 0},
        {"named-like-one-in-other-case", "C:\\Art\\SPACER.GIF", 0},
        {"named-almost-like-one", "/art/file.gif.jpg", 0},
        {"encoded", "/art/my (old) 'bg' #1.gif", 0},
        {"bare-name", "paper.gif", 1},
    };
    TempDir dir;
    auto doc = NewProject();
    for (const auto& c : cases) {
        doc->m_strBackgroundImage = c.image;
        doc->m_nBackgroundPlacement = c.placement;
        ASSERT_TRUE(WriteStyleSheet(*doc, dir.Path()));
        std::filesystem::rename(dir / "styles.css", dir / (std::string(c.name) + ".css"));
        doc->m_strFont = "\"Times New Roman\", serif";
        std::uint32_t colour = 0x010101;
        for (std::uint32_t* c : {&doc->m_clrBodyBackground, &doc->m_clrBodyText,
                                 &doc->m_clrDocumentBackground, &doc->m_clrFolderBackground,
                                 &doc->m_clrFolderText, &doc->m_clrLink, &doc->m_clrVisitedLink}) {
            *c = colour;
            colour += 0x010101;
        }
    }
    ExpectFixtureTree(dir.Path(), "styles");
}

// Title and comments are the user's HTML and go in as they stand; without comments
// there is no box; the link is there even when the root is not active. The date is
// local time, hours and minutes without leading zeros.
TEST(WriteTitlePage, DefaultTextsOwnHtmlAndNoComments) {
    const struct {
        const char* name;  // fixtures/title/<name>
        const char* tz;
        const char* title;
        const char* comments;
        Time rootPublish;
    } cases[] = {
        {"comments", "UTC", nullptr, nullptr, kCreated},
        {"own-html", "EST5", "A & <b>B</b> 100%", "<i>x</i> %s %d", kCreated},
        {"no-comments", "UTC", nullptr, "", kFuture},
    };
    for (const auto& c : cases) {
        setenv("TZ", c.tz, 1);
        tzset();
        TempDir dir;
        auto doc = NewProject();
        if (c.title) doc->m_strTitle = c.title;
        if (c.comments) doc->m_strComments = c.comments;
        doc->m_pRoot->m_timePublish = c.rootPublish;
        ScopedClockPin pin(1736154300);  // Monday 6 January 2025, 9:05 UTC
        ASSERT_TRUE(WriteTitlePage(*doc, dir.Path()));
        ExpectFixtureTree(dir.Path(), std::string("title/") + c.name);
    }
    UseUtc();
}

// A directory at the file's place, or a target that is not a directory: the writer
// reports it and leaves what stands there.
TEST(PageWriters, ReportAFileThatCannotBeCreated) {
    const struct {
        const char* place;
        bool (*write)(const CFoldcraftDoc&, const std::string&);
    } cases[] = {
        {"styles.css", WriteStyleSheet},
        {"TitlePage.html", WriteTitlePage},
        {"Sitemap.html", WriteSitemap},
        {"temp.html",
         [](const CFoldcraftDoc& doc, const std::string& dir) {
             return WritePreviewPage(doc, *doc.m_pRoot, dir);
         }},
    };
    for (const auto& c : cases) {
        TempDir dir;
        auto doc = NewProject();
        const std::string keep = dir.WriteFile(std::string(c.place) + "/keep", "x");
        EXPECT_FALSE(c.write(*doc, dir.Path())) << c.place;
        EXPECT_EQ(ReadFile(keep), "x");
        EXPECT_FALSE(c.write(*doc, dir.WriteFile("plain", "") + "/sub")) << c.place;
    }
}

}  // namespace
}  // namespace foldcraft::test
