// Opening and saving project files on disk.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <string>

#include "ModelTestSupport.h"
#include "model/FoldcraftDoc.h"
#include "model/ProjectFile.h"
#include "support/AsOrdinaryUser.h"

namespace fs = std::filesystem;
using foldcraft::LoadProject;
using foldcraft::SaveProject;
using foldcraft::WriteProjectBytes;
using foldcraft::test::AsOrdinaryUser;
using foldcraft::test::FileExists;
using foldcraft::test::Fixture;
using foldcraft::test::ReadFile;
using foldcraft::test::TempDir;
using foldcraft::test::UserRun;
using Status = foldcraft::ProjectFileResult::Status;

namespace {

// The names in a directory, to see that no temporary file is left behind.
std::vector<std::string> Listing(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// The same with each entry's kind and link target, to see that nothing was replaced.
std::vector<std::string> Entries(const std::string& dir) {
    std::vector<std::string> entries;
    for (const auto& entry : fs::directory_iterator(dir)) {
        std::string text = entry.path().filename().string() + " " +
                           std::to_string(static_cast<int>(entry.symlink_status().type()));
        if (entry.is_symlink()) text += " -> " + fs::read_symlink(entry.path()).string();
        entries.push_back(text);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::unique_ptr<CFoldcraftDoc> ProjectWithOneDocument() {
    auto doc = std::make_unique<CFoldcraftDoc>();
    doc->OnNewDocument();
    doc->m_pRoot->AddDoc(std::make_unique<CBuildTreeDoc>("Report", "/home/ann/report.pdf", ""));
    doc->SetModifiedFlag();
    return doc;
}

// Nests folders one level deeper than a project file may hold.
void TooDeep(CFoldcraftDoc& doc) {
    CBuildTreeFolder* folder = doc.m_pRoot.get();
    for (int i = 0; i < 1000; ++i) folder = folder->AddFolder(std::make_unique<CBuildTreeFolder>());
}

// Makes every write beyond `bytes` fail with EFBIG for the object's lifetime.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    sighandler_t m_oldHandler;
};

}  // namespace

TEST(ProjectFileDisk, OpenSetsPathTitleAndFlags) {
    TempDir dir;
    const std::string path = dir.WriteFile("site.fcd", Fixture("sample.fcd"));
    CFoldcraftDoc doc;
    doc.OnNewDocument();
    doc.SetModifiedFlag();
    doc.m_arrPublishFiles.push_back("/x");
    const auto result = LoadProject(doc, path);
    ASSERT_TRUE(result.Ok()) << result.message;
    EXPECT_TRUE(result.message.empty());
    EXPECT_EQ(doc.GetPathName(), path);
    EXPECT_EQ(doc.GetTitle(), "site.fcd");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(doc.m_arrPublishFiles.empty());
    EXPECT_EQ(doc.m_bNeverSaved, 0);
    EXPECT_EQ(doc.m_pRoot->CountItems(), 10u);
}

TEST(ProjectFileDisk, ZeroByteOrUnsupportedFileOpensWithAnEmptyTree) {
    TempDir dir;
    struct Case {
        std::string bytes;
        Status status;
        std::string message;
    };
    const Case cases[] = {
        {"", Status::kOk, ""},
        {Fixture("version-2.fcd"), Status::kUnsupportedVersion,
         "Error: unsupported Foldcraft file format."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const std::string path = dir.WriteFile("p.fcd", c.bytes);
        auto doc = ProjectWithOneDocument();
        doc->m_strFont = "Kept";
        const auto result = LoadProject(*doc, path);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.message, c.message);
        // The open completes: the tree is emptied, the other fields are kept.
        EXPECT_EQ(doc->m_pRoot->CountItems(), 1u);
        EXPECT_EQ(doc->m_pRoot->m_strName, "Root");
        EXPECT_EQ(doc->m_strFont, "Kept");
        EXPECT_EQ(doc->GetPathName(), path);
        EXPECT_FALSE(doc->IsModified());
    }
}

TEST(ProjectFileDisk, DamagedFileLeavesANewUnnamedProject) {
    TempDir dir;
    const std::string good = dir.WriteFile("good.fcd", Fixture("sample.fcd"));
    const std::string bad = dir.WriteFile("bad.fcd", Fixture("broken-unknown-class.fcd"));
    CFoldcraftDoc doc;
    ASSERT_TRUE(LoadProject(doc, good).Ok());
    const auto result = LoadProject(doc, bad);
    EXPECT_EQ(result.status, Status::kDamaged);
    EXPECT_FALSE(result.message.empty());
    EXPECT_EQ(doc.m_pRoot->CountItems(), 1u);
    // Not "good.fcd" any more: a save cannot overwrite it with the emptied tree.
    EXPECT_EQ(doc.GetPathName(), "");
    EXPECT_EQ(doc.GetTitle(), "New Document");
    EXPECT_EQ(doc.m_strTitle, "My Title");
    EXPECT_EQ(ReadFile(good), Fixture("sample.fcd"));
}

TEST(ProjectFileDisk, FifoIsRefusedWithoutWaitingForAWriter) {
    TempDir dir;
    const std::string fifo = dir / "p.fcd";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto doc = ProjectWithOneDocument();
    // A correct open returns at once; thirty seconds only bound a wrong one, however
    // busy the machine.
    auto load = std::async(std::launch::async, [&] { return LoadProject(*doc, fifo); });
    const bool ended = load.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    if (!ended) {  // an open that waits for a writer is let go, so that the test ends
        const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) close(writer);
    }
    const auto result = load.get();
    EXPECT_TRUE(ended) << "the open waited for a writer";
    EXPECT_EQ(result.status, Status::kNotRegularFile);
    EXPECT_EQ(doc->m_pRoot->CountItems(), 2u);
}

TEST(ProjectFileDisk, UnreadableFileLeavesTheProjectUntouched) {
    TempDir dir;
    fs::create_directory(dir / "folder.fcd");
    for (const std::string& path : {dir / "missing.fcd", dir / "folder.fcd"}) {
        SCOPED_TRACE(path);
        auto doc = ProjectWithOneDocument();
        const auto result = LoadProject(*doc, path);
        EXPECT_EQ(result.status, Status::kIoError);
        EXPECT_FALSE(result.message.empty());
        EXPECT_EQ(doc->m_pRoot->CountItems(), 2u);
        EXPECT_TRUE(doc->IsModified());
    }
}

TEST(ProjectFileDisk, SaveWritesTheBytesAndUpdatesTheDocument) {
    TempDir dir;
    const std::string path = dir / "new.fcd";
    auto doc = ProjectWithOneDocument();
    ASSERT_EQ(doc->m_bNeverSaved, 1);
    const auto result = SaveProject(*doc, path);
    ASSERT_TRUE(result.Ok()) << result.message;
    EXPECT_EQ(doc->m_bNeverSaved, 0);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(doc->GetPathName(), path);
    EXPECT_EQ(doc->GetTitle(), "new.fcd");
    EXPECT_EQ(ReadFile(path), WriteProjectBytes(*doc));
    EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{"new.fcd"});

    // Open and save again: the same bytes.
    CFoldcraftDoc again;
    ASSERT_TRUE(LoadProject(again, path).Ok());
    const std::string before = ReadFile(path);
    ASSERT_TRUE(SaveProject(again, path).Ok());
    EXPECT_EQ(ReadFile(path), before);
}

TEST(ProjectFileDisk, SaveKeepsTheOldFilesPermissionsAndFollowsSymbolicLinks) {
    TempDir dir;
    const std::string real = dir.WriteFile("real.fcd", "old");
    ASSERT_EQ(chmod(real.c_str(), 0640), 0);
    fs::create_symlink(real, dir / "link.fcd");
    auto doc = ProjectWithOneDocument();
    ASSERT_TRUE(SaveProject(*doc, dir / "link.fcd").Ok());
    EXPECT_TRUE(fs::is_symlink(dir / "link.fcd"));
    EXPECT_EQ(ReadFile(real), WriteProjectBytes(*doc));
    struct stat st {};
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"link.fcd", "real.fcd"}));
}

TEST(ProjectFileDisk, FailedSaveLeavesTheOldFileAndTheDocumentAsTheyWere) {
    TempDir dir;
    const std::string old = Fixture("sample.fcd");
    const std::string path = dir.WriteFile("site.fcd", old);
    fs::create_directory(dir / "sub.fcd");

    auto expectUntouched = [&](CFoldcraftDoc& doc, const foldcraft::ProjectFileResult& result) {
        EXPECT_EQ(result.status, Status::kIoError);
        EXPECT_FALSE(result.message.empty());
        EXPECT_EQ(ReadFile(path), old);
        EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"site.fcd", "sub.fcd"}));
        EXPECT_EQ(doc.m_bNeverSaved, 1);
        EXPECT_TRUE(doc.IsModified());
        EXPECT_EQ(doc.GetPathName(), "");
    };
    {
        SCOPED_TRACE("write fails half-way (file size limit)");
        auto doc = ProjectWithOneDocument();
        foldcraft::ProjectFileResult result;
        {
            FileSizeLimit limit(100);
            result = SaveProject(*doc, path);
        }
        expectUntouched(*doc, result);
        EXPECT_NE(result.message.find("File too large"), std::string::npos) << result.message;
    }
    const std::pair<const char*, std::string> targets[] = {
        {"the tree cannot be written", path},
        {"directory missing", dir / "no/such/dir/site.fcd"},
    };
    for (const auto& [what, target] : targets) {
        SCOPED_TRACE(what);
        auto doc = ProjectWithOneDocument();
        if (target == path) TooDeep(*doc);
        expectUntouched(*doc, SaveProject(*doc, target));
    }
}

TEST(ProjectFileDisk, SaveRefusesWhatIsNotARegularFile) {
    TempDir dir;
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    fs::create_directory(dir / "folder");
    fs::create_symlink("fifo", dir / "to-fifo");
    fs::create_symlink("folder", dir / "to-folder");
    fs::create_symlink("loop-b", dir / "loop-a");
    fs::create_symlink("loop-a", dir / "loop-b");
    fs::create_symlink("missing/p.fcd", dir / "into-missing");
    const auto before = Entries(dir.Path());
    for (const char* name : {"fifo", "folder", "to-fifo", "to-folder", "loop-a", "into-missing"}) {
        SCOPED_TRACE(name);
        auto doc = ProjectWithOneDocument();
        const auto result = SaveProject(*doc, dir / name);
        EXPECT_EQ(result.status, Status::kNotRegularFile);
        EXPECT_EQ(Entries(dir.Path()), before);
        EXPECT_TRUE(doc->IsModified());
    }
    // A link to nothing in an existing directory: the file is made where it leads.
    fs::create_symlink("made.fcd", dir / "to-new");
    auto doc = ProjectWithOneDocument();
    ASSERT_TRUE(SaveProject(*doc, dir / "to-new").Ok());
    EXPECT_TRUE(fs::is_symlink(dir / "to-new"));
    EXPECT_EQ(ReadFile(dir / "made.fcd"), WriteProjectBytes(*doc));
}

TEST(ProjectFileDisk, SaveOverTheVersionReadLeavesAChangedFileAlone) {
    TempDir dir;
    const std::string path = dir / "p.fcd";
    const std::string other = "changed meanwhile";
    struct Case {
        const char* what;
        std::function<void()> change;
        bool saved;
    };
    const Case cases[] = {
        {"unchanged", [] {}, true},
        {"modification time one nanosecond later",
         [&] {
             struct stat st {};
             stat(path.c_str(), &st);
             timespec times[2] = {st.st_atim, st.st_mtim};
             times[1].tv_nsec = (times[1].tv_nsec + 1) % 1'000'000'000;
             utimensat(AT_FDCWD, path.c_str(), times, 0);
         },
         false},
        {"replaced", [&] { fs::rename(dir.WriteFile("new", other), path); }, false},
        {"removed", [&] { fs::remove(path); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dir.WriteFile("p.fcd", Fixture("sample.fcd"));
        CFoldcraftDoc doc;
        const auto read = LoadProject(doc, path);
        ASSERT_TRUE(read.Ok());
        c.change();
        const std::string left = ReadFile(path);
        doc.m_strTitle = "Stamped";
        const auto result = SaveProject(doc, path, &read.version);
        EXPECT_EQ(result.status, c.saved ? Status::kOk : Status::kChangedOnDisk);
        EXPECT_EQ(ReadFile(path), c.saved ? WriteProjectBytes(doc) : left);
        EXPECT_EQ(Listing(dir.Path()).size(), FileExists(path) ? 1u : 0u);
    }
}

TEST(ProjectFileDisk, SaveIntoAReadOnlyDirectoryFails) {
    TempDir dir;
    const std::string path = dir.WriteFile("ro/site.fcd", "old");
    ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(chmod((dir / "ro").c_str(), 0555), 0);
    const UserRun run = AsOrdinaryUser([&] {
        auto doc = ProjectWithOneDocument();
        return SaveProject(*doc, path).status == Status::kIoError;
    });
    chmod((dir / "ro").c_str(), 0755);
    if (run == UserRun::kNoOrdinaryUser) GTEST_SKIP() << "cannot run as an ordinary user";
    EXPECT_EQ(run, UserRun::kPassed);
    EXPECT_EQ(ReadFile(path), "old");
    EXPECT_EQ(Listing(dir / "ro"), std::vector<std::string>{"site.fcd"});
}
