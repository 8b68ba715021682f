#include <gtest/gtest.h>

#include "publish/SiteLinkChecker.h"
#include "support/TempDir.h"

using foldcraft::SiteLinkChecker;
using foldcraft::test::ReadFile;
using Links = std::vector<std::string>;

const std::string kFixtures = FOLDCRAFT_TESTS_DIR "/publish/fixtures/";

// Inside tags only: not in comments, style sheets, scripts or plain text.
TEST(SiteLinkChecker, ExtractsHrefAndSrcOfTagsOnly) {
    EXPECT_EQ(SiteLinkChecker::ExtractLinks(ReadFile(kFixtures + "links.html")),
              (Links{"styles.css", "single.html", "unquoted.gif", "spaced.html", "",
                     "Q&A #1&.txt?a=1&copy=2"}));
}

TEST(SiteLinkChecker, TellsLocalLinksFromOthers) {
    for (const char* local : {"Folder0.html", "files/Docs/a.doc", "/files/a.doc", "./x.html",
                              "../x.html", "files/x y.doc", "1http:x"}) {
        EXPECT_TRUE(SiteLinkChecker::IsLocalLink(local)) << local;
    }
    EXPECT_FALSE(SiteLinkChecker::IsLocalLink("a:b.html"));  // reads as a scheme
    for (const char* other :
         {"", "#", "#Map", "http://example.com/", "HTTPS://x", "mailto:a@b.c", "MAILTO:x",
          "javascript:void(0)", "ftp://x/y", "//cdn.example.com/x.js", "data:image/gif;base64,xx",
          "  http://x/"}) {
        EXPECT_FALSE(SiteLinkChecker::IsLocalLink(other)) << other;
    }
}

// A link's target as the browser takes it: "?" starts the query, "#" the
// fragment, "%XX" is a byte of the name.
TEST(SiteLinkChecker, ResolvesInsideTheSiteOnly) {
    const std::string site = kFixtures + "linked-site";
    for (const char* good :
         {"Folder0.html", "/Folder0.html", "Folder0.html#top", "Folder0.html?x=1",
          " Folder0.html\n", "Fold\ter0.html", "files/Docs/my report.doc",
          "files/Docs/my%20report.doc", "files/Docs/a&b.doc", "files/Docs/../Docs/./a&b.doc",
          "files/Docs/%2e%2E/Docs/%2e/a&b.doc", "files\\Docs\\a&b.doc", "files/why%3F.txt",
          "files/why%3f.txt?x#y", "files/Q&A%20%231.txt", "files/100%2520.txt"}) {
        EXPECT_TRUE(SiteLinkChecker::Resolves(site, good)) << good;
    }
    for (const char* bad :
         {"files/Docs/missing.doc", "files/Docs" /* a directory */, "../outside.html",
          "files/../../outside.html", "files/%2e%2e/%2e%2e/outside.html", "?only-a-query",
          "files/why?.txt", "files/Q&A #1.txt", "files/100%20.txt", "files/Docs/a&amp;b.doc",
          "files%2FDocs%2Fa&b.doc"}) {
        EXPECT_FALSE(SiteLinkChecker::Resolves(site, bad)) << bad;
    }
}

// Pages are the site's top-level .html files; documents below files/ are not.
TEST(SiteLinkChecker, ReportsBrokenLinksPerPage) {
    const SiteLinkChecker::Result r = SiteLinkChecker::CheckSite(kFixtures + "linked-site");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.pages, 3u);
    EXPECT_EQ(r.links, 5u);
    Links broken;
    for (const auto& b : r.broken) broken.push_back(b.page + ": " + b.link);
    EXPECT_EQ(broken, (Links{"a.html: c.html", "b.html: images/gone.gif"}));
    const SiteLinkChecker::Result missing = SiteLinkChecker::CheckSite(kFixtures + "nothing");
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.error.empty());
}
