#pragma once

#include <cstdint>
#include <optional>

namespace foldcraft {

// Seconds since 1970-01-01 00:00:00 UTC, held in 64 bits.
using Time = std::int64_t;

// The two times of one publish (or generate) run, each read once when the run
// starts so that every decision and every page of the run agrees.
struct RunTime {
    // Decides which items are current (their publish and purge dates).
    Time now = 0;
    // Written into what the run makes: the title page's "Created on", the
    // last-publish stamp.
    Time stamp = 0;
};

// The program's one source of "now". Everything in the core that needs the time
// asks here.
//
// Now() is the real clock, unless it is pinned (tests, and the command-line tool's
// --now TIME, "publish as of"). Stamp() is what goes into files: SOURCE_DATE_EPOCH
// (the reproducible-builds convention: decimal seconds since 1970) when it is set,
// else Now(). SOURCE_DATE_EPOCH never decides which items are current: a leftover
// value must not purge a whole site. It is read once, at the first call; an empty
// value is ignored, a malformed or out-of-range one (beyond kLatest) too, with one
// warning on standard error.
class Clock {
public:
    // The last second a project file can hold (signed 32-bit times).
    static constexpr Time kLatest = 2147483647;

    // The pinned time when one is set, else the real time.
    static Time Now();
    // SOURCE_DATE_EPOCH when set and valid, else Now().
    static Time Stamp();
    // Both, read once: what a run uses throughout.
    static RunTime ForRun();

    // Parses a time given as decimal seconds since 1970 (SOURCE_DATE_EPOCH, --now):
    // digits only, 0 to kLatest. nullopt for anything else (empty, sign, blanks,
    // letters, beyond kLatest).
    static std::optional<Time> ParseSeconds(const char* text);

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
