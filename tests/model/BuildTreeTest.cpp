// Site tree items: defaults, the active test, sorting and clearing.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/BuildTreeFolder.h"
#include "model/TextCase.h"

using foldcraft::ScopedClockPin;
using foldcraft::Time;

namespace {

std::vector<std::string> Names(const std::vector<std::unique_ptr<CBuildTreeDoc>>& docs) {
    std::vector<std::string> names;
    for (const auto& d : docs) names.push_back(d->m_strName);
    return names;
}

std::vector<std::string> Names(const std::vector<std::unique_ptr<CBuildTreeFolder>>& folders) {
    std::vector<std::string> names;
    for (const auto& f : folders) names.push_back(f->m_strName);
    return names;
}

// A folder with documents and sub-folders named by names, in that order.
void Fill(CBuildTreeFolder& folder, const std::vector<std::string>& names) {
    for (const auto& name : names) {
        folder.AddDoc(std::make_unique<CBuildTreeDoc>(name, "/" + name, ""));
        folder.AddFolder(std::make_unique<CBuildTreeFolder>(name, "(folder)", ""));
    }
}

// Counts live objects to show that clearing destroys everything.
int g_live = 0;
struct CountedDoc : CBuildTreeDoc {
    CountedDoc() { ++g_live; }
    ~CountedDoc() override { --g_live; }
};
struct CountedFolder : CBuildTreeFolder {
    CountedFolder() { ++g_live; }
    ~CountedFolder() override { --g_live; }
};

}  // namespace

TEST(BuildTree, NewItemDefaults) {
    // 2024 is a leap year: the purge date is still 365 days of 86,400 seconds on.
    const Time jan1st2024 = 1'704'067'200;
    ScopedClockPin pin(jan1st2024);
    CBuildTreeFolder folder("F", "(folder)", "c");
    EXPECT_EQ(folder.m_strName, "F");
    EXPECT_EQ(folder.m_strLink, "(folder)");
    EXPECT_EQ(folder.m_strComment, "c");
    EXPECT_EQ(folder.m_nFileSize, 0);
    EXPECT_EQ(folder.m_timeFile, jan1st2024);
    EXPECT_EQ(folder.m_timePublish, jan1st2024);
    EXPECT_EQ(folder.m_timePurge, jan1st2024 + 365 * 86'400);
    EXPECT_EQ(folder.m_bPurge, 0);
    EXPECT_EQ(folder.m_bVisible, 1);
    EXPECT_EQ(folder.m_nFolderButtonStyle, 0);
    EXPECT_EQ(folder.m_nFileButtonGraphic, 0);
    EXPECT_EQ(folder.m_bShowContentsFor, 0);
    EXPECT_EQ(folder.m_bHotspotFolder, 0);
    EXPECT_TRUE(folder.m_strHotspotImage.empty());
    EXPECT_TRUE(folder.m_strLabel.empty());
    EXPECT_EQ(folder.CountItems(), 1u);
}

TEST(BuildTree, ActiveDateBoundaries) {
    const Time t = 1'700'000'000;
    std::unique_ptr<CBuildTreeDoc> item;
    {
        ScopedClockPin pin(t);
        item = std::make_unique<CBuildTreeDoc>("n", "/n", "");
        EXPECT_FALSE(item->IsActive()) << "inactive during the second of its publish date";
    }
    {
        ScopedClockPin pin(t + 1);
        EXPECT_TRUE(item->IsActive());
    }
    EXPECT_FALSE(item->IsActiveAt(t - 1));

    // With the purge switch on, the purge second itself is out.
    item->m_bPurge = 1;
    item->m_timePurge = t + 10;
    EXPECT_TRUE(item->IsActiveAt(t + 9));
    EXPECT_FALSE(item->IsActiveAt(t + 10));
    // Any value but exactly 1 ignores the purge date, however early it is.
    item->m_timePurge = 0;
    for (std::int32_t purge : {0, 2, -1}) {
        item->m_bPurge = purge;
        EXPECT_TRUE(item->IsActiveAt(t + 1)) << purge;
    }
    // Dates after 2038 work: times are 64-bit.
    item->m_bPurge = 1;
    item->m_timePurge = 3'000'000'000;
    EXPECT_TRUE(item->IsActiveAt(2'999'999'999));
    EXPECT_FALSE(item->IsActiveAt(3'000'000'000));
}

TEST(BuildTree, SortIsStableByLowerCasedNameBothWays) {
    CBuildTreeFolder folder;
    Fill(folder, {"b", "A", "a"});
    folder.SortChildren(true);
    EXPECT_EQ(Names(folder.m_arrDocs), (std::vector<std::string>{"A", "a", "b"}));
    EXPECT_EQ(Names(folder.m_arrFolders), (std::vector<std::string>{"A", "a", "b"}));

    CBuildTreeFolder reverse;
    Fill(reverse, {"b", "A", "a"});
    reverse.SortChildren(false);
    EXPECT_EQ(Names(reverse.m_arrDocs), (std::vector<std::string>{"b", "A", "a"}));
    EXPECT_EQ(Names(reverse.m_arrFolders), (std::vector<std::string>{"b", "A", "a"}));
    // Sorting "A", "a" the other way round keeps them as they are, too.
    reverse.SortChildren(true);
    EXPECT_EQ(Names(reverse.m_arrDocs), (std::vector<std::string>{"A", "a", "b"}));
}

TEST(BuildTree, SortLowerCasesUtf8Names) {
    EXPECT_EQ(foldcraft::ToLowerUtf8("\xC3\x89"
                                     "CLAIR \xC3\x84\xC3\x96 Stra\xC3\x9F"
                                     "e"),
              "\xC3\xA9"
              "clair \xC3\xA4\xC3\xB6 stra\xC3\x9F"
              "e");
    // Invalid UTF-8 is kept byte for byte.
    EXPECT_EQ(foldcraft::ToLowerUtf8("A\xFF\xC3"), "a\xFF\xC3");

    CBuildTreeFolder folder;
    const std::string upper =
                          "\xC3\x89"
                          "clair",
                      lower =
                          "\xC3\xA9"
                          "clair";
    Fill(folder, {"zebra", upper, "apple", lower, "Eclair"});
    folder.SortChildren(true);
    // "Éclair" and "éclair" have the same key and keep their order; both sort
    // after the ASCII names (byte order of the lower-cased UTF-8).
    EXPECT_EQ(Names(folder.m_arrDocs),
              (std::vector<std::string>{"apple", "Eclair", "zebra", upper, lower}));
    folder.SortChildren(false);
    EXPECT_EQ(Names(folder.m_arrDocs),
              (std::vector<std::string>{upper, lower, "zebra", "Eclair", "apple"}));
}

TEST(BuildTree, SortDescendsButNotIntoSiblingsOrParent) {
    CBuildTreeFolder root;
    Fill(root, {"z", "y"});
    CBuildTreeFolder& z = *root.m_arrFolders[0];
    CBuildTreeFolder& y = *root.m_arrFolders[1];
    Fill(z, {"2", "1"});
    Fill(*z.m_arrFolders[0], {"q", "p"});
    Fill(y, {"2", "1"});

    z.SortChildren(true);
    EXPECT_EQ(Names(z.m_arrDocs), (std::vector<std::string>{"1", "2"}));
    // "2" moved to the second place and was sorted too.
    EXPECT_EQ(Names(z.m_arrFolders[1]->m_arrDocs), (std::vector<std::string>{"p", "q"}));
    EXPECT_EQ(Names(y.m_arrDocs), (std::vector<std::string>{"2", "1"}));
    EXPECT_EQ(Names(root.m_arrDocs), (std::vector<std::string>{"z", "y"}));
    EXPECT_EQ(Names(root.m_arrFolders), (std::vector<std::string>{"z", "y"}));
}

TEST(BuildTree, ClearChildrenDestroysThreeLevelsAndKeepsTheFoldersFields) {
    g_live = 0;
    CBuildTreeFolder root("R", "(root)", "keep");
    root.m_strLabel = "label";
    root.AddHotspot(std::make_unique<CHotspotArea>());
    CBuildTreeFolder* level = &root;
    for (int depth = 0; depth < 3; ++depth) {
        level->AddDoc(std::make_unique<CountedDoc>());
        level->AddDoc(std::make_unique<CountedDoc>());
        level->AddFolder(std::make_unique<CountedFolder>());
        level = level->AddFolder(std::make_unique<CountedFolder>());
        level->AddHotspot(std::make_unique<CHotspotArea>());
    }
    EXPECT_EQ(g_live, 12);
    EXPECT_EQ(root.CountItems(), 13u);

    root.ClearChildren();
    EXPECT_EQ(g_live, 0);
    EXPECT_TRUE(root.m_arrFolders.empty());
    EXPECT_TRUE(root.m_arrDocs.empty());
    EXPECT_TRUE(root.m_arrHotspots.empty());
    EXPECT_EQ(root.CountItems(), 1u);
    EXPECT_EQ(root.m_strComment, "keep");
    EXPECT_EQ(root.m_strLabel, "label");
}

TEST(BuildTree, VeryDeepTreesAreSortedCountedAndDestroyedWithoutRecursion) {
    // Far deeper than a project file may hold: built in memory, these operations
    // must not run out of stack.
    auto root = std::make_unique<CBuildTreeFolder>();
    CBuildTreeFolder* folder = root.get();
    for (int i = 0; i < 200'000; ++i) {
        folder->AddDoc(std::make_unique<CBuildTreeDoc>("b", "", ""));
        folder->AddDoc(std::make_unique<CBuildTreeDoc>("a", "", ""));
        folder = folder->AddFolder(std::make_unique<CBuildTreeFolder>());
    }
    EXPECT_EQ(root->CountItems(), 600'001u);
    root->SortChildren(true);
    EXPECT_EQ(folder->m_arrDocs.size(), 0u);
    EXPECT_EQ(root->m_arrFolders[0]->m_arrDocs[0]->m_strName, "a");
    root.reset();
}

TEST(BuildTree, MoveAssignmentReplacesTheFolderAndItsChildren) {
    g_live = 0;
    CBuildTreeFolder target("old", "(root)", "");
    target.AddFolder(std::make_unique<CountedFolder>())->AddDoc(std::make_unique<CountedDoc>());
    CBuildTreeFolder source("new", "(folder)", "");
    source.m_bHotspotFolder = 1;
    source.AddDoc(std::make_unique<CBuildTreeDoc>("d", "/d", ""));
    target = std::move(source);
    EXPECT_EQ(g_live, 0);
    EXPECT_EQ(target.m_strName, "new");
    EXPECT_EQ(target.m_bHotspotFolder, 1);
    EXPECT_EQ(Names(target.m_arrDocs), std::vector<std::string>{"d"});
    EXPECT_TRUE(source.m_arrDocs.empty());
}
