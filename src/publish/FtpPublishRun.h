#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/Clock.h"
#include "publish/FtpConnector.h"
#include "publish/FtpSettings.h"
#include "publish/LogSink.h"
#include "publish/SyncRun.h"

class CFoldcraftDoc;
class CFTPLink;

namespace foldcraft {
class FtpSiteTarget;
class SitePages;

// The FTP publish run: renders the site's pages in memory, logs on to the server
// (through the configured firewall), changes to the starting directory, and syncs
// the site there (SyncRun on an FtpSiteTarget): the remote directories the new and
// changed files need, the documents and images, the pages, the manifest, and last
// the removal of what the site no longer holds; then it logs off. Every step is
// reported to a log sink.
//
// Remote layout, relative to the starting directory: the same as a local site
// (SiteContents; the pages and styles.css at the top).
//
// A directory that the server refuses with 550 (and that is not there) does not end
// the run: the files below it are listed as not copied. The list says why beside
// each file ("PATH (missing)"), except where the server refused it: after the list,
// each distinct server reply that made a file fail is logged once ("Server: ..."),
// with a hint when active mode failed (PORT refused, or 425: the server could not
// connect back).
//
// The caller has made the publish checks first (PublishChecks::BeginPublish and
// FtpSettings::Check). The run empties doc.m_arrPublishFiles when it starts and
// leaves there the local paths (or page names) of the files that were not uploaded.
// Passwords never reach the log.
class FtpPublishRun {
public:
    using Result = PublishResult;
    using PauseHook = PublishPauseHook;
    // Asked before each remote directory and each upload (from the run's thread);
    // true stops the run there: the file under way is finished, the rest is left.
    using StopHook = std::function<bool()>;

    static constexpr const char* kStoppedLine = "\nPublish stopped by the user.\n";

    // doc and sink must outlive the run. programFolder holds images/ (missing support
    // images are installed there before upload) and the run's private scratch
    // directory while it works.
    FtpPublishRun(CFoldcraftDoc& doc, ILogSink& sink, std::string programFolder,
                  FtpSettings settings, PauseHook pause = {});
    ~FtpPublishRun();

    // How long any network wait may go without progress; by default the settings'
    // timeout.
    void SetTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

    // A stop request: once stop() answers true the run makes no further directory
    // and uploads no further file; after a good logon it sends QUIT, then ends with
    // kStoppedLine as a failed run (the files not sent are not listed).
    void SetStopHook(StopHook stop) { m_stop = std::move(stop); }

    // Runs the whole publish once. The Close button is disabled while it works and
    // enabled at the end in every case.
    Result RunFtpPublish();

    // Set when the run failed or a file was not uploaded.
    bool ErrorFlag() const { return m_bError; }

    // After a failed login, starting directory or directory structure: what the
    // client last heard from the server (or its own failure text), with any password
    // masked. Empty when the run did not fail there, or when the text answers a
    // command that carried a password (a server may echo what it was sent).
    const std::string& FailureDetail() const { return m_strFailureDetail; }

    // What stopped the run before it could publish anything: the server could not be
    // reached, refused the login, or has no such starting directory (kNone when the
    // run got past its starting directory, or failed otherwise).
    FtpConnector::Failure FailureKind() const { return m_failureKind; }
    // That failure in one sentence for a message box or the command line:
    //   "The server could not be reached (127.0.0.1 port 2121: Connection refused)."
    //   "The server refused the login: 530 Login incorrect."
    //   "The starting directory "www" does not exist on the server: 550 No such
    //    directory."
    // Empty for kNone. Passwords are masked.
    std::string FailureMessage() const;
    // Make a missing starting directory (one level at a time) instead of failing.
    void SetCreateStartDirectory(bool create) { m_createStartDir = create; }

    // The waits between the tries of a file (tests: none).
    void SetRetryWaits(std::vector<std::chrono::milliseconds> waits) {
        m_retryWaits = std::move(waits);
    }

    // Dry run, removal limit; changed files only follows the settings.
    void SetSyncOptions(const SyncOptions& options) { m_options = options; }
    // Whether removals were due and not made (a failure, the limit).
    bool RemovalsHeldBack() const { return m_bRemovalsHeldBack; }

    // Log texts of the run beyond the fixed ones.
    static constexpr const char* kDirectoriesRefused = "\nSome directories could not be created.\n";
    static constexpr const char* kPortRefusedHint =
        "\nHint: active mode (PORT) failed on this server; passive mode may work.\n";

private:
    Result Run();
    Result FailureEnd(const std::string& text);
    // The steps of Run, each ending the run (its result) unless it hands on.
    void LoggedOn();
    Result LogonFailureEnd(const FtpConnector::Opened& opened);
    Result SyncSite(FtpSiteTarget& site, const SitePages& pages, Time now);
    Result Upload(FtpSiteTarget& site, SyncRun& sync, const SitePages& pages, bool changes);
    void ListNotCopied(const FtpSiteTarget& site, const SyncRun& sync);
    // Keeps the link's last reply as the failure detail, logs text, logs off.
    Result FailAfterLogon(FtpSiteTarget& site, const std::string& text);
    static void LogOff(FtpSiteTarget& site);
    // Appends to the log; the connections' threads append too, one at a time.
    void Append(const std::string& text);
    void Pause(int milliseconds) {
        if (m_pause) m_pause(milliseconds);
    }
    void KeepFailureDetail(const CFTPLink& link);
    bool StopRequested();
    std::string MaskPasswords(std::string text) const;

    CFoldcraftDoc& m_doc;
    ILogSink& m_sink;
    std::string m_programFolder;
    FtpSettings m_settings;
    PauseHook m_pause;
    StopHook m_stop;
    SyncOptions m_options;
    std::atomic<bool> m_bStopped{false};
    std::mutex m_sinkMutex;
    std::optional<std::vector<std::chrono::milliseconds>> m_retryWaits;
    std::chrono::milliseconds m_timeout;
    bool m_bError = false;
    bool m_bRemovalsHeldBack = false;
    std::string m_strFailureDetail;
    FtpConnector::Failure m_failureKind = FtpConnector::Failure::kNone;
    bool m_createStartDir = false;
};

}  // namespace foldcraft
