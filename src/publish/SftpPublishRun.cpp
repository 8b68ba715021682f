#include "publish/SftpPublishRun.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "model/FoldcraftDoc.h"
#include "publish/SftpSiteTarget.h"
#include "publish/SiteContents.h"
#include "publish/SitePages.h"

namespace foldcraft {
namespace {

constexpr const char* kPagesFailed[SitePages::kStepCount] = {
    "\nCreation of stylesheet failed!\n", "\nCreation of title page failed!\n",
    "\nCreation of sitemap failed!\n", "\nCreation of folder pages failed!\n"};

std::string HomeKnownHosts() {
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) + "/.ssh/known_hosts" : std::string();
}

}  // namespace

SftpPublishRun::SftpPublishRun(CFoldcraftDoc& doc, ILogSink& sink, std::string programFolder,
                               SftpSettings settings, PauseHook pause)
    : m_doc(doc),
      m_sink(sink),
      m_programFolder(std::move(programFolder)),
      m_settings(std::move(settings)),
      m_pause(std::move(pause)),
      m_userKnownHosts(HomeKnownHosts()) {}

SftpPublishRun::Result SftpPublishRun::FailureEnd(const std::string& text) {
    Append(text);
    m_bError = true;
    m_sink.EnableClose(true);
    return Result::kFailed;
}

bool SftpPublishRun::StopRequested() {
    if (!m_bStopped && m_stop && m_stop()) m_bStopped = true;
    return m_bStopped;
}

void SftpPublishRun::Append(const std::string& text) {
    if (text.empty()) return;
    const std::lock_guard<std::mutex> lock(m_sinkMutex);
    m_sink.AppendText(text);
}

SftpPublishRun::Result SftpPublishRun::RunSftpPublish() {
    m_failureKind = SshSession::Failure::kNone;
    m_failureMessage.clear();
    m_noStartDir = false;
    m_bError = false;
    m_bStopped = false;
    m_bRemovalsHeldBack = false;
    m_sink.EnableClose(false);
    try {
        return Run();
    } catch (...) {
        return FailureEnd("\nError: not enough memory.\n");
    }
}

SftpPublishRun::Result SftpPublishRun::Run() {
    const RunTime time = Clock::ForRun();
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
        Append("\nSuccessfully logged into server.\n");
        m_sink.Scroll(2);
        return FailureEnd("\nStarting directory not found!\n");
    }
    Append("\nSuccessfully logged into server.\n");
    m_sink.Scroll(2);
    const auto failAfterLogon = [&](const std::string& text) { return FailureEnd(text); };

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
    if (!sync.Start()) return failAfterLogon(sync.StartFailureLine());
    SiteContents::PlanSync(sync, m_doc, m_programFolder, time.now, pages);
    if (options.dryRun) {
        Append("\n" + sync.Describe());
        m_sink.EnableClose(true);
        return Result::kSuccess;
    }
    const bool changes = sync.HasChanges();
    if (changes && !sync.LockForChanges()) return failAfterLogon(sync.StartFailureLine());
    if (StopRequested()) {
        sync.Abandon();
        return failAfterLogon(kStoppedLine);
    }
    if (changes && !sync.MakeDirectories()) {
        sync.Abandon();
        return failAfterLogon("\nCreation of directory structure failed!\n");
    }
    Append(sync.RefusedDirectories() ? "\nSome directories could not be created.\n"
                                     : "\nSuccessfully created directory structure.\n");
    m_sink.Scroll(2);

    Append("\nCopying files to server...");
    sync.PutFiles([this] { return StopRequested(); });
    if (m_bStopped) {
        sync.Abandon();
        Append(sync.ConnectionsLine());
        return failAfterLogon(kStoppedLine);
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
        Append("\nThe following files were not copied to the server:\n");
        std::vector<std::string> reasons;
        for (const NotCopied& entry : sync.NotCopiedFiles()) {
            m_doc.m_arrPublishFiles.push_back(entry.listedAs);
            Append(SyncRun::Printable(entry.listedAs) + "\n");
            if (!entry.reason.empty() &&
                std::find(reasons.begin(), reasons.end(), entry.reason) == reasons.end())
                reasons.push_back(entry.reason);
        }
        for (const std::string& reason : reasons)
            Append("\nServer: " + SyncRun::Printable(reason) + "\n");
    }
    Append(sync.ConnectionsLine());
    Append(sync.SkippedLine());
    Append(sync.RemovalLines());

    m_sink.Scroll(2);
    Append("\nLogged off of SFTP server.\n");
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

}  // namespace foldcraft
