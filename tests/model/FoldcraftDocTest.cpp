// The project document: New values, emptying and the design defaults.
#include <gtest/gtest.h>

#include <memory>

#include "ModelTestSupport.h"
#include "model/FoldcraftDoc.h"
#include "model/ProjectFile.h"

using foldcraft::ScopedClockPin;

namespace {

void ExpectNewValues(const CFoldcraftDoc& doc, foldcraft::Time now) {
    EXPECT_TRUE(doc.m_arrPublishFiles.empty());
    EXPECT_EQ(doc.m_bNeverSaved, 1);
    EXPECT_EQ(doc.m_timeLastPublish, now);
    EXPECT_EQ(doc.m_bCreateTitlePage, 1);
    EXPECT_EQ(doc.m_bCreateSitemap, 1);
    EXPECT_EQ(doc.m_bShowRestartButton, 1);
    EXPECT_EQ(doc.m_nNavBarPosition, 0);
    EXPECT_EQ(doc.m_bShowFileSize, 0);
    EXPECT_EQ(doc.m_bShowFileDate, 0);
    EXPECT_EQ(doc.m_bShowComments, 1);
    EXPECT_EQ(doc.m_bUseThumbnails, 1);
    EXPECT_EQ(doc.m_nThumbWidth, 48);
    EXPECT_EQ(doc.m_nThumbHeight, 48);
    EXPECT_EQ(doc.m_nBackgroundPlacement, 0);
    EXPECT_EQ(doc.m_strBackgroundImage, "");
    EXPECT_EQ(doc.m_strFont, "Arial, Helvetica, sans-serif");
    EXPECT_EQ(doc.m_strComments, "My Comments");
    EXPECT_EQ(doc.m_strFooter, "Customize footer text here...");
    EXPECT_EQ(doc.m_strHeader, "Customize header text here...");
    EXPECT_EQ(doc.m_strTitle, "My Title");
    EXPECT_EQ(doc.m_clrBodyBackground, 0xFFFFFFu);
    EXPECT_EQ(doc.m_clrBodyText, 0x000000u);
    EXPECT_EQ(doc.m_clrDocumentBackground, 0x00FF00u);
    EXPECT_EQ(doc.m_clrFolderBackground, 0x339933u);
    EXPECT_EQ(doc.m_clrFolderText, 0xFFFFFFu);
    EXPECT_EQ(doc.m_clrLink, 0xFF0000u);
    EXPECT_EQ(doc.m_clrVisitedLink, 0xFF00FFu);
    EXPECT_EQ(doc.m_nPublishMethod, 0);
    EXPECT_EQ(doc.m_strPublishPath, "");
    const CBuildTreeFolder& root = *doc.m_pRoot;
    EXPECT_EQ(root.m_strName, "Root");
    EXPECT_EQ(root.m_strLink, "(root)");
    EXPECT_EQ(root.m_strComment, "");
    EXPECT_EQ(root.m_strLabel, "");
    EXPECT_EQ(root.CountItems(), 1u);
    EXPECT_TRUE(root.m_arrHotspots.empty());
    EXPECT_EQ(doc.GetTitle(), "New Document");
    EXPECT_EQ(doc.GetPathName(), "");
    EXPECT_FALSE(doc.IsModified());
}

}  // namespace

TEST(FoldcraftDoc, NewGivesEveryFieldItsNewValue) {
    ScopedClockPin pin(1'600'000'000);
    CFoldcraftDoc doc;
    ASSERT_TRUE(doc.OnNewDocument());
    ExpectNewValues(doc, 1'600'000'000);
}

TEST(FoldcraftDoc, OpenThenNewStartsAfresh) {
    CFoldcraftDoc doc;
    ASSERT_TRUE(foldcraft::ReadProjectBytes(doc, foldcraft::test::Fixture("sample.fcd")).Ok());
    doc.m_arrPublishFiles.push_back("/a");
    doc.m_pRoot->m_bHotspotFolder = 1;
    doc.m_pRoot->m_strHotspotImage = "/map.gif";
    doc.m_pRoot->m_nFolderButtonStyle = 3;
    doc.m_pRoot->m_bVisible = 0;
    CBuildTreeFolder* const root = doc.m_pRoot.get();
    doc.SetModifiedFlag();

    ScopedClockPin pin(1'600'000'123);
    ASSERT_TRUE(doc.OnNewDocument());
    ExpectNewValues(doc, 1'600'000'123);
    // The root object stays; its other fields take an empty folder's defaults.
    EXPECT_EQ(doc.m_pRoot.get(), root);
    EXPECT_EQ(root->m_bHotspotFolder, 0);
    EXPECT_EQ(root->m_strHotspotImage, "");
    EXPECT_EQ(root->m_nFolderButtonStyle, 0);
    EXPECT_EQ(root->m_bVisible, 1);
    EXPECT_EQ(root->m_timePublish, 1'600'000'123);
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
    EXPECT_EQ(doc.m_nPublishMethod, 1);
    EXPECT_EQ(doc.m_strPublishPath, "/srv");
    EXPECT_EQ(doc.m_strTitle, "Mine");
    EXPECT_EQ(doc.m_nThumbWidth, 5);

    doc.SetModifiedFlag(false);
    doc.SetTextDefaults();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.m_strTitle, "My Title");
    EXPECT_EQ(doc.m_strComments, "My Comments");
    EXPECT_EQ(doc.m_strFont, "Arial, Helvetica, sans-serif");
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
    EXPECT_EQ(doc.m_strHeader, "");
}

TEST(FoldcraftDoc, PathGivesTheTitle) {
    CFoldcraftDoc doc;
    doc.SetPathName("/home/ann/My Site.fcd");
    EXPECT_EQ(doc.GetTitle(), "My Site.fcd");
    EXPECT_EQ(doc.GetPathName(), "/home/ann/My Site.fcd");
}
