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
using foldcraft::test::Bytes;
using foldcraft::test::Fixture;
using foldcraft::test::kFixtureTime;
using Status = foldcraft::ProjectFileResult::Status;

namespace {

// Offsets in a file whose root has the worked example's texts.
constexpr size_t kRootItemEnd = 4 + 41;          // after rows 1-10 of the root
constexpr size_t kRootFolderLists = 4 + 41 + 4;  // the root's m_arrFolders count
constexpr size_t kRowThree = 4 + 110;            // m_bNeverSaved in a childless file

std::unique_ptr<CFoldcraftDoc> NewProject() {
    auto doc = std::make_unique<CFoldcraftDoc>();
    doc->OnNewDocument();
    return doc;
}

std::string HexAround(const std::string& s, size_t pos) {
    std::string out;
    char buf[4];
    for (size_t i = pos; i < s.size() && i < pos + 16; ++i) {
        std::snprintf(buf, sizeof buf, "%02X ", static_cast<unsigned char>(s[i]));
        out += buf;
    }
    return out;
}

}  // namespace

TEST(ProjectFileFormat, NewProjectIsTheWorked310ByteFile) {
    ScopedClockPin pin(kFixtureTime);
    auto doc = NewProject();
    const std::string bytes = WriteProjectBytes(*doc);

    Bytes expected;
    expected.U32(1).Item("Root", "(root)").U32(1).U16(0).U16(0).U16(0).FolderTail("Root", "(root)");
    ASSERT_EQ(expected.Size(), 4u + 110u);
    expected.DocumentTail();
    ASSERT_EQ(bytes.size(), 310u);
    EXPECT_EQ(bytes, expected.Str());
    // The same file made by the independent fixture encoder.
    EXPECT_EQ(bytes, Fixture("new-project.fcd"));
    // Spot checks of the layout: the root's name right after the version words,
    // the purge date a year after the publish date, the font's one-byte prefix.
    EXPECT_EQ(bytes.substr(4, 9), std::string("\x01\0\0\0\x04Root", 9));
    EXPECT_EQ(bytes.substr(kRootItemEnd - 12, 4), Bytes().U32(kFixtureTime + 31'536'000).Str());
    EXPECT_EQ(bytes.substr(kRowThree, 8), Bytes().U32(0).U32(kFixtureTime).Str());
    EXPECT_EQ(bytes.substr(kRowThree + 8 + 44, 2), std::string("\0\x1C", 2));
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
            EXPECT_EQ(secondTag.substr(0, 2), std::string("\xFE\xFF")) << HexAround(bytes, record);
        } else {
            EXPECT_EQ(secondTag, std::string("\xFF\x7F\xFF\x7F\x00\x80", 6))
                << HexAround(bytes, record);
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

TEST(ProjectFileFormat, DocumentVersionOtherThanOneLeavesAnEmptyTreeAndTheOtherFields) {
    CFoldcraftDoc doc;
    doc.OnNewDocument();
    doc.m_strTitle = "Kept";
    doc.m_clrLink = 0x123456;
    doc.m_pRoot->AddDoc(std::make_unique<CBuildTreeDoc>("x", "/x", ""));
    const auto result = ReadProjectBytes(doc, Fixture("version-2.fcd"));
    EXPECT_EQ(result.status, Status::kUnsupportedVersion);
    EXPECT_EQ(result.message, "Error: unsupported Foldcraft file format.");
    EXPECT_TRUE(doc.m_pRoot->m_arrDocs.empty());
    EXPECT_EQ(doc.m_strTitle, "Kept");
    EXPECT_EQ(doc.m_clrLink, 0x123456u);
    EXPECT_EQ(doc.m_pRoot->m_strName, "Root");
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

TEST(ProjectFileFormat, EveryFieldSurvivesARoundTrip) {
    CFoldcraftDoc doc;
    doc.OnNewDocument();
    doc.m_timeLastPublish = 1'234'567'890;
    doc.m_bCreateTitlePage = 0;
    doc.m_bCreateSitemap = 0;
    doc.m_bShowRestartButton = 0;
    doc.m_nNavBarPosition = 2;
    doc.m_bShowFileSize = 1;
    doc.m_bShowFileDate = 1;
    doc.m_bShowComments = 0;
    doc.m_bUseThumbnails = 0;
    doc.m_nThumbWidth = 120;
    doc.m_nThumbHeight = -3;
    doc.m_nBackgroundPlacement = 1;
    doc.m_strBackgroundImage = "/img/bg.gif";
    doc.m_strFont = "Verdana";
    doc.m_strComments = "c";
    doc.m_strFooter = "f";
    doc.m_strHeader = "h";
    doc.m_strTitle = "t\xC3\xA9";
    doc.m_clrBodyBackground = 1;
    doc.m_clrBodyText = 2;
    doc.m_clrDocumentBackground = 3;
    doc.m_clrFolderBackground = 4;
    doc.m_clrFolderText = 5;
    doc.m_clrLink = 6;
    doc.m_clrVisitedLink = 0xFFFFFFFF;
    doc.m_nPublishMethod = 1;
    doc.m_strPublishPath = "/srv/site";

    CBuildTreeFolder& root = *doc.m_pRoot;
    root.m_strComment = "rc";
    root.m_nFileSize = -1;
    root.m_timeFile = 11;
    root.m_timePublish = 12;
    root.m_timePurge = 13;
    root.m_bPurge = 1;
    root.m_bVisible = 0;
    root.m_nFolderButtonStyle = 1;
    root.m_nFileButtonStyle = 2;
    root.m_nFolderButtonGraphic = 3;
    root.m_nFileButtonGraphic = 4;
    root.m_bShowContentsFor = 1;
    root.m_bHotspotFolder = 1;
    root.m_strHotspotImage = "/img/map.jpg";
    root.m_strLabel = "label";
    CBuildTreeDoc* d = root.AddDoc(std::make_unique<CBuildTreeDoc>("n", "mailto:x@y", "cm"));
    d->m_nFileSize = 77;
    d->m_timeFile = 21;
    d->m_timePublish = 22;
    d->m_timePurge = 23;
    d->m_bPurge = 1;
    d->m_bVisible = 0;
    auto area = std::make_unique<CHotspotArea>();
    area->m_nShape = CHotspotArea::kPolygon;
    area->m_strLink = "n (mailto:x@y)";
    area->m_arrCoords = {-5, 6, 70000, -80000, 9, 10};
    root.AddHotspot(std::move(area));
    root.AddFolder(std::make_unique<CBuildTreeFolder>("sub", "(folder)", "sc"))->m_bVisible = 0;

    const std::string bytes = WriteProjectBytes(doc);
    CFoldcraftDoc back;
    ASSERT_TRUE(ReadProjectBytes(back, bytes).Ok());
    EXPECT_EQ(back.m_timeLastPublish, 1'234'567'890);
    EXPECT_EQ(back.m_bCreateTitlePage, 0);
    EXPECT_EQ(back.m_bCreateSitemap, 0);
    EXPECT_EQ(back.m_bShowRestartButton, 0);
    EXPECT_EQ(back.m_nNavBarPosition, 2);
    EXPECT_EQ(back.m_bShowFileSize, 1);
    EXPECT_EQ(back.m_bShowFileDate, 1);
    EXPECT_EQ(back.m_bShowComments, 0);
    EXPECT_EQ(back.m_bUseThumbnails, 0);
    EXPECT_EQ(back.m_nThumbWidth, 120);
    EXPECT_EQ(back.m_nThumbHeight, -3);
    EXPECT_EQ(back.m_nBackgroundPlacement, 1);
    EXPECT_EQ(back.m_strBackgroundImage, "/img/bg.gif");
    EXPECT_EQ(back.m_strFont, "Verdana");
    EXPECT_EQ(back.m_strComments, "c");
    EXPECT_EQ(back.m_strFooter, "f");
    EXPECT_EQ(back.m_strHeader, "h");
    EXPECT_EQ(back.m_strTitle, "t\xC3\xA9");
    EXPECT_EQ(back.m_clrBodyBackground, 1u);
    EXPECT_EQ(back.m_clrBodyText, 2u);
    EXPECT_EQ(back.m_clrDocumentBackground, 3u);
    EXPECT_EQ(back.m_clrFolderBackground, 4u);
    EXPECT_EQ(back.m_clrFolderText, 5u);
    EXPECT_EQ(back.m_clrLink, 6u);
    EXPECT_EQ(back.m_clrVisitedLink, 0xFFFFFFFFu);
    EXPECT_EQ(back.m_nPublishMethod, 1);
    EXPECT_EQ(back.m_strPublishPath, "/srv/site");

    const CBuildTreeFolder& r = *back.m_pRoot;
    EXPECT_EQ(r.m_strName, "Root");
    EXPECT_EQ(r.m_strLink, "(root)");
    EXPECT_EQ(r.m_strComment, "rc");
    EXPECT_EQ(r.m_nFileSize, -1);
    EXPECT_EQ(r.m_timeFile, 11);
    EXPECT_EQ(r.m_timePublish, 12);
    EXPECT_EQ(r.m_timePurge, 13);
    EXPECT_EQ(r.m_bPurge, 1);
    EXPECT_EQ(r.m_bVisible, 0);
    EXPECT_EQ(r.m_nFolderButtonStyle, 1);
    EXPECT_EQ(r.m_nFileButtonStyle, 2);
    EXPECT_EQ(r.m_nFolderButtonGraphic, 3);
    EXPECT_EQ(r.m_nFileButtonGraphic, 4);
    EXPECT_EQ(r.m_bShowContentsFor, 1);
    EXPECT_EQ(r.m_bHotspotFolder, 1);
    EXPECT_EQ(r.m_strHotspotImage, "/img/map.jpg");
    EXPECT_EQ(r.m_strLabel, "label");
    ASSERT_EQ(r.m_arrDocs.size(), 1u);
    const CBuildTreeDoc& rd = *r.m_arrDocs[0];
    EXPECT_EQ(rd.m_strName, "n");
    EXPECT_EQ(rd.m_strLink, "mailto:x@y");
    EXPECT_EQ(rd.m_strComment, "cm");
    EXPECT_EQ(rd.m_nFileSize, 77);
    EXPECT_EQ(rd.m_timeFile, 21);
    EXPECT_EQ(rd.m_timePublish, 22);
    EXPECT_EQ(rd.m_timePurge, 23);
    EXPECT_EQ(rd.m_bPurge, 1);
    EXPECT_EQ(rd.m_bVisible, 0);
    ASSERT_EQ(r.m_arrHotspots.size(), 1u);
    EXPECT_EQ(r.m_arrHotspots[0]->m_nShape, CHotspotArea::kPolygon);
    EXPECT_EQ(r.m_arrHotspots[0]->m_strLink, "n (mailto:x@y)");
    EXPECT_EQ(r.m_arrHotspots[0]->m_arrCoords,
              (std::vector<std::int32_t>{-5, 6, 70000, -80000, 9, 10}));
    ASSERT_EQ(r.m_arrFolders.size(), 1u);
    EXPECT_EQ(r.m_arrFolders[0]->m_strComment, "sc");
    EXPECT_EQ(r.m_arrFolders[0]->m_bVisible, 0);

    EXPECT_EQ(WriteProjectBytes(back), bytes);
}
