#include "document/TipOfTheDay.h"

#include <tuple>
#include <utility>

#include "model/SettingsStore.h"

namespace foldcraft {
namespace {
const char kSection[] = "Tip";
const char kStartUp[] = "StartUp";
const char kFilePos[] = "FilePos";

// The runtime library's classic generator: 15-bit values from a 32-bit state, the
// same sequence on every platform for the same seed.
class TipRandom {
public:
    void Seed(std::uint32_t seed) { m_state = seed; }
    int Next() {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<int>((m_state >> 16) & 0x7FFF);
    }

private:
    std::uint32_t m_state = 1;
};
}  // namespace

const std::array<const char*, TipOfTheDay::kCount>& TipOfTheDay::Tips() {
    static const std::array<const char*, kCount> kTips = {{
        "Drop files from your file manager onto a folder in the Build tree to add them "
        "all at once.",
        "Give a document a publish date and a purge date: each publish run shows only "
        "the documents that are current on that day.",
        "Move Up and Move Down keep folders together and documents together: a folder "
        "moves past folders, a document past documents.",
        "Sort Alphabetical sorts the selected folder and every folder below it. Reverse "
        "Alphabetical does the same from Z to A.",
        "Preview writes the selected folder's page and opens it in your browser, without "
        "publishing the whole site.",
        "Buttons... sets the button style of one folder: the default buttons, radio "
        "buttons, plain text links or pictures.",
        "Hotspots... turns a folder's page into a clickable picture: draw rectangles, "
        "circles and polygons and link each to an item of the folder.",
        "A web link can be any address your visitors' browser understands, such as "
        "http://, https:// or mailto: addresses.",
        "The Design tab's Colors page shows a preview of your colours before you publish.",
        "Set Defaults on a Design page brings that page's settings back to their "
        "original values; the other pages keep theirs.",
        "Turn off the title page or the sitemap on the Design tab's General page when "
        "your site does not need them.",
        "Show File Size and Show File Date on the General page add each document's size "
        "and date to its button.",
        "Thumbnails show small pictures of your images on the folder pages; choose their "
        "width and height on the General page.",
        "The Refresh command rebuilds the tree and marks documents that changed on disk "
        "since the last publish run.",
        "Documents whose files changed since the last publish are marked in the Build "
        "tree: publish again to bring the site up to date.",
        "Publish to an FTP server straight from the Publish tab; the server and firewall "
        "settings are kept for the next time.",
        "Every publish run writes a status log; files that could not be copied are "
        "listed at its end.",
        "Press F6 to move between the Build tree and the item's properties, Shift+F6 "
        "to move back.",
        "Undo and Redo in the Edit menu (Ctrl+Z, Ctrl+Shift+Z) take back changes to the "
        "tree and its items.",
        "A project is one .fcd file: save it, copy it, and open it again on another "
        "computer with the same documents.",
        "Design Tip: Darker text on lighter backgrounds is easier to read.   A suggestion "
        "specific to Foldcraft\u2122 is that folders could use a dark background with light "
        "or white text and documents could use a lighter background with darker text.  "
        "This makes it easier for the user to quickly determine that a button links to a "
        "document or to a folder.",
        "Design Tip: Create a unique directory into which to publish your sites as you "
        "create them.  It is much easier to keep it all in one place, specify a directory "
        "to publish into vs. publishing into an existing directory.",
        "Design Tip: Publish and re-publish locally until you are satisfied, then publish "
        "to the FTP site.  This will save you some upload time to your FTP connection.",
        "Design Tip: If you want the links to appear as simply underlined text links, "
        "simply make the document or folder background the same as the body background.",
        "Design Tip: Use your browser to go the web link you want to use.  Simply copy and "
        "paste the web address from the URL line in the browser into the link line in "
        "Foldcraft\u2122",
        "Design Tip: Foldcraft\u2122 allows you to publish, review and then re-publish with "
        "small changes quickly and easily.",
    }};
    return kTips;
}

TipOfTheDay::TipOfTheDay(ISettingsStore& settings)
    : m_settings(settings), m_showAtStartUp(WantedAtStartUp(settings)) {
    const int pos = m_settings.GetInt(kSection, kFilePos, 0);
    m_lastShown = pos >= 0 && pos < kCount ? pos : 0;
}

TipOfTheDay::~TipOfTheDay() {
    m_settings.WriteInt(kSection, kFilePos, m_lastShown);
}

bool TipOfTheDay::WantedAtStartUp(const ISettingsStore& settings) {
    return settings.GetInt(kSection, kStartUp, 0) <= 0;
}

int TipOfTheDay::Choose(Time now) {
    // The tip shown last (the start-up one included) is never next; the others not
    // shown yet in this round are the candidates, and a round starts again when
    // none is left.
    auto candidates = [this] {
        std::array<int, kCount> list{};
        int n = 0;
        for (int i = 0; i < kCount; ++i)
            if (i != m_lastShown && !m_shown[static_cast<size_t>(i)])
                list[static_cast<size_t>(n++)] = i;
        return std::pair(list, n);
    };
    auto [list, n] = candidates();
    if (n == 0) {
        m_shown.reset();
        std::tie(list, n) = candidates();
    }
    // Seeded from the time and the number of choices made, so that presses within
    // one second still draw differently.
    TipRandom random;
    const auto t = static_cast<std::uint32_t>(now);
    random.Seed(t);
    random.Seed((t << 8) + static_cast<std::uint32_t>(random.Next() & 255) + m_choices++ * 7919u);
    const int value = list[static_cast<size_t>(random.Next() % n)];
    m_shown.set(static_cast<size_t>(value));
    m_lastShown = value;
    return value;
}

void TipOfTheDay::Close(bool showAtStartUp) {
    m_showAtStartUp = showAtStartUp;
    m_settings.WriteInt(kSection, kStartUp, showAtStartUp ? 0 : 1);
}

}  // namespace foldcraft
