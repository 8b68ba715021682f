// The project document: New values, emptying and the design defaults.
#include <gtest/gtest.h>

#include <memory>

#include "ModelTestSupport.h"
#include "model/FoldcraftDoc.h"
#include "model/ProjectFile.h"

using foldcraft::ScopedClockPin;

using foldcraft::test::kFixtureTime;

namespace {

// Every stored New value is in the bytes of the worked new-project file (made with
// the clock at kFixtureTime); the rest are not stored.
void ExpectNewValues(CFoldcraftDoc& doc) {
    EXPECT_EQ(foldcraft::WriteProjectBytes(doc), foldcraft::test::Fixture("new-project.fcd"));
    EXPECT_TRUE(doc.m_arrPublishFiles.empty());
    EXPECT_EQ(doc.m_bNeverSaved, 1);
    EXPECT_EQ(doc.GetTitle(), "New Document");
    EXPECT_EQ(doc.GetPathName(), "");
    EXPECT_FALSE(doc.IsModified());
}

}  // namespace

TEST(FoldcraftDoc, NewGivesEveryFieldItsNewValue) {
    ScopedClockPin pin(kFixtureTime);
    CFoldcraftDoc doc;
    ASSERT_TRUE(doc.OnNewDocument());
    ExpectNewValues(doc);
}

TEST(FoldcraftDoc, OpenThenNewStartsAfresh) {
    CFoldcraftDoc doc;
    ASSERT_TRUE(foldcraft::ReadProjectBytes(doc, foldcraft::test::Fixture("sample.fcd")).Ok());
    doc.m_arrPublishFiles.push_back("/a");
    doc.m_pRoot->m_bHotspotFolder = 1;
    doc.m_pRoot->m_strHotspotImage = "/map.gif";
    doc.m_pRoot->m_bVisible = 0;
    CBuildTreeFolder* const root = doc.m_pRoot.get();
    doc.SetModifiedFlag();

    ScopedClockPin pin(kFixtureTime);
    ASSERT_TRUE(doc.OnNewDocument());
    ExpectNewValues(doc);
    EXPECT_EQ(doc.m_pRoot.get(), root) << "the root object stays";
}

TEST(FoldcraftDoc, DeleteContentsEmptiesTheTreeOnly) {
    CFoldcraftDoc doc;
    doc.OnNewDocument();
    doc.m_strTitle = "T";
    doc.m_pRoot->m_strLabel = "L";
    doc.m_pRoot->AddFolder(std::make_unique<CBuildTreeFolder>())
        ->AddDoc(std::make_unique<CBuildTreeDoc>());
    doc.m_pRoot->AddHotspot(std::make_unique<CHotspotArea>());
    doc.m_arrPublishFiles.push_back("/a");
    doc.DeleteContents();
    EXPECT_EQ(doc.m_pRoot->CountItems(), 1u);
    EXPECT_TRUE(doc.m_pRoot->m_arrHotspots.empty());
    EXPECT_TRUE(doc.m_arrPublishFiles.empty());
    EXPECT_EQ(doc.m_strTitle, "T");
    EXPECT_EQ(doc.m_pRoot->m_strLabel, "L");
}

TEST(FoldcraftDoc, DesignDefaultsMarkModifiedAndTouchOnlyTheirPage) {
    CFoldcraftDoc doc;
    doc.OnNewDocument();
    doc.m_nPublishMethod = 1;
    doc.m_strPublishPath = "/srv";
    doc.m_bShowFileSize = 1;
    doc.m_nThumbWidth = 5;
    doc.m_strBackgroundImage = "/bg.gif";
    doc.m_strTitle = "Mine";
    doc.m_clrLink = 1;

    doc.SetColorDefaults();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.m_clrLink, 0xFF0000u);
    EXPECT_EQ(doc.m_strTitle, "Mine");
    EXPECT_EQ(doc.m_nThumbWidth, 5);

    doc.SetModifiedFlag(false);
    doc.SetTextDefaults();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.m_strTitle, "My Title");
    // Unlike a new project, the header and footer become empty.
    EXPECT_EQ(doc.m_strHeader, "");
    EXPECT_EQ(doc.m_strFooter, "");
    EXPECT_EQ(doc.m_nThumbWidth, 5);

    doc.SetModifiedFlag(false);
    doc.SetGeneralDefaults();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.m_bShowFileSize, 0);
    EXPECT_EQ(doc.m_nThumbWidth, 48);
    EXPECT_EQ(doc.m_strBackgroundImage, "");
    EXPECT_EQ(doc.m_nPublishMethod, 1);
    EXPECT_EQ(doc.m_strPublishPath, "/srv");
    EXPECT_EQ(doc.m_strHeader, "");
}
