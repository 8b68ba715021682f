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

namespace fs = std::filesystem;
using foldcraft::LoadProject;
using foldcraft::SaveProject;
using foldcraft::WriteProjectBytes;
using foldcraft::test::Fixture;
using foldcraft::test::ReadFile;
using foldcraft::test::TempDir;
using foldcraft::test::Tree;
using Status = foldcraft::ProjectFileResult::Status;

namespace {

// A named, modified project with one document and a not-copied list.
std::unique_ptr<CFoldcraftDoc> StartProject() {
    auto doc = std::make_unique<CFoldcraftDoc>();
    doc->OnNewDocument();
    doc->m_pRoot->AddDoc(std::make_unique<CBuildTreeDoc>("Report", "/home/ann/report.pdf", ""));
    doc->m_strTitle = "Kept";
    doc->m_arrPublishFiles.push_back("/x");
    doc->SetModifiedFlag();
    return doc;
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

TEST(ProjectFileDisk, OpenOutcomes) {
    enum After { kOpened, kNewUnnamed, kUntouched };
    struct Case {
        const char* name;  // "fifo", "folder.fcd", "missing.fcd": made as such
        std::string bytes;
        Status status;
        const char* message;
        After after;
        size_t items;
        const char* title;
    };
    const Case cases[] = {
        {"site.fcd", Fixture("sample.fcd"), Status::kOk, "", kOpened, 10, "Ann's site"},
        // A zero-byte file is an empty project; an unsupported one opens empty.
        {"empty.fcd", "", Status::kOk, "", kOpened, 1, "Kept"},
        {"old.fcd", Fixture("version-2.fcd"), Status::kUnsupportedVersion,
         "Error: unsupported Foldcraft file format.", kOpened, 1, "Kept"},
        // Damaged: a new, unnamed project, so that no save can overwrite a good file.
        {"bad.fcd", Fixture("broken-unknown-class.fcd"), Status::kDamaged, "damaged", kNewUnnamed,
         1, "My Title"},
        {"fifo", "", Status::kNotRegularFile, "", kUntouched, 2, "Kept"},
        {"missing.fcd", "", Status::kIoError, "", kUntouched, 2, "Kept"},
        {"folder.fcd", "", Status::kIoError, "", kUntouched, 2, "Kept"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir / c.name;
        if (c.name == std::string("fifo")) {
            ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        } else if (c.name == std::string("folder.fcd")) {
            fs::create_directory(path);
        } else if (c.name != std::string("missing.fcd")) {
            dir.WriteFile(c.name, c.bytes);
        }
        auto doc = StartProject();
        doc->SetPathName("/start.fcd");
        // A correct open of a FIFO returns at once; thirty seconds only bound a wrong
        // one (an open that waits for a writer is let go, so that the test ends).
        auto load = std::async(std::launch::async, [&] { return LoadProject(*doc, path); });
        const bool ended = load.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
        if (!ended) close(open(path.c_str(), O_WRONLY | O_NONBLOCK));
        const auto result = load.get();
        EXPECT_TRUE(ended) << "the open waited for a writer";
        EXPECT_EQ(result.status, c.status);
        EXPECT_NE(result.message.find(c.message), std::string::npos) << result.message;
        EXPECT_EQ(result.message.empty(), result.Ok()) << result.message;
        EXPECT_EQ(doc->m_pRoot->CountItems(), c.items);
        EXPECT_EQ(doc->m_strTitle, c.title);
        EXPECT_EQ(doc->GetPathName(), c.after == kOpened      ? path
                                      : c.after == kUntouched ? "/start.fcd"
                                                              : "");
        EXPECT_EQ(doc->GetTitle(), c.after == kOpened       ? c.name
                                   : c.after == kNewUnnamed ? "New Document"
                                                            : "start.fcd");
        EXPECT_EQ(doc->IsModified(), c.after == kUntouched);
        EXPECT_EQ(doc->m_arrPublishFiles.size(), c.after == kUntouched ? 1u : 0u);
    }
}

TEST(ProjectFileDisk, SaveReplacesOnlyARegularFileAndLeavesNothingHalfDone) {
    enum Trouble { kNone, kFileSizeLimit, kTooDeep };
    struct Case {
        const char* target;
        Trouble trouble;
        Status status;
        const char* written;  // the file that gets the project, through any link
        const char* message;
    };
    const Case cases[] = {
        {"site.fcd", kNone, Status::kOk, "site.fcd", ""},
        {"link.fcd", kNone, Status::kOk, "site.fcd", ""},
        {"to-new", kNone, Status::kOk, "made.fcd", ""},  // a link to nothing, in a directory
        {"new.fcd", kNone, Status::kOk, "new.fcd", ""},
        {"fifo", kNone, Status::kNotRegularFile, "", ""},
        {"folder", kNone, Status::kNotRegularFile, "", ""},
        {"to-fifo", kNone, Status::kNotRegularFile, "", ""},
        {"to-folder", kNone, Status::kNotRegularFile, "", ""},
        {"loop-a", kNone, Status::kNotRegularFile, "", ""},
        {"into-missing", kNone, Status::kNotRegularFile, "", ""},
        {"site.fcd", kFileSizeLimit, Status::kIoError, "", "File too large"},
        {"site.fcd", kTooDeep, Status::kIoError, "", "1000 levels"},
        {"no/such/dir/site.fcd", kNone, Status::kIoError, "", "No such file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.target) + " " + std::to_string(c.trouble));
        TempDir dir;
        const std::string site = dir.WriteFile("site.fcd", Fixture("sample.fcd"));
        ASSERT_EQ(chmod(site.c_str(), 0640), 0);
        ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
        fs::create_directory(dir / "folder");
        for (const auto& [link, to] : {std::pair{"link.fcd", "site.fcd"},
                                       {"to-fifo", "fifo"},
                                       {"to-folder", "folder"},
                                       {"loop-a", "loop-b"},
                                       {"loop-b", "loop-a"},
                                       {"into-missing", "missing/p.fcd"},
                                       {"to-new", "made.fcd"}})
            fs::create_symlink(to, dir / link);
        const auto before = Tree(dir.Path());

        auto doc = StartProject();
        CBuildTreeFolder* folder = doc->m_pRoot.get();
        for (int i = 0; c.trouble == kTooDeep && i < 1000; ++i)
            folder = folder->AddFolder(std::make_unique<CBuildTreeFolder>());
        foldcraft::ProjectFileResult result;
        {
            std::unique_ptr<FileSizeLimit> limit;
            if (c.trouble == kFileSizeLimit) limit = std::make_unique<FileSizeLimit>(100);
            result = SaveProject(*doc, dir / c.target);
        }
        EXPECT_EQ(result.status, c.status);
        EXPECT_NE(result.message.find(c.message), std::string::npos) << result.message;

        // Links stay links, no temporary file is left, a failure changes nothing.
        auto expected = before;
        if (*c.written) {
            std::erase_if(expected, [&](const std::string& e) { return e.starts_with(c.written); });
            expected.push_back(c.written + ("=" + WriteProjectBytes(*doc)));
            std::sort(expected.begin(), expected.end());
        }
        EXPECT_EQ(Tree(dir.Path()), expected);
        struct stat st {};
        ASSERT_EQ(stat(site.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u) << "the old file's permissions are kept";
        EXPECT_EQ(doc->IsModified(), !result.Ok());
        EXPECT_EQ(doc->m_bNeverSaved, result.Ok() ? 0 : 1);
        EXPECT_EQ(doc->GetPathName(), result.Ok() ? dir / c.target : "");
        EXPECT_EQ(doc->GetTitle(), result.Ok() ? c.target : "New Document");
    }
}

TEST(ProjectFileDisk, SaveOverTheVersionReadLeavesAChangedFileAlone) {
    TempDir dir;
    const std::string path = dir / "p.fcd";
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"unchanged", [] {}},
        {"modification time one nanosecond later",
         [&] {
             struct stat st {};
             stat(path.c_str(), &st);
             timespec times[2] = {st.st_atim, st.st_mtim};
             times[1].tv_nsec = (times[1].tv_nsec + 1) % 1'000'000'000;
             utimensat(AT_FDCWD, path.c_str(), times, 0);
         }},
        {"replaced", [&] { fs::rename(dir.WriteFile("new", "changed meanwhile"), path); }},
        {"removed", [&] { fs::remove(path); }},
    };
    for (const auto& [what, change] : cases) {
        SCOPED_TRACE(what);
        dir.WriteFile("p.fcd", Fixture("sample.fcd"));
        CFoldcraftDoc doc;
        const auto read = LoadProject(doc, path);
        ASSERT_TRUE(read.Ok());
        change();
        const auto left = Tree(dir.Path());
        doc.m_strTitle = "Stamped";
        const bool saved = what == std::string("unchanged");
        const auto result = SaveProject(doc, path, &read.version);
        EXPECT_EQ(result.status, saved ? Status::kOk : Status::kChangedOnDisk);
        EXPECT_EQ(Tree(dir.Path()), saved ? std::vector{"p.fcd=" + WriteProjectBytes(doc)} : left);
    }
}
