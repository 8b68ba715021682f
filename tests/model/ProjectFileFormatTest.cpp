// The bytes of project files: what the writer produces, what the reader accepts.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>

#include "ModelTestSupport.h"
#include "model/FoldcraftDoc.h"
#include "model/ProjectFile.h"

using foldcraft::ReadProjectBytes;
using foldcraft::ScopedClockPin;
using foldcraft::WriteProjectBytes;
using foldcraft::test::Bytes;
using foldcraft::test::Fixture;
using foldcraft::test::kFixtureTime;
using Status = foldcraft::ProjectFileResult::Status;

namespace {

// Offsets in a file whose root has the worked example's texts.
constexpr size_t kRootFolderLists = 4 + 41 + 4;  // the root's m_arrFolders count
constexpr size_t kRowThree = 4 + 110;            // m_bNeverSaved in a childless file

std::unique_ptr<CFoldcraftDoc> NewProject() {
    auto doc = std::make_unique<CFoldcraftDoc>();
    doc->OnNewDocument();
    return doc;
}

}  // namespace

TEST(ProjectFileFormat, NewProjectIsTheWorked310ByteFile) {
    ScopedClockPin pin(kFixtureTime);
    // The file made by the independent fixture encoder.
    EXPECT_EQ(WriteProjectBytes(*NewProject()), Fixture("new-project.fcd"));
}

TEST(ProjectFileFormat, TextAndCountBoundariesInAWholeFile) {
    struct Case {
        size_t length;
        std::string prefix;
    };
    const Case cases[] = {
        {254, std::string("\xFE")},
        {255, std::string("\xFF\xFF\x00", 3)},
        {65'533, std::string("\xFF\xFD\xFF")},
        {65'534, std::string("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        auto doc = NewProject();
        doc->m_strPublishPath = std::string(c.length, 'p');  // row 30, the last field
        const std::string bytes = WriteProjectBytes(*doc);
        ASSERT_EQ(bytes.size(), 310 - 1 + c.prefix.size() + c.length);
        EXPECT_EQ(bytes.substr(bytes.size() - c.length - c.prefix.size(), c.prefix.size()),
                  c.prefix);
        CFoldcraftDoc back;
        ASSERT_TRUE(ReadProjectBytes(back, bytes).Ok());
        EXPECT_EQ(back.m_strPublishPath, doc->m_strPublishPath);
    }

    for (size_t n : {65'534u, 65'535u}) {
        SCOPED_TRACE(n);
        auto doc = NewProject();
        for (size_t i = 0; i < n; ++i) doc->m_pRoot->AddDoc(std::make_unique<CBuildTreeDoc>());
        const std::string bytes = WriteProjectBytes(*doc);
        const std::string count = bytes.substr(kRootFolderLists + 2, 6);
        if (n == 65'534) {
            EXPECT_EQ(count.substr(0, 2), std::string("\xFE\xFF"));
        } else {
            EXPECT_EQ(count, std::string("\xFF\xFF\xFF\xFF\x00\x00", 6));
        }
        CFoldcraftDoc back;
        ASSERT_TRUE(ReadProjectBytes(back, bytes).Ok());
        EXPECT_EQ(back.m_pRoot->m_arrDocs.size(), n);
    }
}

TEST(ProjectFileFormat, OneNumberingOfClassRecordsAndObjectsForTheWholeFile) {
    ScopedClockPin pin(kFixtureTime);
    auto doc = NewProject();
    CBuildTreeFolder* a =
        doc->m_pRoot->AddFolder(std::make_unique<CBuildTreeFolder>("A", "(folder)", ""));
    a->AddFolder(std::make_unique<CBuildTreeFolder>("A1", "(folder)", ""));
    doc->m_pRoot->AddDoc(std::make_unique<CBuildTreeDoc>("d1", "/d1", ""));
    doc->m_pRoot->AddDoc(std::make_unique<CBuildTreeDoc>("d2", "/d2", ""));
    doc->m_pRoot->AddHotspot(std::make_unique<CHotspotArea>());
    doc->m_pRoot->AddHotspot(std::make_unique<CHotspotArea>());

    auto emptyFolder = [](Bytes& b, std::string_view name) {
        b.Item(name, "(folder)").U32(1).U16(0).U16(0).U16(0).FolderTail(name, "(folder)");
    };
    const auto hotspot = [](Bytes& b) { b.U32(1).U16(0).Text("").U32(0); };
    Bytes expected;
    expected.U32(1).Item("Root", "(root)").U32(1).U16(1);
    // A: the class record takes number 1, A itself 2.
    expected.U16(0xFFFF).U16(1).U16(16).Raw("CBuildTreeFolder");
    expected.Item("A", "(folder)").U32(1).U16(1);
    // A1, the second folder of the file, names record 1; it is object 3.
    expected.U16(0x8001);
    emptyFolder(expected, "A1");
    expected.U16(0).U16(0).FolderTail("A", "(folder)");
    // Documents: record 4, d1 5, d2 names record 4 and is 6.
    expected.U16(2).U16(0xFFFF).U16(1).U16(13).Raw("CBuildTreeDoc").Item("d1", "/d1");
    expected.U16(0x8004).Item("d2", "/d2");
    // Hotspots: record 7, first area 8, the second names record 7.
    expected.U16(2).U16(0xFFFF).U16(1).U16(12).Raw("CHotspotArea");
    hotspot(expected);
    expected.U16(0x8007);
    hotspot(expected);
    expected.FolderTail("Root", "(root)").DocumentTail();

    const std::string bytes = WriteProjectBytes(*doc);
    EXPECT_EQ(bytes, expected.Str());

    CFoldcraftDoc back;
    ASSERT_TRUE(ReadProjectBytes(back, bytes).Ok());
    ASSERT_EQ(back.m_pRoot->m_arrFolders.size(), 1u);
    EXPECT_EQ(back.m_pRoot->m_arrFolders[0]->m_arrFolders.at(0)->m_strName, "A1");
    EXPECT_EQ(back.m_pRoot->m_arrDocs.at(1)->m_strName, "d2");
    EXPECT_EQ(back.m_pRoot->m_arrHotspots.size(), 2u);
}

TEST(ProjectFileFormat, FirstListEntryADocumentRecordsCBuildTreeDocFirst) {
    ScopedClockPin pin(kFixtureTime);
    auto doc = NewProject();
    doc->m_pRoot->AddDoc(std::make_unique<CBuildTreeDoc>("a", "/a", ""));
    doc->m_pRoot->AddDoc(std::make_unique<CBuildTreeDoc>("b", "/b", ""));
    const std::string bytes = WriteProjectBytes(*doc);
    EXPECT_EQ(bytes, Fixture("doc-first.fcd"));
    EXPECT_EQ(bytes.substr(kRootFolderLists + 4, 19),
              std::string("\xFF\xFF\x01\x00\x0D\x00", 6) + "CBuildTreeDoc");
    EXPECT_NE(bytes.find(std::string("\x01\x80", 2)), std::string::npos);
}

TEST(ProjectFileFormat, ClassNumbersFrom0x7FFFUseTheLongTag) {
    // With n documents first, "CHotspotArea" is recorded as number n + 2.
    for (size_t docs : {32'764u, 32'765u}) {
        SCOPED_TRACE(docs);
        auto doc = NewProject();
        for (size_t i = 0; i < docs; ++i) doc->m_pRoot->AddDoc(std::make_unique<CBuildTreeDoc>());
        doc->m_pRoot->AddHotspot(std::make_unique<CHotspotArea>());
        doc->m_pRoot->AddHotspot(std::make_unique<CHotspotArea>());
        const std::string bytes = WriteProjectBytes(*doc);
        const size_t record = bytes.find("CHotspotArea");
        ASSERT_NE(record, std::string::npos);
        const std::string secondTag = bytes.substr(record + 12 + 11, 6);
        if (docs == 32'764) {
            EXPECT_EQ(secondTag.substr(0, 2), std::string("\xFE\xFF"));
        } else {
            EXPECT_EQ(secondTag, std::string("\xFF\x7F\xFF\x7F\x00\x80", 6));
        }
        CFoldcraftDoc back;
        ASSERT_TRUE(ReadProjectBytes(back, bytes).Ok());
        EXPECT_EQ(back.m_pRoot->m_arrHotspots.size(), 2u);
        EXPECT_EQ(WriteProjectBytes(back), bytes);
    }
}

TEST(ProjectFileFormat, SampleReadsAndWritesBackIdentically) {
    const std::string sample = Fixture("sample.fcd");
    CFoldcraftDoc doc;
    ASSERT_TRUE(ReadProjectBytes(doc, sample).Ok());
    const CBuildTreeFolder& root = *doc.m_pRoot;
    ASSERT_EQ(root.m_arrFolders.size(), 2u);
    EXPECT_EQ(root.m_arrDocs.at(0)->m_strLink, "http://www.example.com/");
    const CBuildTreeFolder& pics = *root.m_arrFolders[1];
    EXPECT_EQ(pics.m_strLabel, "Summer");
    EXPECT_EQ(pics.m_nFileButtonGraphic, 6);
    EXPECT_EQ(pics.m_bHotspotFolder, 1);
    ASSERT_EQ(pics.m_arrHotspots.size(), 3u);
    // The five-corner polygon is stored as an integer list of count 10.
    EXPECT_EQ(pics.m_arrHotspots[2]->m_nShape, CHotspotArea::kPolygon);
    EXPECT_EQ(pics.m_arrHotspots[2]->m_arrCoords.size(), 10u);
    const size_t polygon = sample.find(std::string("\x01\x00\x00\x00\x0A\x00", 6));
    EXPECT_NE(polygon, std::string::npos);
    EXPECT_EQ(root.m_arrFolders[0]->m_arrDocs.at(0)->m_timePurge, kFixtureTime + 100);
    EXPECT_EQ(root.m_arrFolders[0]->m_arrDocs.at(1)->m_bVisible, 0);
    EXPECT_EQ(doc.m_strTitle, "Ann's site");

    EXPECT_EQ(WriteProjectBytes(doc), sample);
}

TEST(ProjectFileFormat, RowThreeIsWrittenAsZero) {
    const std::string stored = Fixture("never-saved-1.fcd");
    CFoldcraftDoc doc;
    ASSERT_TRUE(ReadProjectBytes(doc, stored).Ok());
    EXPECT_EQ(doc.m_bNeverSaved, 1);
    const std::string written = WriteProjectBytes(doc);
    ASSERT_EQ(written.size(), stored.size());
    for (size_t i = 0; i < stored.size(); ++i) {
        if (i == kRowThree) {
            EXPECT_EQ(stored[i], 1);
            EXPECT_EQ(written[i], 0);
        } else {
            EXPECT_EQ(stored[i], written[i]) << "byte " << i;
        }
    }
    EXPECT_EQ(doc.m_bNeverSaved, 1) << "writing bytes does not change the document";
}

TEST(ProjectFileFormat, ReaderTakesTheFoldersSecondCopies) {
    CFoldcraftDoc doc;
    ASSERT_TRUE(ReadProjectBytes(doc, Fixture("second-copy.fcd")).Ok());
    EXPECT_EQ(doc.m_pRoot->m_strName, "Top");
    EXPECT_EQ(doc.m_pRoot->m_strLink, "(top)");
    EXPECT_EQ(doc.m_pRoot->m_strComment, "second");
}

TEST(ProjectFileFormat, OtherVersionWordsInBodiesSkipTheirPart) {
    ScopedClockPin pin(kFixtureTime + 5);
    {
        // Root item version 7: rows 2-10 keep an empty item's values; the folder part,
        // with the second copies, and the document rows are read.
        CFoldcraftDoc doc;
        ASSERT_TRUE(ReadProjectBytes(doc, Fixture("item-version-7.fcd")).Ok());
        EXPECT_EQ(doc.m_pRoot->m_strName, "Root");
        EXPECT_EQ(doc.m_pRoot->m_timePublish, kFixtureTime);
        EXPECT_EQ(doc.m_strTitle, "My Title");
    }
    {
        // A document entry of version 3 is only its version word.
        CFoldcraftDoc doc;
        ASSERT_TRUE(ReadProjectBytes(doc, Fixture("doc-version-3.fcd")).Ok());
        ASSERT_EQ(doc.m_pRoot->m_arrDocs.size(), 2u);
        EXPECT_EQ(doc.m_pRoot->m_arrDocs[0]->m_strName, "");
        EXPECT_EQ(doc.m_pRoot->m_arrDocs[0]->m_timePublish, kFixtureTime + 5);
        EXPECT_EQ(doc.m_pRoot->m_arrDocs[1]->m_strName, "after");
        EXPECT_EQ(doc.m_strFooter, "Customize footer text here...");
    }
    {
        // Root folder version 9: no lists and no second copies; row 3 follows.
        CFoldcraftDoc doc;
        ASSERT_TRUE(ReadProjectBytes(doc, Fixture("folder-version-9.fcd")).Ok());
        EXPECT_EQ(doc.m_pRoot->m_strName, "Root");
        EXPECT_TRUE(doc.m_pRoot->m_arrFolders.empty());
        EXPECT_EQ(doc.m_strHeader, "Customize header text here...");
    }
    {
        CFoldcraftDoc doc;
        ASSERT_TRUE(ReadProjectBytes(doc, Fixture("hotspot-version-2.fcd")).Ok());
        ASSERT_EQ(doc.m_pRoot->m_arrHotspots.size(), 2u);
        EXPECT_TRUE(doc.m_pRoot->m_arrHotspots[0]->m_arrCoords.empty());
        EXPECT_EQ(doc.m_pRoot->m_arrHotspots[1]->m_nShape, CHotspotArea::kCircle);
        EXPECT_EQ(doc.m_pRoot->m_arrHotspots[1]->m_arrCoords.size(), 4u);
    }
}

TEST(ProjectFileFormat, WideTextsAreReadAsUtf8) {
    CFoldcraftDoc doc;
    ASSERT_TRUE(ReadProjectBytes(doc, Fixture("wide-text.fcd")).Ok());
    EXPECT_EQ(doc.m_pRoot->m_strName,
              "\xC3\x89"
              "clair \xF0\x9F\x98\x80");
    // Written back in the one-byte form, as UTF-8.
    CFoldcraftDoc again;
    ASSERT_TRUE(ReadProjectBytes(again, WriteProjectBytes(doc)).Ok());
    EXPECT_EQ(again.m_pRoot->m_strName, doc.m_pRoot->m_strName);
}

TEST(ProjectFileFormat, TimesAreUnsigned32BitFieldsClampedOnWrite) {
    struct Case {
        foldcraft::Time in, out;
    };
    const Case cases[] = {
        {0, 0},
        {0x7FFFFFFF, 0x7FFFFFFF},
        {0x80000000ll, 0x80000000ll},  // 2038-01-19 03:14:08: after the signed limit
        {0xFFFFFFFFll, 0xFFFFFFFFll},
        {0x100000000ll + 7, 0xFFFFFFFFll},
        {-1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        auto doc = NewProject();
        doc->m_timeLastPublish = c.in;
        CBuildTreeDoc* item = doc->m_pRoot->AddDoc(std::make_unique<CBuildTreeDoc>());
        item->m_timePurge = c.in;
        CFoldcraftDoc back;
        ASSERT_TRUE(ReadProjectBytes(back, WriteProjectBytes(*doc)).Ok());
        EXPECT_EQ(back.m_timeLastPublish, c.out);
        EXPECT_EQ(back.m_pRoot->m_arrDocs.at(0)->m_timePurge, c.out);
    }
}

// The stored fields by kind, to give each its own value and compare them all.
#define DOC_INTS(X)                                                                     \
    X(m_bCreateTitlePage)                                                               \
    X(m_bCreateSitemap) X(m_bShowRestartButton) X(m_nNavBarPosition) X(m_bShowFileSize) \
        X(m_bShowFileDate) X(m_bShowComments) X(m_bUseThumbnails) X(m_nThumbWidth)      \
            X(m_nThumbHeight) X(m_nBackgroundPlacement) X(m_nPublishMethod)
#define DOC_COLORS(X)                                                                       \
    X(m_clrBodyBackground)                                                                  \
    X(m_clrBodyText) X(m_clrDocumentBackground) X(m_clrFolderBackground) X(m_clrFolderText) \
        X(m_clrLink) X(m_clrVisitedLink)
#define DOC_TEXTS(X)        \
    X(m_strBackgroundImage) \
    X(m_strFont) X(m_strComments) X(m_strFooter) X(m_strHeader) X(m_strTitle) X(m_strPublishPath)
#define ITEM_FIELDS(X)                                                                        \
    X(m_strName)                                                                              \
    X(m_strLink) X(m_strComment) X(m_nFileSize) X(m_timeFile) X(m_timePublish) X(m_timePurge) \
        X(m_bPurge) X(m_bVisible)
#define FOLDER_FIELDS(X)                                                                          \
    X(m_nFolderButtonStyle)                                                                       \
    X(m_nFileButtonStyle) X(m_nFolderButtonGraphic) X(m_nFileButtonGraphic) X(m_bShowContentsFor) \
        X(m_bHotspotFolder) X(m_strHotspotImage) X(m_strLabel)

TEST(ProjectFileFormat, EveryFieldSurvivesARoundTrip) {
    // Distinct values unlike the New ones: negative integers, colours and times with
    // the top bit set, texts named after their field (with a UTF-8 letter).
    std::int32_t n = -100;
    std::uint32_t colour = 0xFFFFFFFF;
    foldcraft::Time time = 0xFFFFFFFF;
    const auto set = [&](auto& field, const char* name) {
        using T = std::decay_t<decltype(field)>;
        if constexpr (std::is_same_v<T, std::string>)
            field = std::string(name) + "\xC3\xA9";
        else if constexpr (std::is_same_v<T, std::uint32_t>)
            field = colour -= 3;
        else if constexpr (std::is_same_v<T, foldcraft::Time>)
            field = time -= 1000;
        else
            field = n -= 7;
    };
#define SET(f) set(o.f, #f);
    CFoldcraftDoc doc;
    doc.OnNewDocument();
    {
        CFoldcraftDoc& o = doc;
        o.m_timeLastPublish = 0x80000001ll;
        DOC_INTS(SET) DOC_COLORS(SET) DOC_TEXTS(SET)
    }
    const auto setItem = [&](CBuildTreeDoc& o) { ITEM_FIELDS(SET) };
    const auto setFolder = [&](CBuildTreeFolder& o) { ITEM_FIELDS(SET) FOLDER_FIELDS(SET) };
#undef SET
    setFolder(*doc.m_pRoot);
    setItem(*doc.m_pRoot->AddDoc(std::make_unique<CBuildTreeDoc>()));
    setFolder(*doc.m_pRoot->AddFolder(std::make_unique<CBuildTreeFolder>()));
    auto area = std::make_unique<CHotspotArea>();
    area->m_nShape = CHotspotArea::kPolygon;
    area->m_strLink = "n (mailto:x@y)";
    area->m_arrCoords = {-5, 6, 70000, -80000, 9, 10};
    doc.m_pRoot->AddHotspot(std::move(area));

    const std::string bytes = WriteProjectBytes(doc);
    CFoldcraftDoc back;
    ASSERT_TRUE(ReadProjectBytes(back, bytes).Ok());
#define SAME(f) EXPECT_EQ(a.f, b.f) << #f;
    {
        const CFoldcraftDoc &a = back, &b = doc;
        SAME(m_timeLastPublish) DOC_INTS(SAME) DOC_COLORS(SAME) DOC_TEXTS(SAME)
    }
    const auto sameFolder = [](const CBuildTreeFolder& a, const CBuildTreeFolder& b) {
        ITEM_FIELDS(SAME) FOLDER_FIELDS(SAME)
    };
    const auto sameItem = [](const CBuildTreeDoc& a, const CBuildTreeDoc& b) { ITEM_FIELDS(SAME) };
#undef SAME
    const CBuildTreeFolder& r = *back.m_pRoot;
    sameFolder(r, *doc.m_pRoot);
    ASSERT_EQ(r.m_arrDocs.size(), 1u);
    sameItem(*r.m_arrDocs[0], *doc.m_pRoot->m_arrDocs[0]);
    ASSERT_EQ(r.m_arrFolders.size(), 1u);
    sameFolder(*r.m_arrFolders[0], *doc.m_pRoot->m_arrFolders[0]);
    ASSERT_EQ(r.m_arrHotspots.size(), 1u);
    EXPECT_EQ(r.m_arrHotspots[0]->m_nShape, CHotspotArea::kPolygon);
    EXPECT_EQ(r.m_arrHotspots[0]->m_strLink, "n (mailto:x@y)");
    EXPECT_EQ(r.m_arrHotspots[0]->m_arrCoords, doc.m_pRoot->m_arrHotspots[0]->m_arrCoords);

    EXPECT_EQ(WriteProjectBytes(back), bytes);
}
