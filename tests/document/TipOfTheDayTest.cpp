#include <gtest/gtest.h>

#include "document/TipOfTheDay.h"
#include "model/MemorySettingsStore.h"

using foldcraft::MemorySettingsStore;
using foldcraft::Time;
using foldcraft::TipOfTheDay;

// Over many start times and every recorded "FilePos": the first tip is never the
// recorded one, and no tip follows itself, also when two choices fall in the same
// second.
TEST(TipOfTheDay, NeverTheSameTipTwiceInARow) {
    for (int pos = 0; pos < TipOfTheDay::kCount; ++pos) {
        for (Time start = 1'000'000'000; start < 1'000'000'000 + 200; ++start) {
            MemorySettingsStore settings;
            settings.WriteInt("Tip", "FilePos", pos);
            TipOfTheDay tips(settings);
            int previous = pos;
            for (Time t : {start, start, start + 1, start + 1, start + 2}) {
                const int chosen = tips.Choose(t);
                ASSERT_TRUE(chosen >= 0 && chosen < TipOfTheDay::kCount);
                ASSERT_NE(chosen, previous) << "start " << start;
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
