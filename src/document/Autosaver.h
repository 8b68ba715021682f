#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>

#include "document/AutosaveSchedule.h"

namespace foldcraft {
class ProjectDocument;
class RecoveryStore;

// Copies the open project to its recovery file as AutosaveSchedule says: it follows
// the document's edits and saves, and wakes itself with a timer. The copy is the
// project file the normal writer makes; the project's own file is never written.
// A copy that cannot be written is tried again one period later. When the project
// has no unsaved changes (saved, or undone to the saved state), the copy is removed.
class Autosaver : public QObject {
    Q_OBJECT
public:
    // Milliseconds on a steady clock; tests pass a clock of their own and call Tick.
    using Clock = std::function<std::int64_t()>;

    // document and store must outlive this object. An empty clock means the
    // system's steady clock.
    Autosaver(ProjectDocument& document, RecoveryStore& store,
              AutosaveSchedule::Intervals intervals, Clock clock = {}, QObject* parent = nullptr);

    // Writes the copy when it is due by the clock, then sets the timer for the next.
    // The timer calls this by itself.
    void Tick();
    // Writes the copy now, due or not (after a recovery). False when it failed.
    bool WriteNow();

private:
    void OnEdited();
    void OnModifiedChanged(bool modified);
    std::int64_t Now() const { return m_clock(); }
    void Arm();

    ProjectDocument& m_document;
    RecoveryStore& m_store;
    AutosaveSchedule m_schedule;
    Clock m_clock;
    QTimer m_timer;
};

}  // namespace foldcraft
