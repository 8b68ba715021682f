#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "model/Clock.h"
#include "publish/LogSink.h"
#include "publish/SyncRun.h"

class CFoldcraftDoc;

namespace foldcraft {
class SitePages;
class SiteTarget;

// What a publish to a server does whatever the protocol (FtpPublishRun,
// SftpPublishRun): renders the pages in memory, and once the protocol has logged
// on, syncs the site (SyncRun on the protocol's SiteTarget) with the same steps and
// log lines: the remote directories, the documents and images, the pages, the
// manifest, the removals last; Stop between files; the list of files not copied
// with the distinct reasons after it; the end. The protocol supplies the log-on,
// the log-off and what a reason looks like in its log.
//
// The run empties doc.m_arrPublishFiles when it starts and leaves there the files
// that were not uploaded. Not copyable; one run at a time.
class ServerPublishRun {
public:
    using Result = PublishResult;
    using PauseHook = PublishPauseHook;
    // Asked before each remote directory and each upload (from the run's threads);
    // true stops the run there: the files under way are finished, the rest is left.
    using StopHook = std::function<bool()>;

    static constexpr const char* kStoppedLine = "\nPublish stopped by the user.\n";
    static constexpr const char* kDirectoriesRefused = "\nSome directories could not be created.\n";

    ServerPublishRun(const ServerPublishRun&) = delete;
    ServerPublishRun& operator=(const ServerPublishRun&) = delete;

    // A stop request: once stop() answers true the run makes no further directory
    // and uploads no further file, logs off, and ends with kStoppedLine as a failed
    // run (the files not sent are not listed).
    void SetStopHook(StopHook stop) { m_stop = std::move(stop); }
    // Dry run, removal limit; changed files only follows the protocol's settings.
    void SetSyncOptions(const SyncOptions& options) { m_options = options; }
    // Make a missing starting directory instead of failing.
    void SetCreateStartDirectory(bool create) { m_createStartDir = create; }

    // Set when the run failed or a file was not uploaded.
    bool ErrorFlag() const { return m_bError; }
    // Whether removals were due and not made (a failure, the limit).
    bool RemovalsHeldBack() const { return m_bRemovalsHeldBack; }

protected:
    // doc and sink must outlive the run; protocol names the server in the log
    // ("FTP", "SFTP"). programFolder holds images/ (missing support images are
    // installed there before upload).
    ServerPublishRun(CFoldcraftDoc& doc, ILogSink& sink, std::string programFolder,
                     PauseHook pause, std::string protocol);
    virtual ~ServerPublishRun() = default;

    // Runs body with the Close button disabled until the end, whatever the end;
    // exhausted memory ends it as a failure.
    Result Guarded(const std::function<Result()>& body);
    // The log's header and the pages rendered into pages; a failure ends the run
    // (its result), as does a stop asked meanwhile.
    std::optional<Result> RenderPages(SitePages& pages, const RunTime& time);
    // "Successfully logged into server."
    void LoggedOn();
    // Syncs the site to the logged-on site, through to the end of the run.
    Result SyncSite(SiteTarget& site, const SitePages& pages, Time now, bool changedOnly);

    // Ends the run as failed with text.
    Result FailureEnd(const std::string& text);
    // The same once logged on: KeepFailureDetail, text, LogOff.
    Result FailAfterLogon(const std::string& text);
    void Append(const std::string& text);
    void Pause(int milliseconds) {
        if (m_pause) m_pause(milliseconds);
    }
    bool StopRequested();

    // The protocol's part.
    virtual void LogOff() {}
    // Keeps what the server last said, for FailureMessage, when the run fails after
    // the log-on.
    virtual void KeepFailureDetail() {}
    // A file's failure reason as the log may show it (secrets masked).
    virtual std::string ShownReason(const std::string& reason) const { return reason; }
    // Whether a shown reason is the server's: said once after the not-copied list
    // ("Server: ..."), since one refusal usually stands for many files; any other is
    // said beside its file ("PATH (missing)").
    virtual bool FromServer(const std::string& shown) const = 0;
    // A line after those reasons (a hint), or empty.
    virtual std::string NotCopiedHint() const { return {}; }
    // The line that says the connection has ended ("Logged off of FTP server."), or
    // empty where there is none.
    virtual std::string LoggedOffLine() const;
    // The last lines of a run that got to its end (where to see the site), or empty.
    virtual std::string ClosingLines() const { return {}; }

    CFoldcraftDoc& m_doc;
    ILogSink& m_sink;
    std::string m_programFolder;
    SyncOptions m_options;
    bool m_createStartDir = false;

private:
    Result Upload(SyncRun& sync, const SitePages& pages, bool changes);
    void ListNotCopied(const SyncRun& sync);

    PauseHook m_pause;
    StopHook m_stop;
    std::string m_protocol;
    std::atomic<bool> m_bStopped{false};
    std::mutex m_sinkMutex;  // the connections' threads log too, one at a time
    bool m_bError = false;
    bool m_bRemovalsHeldBack = false;
};

}  // namespace foldcraft
