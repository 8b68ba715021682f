// The project document: New values, emptying and the design defaults.
#include <gtest/gtest.h>

#include <memory>

#include "ModelTestSupport.h"
#include "model/FoldcraftDoc.h"
#include "model/ProjectFile.h"

using foldcraft::ReadProjectBytes;
using foldcraft::WriteProjectBytes;
using foldcraft::test::Fixture;

TEST(FoldcraftDoc, NewAfterAnOpenStartsAfresh) {
    CFoldcraftDoc doc;
    ASSERT_TRUE(ReadProjectBytes(doc, Fixture("every-field.fcd")).Ok());
    doc.m_arrPublishFiles.push_back("/a");
    doc.SetPathName("/a/site.fcd");
    doc.SetModifiedFlag();
    CBuildTreeFolder* const root = doc.m_pRoot.get();

    foldcraft::ScopedClockPin pin(foldcraft::test::kFixtureTime);
    ASSERT_TRUE(doc.OnNewDocument());
    // Every stored New value is in the bytes of the new-project file.
    EXPECT_EQ(WriteProjectBytes(doc), Fixture("new-project.fcd"));
    EXPECT_TRUE(doc.m_arrPublishFiles.empty());
    EXPECT_EQ(doc.m_bNeverSaved, 1);
    EXPECT_EQ(doc.GetTitle(), "New Document");
    EXPECT_EQ(doc.GetPathName(), "");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.m_pRoot.get(), root) << "the root object stays";
}

TEST(FoldcraftDoc, DeleteContentsEmptiesTheTreeOnly) {
    CFoldcraftDoc doc;
    ASSERT_TRUE(ReadProjectBytes(doc, Fixture("every-field.fcd")).Ok());
    doc.m_pRoot->m_arrFolders[0]->AddFolder(std::make_unique<CBuildTreeFolder>());
    doc.m_arrPublishFiles.push_back("/a");
    doc.DeleteContents();
    EXPECT_EQ(foldcraft::test::Outline(*doc.m_pRoot), "root\xC3\xA9[]");
    EXPECT_TRUE(doc.m_arrPublishFiles.empty());
    // The root's own fields and the settings stay.
    EXPECT_EQ(doc.m_pRoot->m_strLabel, "label0\xC3\xA9");
    EXPECT_EQ(doc.m_strTitle, "title\xC3\xA9");
}

TEST(FoldcraftDoc, DesignDefaultsMarkModifiedAndTouchOnlyTheirPage) {
    const std::pair<void (CFoldcraftDoc::*)(), const char*> cases[] = {
        {&CFoldcraftDoc::SetGeneralDefaults, "every-field-general-defaults.fcd"},
        {&CFoldcraftDoc::SetTextDefaults, "every-field-text-defaults.fcd"},
        {&CFoldcraftDoc::SetColorDefaults, "every-field-colour-defaults.fcd"},
    };
    for (const auto& [setDefaults, expected] : cases) {
        SCOPED_TRACE(expected);
        CFoldcraftDoc doc;
        ASSERT_TRUE(ReadProjectBytes(doc, Fixture("every-field.fcd")).Ok());
        (doc.*setDefaults)();
        EXPECT_TRUE(doc.IsModified());
        EXPECT_EQ(WriteProjectBytes(doc), Fixture(expected));
    }
}
