#pragma once

#include <cstdint>
#include <optional>

namespace foldcraft {

// Seconds since 1970-01-01 00:00:00 UTC, held in 64 bits.
using Time = std::int64_t;

// The program's one source of "now". Tests pin it to a fixed second;
// everything in the core that needs the current time asks here.
//
// SOURCE_DATE_EPOCH (the reproducible-builds convention: decimal seconds since
// 1970) stands in for the real clock when it is set, so the same project publishes
// to the same bytes. It is read once, at the first call; an empty value means the
// real clock, a malformed one too, with one warning on standard error.
class Clock {
public:
    // The pinned time when one is set, else SOURCE_DATE_EPOCH, else the real time.
    static Time Now();

    // Parses a SOURCE_DATE_EPOCH value: decimal digits only, at most 2^63 - 1.
    // nullopt for anything else (empty, sign, blanks, letters, overflow).
    static std::optional<Time> ParseSourceDateEpoch(const char* text);

    // Pins Now() to a fixed value (nullopt releases it). Thread-safe.
    static void Pin(std::optional<Time> pinned);
};

// Pins the clock for the lifetime of the object and restores the previous pin after.
class ScopedClockPin {
public:
    explicit ScopedClockPin(Time pinned);
    ~ScopedClockPin();
    ScopedClockPin(const ScopedClockPin&) = delete;
    ScopedClockPin& operator=(const ScopedClockPin&) = delete;

private:
    std::optional<Time> m_previous;
};

}  // namespace foldcraft
