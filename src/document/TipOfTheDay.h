#pragma once

#include <array>
#include <bitset>
#include <cstdint>

#include "model/Clock.h"

namespace foldcraft {
class ISettingsStore;

// The tip of the day without its window: the 26 tips, which one comes next, and the
// "Tip" section of the settings ("StartUp": 0 or less = show tips at start-up;
// "FilePos": the index of the tip shown last).
class TipOfTheDay {
public:
    static constexpr int kCount = 26;
    // The tips in their fixed order (UTF-8).
    static const std::array<const char*, kCount>& Tips();

    // Reads "StartUp" and "FilePos"; settings must outlive this object.
    explicit TipOfTheDay(ISettingsStore& settings);
    // Writes the last index shown to "FilePos".
    ~TipOfTheDay();
    TipOfTheDay(const TipOfTheDay&) = delete;
    TipOfTheDay& operator=(const TipOfTheDay&) = delete;

    // Whether tips are shown at start-up, as the settings had it.
    bool ShowAtStartUp() const { return m_showAtStartUp; }
    // Picks the next tip with a generator seeded from the time now: never the index
    // shown last, and one not yet shown by this object while there is such a tip
    // (then the round starts again). Records and returns the index.
    int Choose(Time now);
    int LastShown() const { return m_lastShown; }
    // The dialog's Close: writes "StartUp" = 0 when tips are to be shown, else 1.
    void Close(bool showAtStartUp);

    // Whether the settings ask for tips at start-up (without building the list).
    static bool WantedAtStartUp(const ISettingsStore& settings);

private:
    ISettingsStore& m_settings;
    bool m_showAtStartUp = true;
    int m_lastShown = 0;
    std::bitset<kCount> m_shown;  // chosen in this round
    std::uint32_t m_choices = 0;  // how many Choose() calls so far
};

}  // namespace foldcraft
