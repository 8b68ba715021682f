#include <gtest/gtest.h>

#include "GeneratorTestSupport.h"
#include "generator/SiteGenerator.h"
#include "support/TempDir.h"

namespace foldcraft::test {
namespace {

constexpr std::string_view kDefaultRules =
    "p { font-size: 10pt; }\n"
    "a { color: #0000FF; }\n"
    "a:visited { color: #FF00FF; }\n"
    ".folder { color: #FFFFFF; background-color: #339933; font-size: 10pt; font-weight: bold; }\n"
    ".folderlink { color: #FFFFFF; font-size: 12pt; font-weight: bold; }\n"
    ".folderlink:visited { color: #FFFFFF; }\n"
    ".document { color: #0000FF; background-color: #00FF00; font-size: 10pt; font-weight: "
    "normal; }\n"
    ".documentlink { font-size: 12pt; font-weight: bold; }\n";

std::string BodyRule(std::string_view background) {
    return "body { " + std::string(background) +
           " font-family: Arial, Helvetica, sans-serif; color: #000000; background-color: "
           "#FFFFFF; text-align: center; }\n";
}

TEST(ColorToHtml, WritesRedGreenBlueInUpperCaseHex) {
    EXPECT_EQ(ColorToHtml(0xFF0000), "#0000FF");
    EXPECT_EQ(ColorToHtml(0x339933), "#339933");
    EXPECT_EQ(ColorToHtml(0x0000FF), "#FF0000");
    EXPECT_EQ(ColorToHtml(0x010203), "#030201");
    EXPECT_EQ(ColorToHtml(0xAB00CDEF), "#EFCD00");  // the unused top byte is ignored
}

TEST(GetCreatedDateText, WritesHourAndMinuteWithoutLeadingZeros) {
    UseUtc();
    {
        ScopedClockPin pin(1736154300);  // Monday 6 January 2025, 9:05
        EXPECT_EQ(GetCreatedDateText(), "Monday, January 6, 2025 at 9:5");
    }
    ScopedClockPin pin(kMarch7);
    EXPECT_EQ(GetCreatedDateText(), "Sunday, March 7, 2004 at 14:5");
}

TEST(GetCreatedDateText, FollowsTheLocalTimeZone) {
    setenv("TZ", "EST5", 1);
    tzset();
    ScopedClockPin pin(1736154300);
    EXPECT_EQ(GetCreatedDateText(), "Monday, January 6, 2025 at 4:5");
    UseUtc();
}

TEST(WriteStyleSheet, DefaultDesignLeavesTwoSpacesBeforeFontFamily) {
    TempDir dir;
    auto doc = NewProject();
    ASSERT_TRUE(WriteStyleSheet(*doc, dir.Path()));
    EXPECT_EQ(ReadFile(dir / "styles.css"), Crlf(BodyRule("") + std::string(kDefaultRules)));
}

TEST(WriteStyleSheet, BackgroundImageTiledOrCentred) {
    TempDir dir;
    auto doc = NewProject();
    doc->m_strBackgroundImage = "C:\\Art\\paper.gif";
    ASSERT_TRUE(WriteStyleSheet(*doc, dir.Path()));
    EXPECT_EQ(
        ReadFile(dir / "styles.css"),
        Crlf(BodyRule("background-image: url(images/paper.gif);") + std::string(kDefaultRules)));

    doc->m_nBackgroundPlacement = 1;
    doc->m_strBackgroundImage = "/home/me/art/paper.gif";
    ASSERT_TRUE(WriteStyleSheet(*doc, dir.Path()));  // replaces the file
    EXPECT_EQ(ReadFile(dir / "styles.css"),
              Crlf(BodyRule("background-image: url(images/paper.gif); background-repeat: "
                            "no-repeat; background-position: center center;") +
                   std::string(kDefaultRules)));
}

// The stylesheet names the background as the publish copies it: under a name of
// its own when a support image has its name, encoded for the url().
TEST(WriteStyleSheet, BackgroundNamedLikeASupportImageOrWithSpecialCharacters) {
    const std::pair<const char*, const char*> cases[] = {
        {"/art/logo.gif", "images/background-logo.gif"},
        {"C:\\Art\\SPACER.GIF", "images/background-SPACER.GIF"},
        {"/art/file.gif.jpg", "images/file.gif.jpg"},
        {"/art/my (old) 'bg' #1.gif", "images/my%20%28old%29%20%27bg%27%20%231.gif"},
    };
    TempDir dir;
    auto doc = NewProject();
    for (const auto& [path, url] : cases) {
        doc->m_strBackgroundImage = path;
        ASSERT_TRUE(WriteStyleSheet(*doc, dir.Path()));
        EXPECT_EQ(ReadFile(dir / "styles.css"),
                  Crlf(BodyRule("background-image: url(" + std::string(url) + ");") +
                       std::string(kDefaultRules)))
            << path;
    }
}

TEST(WriteStyleSheet, BareFileNameGivesNoBackground) {
    TempDir dir;
    auto doc = NewProject();
    doc->m_strBackgroundImage = "paper.gif";
    doc->m_nBackgroundPlacement = 1;
    ASSERT_TRUE(WriteStyleSheet(*doc, dir.Path()));
    EXPECT_EQ(ReadFile(dir / "styles.css"), Crlf(BodyRule("") + std::string(kDefaultRules)));
}

TEST(WriteStyleSheet, UsesEveryColourAndTheFontAsTheyStand) {
    TempDir dir;
    auto doc = NewProject();
    doc->m_strFont = "\"Times New Roman\", serif";
    doc->m_clrBodyBackground = 0x010101;
    doc->m_clrBodyText = 0x020202;
    doc->m_clrDocumentBackground = 0x030303;
    doc->m_clrFolderBackground = 0x040404;
    doc->m_clrFolderText = 0x050505;
    doc->m_clrLink = 0x060606;
    doc->m_clrVisitedLink = 0x070707;
    ASSERT_TRUE(WriteStyleSheet(*doc, dir.Path()));
    EXPECT_EQ(ReadFile(dir / "styles.css"),
              Crlf("body {  font-family: \"Times New Roman\", serif; color: #020202; "
                   "background-color: #010101; text-align: center; }\n"
                   "p { font-size: 10pt; }\n"
                   "a { color: #060606; }\n"
                   "a:visited { color: #070707; }\n"
                   ".folder { color: #050505; background-color: #040404; font-size: 10pt; "
                   "font-weight: bold; }\n"
                   ".folderlink { color: #050505; font-size: 12pt; font-weight: bold; }\n"
                   ".folderlink:visited { color: #050505; }\n"
                   ".document { color: #060606; background-color: #030303; font-size: 10pt; "
                   "font-weight: normal; }\n"
                   ".documentlink { font-size: 12pt; font-weight: bold; }\n"));
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
