// Site tree items: the active test, sorting, very deep trees; the build clock.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ModelTestSupport.h"
#include "model/BuildTreeFolder.h"
#include "model/TextCase.h"

using foldcraft::Time;
using foldcraft::test::Outline;

namespace {

using Names = std::vector<std::string>;

// A folder named name with a document and a sub-folder for each of names, in order.
std::unique_ptr<CBuildTreeFolder> Filled(const std::string& name, const Names& names) {
    auto folder = std::make_unique<CBuildTreeFolder>(name, "(folder)", "");
    for (const auto& n : names) {
        folder->AddDoc(std::make_unique<CBuildTreeDoc>(n, "/" + n, ""));
        folder->AddFolder(std::make_unique<CBuildTreeFolder>(n, "(folder)", ""));
    }
    return folder;
}

}  // namespace

TEST(BuildTree, ActiveBetweenThePublishAndThePurgeSecond) {
    const Time t = 1'700'000'000;
    std::unique_ptr<CBuildTreeDoc> item;
    {
        foldcraft::ScopedClockPin pin(t);
        item = std::make_unique<CBuildTreeDoc>("n", "/n", "");  // published now
        EXPECT_FALSE(item->IsActive()) << "inactive during the second of its publish date";
    }
    // With m_bPurge exactly 1 the purge second itself is out; any other value ignores
    // the purge date, however early. Dates after 2038 work: times are 64-bit.
    struct Case {
        std::int32_t purge;
        Time purgeAt, now;
        bool active;
    };
    const Case cases[] = {{0, 0, t - 1, false},
                          {0, 0, t + 1, true},
                          {1, t + 10, t + 9, true},
                          {1, t + 10, t + 10, false},
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
    EXPECT_EQ(foldcraft::ToLowerUtf8("A\xFF\xC3"), "a\xFF\xC3");  // invalid UTF-8 kept as is
    const std::string upper = "\u00C9clair", lower = "\u00E9clair";
    // Equal keys ("A", "a"; "Éclair", "éclair") keep their order either way; the
    // accented names sort after the ASCII ones (byte order of the lower-cased UTF-8).
    struct Case {
        Names names;
        bool ascending;
        Names sorted;
    };
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
        auto folder = Filled("f", c.names);
        folder->SortChildren(c.ascending);
        Names docs, folders;
        for (const auto& doc : folder->m_arrDocs) docs.push_back(doc->m_strName);
        for (const auto& sub : folder->m_arrFolders) folders.push_back(sub->m_strName);
        EXPECT_EQ(docs, c.sorted);
        EXPECT_EQ(folders, c.sorted);
    }
    // Sorting a folder sorts its sub-folders, not its siblings or its parent.
    CBuildTreeFolder root;
    root.m_strName = "r";
    CBuildTreeFolder* z = root.AddFolder(Filled("z", {"2", "1"}));
    z->m_arrFolders[0] = Filled("2", {"q", "p"});
    root.AddFolder(Filled("y", {"2", "1"}));
    root.AddDoc(std::make_unique<CBuildTreeDoc>("b", "/b", ""));
    root.AddDoc(std::make_unique<CBuildTreeDoc>("a", "/a", ""));
    z->SortChildren(true);
    EXPECT_EQ(Outline(root), "r[z[1[] 2[p[] q[] p q] 1 2] y[2[] 1[] 2 1] b a]");
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
    EXPECT_EQ(root->m_arrFolders[0]->m_arrDocs[0]->m_strName, "a");
    root.reset();
}

TEST(ClockTest, SourceDateEpochTakesDecimalSecondsOnly) {
    const std::pair<const char*, std::optional<Time>> cases[] = {
        {"0", 0},
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
        EXPECT_EQ(foldcraft::Clock::ParseSourceDateEpoch(text), expected) << text;
}
