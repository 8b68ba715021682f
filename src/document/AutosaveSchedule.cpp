#include "document/AutosaveSchedule.h"

#include <algorithm>

namespace foldcraft {

void AutosaveSchedule::Edited(std::int64_t now) {
    m_idleDue = now + m_intervals.idleMs;
    if (!m_periodDue) m_periodDue = now + m_intervals.periodMs;
}

void AutosaveSchedule::Written() {
    m_idleDue.reset();
    m_periodDue.reset();
}

void AutosaveSchedule::Failed(std::int64_t now) {
    m_idleDue.reset();
    m_periodDue = now + m_intervals.periodMs;
}

std::optional<std::int64_t> AutosaveSchedule::DueAt() const {
    if (m_idleDue && m_periodDue) return std::min(*m_idleDue, *m_periodDue);
    return m_idleDue ? m_idleDue : m_periodDue;
}

}  // namespace foldcraft
