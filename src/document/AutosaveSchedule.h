#pragma once

#include <cstdint>
#include <optional>

namespace foldcraft {

// When the open project is copied to its recovery file: once the edits have rested
// for the idle delay, and at the latest one period after the first edit the copy
// does not hold yet, however busy the editing. A project without unsaved changes is
// never copied. Times are milliseconds on a steady clock of the caller's choosing
// (tests pass their own), so this class neither reads a clock nor runs a timer.
class AutosaveSchedule {
public:
    struct Intervals {
        std::int64_t periodMs = 60'000;
        std::int64_t idleMs = 5'000;
    };

    explicit AutosaveSchedule(Intervals intervals) : m_intervals(intervals) {}

    // An edit at now.
    void Edited(std::int64_t now);
    // The copy was written and holds every edit so far.
    void Written();
    // Writing the copy failed at now: the next try is one period later.
    void Failed(std::int64_t now);
    // The project has no unsaved changes (saved, or undone back to the saved state).
    void Clean() { Written(); }

    // When the copy is next due; nullopt when there is nothing to copy.
    std::optional<std::int64_t> DueAt() const;
    bool IsDue(std::int64_t now) const {
        const auto due = DueAt();
        return due && now >= *due;
    }
    const Intervals& GetIntervals() const { return m_intervals; }

private:
    Intervals m_intervals;
    std::optional<std::int64_t> m_idleDue;    // the last edit plus the idle delay
    std::optional<std::int64_t> m_periodDue;  // the first edit not copied plus the period
};

}  // namespace foldcraft
