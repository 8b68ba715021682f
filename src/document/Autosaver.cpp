#include "document/Autosaver.h"

#include <QDateTime>
#include <algorithm>
#include <chrono>

#include "document/ProjectDocument.h"
#include "document/RecoveryStore.h"
#include "model/ProjectFile.h"

namespace foldcraft {

Autosaver::Autosaver(ProjectDocument& document, RecoveryStore& store,
                     AutosaveSchedule::Intervals intervals, Clock clock, QObject* parent)
    : QObject(parent),
      m_document(document),
      m_store(store),
      m_schedule(intervals),
      m_clock(std::move(clock)) {
    if (!m_clock) {
        m_clock = [] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
        };
    }
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &Autosaver::Tick);
    connect(&m_document, &ProjectDocument::edited, this, &Autosaver::OnEdited);
    connect(&m_document, &ProjectDocument::modifiedChanged, this, &Autosaver::OnModifiedChanged);
    // A project opened modified (a recovered one) is copied at once by its opener.
}

void Autosaver::OnEdited() {
    if (!m_document.Doc().IsModified()) return;  // undone back to the saved state
    m_schedule.Edited(Now());
    Arm();
}

void Autosaver::OnModifiedChanged(bool modified) {
    if (modified) return OnEdited();
    m_schedule.Clean();
    m_store.RemoveOwn();
    Arm();
}

void Autosaver::Tick() {
    const std::int64_t now = Now();
    if (m_schedule.IsDue(now) && !WriteNow()) m_schedule.Failed(now);
    Arm();
}

bool Autosaver::WriteNow() {
    CFoldcraftDoc& doc = m_document.Doc();
    std::string bytes;
    if (!WriteProjectBytes(doc, bytes).Ok()) return false;
    RecoveryInfo info;
    info.neverSaved = doc.m_bNeverSaved != 0 || doc.GetPathName().empty();
    if (!info.neverSaved) info.originalPath = QString::fromStdString(doc.GetPathName());
    info.title = QString::fromStdString(doc.GetTitle());
    info.time = QDateTime::currentDateTimeUtc();
    if (!m_store.Write(bytes, info)) return false;
    m_schedule.Written();
    return true;
}

void Autosaver::Arm() {
    const auto due = m_schedule.DueAt();
    if (!due) {
        m_timer.stop();
        return;
    }
    const std::int64_t wait = std::clamp<std::int64_t>(*due - Now(), 0, 24 * 3600 * 1000);
    m_timer.start(std::chrono::milliseconds(wait));
}

}  // namespace foldcraft
