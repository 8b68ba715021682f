#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "PublishTestTree.h"
#include "publish/LocalPublishRun.h"
#include "publish/SiteLinkChecker.h"
#include "support/RecordingLogSink.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using foldcraft::LocalPublishRun;
using foldcraft::ScopedClockPin;
using foldcraft::SiteLinkChecker;
using foldcraft::test::AddDocument;
using foldcraft::test::AddSubFolder;
using foldcraft::test::kPublishNow;
using foldcraft::test::NewProject;
using foldcraft::test::RecordingLogSink;
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

// Publishes a project that uses every kind of item and checks that the site has no
// broken link.
TEST(SiteLinkChecker, PublishedSiteHasNoBrokenLink) {
    ScopedClockPin pin(kPublishNow);
    TempDir dir;
    CFoldcraftDoc doc;
    NewProject(doc);
    doc.m_strPublishPath = dir / "site";
    fs::create_directories(doc.m_strPublishPath);
    doc.m_strBackgroundImage = dir.WriteFile("pics/background.jpg", "JPG");
    doc.m_bUseThumbnails = 1;
    doc.m_bShowFileSize = 1;
    doc.m_bShowFileDate = 1;

    CBuildTreeFolder& root = *doc.m_pRoot;
    AddDocument(root, "Plan", dir.WriteFile("src/Reports/Plan.doc", "plan"));
    AddDocument(root, "Cat", dir.WriteFile("src/Pics/cat.jpg", "cat"));
    AddDocument(root, "Dog", dir.WriteFile("src/Pics/Old/DOG.GIF", "dog"));
    AddDocument(root, "Web", "http://example.com/index.html");
    AddDocument(root, "Mail", "mailto:someone@example.com");
    // Names that are markup or URL syntax: the links must lead to the real copies.
    for (const char* name : {"why?.txt", "Q&A #1.txt", "a \"quoted\" name.txt", "100% <b>.gif"}) {
        AddDocument(root, name, dir.WriteFile(std::string("src/odd/") + name, name));
    }
    CBuildTreeFolder* work = AddSubFolder(root, "Work");
    work->m_nFolderButtonStyle = CBuildTreeFolder::kStyleRadio;
    work->m_nFileButtonStyle = CBuildTreeFolder::kStyleGraphic;
    work->m_nFileButtonGraphic = 3;
    AddDocument(*work, "Plan", dir.WriteFile("src/Work/Plan.doc", "other plan"));
    AddDocument(*work, "Sheet", dir.WriteFile("src/Work/Deep/Sheet.xls", "sheet"));
    CBuildTreeFolder* deeper = AddSubFolder(*work, "Deeper");
    deeper->m_nFileButtonStyle = CBuildTreeFolder::kStyleText;
    AddDocument(*deeper, "Only", dir.WriteFile("src/Deeper/only.pdf", "only"));
    AddSubFolder(*work, "Later", /*active=*/false);

    CBuildTreeFolder* map = AddSubFolder(root, "Map");
    map->m_bHotspotFolder = 1;
    map->m_strHotspotImage = dir.WriteFile("src/maps/world.gif", "MAP");
    CBuildTreeFolder* north = AddSubFolder(*map, "North");
    AddDocument(*north, "Cat", dir.WriteFile("src/north/cat.jpg", "north cat"));
    const std::string south = dir.WriteFile("src/south/report.doc", "south");
    AddDocument(*map, "South", south);
    AddDocument(*map, "Site", "https://example.org/");
    auto area = [&](const std::string& link, int x) {
        auto a = std::make_unique<CHotspotArea>();
        a->m_strLink = link;
        a->SetRect(x, 0, x + 10, 10);
        map->AddHotspot(std::move(a));
    };
    area("North (Folder 1)", 0);
    area("South (" + south + ")", 20);
    area("Site (https://example.org/)", 40);

    RecordingLogSink sink;
    LocalPublishRun run(doc, sink, dir / "program");
    ASSERT_EQ(run.RunLocalPublish(), LocalPublishRun::Result::kSuccess) << sink.log;

    const SiteLinkChecker::Result r = SiteLinkChecker::CheckSite(doc.m_strPublishPath);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_GE(r.pages, 8u);  // title page, sitemap, 6 folder pages, picture pages
    EXPECT_GE(r.links, 30u);
    for (const auto& b : r.broken) ADD_FAILURE() << b.page << ": " << b.link;

    // Removing a copied document breaks exactly the links to it.
    fs::remove(doc.m_strPublishPath + "/files/" + south.substr(1));
    const SiteLinkChecker::Result after = SiteLinkChecker::CheckSite(doc.m_strPublishPath);
    ASSERT_FALSE(after.broken.empty());
    for (const auto& b : after.broken) EXPECT_EQ(b.link, "files/" + south.substr(1)) << b.page;
}
