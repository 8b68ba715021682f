#include <gtest/gtest.h>

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

TEST(GetCreatedDateText, WritesLocalHourAndMinuteWithoutLeadingZeros) {
    const struct {
        const char* tz;
        Time when;
        const char* text;
    } cases[] = {
        {"UTC", 1736154300, "Monday, January 6, 2025 at 9:5"},
        {"UTC", kMarch7, "Sunday, March 7, 2004 at 14:5"},
        {"EST5", 1736154300, "Monday, January 6, 2025 at 4:5"},
    };
    for (const auto& c : cases) {
        setenv("TZ", c.tz, 1);
        tzset();
        ScopedClockPin pin(c.when);
        EXPECT_EQ(GetCreatedDateText(), c.text) << c.tz;
    }
    UseUtc();
}

// A new project's stylesheet, and one with every colour and the font changed.
TEST(WriteStyleSheet, UsesEveryColourAndTheFontAsTheyStand) {
    TempDir dir;
    auto doc = NewProject();
    ASSERT_TRUE(WriteStyleSheet(*doc, dir.Path()));
    EXPECT_EQ(ReadFile(dir / "styles.css"), Fixture("styles/default.css"));
    doc->m_strFont = "\"Times New Roman\", serif";
    std::uint32_t colour = 0x010101;
    for (std::uint32_t* c : {&doc->m_clrBodyBackground, &doc->m_clrBodyText,
                             &doc->m_clrDocumentBackground, &doc->m_clrFolderBackground,
                             &doc->m_clrFolderText, &doc->m_clrLink, &doc->m_clrVisitedLink}) {
        *c = colour;
        colour += 0x010101;
    }
    ASSERT_TRUE(WriteStyleSheet(*doc, dir.Path()));  // replaces the file
    EXPECT_EQ(ReadFile(dir / "styles.css"), Fixture("styles/custom.css"));
}

// The background as the publish copies it: under a name of its own when a support
// image has its name, encoded for the url(); a bare file name gives none.
TEST(WriteStyleSheet, BackgroundImageTiledOrCentred) {
    const struct {
        const char* image;
        int placement;
        std::string rule;
    } cases[] = {
        {"C:\\Art\\paper.gif", 0, "background-image: url(images/paper.gif);"},
        {"/home/me/art/paper.gif", 1,
         "background-image: url(images/paper.gif); background-repeat: no-repeat; "
         "background-position: center center;"},
        {"/art/logo.gif", 0, "background-image: url(images/background-logo.gif);"},
        {"C:\\Art\\SPACER.GIF", 0, "background-image: url(images/background-SPACER.GIF);"},
        {"/art/file.gif.jpg", 0, "background-image: url(images/file.gif.jpg);"},
        {"/art/my (old) 'bg' #1.gif", 0,
         "background-image: url(images/my%20%28old%29%20%27bg%27%20%231.gif);"},
        {"paper.gif", 1, ""},
    };
    std::string expected = Fixture("styles/default.css");
    const size_t gap = expected.find("  font-family") + 1;
    TempDir dir;
    auto doc = NewProject();
    for (const auto& c : cases) {
        doc->m_strBackgroundImage = c.image;
        doc->m_nBackgroundPlacement = c.placement;
        ASSERT_TRUE(WriteStyleSheet(*doc, dir.Path()));
        EXPECT_EQ(ReadFile(dir / "styles.css"), std::string(expected).insert(gap, c.rule))
            << c.image;
    }
}

TEST(WriteStyleSheet, ReportsAFileThatCannotBeCreated) {
    TempDir dir;
    auto doc = NewProject();
    EXPECT_FALSE(WriteStyleSheet(*doc, dir / "missing"));
    dir.WriteFile("styles.css/keep", "x");  // a directory in the file's place
    EXPECT_FALSE(WriteStyleSheet(*doc, dir.Path()));
    EXPECT_EQ(ReadFile(dir / "styles.css/keep"), "x");
}

}  // namespace
}  // namespace foldcraft::test
