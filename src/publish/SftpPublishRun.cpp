#include "publish/SftpPublishRun.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "publish/FileCopy.h"
#include "publish/SftpSiteTarget.h"
#include "publish/SitePages.h"

namespace foldcraft {
namespace {

std::string HomeKnownHosts() {
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) + "/.ssh/known_hosts" : std::string();
}

}  // namespace

SftpPublishRun::SftpPublishRun(CFoldcraftDoc& doc, ILogSink& sink, std::string programFolder,
                               SftpSettings settings, PauseHook pause)
    : ServerPublishRun(doc, sink, std::move(programFolder), std::move(pause), "SFTP"),
      m_settings(std::move(settings)),
      m_userKnownHosts(HomeKnownHosts()) {}

SftpPublishRun::Result SftpPublishRun::RunSftpPublish() {
    m_failureKind = SshSession::Failure::kNone;
    m_failureMessage.clear();
    m_noStartDir = false;
    return Guarded([this] { return Run(); });
}

SftpPublishRun::Result SftpPublishRun::Run() {
    const RunTime time = Clock::ForRun();
    SitePages pages;
    if (const std::optional<Result> ended = RenderPages(pages, time)) return *ended;

    SftpSiteTarget::Options targetOptions;
    targetOptions.note = [this](const std::string& line) { Append(line); };
    SshOptions& ssh = targetOptions.ssh;
    ssh.host = m_settings.strHostName;
    ssh.port = m_settings.nPort.value_or(SftpSettings::kDefaultPort);
    ssh.user = m_settings.strUser;
    ssh.password = m_settings.strPassword;
    ssh.identityFile = m_settings.strKeyFile;
    ssh.passphrase = m_settings.strPassphrase;
    ssh.useAgent = m_useAgent;
    ssh.knownHostsFile = KnownHostsFile();
    ssh.userKnownHostsFile = m_userKnownHosts;
    ssh.trustFingerprint = m_settings.strTrustFingerprint;
    ssh.timeoutSeconds = m_settings.nTimeoutSeconds;
    targetOptions.startDir = m_settings.strStartDir;
    targetOptions.connections = static_cast<std::size_t>(
        std::clamp(m_settings.nConnections, 1, SftpSettings::kMaxConnections));

    Append("\nLogging into SFTP server...");
    SshSession::Opened opened = SshSession::Open(ssh);
    m_keyType = opened.keyType;
    m_fingerprint = opened.fingerprint;
    if (!opened.session) {
        m_failureKind = opened.failure;
        const std::string detail = SyncRun::Printable(opened.detail);
        switch (opened.failure) {
            case SshSession::Failure::kUnreachable:
                m_failureMessage = "The server could not be reached (" + detail + ").";
                break;
            case SshSession::Failure::kHostKeyUnknown:
            case SshSession::Failure::kHostKeyChanged:
            case SshSession::Failure::kKeyFile:
                m_failureMessage = detail;
                Append("\n" + detail + "\n");
                break;
            case SshSession::Failure::kAuthRefused:
                m_failureMessage = "The server refused the login: " + detail + ".";
                break;
            case SshSession::Failure::kNone:
                break;
        }
        return FailureEnd("\nServer login failed!\n");
    }
    // Twins log on to a host that is known by now.
    ssh.trustFingerprint.clear();
    SftpSiteTarget site(std::move(opened.session), targetOptions);
    bool made = false;
    if (!site.Ready(m_createStartDir, made)) {
        m_noStartDir = true;
        m_failureMessage = "The starting directory \"" +
                           SyncRun::Printable(m_settings.strStartDir) +
                           "\" cannot be used on the server: " + SyncRun::Printable(site.Error());
        LoggedOn();
        return FailureEnd("\nStarting directory not found!\n");
    }
    LoggedOn();
    return SyncSite(site, pages, time.now, m_settings.bChangedOnly != 0);
}

bool SftpPublishRun::FromServer(const std::string& shown) const {
    return !FileCopy::IsSourceTrouble(shown);
}

}  // namespace foldcraft
