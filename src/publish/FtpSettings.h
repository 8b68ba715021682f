#pragma once

#include <optional>
#include <string>

#include "model/SettingsStore.h"

namespace foldcraft {

// The FTP connection settings of the "Publish to FTP server" dialog. They belong to
// the user, not to the project, and live in the per-user settings store:
//
//   "FTPServer"   "HostName", "User", "Password", "StartDir" (texts), "Port" (21)
//   "FTPFirewall" "HostName", "Password", "User" (texts), "Port" (21),
//                 "FirewallType" (0)
//   "FTPServer"   "Passive" (1: passive mode, the default; 0: active), "Timeout"
//                 (60 seconds), "Connections" (4: data transfers at once, 1 to 16),
//                 "ChangedOnly" (1: upload only new and changed files),
//                 "Security" (0: plain FTP; 1: explicit TLS required),
//                 "TrustFingerprint" (SHA-256 of a server certificate to trust even
//                 though it does not verify; empty: none)
//
// The server password is read from "FTPServer" "Password" (where an older version
// kept it, or the user asked for it where no keyring answers) but never written by
// Write: PublishPasswords keeps it, in the keyring. The firewall password is stored
// as typed; the store's file is private to the user.
struct FtpSettings {
    static constexpr const char* kServerSection = "FTPServer";
    static constexpr const char* kFirewallSection = "FTPFirewall";
    static constexpr int kDefaultPort = 21;
    static constexpr int kDefaultTimeoutSeconds = 60;
    static constexpr int kDefaultConnections = 4;
    static constexpr int kMaxConnections = 16;

    static constexpr const char* kNoHostName = "You must enter a server hostname.";
    static constexpr const char* kNoPort = "You must enter a server port number.";
    static constexpr const char* kNoUser = "You must enter a username or \"anonymous\".";
    static constexpr const char* kNoPassword =
        "You must enter a password or your email address for anonymous login.";

    std::string strHostName;
    std::optional<int> nPort = kDefaultPort;  // nullopt: the port field is empty
    std::string strUser;
    std::string strPassword;
    std::string strStartDir;
    int nFirewallType = 0;  // 0 to 8, the index in the firewall type list
    std::string strFirewallHost;
    int nFirewallPort = kDefaultPort;
    std::string strFirewallUser;
    std::string strFirewallPassword;
    // Passive unless a stored choice says otherwise: active mode fails behind most
    // home routers and firewalls.
    int bPassive = 1;
    int nConnections = kDefaultConnections;
    int nTimeoutSeconds = kDefaultTimeoutSeconds;
    int bChangedOnly = 1;  // 0: upload every file (removals still happen)
    int nSecurity = 0;     // kSecurityPlain or kSecurityTls
    std::string strTrustFingerprint;

    static constexpr int kSecurityPlain = 0;
    static constexpr int kSecurityTls = 1;

    // Captions of the dialog's controls for the three values above.
    static constexpr const char* kChangedOnlyCaption = "Upload only changed files";
    static constexpr const char* kSecurityCaption = "Require encrypted connection (TLS)";
    static constexpr const char* kTrustFingerprintCaption = "Trusted certificate (SHA-256):";
    static constexpr const char* kConnectionsCaption = "Connections:";

    // Reads every value, missing ones taking their defaults; a stored timeout below 1
    // second reads as the default. A value that does not read is an error, never a
    // default: a security, passive or changed-only value other than 0 or 1, a
    // firewall type outside 0 to 8, a number of connections outside 1 to 16, a port or timeout that
    // is not an integer, a text that is not one value. The error ("Error: setting
    // FTPServer/Security has the value "true", which is not 0 or 1.") names the first
    // such key and its value (never a text's); value is then FtpSettings{}.
    static ISettingsStore::Checked<FtpSettings> Read(const ISettingsStore& store);

    // The checks of a Publish press, in order: host, port, user, password. Returns
    // the message of the first that fails, or an empty text when all pass.
    std::string Check() const;

    // Writes the values as a Publish press does, in this order: "FTPServer"
    // "HostName", "User", "StartDir", "Port" (never the password); "FTPFirewall" "HostName",
    // "Password", "User", "Port", "FirewallType"; then "FTPServer" "Passive",
    // "ChangedOnly", "Security", "TrustFingerprint", "Connections". The
    // timeout is not written (it has no field in the dialog). Nothing is written when
    // Check() fails. False when a check fails or a value did not reach the store (the
    // writes before it stay).
    bool Write(ISettingsStore& store) const;

    // The text of a firewall type in the dialog's list ("None", "SITE hostname", ...);
    // empty outside 0 to 8.
    static const char* FirewallTypeName(int type);
};

}  // namespace foldcraft
