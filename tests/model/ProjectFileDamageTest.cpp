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
using foldcraft::test::Fixture;
using Status = foldcraft::ProjectFileResult::Status;

namespace {

// Little-endian bytes put together by hand, for what the writer never makes.
class Bytes {
public:
    Bytes& U8(std::uint8_t v) { return Raw(std::string(1, static_cast<char>(v))); }
    Bytes& U16(std::uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
    Bytes& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    Bytes& Raw(std::string_view s) {
        m_s += s;
        return *this;
    }
    operator std::string() const { return m_s; }

private:
    std::string m_s;
};

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

TEST(ProjectFileDamage, BrokenFilesAreRefusedWithTheirReason) {
    const std::pair<const char*, const char*> cases[] = {
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
        {"broken-too-deep.fcd", "nested more than 1000 levels"},
    };
    for (const auto& [file, reason] : cases) {
        SCOPED_TRACE(file);
        CFoldcraftDoc doc;
        doc.m_strTitle = "Before";
        doc.m_pRoot->AddDoc(std::make_unique<CBuildTreeDoc>("x", "/x", ""));
        const auto result = ReadProjectBytes(doc, Fixture(file));
        EXPECT_EQ(result.status, Status::kDamaged);
        EXPECT_NE(result.message.find(reason), std::string::npos) << result.message;
        // The tree is emptied; nothing half-read is left in the other fields.
        EXPECT_EQ(doc.m_pRoot->CountItems(), 1u);
        EXPECT_EQ(doc.m_strTitle, "Before");
    }
}

TEST(ProjectFileDamage, EveryTruncationOfASampleFailsCleanly) {
    const std::string sample = Fixture("sample.fcd");
    foldcraft::test::TempDir dir;
    for (size_t n = 1; n < sample.size(); ++n) {
        // In memory and from a file on disk (read through its own buffer).
        CFoldcraftDoc doc, opened;
        const auto result = ReadProjectBytes(doc, std::string_view(sample).substr(0, n));
        const auto loaded = LoadProject(opened, dir.WriteFile("cut.fcd", sample.substr(0, n)));
        ASSERT_EQ(result.status, Status::kDamaged) << "prefix of " << n << " bytes";
        ASSERT_EQ(loaded.status, Status::kDamaged) << n << ": " << loaded.message;
        ASSERT_NE(result.message.find("the project file is damaged: "), std::string::npos) << n;
        ASSERT_EQ(doc.m_pRoot->CountItems() + opened.m_pRoot->CountItems(), 2u) << n;
    }
}

TEST(ProjectFileDamage, FoldersNestDownTo1000LevelsOnly) {
    CFoldcraftDoc doc;
    doc.OnNewDocument();
    CBuildTreeFolder* folder = doc.m_pRoot.get();
    for (int i = 1; i < CArchive::kMaxFolderDepth; ++i)
        folder = folder->AddFolder(std::make_unique<CBuildTreeFolder>());
    std::string bytes;
    ASSERT_TRUE(WriteProjectBytes(doc, bytes).Ok());
    CFoldcraftDoc back;
    ASSERT_TRUE(ReadProjectBytes(back, bytes).Ok());
    EXPECT_EQ(back.m_pRoot->CountItems(), 1000u);
    // The writer refuses a tree that could not be read back.
    folder->AddFolder(std::make_unique<CBuildTreeFolder>());
    const auto result = WriteProjectBytes(doc, bytes);
    EXPECT_EQ(result.status, Status::kIoError);
    EXPECT_NE(result.message.find("1000 levels"), std::string::npos) << result.message;
    EXPECT_TRUE(bytes.empty());
}

// The archive's text forms and object tags, including ones the writer never makes.
TEST(ProjectFileDamage, ArchiveTextsAndTags) {
    const std::string record = Bytes().U16(0xFFFF).U16(7).U16(13).Raw("CBuildTreeDoc");
    const auto wide = [] { return Bytes().U8(0xFF).U16(0xFFFE); };
    struct Case {
        std::string bytes;
        bool tags;         // read as two object tags, else as one text
        std::string text;  // "!" = refused
    };
    const Case cases[] = {
        {Bytes().U8(0xFF).U16(3).Raw("abc"), false, "abc"},  // a longer form than needed
        {Bytes().U8(0xFF).U16(0xFFFF).U32(2).Raw("ab"), false, "ab"},
        {wide().U8(2).U16('A').U16(0xE9), false, "A\xC3\xA9"},
        // A surrogate pair, then an unpaired high surrogate at the end.
        {wide().U8(3).U16(0xD83D).U16(0xDE00).U16(0xD800), false, "\xF0\x9F\x98\x80\xEF\xBF\xBD"},
        {wide().U8(0xFF).U16(0xFFFF).U32(1).U16('z'), false, "z"},
        {wide().U8(0xFF).U16(0xFFFE), false, "!"},
        {wide().U8(0xFF).U16(0xFFFF).U32(0x7FFFFFFF).U16('z'), false, "!"},
        {Bytes().U8(5).Raw("abcd"), false, "!"},
        {Bytes().U8(0xFF), false, "!"},
        // Any schema number is accepted; a later tag names the record by its number.
        {record + std::string(Bytes().U16(0x8001)), true, ""},
        {record + std::string(Bytes().U16(0x7FFF).U32(0x80000001)), true, ""},
        {record + std::string(Bytes().U16(0x8002)), true, "!"},  // number 2 is an object
        {record + std::string(Bytes().U16(0x8000)), true, "!"},
        {record + std::string(Bytes().U16(0x7FFF).U32(0x80000009)), true, "!"},
        {Bytes().U16(0xFFFF).U16(1).U16(14).Raw("CBuildTreeDoc"), true, "!"},  // cut short
        {Bytes().U16(0xFFFF).U16(1).U16(2).Raw("\x01\xFF"), true, "!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        CArchive ar(c.bytes);
        const auto read = [&] {
            if (!c.tags) return ar.ReadText();
            ar.ReadObjectTag("CBuildTreeDoc");
            ar.ReadObjectTag("CBuildTreeDoc");
            return std::string();
        };
        if (c.text == "!") {
            EXPECT_THROW(read(), CArchiveException);
        } else {
            EXPECT_EQ(read(), c.text);
            EXPECT_EQ(ar.Remaining(), 0u);
        }
    }
}

TEST(ProjectFileDamage, ReadingThroughAWindowGivesTheSameProject) {
    // A text longer than the 1 MiB window, and a sample read in small pieces.
    CFoldcraftDoc big;
    big.OnNewDocument();
    big.m_strFooter = std::string(3 << 20, 'f');
    // Pieces of 1 byte through a window of 5, of 7 through 5,000, of 64 KiB through 1 MiB.
    const std::pair<size_t, size_t> pieces[] = {{1, 5}, {7, 5000}, {65536, 1 << 20}};
    for (const std::string& bytes : {Fixture("sample.fcd"), WriteProjectBytes(big)}) {
        for (const auto& [chunk, window] : pieces) {
            SCOPED_TRACE(chunk);
            ChunkedSource source(bytes, chunk);
            CArchive ar(source, bytes.size(), window);
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
