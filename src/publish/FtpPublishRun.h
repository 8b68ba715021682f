#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "publish/FtpConnector.h"
#include "publish/FtpSettings.h"
#include "publish/ServerPublishRun.h"

class CFoldcraftDoc;
class CFTPLink;

namespace foldcraft {
class FtpSiteTarget;

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
class FtpPublishRun : public ServerPublishRun {
public:
    // doc and sink must outlive the run. programFolder holds images/ (missing support
    // images are installed there before upload).
    FtpPublishRun(CFoldcraftDoc& doc, ILogSink& sink, std::string programFolder,
                  FtpSettings settings, PauseHook pause = {});
    ~FtpPublishRun() override;

    // How long any network wait may go without progress; by default the settings'
    // timeout.
    void SetTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

    // Runs the whole publish once. The Close button is disabled while it works and
    // enabled at the end in every case. A stop (SetStopHook) sends QUIT after a good
    // logon.
    Result RunFtpPublish();

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

    // The waits between the tries of a file (tests: none).
    void SetRetryWaits(std::vector<std::chrono::milliseconds> waits) {
        m_retryWaits = std::move(waits);
    }

    static constexpr const char* kPortRefusedHint =
        "\nHint: active mode (PORT) failed on this server; passive mode may work.\n";

private:
    Result Run();
    Result LogonFailureEnd(const FtpConnector::Opened& opened);
    void LogOff() override;
    void KeepFailureDetail() override;
    std::string ShownReason(const std::string& reason) const override;
    bool FromServer(const std::string& shown) const override;
    std::string NotCopiedHint() const override;
    void KeepReplyOf(const CFTPLink& link);
    std::string MaskPasswords(std::string text) const;

    FtpSettings m_settings;
    std::optional<std::vector<std::chrono::milliseconds>> m_retryWaits;
    std::chrono::milliseconds m_timeout;
    std::string m_strFailureDetail;
    FtpConnector::Failure m_failureKind = FtpConnector::Failure::kNone;
    FtpSiteTarget* m_site = nullptr;  // while the run syncs
};

}  // namespace foldcraft
