#include <gtest/gtest.h>

#include <filesystem>

#include "publish/SiteLinkChecker.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using foldcraft::SiteLinkChecker;
using foldcraft::test::TempDir;
using Links = std::vector<std::string>;

TEST(SiteLinkChecker, ExtractsHrefAndSrcOfTagsOnly) {
    const std::string html =
        "<html><head><link rel=\"stylesheet\" href=\"styles.css\">\n"
        "<style type=\"text/css\">\n<!--\nbody { background: url(images/x.jpg) }\n"
        "a href=\"not-a-tag.html\"\n-->\n</style>\n"
        "<script>\nvar s=\"<a href='in-script.html'>\";\nlocation.href = \"jump.doc\";\n</SCRIPT>\n"
        "</head><body>\n"
        "<!-- <a href=\"commented.html\"> -->\n"
        "<A HREF='single.html'>x</A><img SRC=unquoted.gif width=3>\n"
        "<area shape=\"rect\" coords=\"1,2,3,4\" href = \"spaced.html\" target=\"_blank\">\n"
        "<input type=\"radio\" onClick=\"strURLFile='files/x.doc'\">\n"
        "<a data-href=\"no.html\" href=\"\">empty</a>\n"
        "<a href=\"Q&amp;A&#x20;&#35;1&amp.txt?a=1&copy=2\">decoded as a browser does</a>\n"
        "text with a < sign and href=\"plain-text.html\"\n"
        "</body></html>\n";
    EXPECT_EQ(SiteLinkChecker::ExtractLinks(html),
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
    TempDir dir;
    const std::string site = dir / "site";
    dir.WriteFile("site/files/Docs/my report.doc", "x");
    dir.WriteFile("site/files/Docs/a&b.doc", "x");
    dir.WriteFile("site/files/why?.txt", "x");
    dir.WriteFile("site/files/Q&A #1.txt", "x");
    dir.WriteFile("site/files/100%20.txt", "x");
    dir.WriteFile("site/Folder0.html", "x");
    dir.WriteFile("outside.html", "x");
    fs::create_directories(site + "/files/Empty");
    for (const char* good :
         {"Folder0.html", "/Folder0.html", "Folder0.html#top", "Folder0.html?x=1",
          " Folder0.html\n", "Fold\ter0.html", "files/Docs/my report.doc",
          "files/Docs/my%20report.doc", "files/Docs/a&b.doc", "files/Docs/../Docs/./a&b.doc",
          "files/Docs/%2e%2E/Docs/%2e/a&b.doc", "files\\Docs\\a&b.doc", "files/why%3F.txt",
          "files/why%3f.txt?x#y", "files/Q&A%20%231.txt", "files/100%2520.txt"}) {
        EXPECT_TRUE(SiteLinkChecker::Resolves(site, good)) << good;
    }
    for (const char* bad :
         {"files/Docs/missing.doc", "files/Empty" /* a directory */, "../outside.html",
          "files/../../outside.html", "files/%2e%2e/%2e%2e/outside.html", "?only-a-query",
          "files/why?.txt", "files/Q&A #1.txt", "files/100%20.txt", "files/Docs/a&amp;b.doc",
          "files%2FDocs%2Fa&b.doc"}) {
        EXPECT_FALSE(SiteLinkChecker::Resolves(site, bad)) << bad;
    }
}

TEST(SiteLinkChecker, ReportsBrokenLinksPerPage) {
    TempDir dir;
    const std::string site = dir / "site";
    dir.WriteFile("site/styles.css", "");
    dir.WriteFile("site/images/logo.gif", "GIF");
    dir.WriteFile("site/b.html",
                  "<link rel=\"stylesheet\" href=\"styles.css\"><img src=\"images/gone.gif\">"
                  "<a href=\"http://example.com/\">w</a><a href=\"mailto:x@y\">m</a>");
    dir.WriteFile("site/a.html",
                  "<a href=\"b.html\">b</a><a href=\"c.html\">c</a>"
                  "<img src=\"images/logo.gif\"><a href=\"#\">top</a>");
    dir.WriteFile("site/files/own.html", "<a href=\"nowhere.html\">documents are not pages</a>");
    const SiteLinkChecker::Result r = SiteLinkChecker::CheckSite(site);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.pages, 2u);
    EXPECT_EQ(r.links, 5u);
    Links broken;
    for (const auto& b : r.broken) broken.push_back(b.page + ": " + b.link);
    EXPECT_EQ(broken, (Links{"a.html: c.html", "b.html: images/gone.gif"}));

    const SiteLinkChecker::Result missing = SiteLinkChecker::CheckSite(dir / "nothing");
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.error.empty());
}
