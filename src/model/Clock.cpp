#include "model/Clock.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace foldcraft {
namespace {
// INT64_MIN marks "not pinned".
constexpr Time kUnpinned = INT64_MIN;
std::atomic<Time> g_pinned{kUnpinned};

// SOURCE_DATE_EPOCH as read at the first call (thread-safe static initialisation).
std::optional<Time> SourceDateEpoch() {
    static const std::optional<Time> value = [] {
        const char* text = std::getenv("SOURCE_DATE_EPOCH");
        if (!text || !*text) return std::optional<Time>{};
        const std::optional<Time> parsed = Clock::ParseSeconds(text);
        if (!parsed)
            std::fprintf(stderr,
                         "Warning: SOURCE_DATE_EPOCH is not a number of seconds from 1970 to "
                         "2038; using the real clock.\n");
        return parsed;
    }();
    return value;
}
}  // namespace

Time Clock::Now() {
    const Time pinned = g_pinned.load(std::memory_order_relaxed);
    if (pinned != kUnpinned) return pinned;
    return static_cast<Time>(std::time(nullptr));
}

Time Clock::Stamp() {
    if (const std::optional<Time> epoch = SourceDateEpoch()) return *epoch;
    return Now();
}

RunTime Clock::ForRun() {
    RunTime time;
    time.now = Now();
    const std::optional<Time> epoch = SourceDateEpoch();
    time.stamp = epoch ? *epoch : time.now;
    return time;
}

std::optional<Time> Clock::ParseSeconds(const char* text) {
    if (!text || !*text) return std::nullopt;
    Time value = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return std::nullopt;
        value = value * 10 + (*p - '0');
        if (value > kLatest) return std::nullopt;
    }
    return value;
}

void Clock::Pin(std::optional<Time> pinned) {
    g_pinned.store(pinned ? *pinned : kUnpinned, std::memory_order_relaxed);
}

ScopedClockPin::ScopedClockPin(Time pinned) {
    const Time old = g_pinned.load(std::memory_order_relaxed);
    if (old != kUnpinned) m_previous = old;
    Clock::Pin(pinned);
}

ScopedClockPin::~ScopedClockPin() {
    Clock::Pin(m_previous);
}

}  // namespace foldcraft
