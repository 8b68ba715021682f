#pragma once

#include <optional>
#include <string>

#include "model/SettingsStore.h"

namespace foldcraft {

// The SFTP connection settings, kept in the per-user settings store like the FTP
// ones (FtpSettings):
//
//   "SFTPServer"  "HostName", "User", "StartDir", "KeyFile" (texts), "Port" (22),
//                 "Connections" (4: sessions that upload at once, 1 to 16),
//                 "Timeout" (60 seconds), "ChangedOnly" (1)
//
// No password or passphrase is ever stored here: PublishPasswords keeps them in the
// keyring, or nowhere.
struct SftpSettings {
    static constexpr const char* kSection = "SFTPServer";
    static constexpr int kDefaultPort = 22;
    static constexpr int kDefaultTimeoutSeconds = 60;
    static constexpr int kDefaultConnections = 4;
    static constexpr int kMaxConnections = 16;

    static constexpr const char* kNoHostName = "You must enter a server hostname.";
    static constexpr const char* kNoPort = "You must enter a server port number.";
    static constexpr const char* kNoUser = "You must enter a username.";

    std::string strHostName;
    std::optional<int> nPort = kDefaultPort;  // nullopt: the port field is empty
    std::string strUser;
    std::string strStartDir;
    std::string strKeyFile;  // private key file; empty: none
    int nConnections = kDefaultConnections;
    int nTimeoutSeconds = kDefaultTimeoutSeconds;
    int bChangedOnly = 1;
    // For one run only, never stored in the settings.
    std::string strPassword;
    std::string strPassphrase;
    std::string strTrustFingerprint;  // "SHA256:..." of a host key to accept

    // Reads every value, missing ones taking their defaults; a value that does not
    // read is an error naming its key (value is then SftpSettings{}), as
    // FtpSettings::Read does.
    static ISettingsStore::Checked<SftpSettings> Read(const ISettingsStore& store);
    // The checks of a Publish press, in order: host, port, user. The message of the
    // first that fails, or empty.
    std::string Check() const;
    // Writes "HostName", "User", "StartDir", "KeyFile", "Port", "Connections",
    // "ChangedOnly" (never a secret). False when a check fails or a write did not
    // reach the store.
    bool Write(ISettingsStore& store) const;
};

}  // namespace foldcraft
