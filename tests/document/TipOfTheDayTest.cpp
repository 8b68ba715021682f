#include <gtest/gtest.h>

#include <set>

#include "document/TipOfTheDay.h"
#include "model/MemorySettingsStore.h"

using foldcraft::MemorySettingsStore;
using foldcraft::Time;
using foldcraft::TipOfTheDay;

// Over many start times and every recorded "FilePos", with Next Tip pressed many
// times within one second: the first tip is never the recorded one, no tip follows
// itself, and every tip shows once before any shows again.
TEST(TipOfTheDay, NeverTheSameTipTwiceInARowAndEveryTipOnceARound) {
    for (int pos = 0; pos < TipOfTheDay::kCount; ++pos) {
        for (Time start = 1'000'000'000; start < 1'000'000'000 + 40; ++start) {
            MemorySettingsStore settings;
            settings.WriteInt("Tip", "FilePos", pos);
            TipOfTheDay tips(settings);
            int previous = pos;
            std::set<int> round;
            for (int press = 0; press < 3 * TipOfTheDay::kCount; ++press) {
                const int chosen = tips.Choose(start + press / 40);
                ASSERT_TRUE(chosen >= 0 && chosen < TipOfTheDay::kCount);
                ASSERT_NE(chosen, previous) << "start " << start << " press " << press;
                if (press % TipOfTheDay::kCount == 0) round.clear();
                ASSERT_TRUE(round.insert(chosen).second) << "start " << start << " press " << press;
                previous = chosen;
            }
        }
    }
}

// Tips show at start while "StartUp" is missing or 0 or less.
TEST(TipOfTheDay, WantedAtStartUpWhileStartUpIsMissingOrAtMostZero) {
    for (int startUp : {-2, -1, 0, 1}) {  // -2: missing
        MemorySettingsStore settings;
        if (startUp > -2) settings.WriteInt("Tip", "StartUp", startUp);
        EXPECT_EQ(TipOfTheDay::WantedAtStartUp(settings), startUp <= 0) << startUp;
    }
}
