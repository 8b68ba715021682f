// How a hotspot's link text becomes an address.
#include <gtest/gtest.h>

#include "GeneratorTestSupport.h"
#include "generator/HotspotPageWriter.h"
#include "generator/PageContext.h"

namespace foldcraft::test {
namespace {

TEST(ResolveHotspotLink, FolderPositionsEntriesAndStaleTexts) {
    const struct {
        const char* text;
        const char* id;
        bool linked;
        const char* address;
    } cases[] = {
        {"Reports (Folder 3)", "0-2", true, "Folder0-2-2.html"},
        {"Kid (Folder 1)", "0", true, "Folder0-0.html"},
        {"  Folder 2  ", "0-2", true, "Folder0-2-1.html"},  // no parentheses
        {"X (Folder 0)", "0-2", false, ""},
        {"X (Folder 4)", "0-2", false, ""},
        {"X (Folder abc)", "0-2", false, ""},
        {"", "0-2", true, ""},
        // An entry of the folder keeps its parentheses whole.
        {"Old (C:\\Data (old)\\a.doc)", "0-2", true, "files/Data (old)/a.doc"},
        {"Odd (/x (Folder 1)/b.doc)", "0-2", true, "files/x (Folder 1)/b.doc"},
        // Stale or foreign texts: only the last parentheses are seen.
        {"Minutes (C:\\Board\\minutes.doc)", "0-2", true, "files/Board/minutes.doc"},
        {"Mail ( mailto:a@b.c )", "0-2", true, "mailto:a@b.c"},
        {"Web (http://x.org/a\\b)", "0-2", true, "http://x.org/a\\b"},
        {"New (C:\\Data (new)\\a.doc)", "0-2", true, "files/new)/a.doc"},
    };
    auto doc = NewProject();
    CBuildTreeFolder folder;
    for (int i = 0; i < 3; ++i) AddFolder(folder, "F");
    AddDoc(folder, "Old", "C:\\Data (old)\\a.doc");
    AddDoc(folder, "Odd", "/x (Folder 1)/b.doc");
    ScopedClockPin pin(kNow);
    PageContext ctx(*doc, "/unused");
    for (const auto& c : cases) {
        const auto target = HotspotPageWriter(ctx).ResolveHotspotLink(folder, c.text, c.id);
        EXPECT_EQ(target.linked, c.linked) << c.text;
        if (c.linked) {
            EXPECT_EQ(target.address, c.address) << c.text;
        }
        EXPECT_EQ(target.sizeText + target.dateText, "") << "no such file here: " << c.text;
    }
}

}  // namespace
}  // namespace foldcraft::test
