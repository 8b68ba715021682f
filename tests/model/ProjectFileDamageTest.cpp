// Damaged and hostile project files: each gives a clear error and never a crash,
// a hang or a huge allocation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "ModelTestSupport.h"
#include "model/Archive.h"
#include "model/FoldcraftDoc.h"
#include "model/ProjectFile.h"

using foldcraft::LoadProject;
using foldcraft::ReadProjectBytes;
using foldcraft::WriteProjectBytes;
using foldcraft::test::Bytes;
using foldcraft::test::Fixture;
using Status = foldcraft::ProjectFileResult::Status;

namespace {

// A document whose root has one chain of sub-folders: depth folders in all,
// the root included.
std::string NestedFolders(int depth) {
    std::string head, tail;
    for (int level = 0; level < depth; ++level) {
        Bytes open;
        if (level == 1) open.U16(0xFFFF).U16(1).U16(16).Raw("CBuildTreeFolder");
        if (level > 1) open.U16(0x8001);
        open.Item("L", "(folder)").U32(1).U16(level + 1 < depth ? 1 : 0);
        head += open.Str();
        Bytes close;
        close.U16(0).U16(0).FolderTail("L", "(folder)");
        tail = close.Str() + tail;
    }
    Bytes doc;
    doc.U32(1).Raw(head).Raw(tail).DocumentTail();
    return doc.Str();
}

}  // namespace

TEST(ProjectFileDamage, BrokenFixturesAreRefusedWithTheirReason) {
    struct Case {
        const char* file;
        const char* reason;
    };
    const Case cases[] = {
        {"broken-truncated.fcd", "longer than the rest of the file"},
        {"broken-unknown-class.fcd", "unknown class \"CUnknown\""},
        {"broken-wrong-kind.fcd", "a list of CBuildTreeFolder entries holds a CBuildTreeDoc"},
        {"broken-null-reference.fcd", "null reference"},
        {"broken-back-reference.fcd", "refers back to an object"},
        {"broken-big-back-reference.fcd", "refers back to an object"},
        {"broken-missing-class.fcd", "class record 9"},
        {"broken-huge-count.fcd", "4294967295 entries is longer than the rest of the file"},
        {"broken-huge-text.fcd", "ends early"},
        {"broken-huge-coords.fcd", "1073741824 entries is longer than the rest of the file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string bytes = Fixture(c.file);
        ASSERT_FALSE(bytes.empty());
        CFoldcraftDoc doc;
        doc.OnNewDocument();
        doc.m_strTitle = "Before";
        doc.m_pRoot->AddDoc(std::make_unique<CBuildTreeDoc>("x", "/x", ""));
        const auto result = ReadProjectBytes(doc, bytes);
        EXPECT_EQ(result.status, Status::kDamaged);
        EXPECT_NE(result.message.find(c.reason), std::string::npos)
            << "message: " << result.message;
        EXPECT_NE(result.message.find("damaged"), std::string::npos) << result.message;
        // The tree is emptied; nothing half-read is left in the other fields.
        EXPECT_EQ(doc.m_pRoot->CountItems(), 1u);
        EXPECT_EQ(doc.m_strTitle, "Before");
    }
}

TEST(ProjectFileDamage, EveryTruncationOfASampleFailsCleanly) {
    const std::string sample = Fixture("sample.fcd");
    ASSERT_GT(sample.size(), 1000u);
    foldcraft::test::TempDir dir;
    for (size_t n = 0; n < sample.size(); ++n) {
        // In memory and from a file on disk (read through its own buffer).
        CFoldcraftDoc doc, opened;
        doc.OnNewDocument();
        const auto result = ReadProjectBytes(doc, std::string_view(sample).substr(0, n));
        const auto loaded = LoadProject(opened, dir.WriteFile("cut.fcd", sample.substr(0, n)));
        if (n == 0) {
            EXPECT_TRUE(result.Ok() && loaded.Ok()) << "a zero-byte file is an empty project";
        } else {
            ASSERT_EQ(result.status, Status::kDamaged) << "prefix of " << n << " bytes";
            ASSERT_EQ(loaded.status, Status::kDamaged) << n << ": " << loaded.message;
            ASSERT_NE(result.message.find("the project file is damaged: "), std::string::npos)
                << n << ": " << result.message;
        }
        ASSERT_EQ(doc.m_pRoot->CountItems(), 1u);
        ASSERT_EQ(opened.m_pRoot->CountItems(), 1u);
        ASSERT_EQ(doc.m_strTitle, "My Title");
    }
}

TEST(ProjectFileDamage, BytesAfterTheLastRowAreIgnored) {
    CFoldcraftDoc doc;
    EXPECT_TRUE(ReadProjectBytes(doc, Fixture("sample.fcd") + "trailing").Ok());
    EXPECT_EQ(doc.m_strTitle, "Ann's site");
}

TEST(ProjectFileDamage, NestingIsLimitedTo1000FolderLevels) {
    {
        CFoldcraftDoc doc;
        const auto result = ReadProjectBytes(doc, NestedFolders(CArchive::kMaxFolderDepth));
        ASSERT_TRUE(result.Ok()) << result.message;
        EXPECT_EQ(doc.m_pRoot->CountItems(), 1000u);
        EXPECT_EQ(doc.m_strTitle, "My Title");
    }
    {
        CFoldcraftDoc doc;
        const auto result = ReadProjectBytes(doc, NestedFolders(CArchive::kMaxFolderDepth + 1));
        EXPECT_EQ(result.status, Status::kDamaged);
        EXPECT_NE(result.message.find("nested more than 1000 levels"), std::string::npos)
            << result.message;
        EXPECT_EQ(doc.m_pRoot->CountItems(), 1u);
    }
    {
        // The writer refuses a tree that could not be read back.
        CFoldcraftDoc doc;
        doc.OnNewDocument();
        CBuildTreeFolder* folder = doc.m_pRoot.get();
        for (int i = 1; i < CArchive::kMaxFolderDepth; ++i) {
            folder = folder->AddFolder(std::make_unique<CBuildTreeFolder>());
        }
        std::string bytes;
        ASSERT_TRUE(WriteProjectBytes(doc, bytes).Ok());
        folder->AddFolder(std::make_unique<CBuildTreeFolder>());
        const auto result = WriteProjectBytes(doc, bytes);
        EXPECT_EQ(result.status, Status::kIoError);
        EXPECT_NE(result.message.find("1000 levels"), std::string::npos) << result.message;
        EXPECT_TRUE(bytes.empty());
    }
}

// The archive's text forms, including the ones the writer never produces.
TEST(ProjectFileDamage, ArchiveTextForms) {
    struct Case {
        std::string bytes;
        std::string text;  // "!" = refused
    };
    const std::string wideA = Bytes().U8(0xFF).U16(0xFFFE).U8(2).U16('A').U16(0xE9).Str();
    const Case cases[] = {
        {Bytes().U8(0).Str(), ""},
        {Bytes().U8(0xFF).U16(3).Raw("abc").Str(), "abc"},  // a longer form than needed
        {Bytes().U8(0xFF).U16(0xFFFF).U32(2).Raw("ab").Str(), "ab"},
        {wideA, "A\xC3\xA9"},
        // A surrogate pair, then an unpaired high surrogate at the end.
        {Bytes().U8(0xFF).U16(0xFFFE).U8(3).U16(0xD83D).U16(0xDE00).U16(0xD800).Str(),
         "\xF0\x9F\x98\x80\xEF\xBF\xBD"},
        {Bytes().U8(0xFF).U16(0xFFFE).U8(0xFF).U16(0xFFFF).U32(1).U16('z').Str(), "z"},
        {Bytes().U8(0xFF).U16(0xFFFE).U8(0xFF).U16(0xFFFE).Str(), "!"},
        {Bytes().U8(0xFF).U16(0xFFFE).U8(0xFF).U16(0xFFFF).U32(0x7FFFFFFF).U16('z').Str(), "!"},
        {Bytes().U8(0xFF).U16(0xFFFF).U32(0xFFFFFFFF).Raw("abc").Str(), "!"},
        {Bytes().U8(5).Raw("abcd").Str(), "!"},
        {Bytes().U8(0xFF).Str(), "!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CArchive ar(c.bytes);
        if (c.text == "!") {
            EXPECT_THROW(ar.ReadText(), CArchiveException);
        } else {
            EXPECT_EQ(ar.ReadText(), c.text);
            EXPECT_EQ(ar.Remaining(), 0u);
        }
    }
}

TEST(ProjectFileDamage, ArchiveObjectTags) {
    const std::string record = Bytes().U16(0xFFFF).U16(7).U16(13).Raw("CBuildTreeDoc").Str();
    {
        // Any schema number is accepted; later tags name the record by its number.
        const std::string bytes = record + Bytes().U16(0x8001).U16(0x7FFF).U32(0x80000001).Str();
        CArchive ar(bytes);
        EXPECT_NO_THROW(ar.ReadObjectTag("CBuildTreeDoc"));
        EXPECT_NO_THROW(ar.ReadObjectTag("CBuildTreeDoc"));
        EXPECT_NO_THROW(ar.ReadObjectTag("CBuildTreeDoc"));
    }
    const std::string refused[] = {
        record + Bytes().U16(0x8002).Str(),  // number 2 is an object
        record + Bytes().U16(0x8000).Str(),  // class number 0
        record + Bytes().U16(0x7FFF).U32(0x80000009).Str(),
        Bytes().U16(0xFFFF).U16(1).U16(14).Raw("CBuildTreeDoc").Str(),  // name cut short
        Bytes().U16(0xFFFF).U16(1).U16(13).Raw("cbuildtreedoc").Str(),
        Bytes().U16(0xFFFF).U16(1).U16(2).Raw("\x01\xFF").Str(),
    };
    for (const std::string& bytes : refused) {
        CArchive ar(bytes);
        EXPECT_THROW(
            {
                ar.ReadObjectTag("CBuildTreeDoc");
                ar.ReadObjectTag("CBuildTreeDoc");
            },
            CArchiveException);
    }
}

namespace {

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

TEST(ProjectFileDamage, ReadingThroughAWindowGivesTheSameProject) {
    // A text longer than the 1 MiB window, and a sample read in small pieces.
    CFoldcraftDoc big;
    big.OnNewDocument();
    big.m_strFooter = std::string(3 << 20, 'f');
    for (const std::string& bytes : {Fixture("sample.fcd"), WriteProjectBytes(big)}) {
        for (size_t chunk : {1u, 7u, 65536u}) {
            SCOPED_TRACE(chunk);
            ChunkedSource source(bytes, chunk);
            // Windows of 5 bytes, of 5,000 and of the default 1 MiB.
            CArchive ar(source, bytes.size(), chunk == 1 ? 5 : chunk == 7 ? 5000 : 1 << 20);
            CFoldcraftDoc doc;
            ASSERT_NO_THROW(doc.Serialize(ar));
            EXPECT_EQ(WriteProjectBytes(doc), bytes);
        }
    }
    // A source that holds less than its declared size ends early.
    ChunkedSource shrunk(Fixture("sample.fcd").substr(0, 700), 100);
    CArchive ar(shrunk, 1385);
    CFoldcraftDoc doc;
    try {
        doc.Serialize(ar);
        ADD_FAILURE() << "read past the end";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.GetKind(), CArchiveException::Kind::kDamaged);
        EXPECT_NE(e.Message().find("ends early"), std::string::npos) << e.Message();
    }
}
