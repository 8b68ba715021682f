#include "publish/FtpPublishRun.h"

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

#include "model/FoldcraftDoc.h"
#include "publish/FTPLink.h"
#include "publish/FtpSiteTarget.h"
#include "publish/SiteContents.h"
#include "publish/SitePages.h"

namespace foldcraft {
namespace {

// The failure lines of the page writers, by step.
constexpr const char* kPagesFailed[SitePages::kStepCount] = {
    "\nCreation of stylesheet failed!\n", "\nCreation of title page failed!\n",
    "\nCreation of sitemap failed!\n", "\nCreation of folder pages failed!\n"};

}  // namespace

FtpPublishRun::FtpPublishRun(CFoldcraftDoc& doc, ILogSink& sink, std::string programFolder,
                             FtpSettings settings, PauseHook pause)
    : m_doc(doc),
      m_sink(sink),
      m_programFolder(std::move(programFolder)),
      m_settings(std::move(settings)),
      m_pause(std::move(pause)),
      m_timeout(std::chrono::seconds(m_settings.nTimeoutSeconds > 0
                                         ? m_settings.nTimeoutSeconds
                                         : FtpSettings::kDefaultTimeoutSeconds)) {}

FtpPublishRun::~FtpPublishRun() = default;

FtpPublishRun::Result FtpPublishRun::FailureEnd(const std::string& text) {
    Append(text);
    m_bError = true;
    m_sink.EnableClose(true);
    return Result::kFailed;
}

bool FtpPublishRun::StopRequested() {
    if (!m_bStopped && m_stop && m_stop()) m_bStopped = true;
    return m_bStopped;
}

void FtpPublishRun::Append(const std::string& text) {
    if (text.empty()) return;
    const std::lock_guard<std::mutex> lock(m_sinkMutex);
    m_sink.AppendText(text);
}

void FtpPublishRun::KeepFailureDetail(const CFTPLink& link) {
    if (link.LastReplyFollowsPassword()) {
        m_strFailureDetail.clear();
        return;
    }
    m_strFailureDetail = MaskPasswords(link.m_strLastReply);
}

std::string FtpPublishRun::MaskPasswords(std::string text) const {
    return FtpSiteTarget::MaskSecrets(std::move(text),
                                      {m_settings.strPassword, m_settings.strFirewallPassword});
}

std::string FtpPublishRun::FailureMessage() const {
    const std::string detail = SyncRun::Printable(m_strFailureDetail);
    switch (m_failureKind) {
        case FtpConnector::Failure::kNone:
            return {};
        case FtpConnector::Failure::kUnreachable:
            return "The server could not be reached (" + detail + ").";
        case FtpConnector::Failure::kLoginRefused:
            return "The server refused the login: " + detail;
        case FtpConnector::Failure::kNoStartDirectory:
            return "The starting directory \"" + SyncRun::Printable(m_settings.strStartDir) +
                   "\" does not exist on the server: " + detail;
        case FtpConnector::Failure::kTlsRefused:
            return "The server does not offer encrypted connections: " + detail;
        case FtpConnector::Failure::kCertificate:
            return detail;
    }
    return {};
}

FtpPublishRun::Result FtpPublishRun::RunFtpPublish() {
    m_failureKind = FtpConnector::Failure::kNone;
    m_bError = false;
    m_bStopped = false;
    m_bRemovalsHeldBack = false;
    m_strFailureDetail.clear();
    m_sink.EnableClose(false);
    try {
        return Run();
    } catch (...) {
        // No memory: the link, destroyed, closes what is open.
        return FailureEnd("\nError: not enough memory.\n");
    }
}

FtpPublishRun::Result FtpPublishRun::Run() {
    const RunTime time = Clock::ForRun();
    // The header and "Creating temp files..." are shown after the pause that follows
    // them in the log (the sink shows what it is given at once).
    m_doc.m_arrPublishFiles.clear();
    Pause(100);
    Append("Publish status:\n----------------------------------------\n");
    Append("\nCreating temp files...");
    SitePages pages;
    pages.Render(m_doc, time);
    for (int step = 0; step < SitePages::kStepCount; ++step) {
        const auto s = static_cast<SitePages::Step>(step);
        if (pages.Enabled(s) && !pages.Ok(s)) return FailureEnd(kPagesFailed[step]);
    }
    Append("\nSuccesfully created temp files.\n");
    m_sink.Scroll(4);
    Pause(100);

    if (StopRequested()) return FailureEnd(kStoppedLine);

    // One connector per run: the first connection, and any further one or reconnect,
    // are opened alike. Destroying a link closes whatever is left open.
    const auto connector = std::make_shared<const FtpConnector>(m_settings, m_timeout);
    Append("\nLogging into FTP server...");
    FtpConnector::Opened opened = connector->Open(m_createStartDir);
    if (!opened.link) return LogonFailureEnd(opened);
    LoggedOn();

    FtpSiteTarget::Options targetOptions;
    targetOptions.secrets = connector->Secrets();
    targetOptions.connector = connector;
    targetOptions.connections = static_cast<std::size_t>(
        std::clamp(m_settings.nConnections, 1, FtpSettings::kMaxConnections));
    targetOptions.note = [this](const std::string& line) { Append(line); };
    if (m_retryWaits) targetOptions.retryWaits = *m_retryWaits;
    FtpSiteTarget site(std::move(opened.link), m_settings.bPassive != 0, targetOptions);
    return SyncSite(site, pages, time.now);
}

void FtpPublishRun::LoggedOn() {
    Append("\nSuccessfully logged into server.\n");
    m_sink.Scroll(2);
}

FtpPublishRun::Result FtpPublishRun::LogonFailureEnd(const FtpConnector::Opened& opened) {
    m_failureKind = opened.failure;
    m_strFailureDetail = opened.detail;
    switch (opened.failure) {
        case FtpConnector::Failure::kTlsRefused:
            return FailureEnd("\nServer does not support encrypted connections.\n");
        case FtpConnector::Failure::kCertificate:
            Append("\n" + opened.detail + "\n");
            break;
        case FtpConnector::Failure::kNoStartDirectory:
            // Logged on, then refused the directory; QUIT has gone out.
            LoggedOn();
            return FailureEnd("\nStarting directory not found!\n");
        default:
            break;
    }
    return FailureEnd("\nServer login failed!\n");
}

void FtpPublishRun::LogOff(FtpSiteTarget& site) {
    if (site.Link() && site.Link()->IsOpen()) site.Link()->Logoff();
}

FtpPublishRun::Result FtpPublishRun::FailAfterLogon(FtpSiteTarget& site, const std::string& text) {
    if (site.Link()) KeepFailureDetail(*site.Link());
    Append(text);
    LogOff(site);
    m_bError = true;
    m_sink.EnableClose(true);
    return Result::kFailed;
}

FtpPublishRun::Result FtpPublishRun::SyncSite(FtpSiteTarget& site, const SitePages& pages,
                                              Time now) {
    SyncOptions options = m_options;
    options.changedOnly = m_settings.bChangedOnly != 0;
    options.lockOnlyForChanges = true;
    options.skipListedDirectories = true;
    SyncRun sync(site, options);
    sync.SetProgressReport([this](const TransferProgress& progress) {
        const std::lock_guard<std::mutex> lock(m_sinkMutex);
        m_sink.ShowTransfer(progress);
    });
    Append("\nCreating directory structure...");
    if (!sync.Start()) return FailAfterLogon(site, sync.StartFailureLine());
    SiteContents::PlanSync(sync, m_doc, m_programFolder, now, pages);
    if (options.dryRun) {
        Append("\n" + sync.Describe());
        LogOff(site);
        m_sink.EnableClose(true);
        return Result::kSuccess;
    }
    const bool changes = sync.HasChanges();
    if (changes && !sync.LockForChanges()) return FailAfterLogon(site, sync.StartFailureLine());
    if (StopRequested()) {
        sync.Abandon();
        return FailAfterLogon(site, kStoppedLine);
    }
    if (changes && !sync.MakeDirectories()) {
        sync.Abandon();
        return FailAfterLogon(site, "\nCreation of directory structure failed!\n");
    }
    Append(sync.RefusedDirectories() ? kDirectoriesRefused
                                     : "\nSuccessfully created directory structure.\n");
    m_sink.Scroll(2);
    return Upload(site, sync, pages, changes);
}

FtpPublishRun::Result FtpPublishRun::Upload(FtpSiteTarget& site, SyncRun& sync,
                                            const SitePages& pages, bool changes) {
    Append("\nCopying files to server...");
    sync.PutFiles([this] { return StopRequested(); });
    if (m_bStopped) {
        // What it did send is recorded; nothing is removed.
        sync.Abandon();
        Append(sync.ConnectionsLine());
        return FailAfterLogon(site, kStoppedLine);
    }
    std::vector<std::string> pageNames;
    for (int step = 0; step < SitePages::kStepCount; ++step) {
        const auto s = static_cast<SitePages::Step>(step);
        if (!pages.Enabled(s)) continue;
        for (std::string& name : pages.Names(s)) pageNames.push_back(std::move(name));
    }
    sync.PutPages(pageNames);
    if (changes) sync.Finish();
    m_bRemovalsHeldBack = sync.RemovalsHeldBack();

    const bool allCopied = sync.NotCopiedFiles().empty();
    if (allCopied) {
        Append("\nSuccessfully copied files to server\n");
    } else {
        ListNotCopied(site, sync);
    }
    Append(sync.ConnectionsLine());
    Append(sync.SkippedLine());
    Append(sync.RemovalLines());

    m_sink.Scroll(2);
    LogOff(site);
    Append("\nLogged off of FTP server.\n");
    m_sink.Scroll(2);
    Pause(100);

    if (allCopied) {
        Append("\n--------------------\nPublish successful!\n");
    } else {
        m_bError = true;
        Append("\n--------------------\nPublish finished.\nSome files were not copied.\n");
    }
    m_sink.Scroll(4);
    m_sink.EnableClose(true);
    return allCopied ? Result::kSuccess : Result::kFilesNotCopied;
}

void FtpPublishRun::ListNotCopied(const FtpSiteTarget& site, const SyncRun& sync) {
    Append("\nThe following files were not copied to the server:\n");
    std::vector<std::string> replies;
    for (const NotCopied& entry : sync.NotCopiedFiles()) {
        m_doc.m_arrPublishFiles.push_back(entry.listedAs);
        // A server's reply usually stands for many files: it is shown once below.
        const std::string reply = MaskPasswords(entry.reason);
        const bool fromServer = CFTPLink::IsServerReply(reply);
        Append(SyncRun::Printable(entry.listedAs) +
               (fromServer ? std::string() : " (" + SyncRun::Printable(reply) + ")") + "\n");
        if (!fromServer) continue;
        if (std::find(replies.begin(), replies.end(), reply) == replies.end())
            replies.push_back(reply);
    }
    for (const std::string& reply : replies)
        Append("\nServer: " + SyncRun::Printable(reply) + "\n");
    if (m_settings.bPassive == 0 && site.DataConnectionRefused()) Append(kPortRefusedHint);
}

}  // namespace foldcraft
