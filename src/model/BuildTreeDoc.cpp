#include "model/BuildTreeDoc.h"

#include <utility>

using foldcraft::Clock;
using foldcraft::Time;

CBuildTreeDoc::CBuildTreeDoc() {
    m_timeFile = Clock::Now();
    m_timePublish = Clock::Now();
    m_timePurge = m_timePublish + kDefaultPurgeSpan;
}

CBuildTreeDoc::CBuildTreeDoc(std::string name, std::string link, std::string comment)
    : CBuildTreeDoc() {
    m_strName = std::move(name);
    m_strLink = std::move(link);
    m_strComment = std::move(comment);
}

bool CBuildTreeDoc::IsActive() const { return IsActiveAt(Clock::Now()); }

bool CBuildTreeDoc::IsActiveAt(Time now) const {
    if (!(m_timePublish < now)) return false;
    if (m_bPurge != 1) return true;
    return m_timePurge > now;
}
