#include "model/Clock.h"

#include <atomic>
#include <ctime>

namespace foldcraft {
namespace {
// INT64_MIN marks "not pinned".
constexpr Time kUnpinned = INT64_MIN;
std::atomic<Time> g_pinned{kUnpinned};
}  // namespace

Time Clock::Now() {
    const Time pinned = g_pinned.load(std::memory_order_relaxed);
    if (pinned != kUnpinned) return pinned;
    return static_cast<Time>(std::time(nullptr));
}

void Clock::Pin(std::optional<Time> pinned) {
    g_pinned.store(pinned ? *pinned : kUnpinned, std::memory_order_relaxed);
}

ScopedClockPin::ScopedClockPin(Time pinned) {
    const Time old = g_pinned.load(std::memory_order_relaxed);
    if (old != kUnpinned) m_previous = old;
    Clock::Pin(pinned);
}

ScopedClockPin::~ScopedClockPin() { Clock::Pin(m_previous); }

}  // namespace foldcraft
