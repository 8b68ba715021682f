#pragma once

#include <cstdint>
#include <optional>

namespace foldcraft {

// Seconds since 1970-01-01 00:00:00 UTC, held in 64 bits.
using Time = std::int64_t;

// The program's one source of "now". Tests pin it to a fixed second;
// everything in the core that needs the current time asks here.
class Clock {
public:
    // The current time, or the pinned time when one is set.
    static Time Now();

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
