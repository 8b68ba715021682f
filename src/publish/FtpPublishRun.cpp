#include "publish/FtpPublishRun.h"

#include <algorithm>
#include <utility>

#include "publish/FTPLink.h"
#include "publish/FtpSiteTarget.h"
#include "publish/SitePages.h"

namespace foldcraft {

FtpPublishRun::FtpPublishRun(CFoldcraftDoc& doc, ILogSink& sink, std::string programFolder,
                             FtpSettings settings, PauseHook pause)
    : ServerPublishRun(doc, sink, std::move(programFolder), std::move(pause), "FTP"),
      m_settings(std::move(settings)),
      m_timeout(std::chrono::seconds(m_settings.nTimeoutSeconds > 0
                                         ? m_settings.nTimeoutSeconds
                                         : FtpSettings::kDefaultTimeoutSeconds)) {}

FtpPublishRun::~FtpPublishRun() = default;

void FtpPublishRun::KeepReplyOf(const CFTPLink& link) {
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
    m_strFailureDetail.clear();
    return Guarded([this] { return Run(); });
}

FtpPublishRun::Result FtpPublishRun::Run() {
    const RunTime time = Clock::ForRun();
    SitePages pages;
    if (const std::optional<Result> ended = RenderPages(pages, time)) return *ended;

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
    m_site = &site;
    const Result result = SyncSite(site, pages, time.now, m_settings.bChangedOnly != 0);
    m_site = nullptr;
    return result;
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

void FtpPublishRun::LogOff() {
    if (m_site && m_site->Link() && m_site->Link()->IsOpen()) m_site->Link()->Logoff();
}

void FtpPublishRun::KeepFailureDetail() {
    if (m_site && m_site->Link()) KeepReplyOf(*m_site->Link());
}

std::string FtpPublishRun::ShownReason(const std::string& reason) const {
    return MaskPasswords(reason);
}

bool FtpPublishRun::FromServer(const std::string& shown) const {
    return CFTPLink::IsServerReply(shown);
}

std::string FtpPublishRun::NotCopiedHint() const {
    const bool refused = m_settings.bPassive == 0 && m_site && m_site->DataConnectionRefused();
    return refused ? kPortRefusedHint : "";
}

}  // namespace foldcraft
