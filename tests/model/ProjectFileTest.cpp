// Project files: the bytes the writer produces, what the reader accepts, and
// damaged or hostile files, which give a clear error and never a crash, a hang or a
// huge allocation.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>
#include <memory>
#include <string>

#include "ModelTestSupport.h"
#include "model/Archive.h"
#include "model/FoldcraftDoc.h"
#include "model/ProjectFile.h"

namespace fs = std::filesystem;
using foldcraft::LoadProject;
using foldcraft::ReadProjectBytes;
using foldcraft::SaveProject;
using foldcraft::WriteProjectBytes;
using foldcraft::test::Fixture;
using foldcraft::test::Outline;
using foldcraft::test::TempDir;
using foldcraft::test::Tree;
using Status = foldcraft::ProjectFileResult::Status;

namespace {

constexpr size_t kRootFolderLists = 4 + 41 + 4;  // the root's m_arrFolders count

std::unique_ptr<CFoldcraftDoc> NewProject() {
    auto doc = std::make_unique<CFoldcraftDoc>();
    doc->OnNewDocument();
    return doc;
}

// A modified project with a document, a hotspot and a not-copied list.
std::unique_ptr<CFoldcraftDoc> StartProject() {
    auto doc = NewProject();
    doc->m_pRoot->AddDoc(std::make_unique<CBuildTreeDoc>("x", "/x", ""));
    doc->m_pRoot->AddHotspot(std::make_unique<CHotspotArea>());
    doc->m_strTitle = "not read";
    doc->m_arrPublishFiles.push_back("/x");
    doc->SetModifiedFlag();
    return doc;
}

// Hands out a file's bytes a few at a time, as a slow disk or pipe would; the
// declared size may be larger than what it holds (a file that shrank).
class ChunkedSource : public ArchiveSource {
public:
    ChunkedSource(std::string bytes, size_t chunk) : m_bytes(std::move(bytes)), m_chunk(chunk) {}
    long long Read(char* data, size_t size) override {
        const size_t n = std::min({size, m_chunk, m_bytes.size() - m_pos});
        std::memcpy(data, m_bytes.data() + m_pos, n);
        m_pos += n;
        return static_cast<long long>(n);
    }

private:
    std::string m_bytes;
    size_t m_chunk;
    size_t m_pos = 0;
};

}  // namespace

// The fixtures come from a second, independent encoder. Each file is opened over a
// named, modified project with other values everywhere: what the reader takes is
// written back (every-field.fcd gives every stored field its own value, so a field
// written or read in another's place shows). expect: the project's outline and title
// once open, or a part of the error message.
TEST(ProjectFile, OpenOutcomes) {
    struct Case {
        const char* file;  // a fixture, or "fifo", "folder", "missing", "empty" made here
        Status status;
        std::string expect;
        const char* writtenBack;
    };
    const Case cases[] = {
        {"new-project.fcd", Status::kOk, "Root[] My Title", "new-project.fcd"},
        {"never-saved-1.fcd", Status::kOk, "Root[] My Title", "new-project.fcd"},
        {"trailing-bytes.fcd", Status::kOk,
         "Root[Documents[Deep[Notes] Report Hidden name] Pictures[Beach @0:4 @1:4 @2:10] Example "
         "Mail me] Ann's site",
         "sample.fcd"},
        {"doc-first.fcd", Status::kOk, "Root[a b] My Title", "doc-first.fcd"},
        {"every-field.fcd", Status::kOk,
         "root\xC3\xA9[sub\xC3\xA9[] doc\xC3\xA9 @2:6] title\xC3\xA9", "every-field.fcd"},
        {"second-copy.fcd", Status::kOk, "Top[] My Title", ""},  // the second copy wins
        // Root item version 7: rows 2-10 are skipped, the folder part is read.
        {"item-version-7.fcd", Status::kOk, "Root[] My Title", ""},
        // A document entry of version 3 is only its version word.
        {"doc-version-3.fcd", Status::kOk, "Root['' after] My Title", ""},
        // Root folder version 9: no lists and no second copies; row 3 follows.
        {"folder-version-9.fcd", Status::kOk, "Root[] My Title", ""},
        {"hotspot-version-2.fcd", Status::kOk, "Root[@0:0 @1:4] My Title", ""},
        {"text-forms.fcd", Status::kOk, "z[] \xF0\x9F\x98\x80\xEF\xBF\xBD", ""},
        {"wide-text.fcd", Status::kOk,
         "\xC3\x89"
         "clair \xF0\x9F\x98\x80[] My Title",
         ""},
        // A zero-byte file is an empty project; an unsupported one opens empty.
        {"empty", Status::kOk, "Root[] not read", ""},
        {"version-2.fcd", Status::kUnsupportedVersion, "Error: unsupported Foldcraft file format.",
         ""},
        // Damaged: a new, unnamed project, so that no save can overwrite a good file.
        {"broken-truncated.fcd", Status::kDamaged, "longer than the rest of the file", ""},
        {"broken-unknown-class.fcd", Status::kDamaged, "unknown class \"CUnknown\"", ""},
        {"broken-wrong-kind.fcd", Status::kDamaged,
         "a list of CBuildTreeFolder entries holds a CBuildTreeDoc", ""},
        {"broken-null-reference.fcd", Status::kDamaged, "null reference", ""},
        {"broken-back-reference.fcd", Status::kDamaged, "refers back to an object", ""},
        {"broken-big-back-reference.fcd", Status::kDamaged, "refers back to an object", ""},
        {"broken-missing-class.fcd", Status::kDamaged, "class record 9", ""},
        {"broken-huge-count.fcd", Status::kDamaged,
         "4294967295 entries is longer than the rest of the file", ""},
        {"broken-huge-text.fcd", Status::kDamaged, "ends early", ""},
        {"broken-huge-coords.fcd", Status::kDamaged,
         "1073741824 entries is longer than the rest of the file", ""},
        {"broken-too-deep.fcd", Status::kDamaged, "nested more than 1000 levels", ""},
        {"broken-class-zero.fcd", Status::kDamaged, "class record 0,", ""},
        {"broken-missing-long-class.fcd", Status::kDamaged, "class record 9,", ""},
        {"broken-wide-marker.fcd", Status::kDamaged, "two wide-text marks", ""},
        {"broken-huge-wide-text.fcd", Status::kDamaged, "ends early", ""},
        // What cannot be read leaves the project untouched.
        {"fifo", Status::kNotRegularFile, "", ""},
        {"missing", Status::kIoError, "No such file", ""},
        {"folder", Status::kIoError, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TempDir dir;
        const std::string path = dir / "p.fcd", kind = c.file;
        if (kind == "fifo") {
            ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        } else if (kind == "folder") {
            fs::create_directory(path);
        } else if (kind != "missing") {
            dir.WriteFile("p.fcd", kind == "empty" ? "" : Fixture(kind));
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
        // 0: opened, 1: a new unnamed project, 2: untouched.
        const int after = c.status == Status::kOk || c.status == Status::kUnsupportedVersion ? 0
                          : c.status == Status::kDamaged                                     ? 1
                                                                                             : 2;
        const std::string project[] = {c.status == Status::kOk ? c.expect : "Root[] not read",
                                       "Root[] My Title", "Root[x @0:0] not read"};
        EXPECT_EQ(Outline(*doc->m_pRoot) + " " + doc->m_strTitle, project[after]);
        EXPECT_NE(result.message.find(result.Ok() ? "" : c.expect), std::string::npos)
            << result.message;
        EXPECT_EQ(result.message.empty(), result.Ok()) << result.message;
        const std::pair<std::string, std::string> named[] = {
            {path, "p.fcd"}, {"", "New Document"}, {"/start.fcd", "start.fcd"}};
        EXPECT_EQ(std::pair(doc->GetPathName(), doc->GetTitle()), named[after]);
        EXPECT_EQ(doc->IsModified(), after == 2);
        EXPECT_EQ(doc->m_arrPublishFiles.size(), after == 2 ? 1u : 0u);
        if (*c.writtenBack) {
            EXPECT_EQ(WriteProjectBytes(*doc), Fixture(c.writtenBack));
        }
    }
}

TEST(ProjectFile, SaveReplacesOnlyARegularFileAndLeavesNothingHalfDone) {
    // With a version: the project is opened from site.fcd, which is then changed.
    enum Trouble { kNone, kFileSizeLimit, kTooDeep, kSameVersion, kTouched, kReplaced, kRemoved };
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
        {"site.fcd", kSameVersion, Status::kOk, "site.fcd", ""},
        {"site.fcd", kTouched, Status::kChangedOnDisk, "", ""},  // one nanosecond later
        {"site.fcd", kReplaced, Status::kChangedOnDisk, "", ""},
        {"site.fcd", kRemoved, Status::kChangedOnDisk, "", ""},
    };
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.target) + " " + std::to_string(c.trouble));
        TempDir dir;
        const std::string site = dir.WriteFile("site.fcd", Fixture("sample.fcd"));
        ASSERT_EQ(chmod(site.c_str(), 0640), 0);
        ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
        fs::create_directory(dir / "folder");
        for (const char* link :
             {"link.fcd->site.fcd", "to-fifo->fifo", "to-folder->folder", "loop-a->loop-b",
              "loop-b->loop-a", "into-missing->missing/p.fcd", "to-new->made.fcd"})
            foldcraft::test::MakeLink(dir.Path(), link);
        auto doc = StartProject();
        foldcraft::ProjectFileResult read;
        if (c.trouble >= kSameVersion) {
            read = LoadProject(*doc, site);
            doc->SetModifiedFlag();
        }
        if (c.trouble == kTouched)
            fs::last_write_time(site, fs::last_write_time(site) + std::chrono::nanoseconds(1));
        if (c.trouble == kReplaced) fs::rename(dir.WriteFile("new", "changed meanwhile"), site);
        if (c.trouble == kRemoved) fs::remove(site);
        CBuildTreeFolder* folder = doc->m_pRoot.get();
        for (int i = 0; c.trouble == kTooDeep && i < 1000; ++i)
            folder = folder->AddFolder(std::make_unique<CBuildTreeFolder>());
        const auto before = Tree(dir.Path());
        const auto named = std::pair(doc->GetPathName(), doc->GetTitle());
        const int neverSaved = doc->m_bNeverSaved;
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit old = limit;
        if (c.trouble == kFileSizeLimit) limit.rlim_cur = 100;  // then writes fail with EFBIG
        setrlimit(RLIMIT_FSIZE, &limit);
        const auto result =
            SaveProject(*doc, dir / c.target, c.trouble >= kSameVersion ? &read.version : nullptr);
        setrlimit(RLIMIT_FSIZE, &old);
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
        if (c.written == std::string("site.fcd")) {
            EXPECT_EQ(fs::status(site).permissions(), fs::perms(0640)) << "old permissions kept";
        }
        EXPECT_EQ(doc->IsModified(), !result.Ok());
        EXPECT_EQ(doc->m_bNeverSaved, result.Ok() ? 0 : neverSaved);
        EXPECT_EQ(std::pair(doc->GetPathName(), doc->GetTitle()),
                  result.Ok() ? std::pair(dir / c.target, std::string(c.target)) : named);
    }
    signal(SIGXFSZ, oldHandler);
}

// A save removes the temporary files that killed saves of the same file left beside
// it: regular files named exactly as the writer names them, whose process is gone.
// Those of a live process, links, other entries and other files' stay.
TEST(ProjectFile, SaveRemovesTheTemporaryFilesOfKilledSaves) {
    const std::string dead = ".p.fcd.2147483647-";  // beyond any pid_max
    const std::string live = ".p.fcd." + std::to_string(getppid()) + "-";
    const std::string self = ".p.fcd." + std::to_string(getpid()) + "-";
    struct Row {
        std::string name;
        char kind;  // 'f' file, 'l' link to notes.txt, 'd' directory, 'p' FIFO
        bool removed;
    };
    const Row rows[] = {
        {dead + "0-abcdef.tmp", 'f', true},
        {dead + "41-000000.tmp", 'f', true},
        {dead + "1-abcdef.tmp", 'l', false},
        {dead + "2-abcdef.tmp", 'd', false},
        {dead + "3-abcdef.tmp", 'p', false},
        {live + "0-abcdef.tmp", 'f', false},
        {self + "0-abcdef.tmp", 'f', false},
        {".p.fcd.0-0-abcdef.tmp", 'f', false},
        {".p.fcd.02147483647-0-abcdef.tmp", 'f', false},
        {dead + "01-abcdef.tmp", 'f', false},
        {dead + "0-abcdeF.tmp", 'f', false},
        {dead + "0-abcde.tmp", 'f', false},
        {dead + "0-abcdef.tmp~", 'f', false},
        {dead + "0-abcdef-1.tmp", 'f', false},
        {".q.fcd.2147483647-0-abcdef.tmp", 'f', false},
        {".p.2147483647-0-abcdef.tmp", 'f', false},
        {"p.fcd.2147483647-0-abcdef.tmp", 'f', false},
    };
    TempDir dir;
    const std::string notes = dir.WriteFile("notes.txt", "MY NOTES");
    for (const Row& row : rows) {
        const std::string path = dir / row.name;
        if (row.kind == 'f') dir.WriteFile(row.name, "killed");
        if (row.kind == 'l') fs::create_symlink(notes, path);
        if (row.kind == 'd') fs::create_directory(path);
        ASSERT_TRUE(row.kind != 'p' || mkfifo(path.c_str(), 0600) == 0);
    }
    auto expected = foldcraft::test::Tree(dir.Path());
    auto doc = StartProject();
    ASSERT_TRUE(SaveProject(*doc, dir / "p.fcd").Ok());
    for (const Row& row : rows) {
        if (row.removed) std::erase(expected, row.name + "=killed");
    }
    expected.push_back("p.fcd=" + WriteProjectBytes(*doc));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(foldcraft::test::Tree(dir.Path()), expected);
}

// Writer limits. The publish path of length n ends the file; docs documents, then two
// hotspots: the second names class record docs + 2. Times are unsigned 32-bit fields,
// clamped on writing.
TEST(ProjectFile, LongFormsAndTimeLimits) {
    struct Case {
        size_t length;
        std::string prefix;
        size_t docs;
        std::string count, tag;
        foldcraft::Time time, written;
    };
    const Case cases[] = {
        {254, "\xFE", 32'764, "\xFC\x7F", "\xFE\xFF", 0x80000000ll, 0x80000000ll},
        {255, std::string("\xFF\xFF\x00", 3), 32'765, "\xFD\x7F",
         std::string("\xFF\x7F\xFF\x7F\x00\x80", 6), 0xFFFFFFFFll, 0xFFFFFFFFll},
        {65'533, "\xFF\xFD\xFF", 65'534, "\xFE\xFF", std::string("\xFF\x7F\x00\x00\x01\x80", 6),
         0x100000000ll + 7, 0xFFFFFFFFll},
        {65'534, std::string("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7), 65'535,
         std::string("\xFF\xFF\xFF\xFF\x00\x00", 6), std::string("\xFF\x7F\x01\x00\x01\x80", 6), -1,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        auto doc = NewProject();
        doc->m_strPublishPath = std::string(c.length, 'p');
        doc->m_timeLastPublish = c.time;
        for (size_t i = 0; i < c.docs; ++i) doc->m_pRoot->AddDoc(std::make_unique<CBuildTreeDoc>());
        doc->m_pRoot->m_arrDocs[0]->m_timePurge = c.time;
        doc->m_pRoot->AddHotspot(std::make_unique<CHotspotArea>());
        doc->m_pRoot->AddHotspot(std::make_unique<CHotspotArea>());
        const std::string bytes = WriteProjectBytes(*doc);
        EXPECT_EQ(bytes.substr(bytes.size() - c.length - c.prefix.size(), c.prefix.size()),
                  c.prefix);
        EXPECT_EQ(bytes.substr(kRootFolderLists + 2, c.count.size()), c.count);
        const size_t record = bytes.find("CHotspotArea");
        ASSERT_NE(record, std::string::npos);
        EXPECT_EQ(bytes.substr(record + 12 + 11, c.tag.size()), c.tag);
        CFoldcraftDoc back;
        ASSERT_TRUE(ReadProjectBytes(back, bytes).Ok());
        EXPECT_EQ(back.m_pRoot->m_arrDocs.size(), c.docs);
        EXPECT_EQ(back.m_timeLastPublish, c.written);
        EXPECT_EQ(back.m_pRoot->m_arrDocs[0]->m_timePurge, c.written);
        EXPECT_EQ(back.m_strPublishPath, doc->m_strPublishPath);
    }
}

TEST(ProjectFile, EveryTruncationOfASampleFailsCleanly) {
    const std::string sample = Fixture("sample.fcd");
    foldcraft::test::TempDir dir;
    for (size_t n = 1; n < sample.size(); ++n) {
        // In memory and from a file on disk (read through its own buffer).
        CFoldcraftDoc doc, opened;
        const auto result = ReadProjectBytes(doc, std::string_view(sample).substr(0, n));
        const auto loaded =
            foldcraft::LoadProject(opened, dir.WriteFile("cut.fcd", sample.substr(0, n)));
        ASSERT_EQ(result.status, Status::kDamaged) << "prefix of " << n << " bytes";
        ASSERT_EQ(loaded.status, Status::kDamaged) << n << ": " << loaded.message;
        ASSERT_NE(result.message.find("the project file is damaged: "), std::string::npos) << n;
        ASSERT_EQ(doc.m_pRoot->CountItems() + opened.m_pRoot->CountItems(), 2u) << n;
    }
}

TEST(ProjectFile, FoldersNestDownTo1000Levels) {
    CFoldcraftDoc doc;
    CBuildTreeFolder* folder = doc.m_pRoot.get();
    for (int i = 1; i < CArchive::kMaxFolderDepth; ++i)
        folder = folder->AddFolder(std::make_unique<CBuildTreeFolder>());
    CFoldcraftDoc back;
    ASSERT_TRUE(ReadProjectBytes(back, WriteProjectBytes(doc)).Ok());
    EXPECT_EQ(back.m_pRoot->CountItems(), 1000u);
}

TEST(ProjectFile, ReadingThroughAWindowGivesTheSameProject) {
    // A text longer than the 1 MiB window; a sample in pieces of 1 byte through a
    // window of 5, of 7 through 5,000; a source holding less than its declared size.
    CFoldcraftDoc big;
    big.m_strFooter = std::string(3 << 20, 'f');
    const std::string sample = Fixture("sample.fcd"), bigBytes = WriteProjectBytes(big);
    const std::string shrunk = sample.substr(0, 700);
    struct Case {
        const std::string& bytes;
        size_t declared, chunk, window;
    };
    const Case cases[] = {{sample, sample.size(), 1, 5},
                          {sample, sample.size(), 7, 5000},
                          {bigBytes, bigBytes.size(), 65536, 1 << 20},
                          {shrunk, sample.size(), 100, 1 << 20}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.declared << " " << c.chunk << " " << c.window);
        ChunkedSource source(c.bytes, c.chunk);
        CArchive ar(source, c.declared, c.window);
        CFoldcraftDoc doc;
        std::string error;
        try {
            doc.Serialize(ar);
        } catch (const CArchiveException& e) {
            error = e.Message();
        }
        if (c.declared == c.bytes.size())
            EXPECT_EQ(WriteProjectBytes(doc), c.bytes) << error;
        else
            EXPECT_NE(error.find("ends early"), std::string::npos) << error;
    }
}
