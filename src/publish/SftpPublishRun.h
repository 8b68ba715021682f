#pragma once

#include <string>

#include "publish/ServerPublishRun.h"
#include "publish/SftpSettings.h"
#include "publish/SshSession.h"

class CFoldcraftDoc;

namespace foldcraft {

// The SFTP publish run, step for step the FTP one (FtpPublishRun) with "SFTP" in its
// log where that one says FTP: renders the pages in memory, logs on (SshSession:
// the host key checked against the known hosts, then a key file, the agent or the
// password), and syncs the site below the starting directory (SyncRun on an
// SftpSiteTarget over up to the settings' connections), then logs off.
//
// Accepted host keys go into programFolder/known_hosts (OpenSSH's format); the
// user's ~/.ssh/known_hosts (or SetUserKnownHosts) is read too. An unknown key stops
// the run before anything is sent (FailureKind kHostKeyUnknown, with HostKeyType and
// HostKeyFingerprint) unless it is the settings' trusted fingerprint; a changed key
// always stops it.
//
// The caller has made the publish checks first (PublishChecks::BeginPublish and
// SftpSettings::Check). doc.m_arrPublishFiles receives the files not uploaded.
// Neither password nor passphrase ever reaches the log.
class SftpPublishRun : public ServerPublishRun {
public:
    SftpPublishRun(CFoldcraftDoc& doc, ILogSink& sink, std::string programFolder,
                   SftpSettings settings, PauseHook pause = {});

    // The user's known hosts file (default: $HOME/.ssh/known_hosts; empty: none).
    void SetUserKnownHosts(std::string path) { m_userKnownHosts = std::move(path); }
    // Use $SSH_AUTH_SOCK's agent (default true).
    void SetUseAgent(bool use) { m_useAgent = use; }

    Result RunSftpPublish();

    // What stopped the run at the log-on (kNone when it got past it).
    SshSession::Failure FailureKind() const { return m_failureKind; }
    // kNoStartDirectory is told by FailureMessage alone: the log-on worked.
    bool StartDirectoryMissing() const { return m_noStartDir; }
    // That failure in one sentence for a message box or the command line; empty
    // when the run got past its starting directory.
    std::string FailureMessage() const { return m_failureMessage; }
    const std::string& HostKeyType() const { return m_keyType; }
    const std::string& HostKeyFingerprint() const { return m_fingerprint; }
    std::string KnownHostsFile() const { return m_programFolder + "/known_hosts"; }

private:
    Result Run();
    // Everything but a document that cannot be read.
    bool FromServer(const std::string& shown) const override;

    SftpSettings m_settings;
    std::string m_userKnownHosts;
    bool m_useAgent = true;
    bool m_noStartDir = false;
    SshSession::Failure m_failureKind = SshSession::Failure::kNone;
    std::string m_failureMessage;
    std::string m_keyType;
    std::string m_fingerprint;
};

}  // namespace foldcraft
