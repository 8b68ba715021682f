#include "model/BuildTreeDoc.h"

#include <utility>

#include "model/Archive.h"

using foldcraft::Clock;
using foldcraft::Time;

CBuildTreeDoc::CBuildTreeDoc() {
    m_timeFile = Clock::Stamp();
    m_timePublish = Clock::Stamp();
    m_timePurge = m_timePublish + kDefaultPurgeSpan;
}

CBuildTreeDoc::CBuildTreeDoc(std::string name, std::string link, std::string comment)
    : CBuildTreeDoc() {
    m_strName = std::move(name);
    m_strLink = std::move(link);
    m_strComment = std::move(comment);
}

bool CBuildTreeDoc::IsActive() const {
    return IsActiveAt(Clock::Now());
}

bool CBuildTreeDoc::IsActiveAt(Time now) const {
    if (!(m_timePublish < now)) return false;
    if (m_bPurge != 1) return true;
    return m_timePurge > now;
}

void CBuildTreeDoc::Serialize(CArchive& ar) {
    SerializeItem(ar);
}

void CBuildTreeDoc::SerializeItem(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteU32(1);
        ar.WriteText(m_strName);
        ar.WriteText(m_strLink);
        ar.WriteText(m_strComment);
        ar.WriteI32(m_nFileSize);
        ar.WriteTime(m_timeFile);
        ar.WriteTime(m_timePublish);
        ar.WriteTime(m_timePurge);
        ar.WriteI32(m_bPurge);
        ar.WriteI32(m_bVisible);
        return;
    }
    // Another version: its fields are unknown, so they keep their defaults.
    if (ar.ReadU32() != 1) return;
    m_strName = ar.ReadText();
    m_strLink = ar.ReadText();
    m_strComment = ar.ReadText();
    m_nFileSize = ar.ReadI32();
    m_timeFile = ar.ReadTime();
    m_timePublish = ar.ReadTime();
    m_timePurge = ar.ReadTime();
    m_bPurge = ar.ReadI32();
    m_bVisible = ar.ReadI32();
}
