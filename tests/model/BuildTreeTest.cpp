// Site tree items: defaults, the active test, sorting and clearing.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/BuildTreeFolder.h"
#include "model/TextCase.h"

using foldcraft::ScopedClockPin;
using foldcraft::Time;

namespace {

using Names = std::vector<std::string>;

template <class Item>
Names NamesOf(const std::vector<std::unique_ptr<Item>>& items) {
    Names names;
    for (const auto& item : items) names.push_back(item->m_strName);
    return names;
}

// A folder with documents and sub-folders named by names, in that order.
void Fill(CBuildTreeFolder& folder, const Names& names) {
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
    EXPECT_EQ(folder.m_strName + folder.m_strLink + folder.m_strComment, "F(folder)c");
    EXPECT_EQ(folder.m_timeFile, jan1st2024);
    EXPECT_EQ(folder.m_timePublish, jan1st2024);
    EXPECT_EQ(folder.m_timePurge, jan1st2024 + 365 * 86'400);
    EXPECT_EQ(folder.m_bPurge, 0);
    EXPECT_EQ(folder.m_bVisible, 1);
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
    ScopedClockPin pin(t + 1);
    EXPECT_TRUE(item->IsActive());
    // With m_bPurge exactly 1 the purge second itself is out; any other value ignores
    // the purge date, however early. Dates after 2038 work: times are 64-bit.
    struct Case {
        std::int32_t purge;
        Time purgeAt, now;
        bool active;
    };
    const Case cases[] = {{0, 0, t - 1, false},
                          {1, t + 10, t + 9, true},
                          {1, t + 10, t + 10, false},
                          {0, 0, t + 1, true},
                          {2, 0, t + 1, true},
                          {-1, 0, t + 1, true},
                          {1, 3'000'000'000, 2'999'999'999, true},
                          {1, 3'000'000'000, 3'000'000'000, false}};
    for (const Case& c : cases) {
        item->m_bPurge = c.purge;
        item->m_timePurge = c.purgeAt;
        EXPECT_EQ(item->IsActiveAt(c.now), c.active) << c.purge << " " << c.purgeAt << " " << c.now;
    }
}

TEST(BuildTree, SortIsStableByLowerCasedUtf8NameBothWays) {
    EXPECT_EQ(foldcraft::ToLowerUtf8("\u00C9CLAIR \u00C4\u00D6 Stra\u00DFe"),
              "\u00E9clair \u00E4\u00F6 stra\u00DFe");
    EXPECT_EQ(foldcraft::ToLowerUtf8("A\xFF\xC3"), "a\xFF\xC3");  // invalid UTF-8 kept as is
    const std::string upper = "\u00C9clair", lower = "\u00E9clair";
    struct Case {
        Names names;
        bool ascending;
        Names sorted;
    };
    // Equal keys ("A", "a"; "Éclair", "éclair") keep their order either way; the
    // accented names sort after the ASCII ones (byte order of the lower-cased UTF-8).
    const Case cases[] = {
        {{"b", "A", "a"}, true, {"A", "a", "b"}},
        {{"b", "A", "a"}, false, {"b", "A", "a"}},
        {{"a", "A", "b"}, false, {"b", "a", "A"}},
        {{"zebra", upper, "apple", lower, "Eclair"},
         true,
         {"apple", "Eclair", "zebra", upper, lower}},
        {{"zebra", upper, "apple", lower, "Eclair"},
         false,
         {upper, lower, "zebra", "Eclair", "apple"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.names) + (c.ascending ? " up" : " down"));
        CBuildTreeFolder folder;
        Fill(folder, c.names);
        folder.SortChildren(c.ascending);
        EXPECT_EQ(NamesOf(folder.m_arrDocs), c.sorted);
        EXPECT_EQ(NamesOf(folder.m_arrFolders), c.sorted);
    }
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
    EXPECT_EQ(NamesOf(z.m_arrDocs), (Names{"1", "2"}));
    // "2" moved to the second place and was sorted too.
    EXPECT_EQ(NamesOf(z.m_arrFolders[1]->m_arrDocs), (Names{"p", "q"}));
    EXPECT_EQ(NamesOf(y.m_arrDocs), (Names{"2", "1"}));
    EXPECT_EQ(NamesOf(root.m_arrDocs), (Names{"z", "y"}));
    EXPECT_EQ(NamesOf(root.m_arrFolders), (Names{"z", "y"}));
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
    EXPECT_EQ(root.CountItems(), 1u);
    EXPECT_TRUE(root.m_arrHotspots.empty());
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
    EXPECT_EQ(NamesOf(target.m_arrDocs), Names{"d"});
    EXPECT_TRUE(source.m_arrDocs.empty());
}

TEST(ClockTest, SourceDateEpochTakesDecimalSecondsOnly) {
    using foldcraft::Clock;
    const std::vector<std::pair<const char*, std::optional<foldcraft::Time>>> cases{
        {"0", 0},
        {"1767225600", 1767225600},
        {"9223372036854775807", INT64_MAX},
        {"9223372036854775808", std::nullopt},
        {"", std::nullopt},
        {"-1", std::nullopt},
        {"+5", std::nullopt},
        {" 5", std::nullopt},
        {"5 ", std::nullopt},
        {"1e9", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(Clock::ParseSourceDateEpoch(text), expected) << text;
}
