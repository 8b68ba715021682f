#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "PublishTestTree.h"
#include "generator/SitePaths.h"
#include "generator/SupportImages.h"
#include "publish/LocalSiteAssembly.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using foldcraft::LocalSiteAssembly;
using foldcraft::ScopedClockPin;
using foldcraft::test::AddDocument;
using foldcraft::test::AddSubFolder;
using foldcraft::test::FileExists;
using foldcraft::test::kPublishNow;
using foldcraft::test::NewProject;
using foldcraft::test::ReadFile;
using foldcraft::test::TempDir;

namespace {

// Every path below root, relative to it, directories with a trailing slash.
std::set<std::string> Snapshot(const std::string& root) {
    std::set<std::string> entries;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        std::string rel = fs::relative(it->path(), root).string();
        if (it->is_directory() && !it->is_symlink()) rel += '/';
        entries.insert(rel);
    }
    return entries;
}

class LocalSiteAssemblyTest : public ::testing::Test {
protected:
    void SetUp() override {
        NewProject(doc);
        target = dir / "site";
        program = dir / "program";
        fs::create_directories(target);
        fs::create_directories(program);
    }

    LocalSiteAssembly Assembly() { return LocalSiteAssembly(doc, target, program); }
    // An assembly whose target directories are made.
    LocalSiteAssembly Ready() {
        LocalSiteAssembly assembly = Assembly();
        EXPECT_TRUE(assembly.CreateLocalDirectories());
        return assembly;
    }

    ScopedClockPin pin{kPublishNow};
    TempDir dir;
    CFoldcraftDoc doc;
    std::string target;
    std::string program;
};

}  // namespace

TEST(LocalSiteAssemblyPaths, DestinationsAreThePageAddresses) {
    for (const char* source : {"/home/u/Docs/a.doc", "C:\\Docs\\Work\\report.doc", "C:/x/y.pdf",
                               "\\\\server\\share\\a.doc", "//server/share/b.doc", "D:\\a.doc"}) {
        const auto dest = LocalSiteAssembly::FilesDestination("/T", source);
        ASSERT_TRUE(dest.has_value()) << source;
        EXPECT_EQ(*dest, "/T/" + foldcraft::SitePaths::ItemAddress(source)) << source;
    }
    EXPECT_EQ(*LocalSiteAssembly::FilesDestination("/T", "C:\\Docs\\Work\\report.doc"),
              "/T/files/Docs/Work/report.doc");
    for (const char* hostile : {"/a/../../etc/passwd", "C:\\..\\x", "/", "C:\\", "", "/docs/",
                                "C:\\Docs\\", "/a/./b", "..", "/a//b"}) {
        EXPECT_FALSE(LocalSiteAssembly::FilesDestination("/T", hostile).has_value()) << hostile;
    }
    EXPECT_EQ(*LocalSiteAssembly::ImagesDestination("/T", "C:\\Pics\\bg.jpg"), "/T/images/bg.jpg");
    EXPECT_EQ(*LocalSiteAssembly::ImagesDestination("/T", "/p/../bg.gif"), "/T/images/bg.gif");
    for (const char* hostile : {"/pics/", "/pics/..", "C:\\pics\\.", ""}) {
        EXPECT_FALSE(LocalSiteAssembly::ImagesDestination("/T", hostile).has_value()) << hostile;
    }
}

TEST_F(LocalSiteAssemblyTest, MirrorMakesDirectoriesForEveryDocumentButCopiesOnlyActiveOnes) {
    const std::string a = dir.WriteFile("src/Docs/Work/report.doc", "report");
    const std::string b = dir.WriteFile("src/Docs/Home/report.doc", "other report");
    const std::string inactive = dir.WriteFile("src/Later/soon.doc", "soon");
    const std::string hidden = dir.WriteFile("src/Hidden/in-inactive-folder.doc", "hidden");
    const std::string top = dir.WriteFile("top.doc", "top");
    AddDocument(*doc.m_pRoot, "report", a);
    AddDocument(*doc.m_pRoot, "web", "http://example.com/x/y.html");
    AddDocument(*doc.m_pRoot, "mail", "mailto:someone@example.com");
    AddDocument(*doc.m_pRoot, "soon", inactive, /*active=*/false);
    CBuildTreeFolder* sub = AddSubFolder(*doc.m_pRoot, "Sub");
    AddDocument(*sub, "report", b);
    CBuildTreeFolder* off = AddSubFolder(*doc.m_pRoot, "Off", /*active=*/false);
    AddDocument(*off, "hidden", hidden);
    AddDocument(*AddSubFolder(*off, "Below"), "top", top);

    LocalSiteAssembly assembly = Ready();
    // The mirror of a path below dir, which loses its leading slash.
    auto files = [&](const std::string& p) {
        return target + "/files/" + dir.Path().substr(1) + "/" + p;
    };
    EXPECT_TRUE(fs::is_directory(target + "/images"));
    // Inactive documents and documents of inactive folders get their directories too.
    for (const char* made : {"src/Docs/Work", "src/Docs/Home", "src/Later", "src/Hidden"}) {
        EXPECT_TRUE(fs::is_directory(files(made))) << made;
    }
    EXPECT_FALSE(FileExists(target + "/files/http:"));
    EXPECT_FALSE(FileExists(target + "/files/example.com"));

    ASSERT_TRUE(assembly.CopyFolderFiles(*doc.m_pRoot));
    EXPECT_TRUE(doc.m_arrPublishFiles.empty());
    EXPECT_EQ(ReadFile(files("src/Docs/Work/report.doc")), "report");
    EXPECT_EQ(ReadFile(files("src/Docs/Home/report.doc")), "other report");
    for (const char* skipped :
         {"src/Later/soon.doc", "src/Hidden/in-inactive-folder.doc", "top.doc"}) {
        EXPECT_FALSE(FileExists(files(skipped))) << skipped;
    }
}

TEST_F(LocalSiteAssemblyTest, MirrorOfAPathInTheRootMakesNothing) {
    LocalSiteAssembly assembly = Ready();
    const auto before = Snapshot(target);
    EXPECT_TRUE(assembly.MirrorSourceDirectories(target + "/files", "C:\\report.doc"));
    EXPECT_TRUE(assembly.MirrorSourceDirectories(target + "/files", "/report.doc"));
    EXPECT_TRUE(assembly.MirrorSourceDirectories(target + "/files", "https://x/y/z"));
    EXPECT_EQ(Snapshot(target), before);
    EXPECT_TRUE(assembly.MirrorSourceDirectories(target + "/files", "C:\\Docs\\Work\\report.doc"));
    EXPECT_TRUE(fs::is_directory(target + "/files/Docs/Work"));
    // The base is gone: a parent is missing.
    EXPECT_FALSE(assembly.MirrorSourceDirectories(dir / "gone/files", "/a/b/c.doc"));
}

TEST_F(LocalSiteAssemblyTest, MissingTargetFailsDirectoryCreation) {
    fs::remove(target);
    EXPECT_FALSE(Assembly().CreateLocalDirectories());
    EXPECT_FALSE(FileExists(target));
    // Windows-form and relative targets name nothing here.
    EXPECT_FALSE(LocalSiteAssembly(doc, "C:\\site", program).CreateLocalDirectories());
    EXPECT_FALSE(LocalSiteAssembly(doc, "site", program).CreateLocalDirectories());
}

TEST_F(LocalSiteAssemblyTest, NotCopiedListHoldsFullSourcePathsInOrder) {
    const std::string good = dir.WriteFile("src/good.doc", "good");
    const std::string missing1 = dir / "src/missing-one.doc";
    const std::string missing2 = "C:\\Docs\\windows.doc";  // names nothing here
    AddDocument(*doc.m_pRoot, "m1", missing1);
    AddDocument(*doc.m_pRoot, "good", good);
    AddDocument(*AddSubFolder(*doc.m_pRoot, "Sub"), "m2", missing2);
    AddDocument(*doc.m_pRoot, "m1 again", missing1);

    LocalSiteAssembly assembly = Ready();
    EXPECT_FALSE(assembly.CopySiteFiles());
    // Root documents first, then the sub-folder; support images are listed only
    // when missing from the program folder.
    std::vector<std::string> docsListed;
    for (const auto& p : doc.m_arrPublishFiles) {
        if (p.rfind(program, 0) != 0) docsListed.push_back(p);
    }
    EXPECT_EQ(docsListed, (std::vector<std::string>{missing1, missing1, missing2}));
    EXPECT_TRUE(FileExists(target + "/files/" + good.substr(1)));
}

// The support images are installed into the program folder, then copied. The
// background image is copied by its file name, one named like a support image
// under a name of its own, so that neither replaces the other; a missing one is
// listed.
TEST_F(LocalSiteAssemblyTest, SupportImagesAndTheBackgroundImage) {
    if (foldcraft::SupportImages::All().size() != 17) GTEST_SKIP() << "support images not built in";
    // One support image replaced by the user in the program folder: kept as is.
    dir.WriteFile("program/images/folder.gif", "USER FOLDER ICON");
    LocalSiteAssembly assembly = Ready();
    doc.m_strBackgroundImage = dir.WriteFile("pics/deep/sky.jpg", "SKY");
    EXPECT_TRUE(assembly.CopySupportImages());
    EXPECT_EQ(ReadFile(target + "/images/sky.jpg"), "SKY");

    doc.m_strBackgroundImage = dir.WriteFile("pics/logo.gif", "MY OWN LOGO");
    EXPECT_TRUE(assembly.CopySupportImages());
    EXPECT_TRUE(doc.m_arrPublishFiles.empty());
    for (const auto& image : foldcraft::SupportImages::All()) {
        const std::string name = image.name;
        EXPECT_TRUE(FileExists(program + "/images/" + name)) << name;
        EXPECT_EQ(ReadFile(target + "/images/" + name), ReadFile(program + "/images/" + name))
            << name;
    }
    EXPECT_EQ(ReadFile(target + "/images/background-logo.gif"), "MY OWN LOGO");
    EXPECT_EQ(ReadFile(target + "/images/folder.gif"), "USER FOLDER ICON");

    doc.m_strBackgroundImage = dir / "pics/missing.jpg";
    assembly.CopySupportImages();
    EXPECT_EQ(doc.m_arrPublishFiles, std::vector<std::string>{dir / "pics/missing.jpg"});
}

TEST_F(LocalSiteAssemblyTest, HotspotPictureIsMirroredAndCopied) {
    const std::string map = dir.WriteFile("maps/world.gif", "MAP");
    CBuildTreeFolder* hs = AddSubFolder(*doc.m_pRoot, "Map");
    hs->m_bHotspotFolder = 1;
    hs->m_strHotspotImage = map;
    // A hotspot picture of a folder that is not a hotspot folder is not copied.
    const std::string unused = dir.WriteFile("maps/unused.gif", "UNUSED");
    CBuildTreeFolder* plain = AddSubFolder(*doc.m_pRoot, "Plain");
    plain->m_strHotspotImage = unused;

    LocalSiteAssembly assembly = Ready();
    assembly.CopyFolderFiles(*doc.m_pRoot);
    EXPECT_TRUE(doc.m_arrPublishFiles.empty());
    EXPECT_EQ(ReadFile(target + "/" + foldcraft::SitePaths::FilesAddress(map)), "MAP");
    EXPECT_FALSE(FileExists(target + "/" + foldcraft::SitePaths::FilesAddress(unused)));
}

TEST_F(LocalSiteAssemblyTest, PublishingTwiceOverwritesAndKeepsModificationTime) {
    const std::string a = dir.WriteFile("src/a.doc", "first");
    AddDocument(*doc.m_pRoot, "a", a);
    const std::string dest = target + "/files/" + a.substr(1);
    Ready().CopyFolderFiles(*doc.m_pRoot);
    EXPECT_EQ(ReadFile(dest), "first");
    dir.WriteFile("src/a.doc", "second, longer");
    const struct timespec times[2] = {{1'500'000'000, 0}, {1'500'000'000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, a.c_str(), times, 0), 0);
    Ready().CopyFolderFiles(*doc.m_pRoot);  // the directories exist: no error
    EXPECT_TRUE(doc.m_arrPublishFiles.empty());
    EXPECT_EQ(ReadFile(dest), "second, longer");
    struct stat st {};
    ASSERT_EQ(::stat(dest.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1'500'000'000);
}

TEST_F(LocalSiteAssemblyTest, SourceThatIsItsOwnDestinationIsLeftAlone) {
    // The destination is the source itself, through a hard link: it must be left
    // whole and not be listed.
    const std::string a = dir.WriteFile("src/a.doc", "precious");
    AddDocument(*doc.m_pRoot, "a", a);
    LocalSiteAssembly assembly = Ready();
    ASSERT_EQ(::link(a.c_str(), (target + "/files/" + a.substr(1)).c_str()), 0);
    assembly.CopyFolderFiles(*doc.m_pRoot);
    EXPECT_TRUE(doc.m_arrPublishFiles.empty());
    EXPECT_EQ(ReadFile(a), "precious");
}

TEST_F(LocalSiteAssemblyTest, HostileProjectWritesNothingOutsideTheTarget) {
    // Files a hostile project would like to overwrite, beside the target.
    const std::string victim = dir.WriteFile("victim.txt", "VICTIM");
    const std::string payload = dir.WriteFile("src/payload.doc", "PAYLOAD");
    fs::create_directories(dir / "src/adir");
    const std::string up = "/" + std::string(fs::path(target).relative_path()) + "/../../../../../";

    const std::vector<std::string> hostileDocs = {
        dir / "src/../src/payload.doc",             // ".." segment, though the file exists
        "C:\\..\\..\\..\\victim.txt",               // Windows-form climb
        up + dir.Path().substr(1) + "/victim.txt",  // climbs out of files/
        dir / "src/",                               // trailing separator: no file name
        "/",                                        // empty remainder
        "C:\\",                                     // empty remainder
        dir / "src/adir",                           // names a directory
    };
    for (const auto& link : hostileDocs) AddDocument(*doc.m_pRoot, "evil", link);
    CBuildTreeFolder* hs = AddSubFolder(*doc.m_pRoot, "Map");
    hs->m_bHotspotFolder = 1;
    hs->m_strHotspotImage = dir / "src/x/../../victim.txt";
    doc.m_strBackgroundImage = dir / "src/..";

    const auto outsideBefore = Snapshot(dir.Path());
    LocalSiteAssembly assembly = Ready();
    EXPECT_FALSE(assembly.CopySiteFiles());

    // Every hostile source is listed, in walk order: background image first, then
    // the root's documents, then the hotspot folder's picture.
    std::vector<std::string> expected = {doc.m_strBackgroundImage};
    expected.insert(expected.end(), hostileDocs.begin(), hostileDocs.end());
    expected.push_back(hs->m_strHotspotImage);
    std::vector<std::string> listed;
    for (const auto& p : doc.m_arrPublishFiles) {
        if (p.rfind(program + "/images/", 0) != 0) listed.push_back(p);
    }
    EXPECT_EQ(listed, expected);

    // Nothing changed outside the target and the program folder.
    auto after = Snapshot(dir.Path());
    auto strip = [](std::set<std::string> s) {
        std::erase_if(s, [](const std::string& e) {
            return e.rfind("site/", 0) == 0 || e.rfind("program/", 0) == 0;
        });
        return s;
    };
    EXPECT_EQ(strip(after), strip(outsideBefore));
    EXPECT_EQ(ReadFile(victim), "VICTIM");
    // Inside the target: no directory was made for any of them.
    EXPECT_TRUE(fs::is_empty(target + "/files"));
}
