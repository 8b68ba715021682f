#include <gtest/gtest.h>

#include "model/FoldcraftDoc.h"

TEST(FoldcraftDoc, NewDocumentHasRoot) {
    CFoldcraftDoc doc;
    doc.OnNewDocument();
    EXPECT_EQ(doc.m_pRoot->m_strName, "Root");
}
