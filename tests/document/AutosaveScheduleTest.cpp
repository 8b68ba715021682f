#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/AutosaveSchedule.h"

using foldcraft::AutosaveSchedule;

namespace {

struct Event {
    std::int64_t at;
    char what;  // 'e' an edit, 's' a save (no unsaved changes), 'f' the next copy fails
};

// Runs the schedule on a test clock up to `end` and lists the copies made, by time;
// a copy that failed is marked "!". A copy due at an event's time is made before it.
std::string Copies(const std::vector<Event>& events, std::int64_t end) {
    AutosaveSchedule schedule({60'000, 5'000});
    std::string copies;
    bool fail = false;
    auto copyUntil = [&](std::int64_t t) {
        while (schedule.DueAt() && *schedule.DueAt() <= t) {
            const std::int64_t now = *schedule.DueAt();
            copies += (copies.empty() ? "" : " ") + std::to_string(now) + (fail ? "!" : "");
            if (fail)
                schedule.Failed(now);
            else
                schedule.Written();
            fail = false;
        }
    };
    for (const Event& event : events) {
        copyUntil(event.at);
        if (event.what == 'e') schedule.Edited(event.at);
        if (event.what == 's') schedule.Clean();
        if (event.what == 'f') fail = true;
    }
    copyUntil(end);
    return copies;
}

std::vector<Event> TypingEverySecond(std::int64_t from, std::int64_t to) {
    std::vector<Event> events;
    for (std::int64_t t = from; t <= to; t += 1'000) events.push_back({t, 'e'});
    return events;
}

}  // namespace

// A copy five seconds after the editing rests, at the latest a minute after the first
// edit it does not hold; none while nothing is unsaved or the copy is current; a
// failed copy is tried again a minute later.
TEST(AutosaveSchedule, CopiesWhenIdleAndAtLeastEveryPeriod) {
    const struct {
        const char* name;
        std::vector<Event> events;
        std::string copies;
    } rows[] = {
        {"one edit", {{0, 'e'}}, "5000"},
        {"the idle delay restarts", {{0, 'e'}, {3'000, 'e'}}, "8000"},
        {"busy typing", TypingEverySecond(0, 129'000), "60000 120000 134000"},
        {"saved before the copy", {{0, 'e'}, {2'000, 's'}}, ""},
        {"saved, then edited", {{0, 'e'}, {2'000, 's'}, {10'000, 'e'}}, "15000"},
        {"a failed copy", {{0, 'f'}, {0, 'e'}}, "5000! 65000"},
        {"an edit after a failure", {{0, 'f'}, {0, 'e'}, {7'000, 'e'}}, "5000! 12000"},
        {"nothing edited", {}, ""},
    };
    for (const auto& row : rows) EXPECT_EQ(Copies(row.events, 300'000), row.copies) << row.name;
}
