// The bytes of project files: what the writer produces, what the reader accepts.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ModelTestSupport.h"
#include "model/FoldcraftDoc.h"
#include "model/ProjectFile.h"

using foldcraft::ReadProjectBytes;
using foldcraft::ScopedClockPin;
using foldcraft::WriteProjectBytes;
using foldcraft::test::Fixture;
using foldcraft::test::kFixtureTime;
using foldcraft::test::Outline;

namespace {

constexpr size_t kRootFolderLists = 4 + 41 + 4;  // the root's m_arrFolders count

std::unique_ptr<CFoldcraftDoc> NewProject() {
    auto doc = std::make_unique<CFoldcraftDoc>();
    doc->OnNewDocument();
    return doc;
}

}  // namespace

// The fixtures come from a second, independent encoder; every-field.fcd gives every
// stored field its own value, so a field written or read in another's place shows.
TEST(ProjectFileFormat, OpenedFilesAreWrittenBackByteForByte) {
    const std::pair<const char*, const char*> cases[] = {
        {"new-project.fcd", "new-project.fcd"},   {"sample.fcd", "sample.fcd"},
        {"doc-first.fcd", "doc-first.fcd"},       {"every-field.fcd", "every-field.fcd"},
        {"never-saved-1.fcd", "new-project.fcd"},  // m_bNeverSaved is written as 0
    };
    for (const auto& [file, written] : cases) {
        SCOPED_TRACE(file);
        auto doc = NewProject();  // different values everywhere from every-field.fcd
        ASSERT_TRUE(foldcraft::LoadProject(
                        *doc, std::string(FOLDCRAFT_TESTS_DIR) + "/model/fixtures/" + file)
                        .Ok());
        EXPECT_EQ(WriteProjectBytes(*doc), Fixture(written));
    }
}

TEST(ProjectFileFormat, ReaderFollowsVersionWordsSecondCopiesAndWideTexts) {
    ScopedClockPin pin(kFixtureTime + 5);
    const std::pair<std::string, std::string> cases[] = {
        {Fixture("sample.fcd") + "trailing bytes are ignored",
         "Root[Documents[Deep[Notes] Report Hidden name] Pictures[Beach @0:4 @1:4 @2:10] Example "
         "Mail me]"},
        {Fixture("second-copy.fcd"), "Top[]"},  // the folder's second copy wins
        // Root item version 7: rows 2-10 are skipped, the folder part is read.
        {Fixture("item-version-7.fcd"), "Root[]"},
        // A document entry of version 3 is only its version word.
        {Fixture("doc-version-3.fcd"), "Root['' after]"},
        // Root folder version 9: no lists and no second copies; row 3 follows.
        {Fixture("folder-version-9.fcd"), "Root[]"},
        {Fixture("hotspot-version-2.fcd"), "Root[@0:0 @1:4]"},
        {Fixture("wide-text.fcd"),
         "\xC3\x89"
         "clair \xF0\x9F\x98\x80[]"},
    };
    for (const auto& [bytes, outline] : cases) {
        SCOPED_TRACE(outline);
        CFoldcraftDoc doc;
        doc.m_strHeader = "not read";
        ASSERT_TRUE(ReadProjectBytes(doc, bytes).Ok());
        EXPECT_EQ(Outline(*doc.m_pRoot), outline);
        EXPECT_EQ(doc.m_strHeader, "Customize header text here...");
    }
}

TEST(ProjectFileFormat, LongLengthFormsBeginAtTheirLimits) {
    const std::pair<size_t, std::string> texts[] = {
        {254, "\xFE"},
        {255, std::string("\xFF\xFF\x00", 3)},
        {65'533, "\xFF\xFD\xFF"},
        {65'534, std::string("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7)},
    };
    for (const auto& [length, prefix] : texts) {
        SCOPED_TRACE(length);
        auto doc = NewProject();
        doc->m_strPublishPath = std::string(length, 'p');  // the last field of the file
        const std::string bytes = WriteProjectBytes(*doc);
        EXPECT_EQ(bytes.substr(bytes.size() - length - prefix.size(), prefix.size()), prefix);
        CFoldcraftDoc back;
        ASSERT_TRUE(ReadProjectBytes(back, bytes).Ok());
        EXPECT_EQ(back.m_strPublishPath, doc->m_strPublishPath);
    }
    // n documents, then two hotspots: the second hotspot names class record n + 2.
    struct Case {
        size_t docs;
        std::string count, tag;
    };
    const Case lists[] = {
        {32'764, "\xFC\x7F", "\xFE\xFF"},
        {32'765, "\xFD\x7F", std::string("\xFF\x7F\xFF\x7F\x00\x80", 6)},
        {65'534, "\xFE\xFF", std::string("\xFF\x7F\x00\x00\x01\x80", 6)},
        {65'535, std::string("\xFF\xFF\xFF\xFF\x00\x00", 6),
         std::string("\xFF\x7F\x01\x00\x01\x80", 6)},
    };
    for (const Case& c : lists) {
        SCOPED_TRACE(c.docs);
        auto doc = NewProject();
        for (size_t i = 0; i < c.docs; ++i) doc->m_pRoot->AddDoc(std::make_unique<CBuildTreeDoc>());
        doc->m_pRoot->AddHotspot(std::make_unique<CHotspotArea>());
        doc->m_pRoot->AddHotspot(std::make_unique<CHotspotArea>());
        const std::string bytes = WriteProjectBytes(*doc);
        EXPECT_EQ(bytes.substr(kRootFolderLists + 2, c.count.size()), c.count);
        const size_t record = bytes.find("CHotspotArea");
        ASSERT_NE(record, std::string::npos);
        EXPECT_EQ(bytes.substr(record + 12 + 11, c.tag.size()), c.tag);
        CFoldcraftDoc back;
        ASSERT_TRUE(ReadProjectBytes(back, bytes).Ok());
        EXPECT_EQ(back.m_pRoot->m_arrDocs.size(), c.docs);
        EXPECT_EQ(WriteProjectBytes(back), bytes);
    }
}

TEST(ProjectFileFormat, TimesAreUnsigned32BitFieldsClampedOnWrite) {
    const std::pair<foldcraft::Time, foldcraft::Time> cases[] = {
        {0, 0},
        {0x80000000ll, 0x80000000ll},  // 2038-01-19 03:14:08: after the signed limit
        {0xFFFFFFFFll, 0xFFFFFFFFll},
        {0x100000000ll + 7, 0xFFFFFFFFll},
        {-1, 0},
    };
    for (const auto& [in, out] : cases) {
        SCOPED_TRACE(in);
        auto doc = NewProject();
        doc->m_timeLastPublish = in;
        doc->m_pRoot->AddDoc(std::make_unique<CBuildTreeDoc>())->m_timePurge = in;
        CFoldcraftDoc back;
        ASSERT_TRUE(ReadProjectBytes(back, WriteProjectBytes(*doc)).Ok());
        EXPECT_EQ(back.m_timeLastPublish, out);
        EXPECT_EQ(back.m_pRoot->m_arrDocs.at(0)->m_timePurge, out);
    }
}
