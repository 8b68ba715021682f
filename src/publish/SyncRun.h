#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "publish/PublishManifest.h"
#include "publish/SiteTarget.h"
#include "publish/SyncPlan.h"
#include "publish/TransferMeter.h"

namespace foldcraft {

struct SyncOptions {
    // False: every file is put again, whatever the target holds.
    bool changedOnly = true;
    // Plan only: nothing is locked, made, put or removed.
    bool dryRun = false;
    // The most files a run removes; a run with more to remove removes none and says
    // so. nullopt: SyncPlan::DefaultRemovalLimit; SIZE_MAX: no limit.
    std::optional<std::size_t> maxDelete;
    // Clear the leftovers of killed runs in every directory of the site, not only in
    // those the run writes into and removes (cheap on a local disk).
    bool sweepAllDirectories = false;
    // Take the lock only once the plan shows something to change (LockForChanges), so
    // that a re-publish that changes nothing only reads (a server far away).
    bool lockOnlyForChanges = false;
    // Do not make again the directories the manifest lists (a target that finds one
    // gone when it puts a file there makes it then).
    bool skipListedDirectories = false;
};

// Executes a sync on one target: takes its lock, reads its manifest, surveys and
// plans (SyncPlan), makes the directories, puts the changed files and pages, writes
// the manifest, and removes what the site no longer holds: only files the manifest
// lists that still are as they were put, only when every file of the run arrived,
// and not more than the limit. The publish runs (local, FTP) call the steps in the
// order their logs show them, and take the texts for the log from here.
//
// Every file that could not be put is in NotCopiedFiles() with its reason. Each
// step may be called once, in the order declared; a step after a failure end is
// not called: Abandon() instead. The target and the sink must outlive the run; the
// lock is released when the run ends or is destroyed.
class SyncRun {
public:
    using StopHook = std::function<bool()>;

    SyncRun(SiteTarget& target, SyncOptions options);
    ~SyncRun();
    SyncRun(const SyncRun&) = delete;
    SyncRun& operator=(const SyncRun&) = delete;

    // Takes the lock (not in a dry run, nor with lockOnlyForChanges) and reads the
    // manifest. false when the lock is held by another run or cannot be taken:
    // StartFailureLine() then says why, and nothing has been written.
    bool Start();
    // With lockOnlyForChanges, after Plan: whether the run has anything to change
    // (files or pages to put, files or directories to remove, a manifest to rewrite).
    bool HasChanges() const;
    // With lockOnlyForChanges, after Plan and only when HasChanges(): takes the lock
    // and reads the manifest again; when another run changed it meanwhile, plans
    // again from it. false as for Start().
    bool LockForChanges();

    // Reports of the copying's progress (from the threads that copy, one at a time).
    void SetProgressReport(TransferMeter::Report report) { m_meter.SetReport(std::move(report)); }
    std::string StartFailureLine() const { return m_startFailure; }

    // Surveys the site's files (their sources, and whether the target holds them)
    // and plans. cannotCopy: files of the site that cannot be published at all;
    // they are listed as not copied.
    void Plan(std::vector<SiteFile> files, std::vector<NotCopied> cannotCopy);
    const SyncPlan& ThePlan() const { return m_plan; }
    // The plan as --dry-run shows it.
    std::string Describe() const { return m_plan.Describe(m_notCopied); }

    // Makes the plan's directories. A directory the target refuses lists the files
    // below it as not copied; false (with the reason in Failure()) when the target
    // cannot take the site at all.
    bool MakeDirectories();
    // Puts the new and changed documents and images. stop is asked before each.
    void PutFiles(const StopHook& stop = {});
    // Puts the plan's pages among names (the pages of one writer); false when one
    // of them could not be put (listed as not copied).
    bool PutPages(const std::vector<std::string>& names);
    // Writes the manifest, removes what is no longer published (unless stopped or
    // anything failed), writes the manifest again when the removals changed it,
    // and releases the lock.
    void Finish(bool stopped = false);
    // After a failure end: the manifest records what the target holds now, nothing
    // is removed, the lock is released.
    void Abandon();

    const std::vector<NotCopied>& NotCopiedFiles() const { return m_notCopied; }
    // Whether the target refused a directory the plan needed.
    bool RefusedDirectories() const { return !m_refused.empty(); }
    const std::string& Failure() const { return m_failure; }
    std::size_t Skipped() const { return m_plan.unchanged.size(); }
    std::size_t Removed() const { return m_removed; }
    // Whether removals were due and held back (a failure, the limit): the run did
    // not do all it should have.
    bool RemovalsHeldBack() const { return m_heldBack; }

    // "\nSkipped N unchanged files.\n" ("1 unchanged file") when N > 0.
    std::string SkippedLine() const;
    // When the target took fewer connections than it allows: how many, and why.
    const std::string& ConnectionsLine() const { return m_connectionsLine; }
    // What the removals did and did not do, for the log (empty when there was
    // nothing to remove and the manifest was read).
    std::string RemovalLines() const;

    // Text from a name or a reason as the log shows it: control characters as \xNN,
    // so that a name cannot split a line or send escape sequences to a terminal.
    static std::string Printable(const std::string& text);

private:
    // Fills in wanted and unchanged of the files from begin to end, asking target.
    void Survey(SiteTarget& target, SurveyedFile* begin, SurveyedFile* end) const;
    void NoteNotCopied(const SurveyedFile& f, const std::string& reason);
    const std::string* RefusedDirectoryOf(const std::string& path) const;
    // What putting one file came to.
    struct PutResult {
        SiteTarget::Status status;
        std::optional<ManifestEntry> entry;
    };
    // Puts f through target; changes nothing of the run but the meter (safe on
    // several threads).
    PutResult TryPut(SiteTarget& target, const SurveyedFile& f);
    // Puts the files over every connection the target allows (the first file of the
    // run alone, first), and records what each came to, in order. Once stop answers
    // true no further file is begun. false when one of them was not put.
    bool PutMany(const std::vector<const SurveyedFile*>& files, const StopHook& stop);
    // Calls work(target, i) for each i below count, over the target and its workers
    // at once; once stop answers true no further i is begun. Whether it stopped.
    bool OnEveryConnection(std::size_t count,
                           const std::function<void(SiteTarget&, std::size_t)>& work,
                           const StopHook& stop = {});
    // The twins that put files beside the target: made and connected once, up to want.
    void OpenWorkers(std::size_t want);
    // A target that must overwrite in place: every file still to put is marked in
    // progress in the manifest, which is written, before the first is overwritten.
    void MarkInPlace();
    // Plans from m_input (kept for a second plan after the lock).
    void PlanFromInput();
    bool ReadManifest();
    bool TakeLock(std::string& holder);
    // Records what putting f came to: its manifest entry, or why it was not copied.
    bool Record(const SurveyedFile& f, const PutResult& result);
    void Remove();
    bool WriteManifest();

    SiteTarget& m_target;
    SyncOptions m_options;
    TransferMeter m_meter;
    std::vector<SiteFile> m_inputFiles;  // with lockOnlyForChanges, for LockForChanges
    std::vector<NotCopied> m_inputCannotCopy;
    std::string m_manifestText;  // as read, to see whether it changed
    bool m_manifestFound = false;
    bool m_firstPutDone = false;
    std::vector<std::unique_ptr<SiteTarget>> m_workers;
    bool m_workersOpened = false;
    std::string m_connectionsLine;
    bool m_locked = false;
    bool m_planned = false;
    std::string m_startFailure;
    std::optional<PublishManifest> m_old;  // the manifest read, when it can be trusted
    std::string m_manifestTrouble;         // why a manifest found was not trusted
    SyncPlan m_plan;
    PublishManifest m_new;
    std::vector<NotCopied> m_notCopied;
    std::map<std::string, std::string> m_refused;  // directory -> reason
    std::string m_failure;
    bool m_finished = false;
    bool m_heldBack = false;
    std::size_t m_removed = 0;
    std::size_t m_removedDirectories = 0;
    std::string m_removalLines;
};

}  // namespace foldcraft
