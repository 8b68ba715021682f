#pragma once

#include <memory>
#include <string>

#include "document/AutosaveSchedule.h"
#include "document/Autosaver.h"
#include "document/RecoveryStore.h"

class QWidget;

namespace foldcraft {
class DocumentLifeCycle;
class IUserDialogs;
class ProjectDocument;

// The desktop program's safety net: the open project's autosaved copy in
// <program folder>/recovery, and at start-up the offer of the copies that programs
// which are gone (crashed, killed) left there. Destroying it is the clean end: this
// program's copy is removed.
class CrashRecovery {
public:
    // Everything passed must outlive this object.
    CrashRecovery(ProjectDocument& document, DocumentLifeCycle& lifeCycle, IUserDialogs& dialogs,
                  const std::string& programFolder, AutosaveSchedule::Intervals intervals,
                  Autosaver::Clock clock = {});

    // Takes this program's own place in the recovery folder and starts autosaving.
    // False when the folder cannot be made or locked: the program then runs without.
    bool Start();

    // "Recover unsaved changes to NAME from TIME?" for each copy left behind, newest
    // first: Recover opens it as the modified project it was a copy of (the offer
    // ends there; the rest wait for a later start), Discard removes it, Decide
    // Later leaves it for the next start.
    void Offer(QWidget* window);

    static std::string DirOf(const std::string& programFolder) {
        return programFolder + "/recovery";
    }
    RecoveryStore& Store() { return m_store; }
    Autosaver* Autosave() { return m_autosaver.get(); }

private:
    ProjectDocument& m_document;
    DocumentLifeCycle& m_lifeCycle;
    IUserDialogs& m_dialogs;
    AutosaveSchedule::Intervals m_intervals;
    Autosaver::Clock m_clock;
    RecoveryStore m_store;
    std::unique_ptr<Autosaver> m_autosaver;
};

}  // namespace foldcraft
