#include "publish/FtpSettings.h"

#include "model/SettingsStore.h"

namespace foldcraft {

FtpSettings FtpSettings::Read(const ISettingsStore& store) {
    FtpSettings s;
    s.strHostName = store.GetString(kServerSection, "HostName", "");
    s.strUser = store.GetString(kServerSection, "User", "");
    s.strPassword = store.GetString(kServerSection, "Password", "");
    s.strStartDir = store.GetString(kServerSection, "StartDir", "");
    s.nPort = store.GetInt(kServerSection, "Port", kDefaultPort);
    s.strFirewallHost = store.GetString(kFirewallSection, "HostName", "");
    s.strFirewallPassword = store.GetString(kFirewallSection, "Password", "");
    s.strFirewallUser = store.GetString(kFirewallSection, "User", "");
    s.nFirewallPort = store.GetInt(kFirewallSection, "Port", kDefaultPort);
    s.nFirewallType = store.GetInt(kFirewallSection, "FirewallType", 0);
    s.bPassive = store.GetInt(kServerSection, "Passive", 0) != 0 ? 1 : 0;
    s.nTimeoutSeconds = store.GetInt(kServerSection, "Timeout", kDefaultTimeoutSeconds);
    s.bChangedOnly = store.GetInt(kServerSection, "ChangedOnly", 1) != 0 ? 1 : 0;
    // Anything but 0 asks for TLS: an unknown value must not mean plain text.
    s.nSecurity = store.GetInt(kServerSection, "Security", kSecurityPlain) != kSecurityPlain
                      ? kSecurityTls
                      : kSecurityPlain;
    s.strTrustFingerprint = store.GetString(kServerSection, "TrustFingerprint", "");
    if (s.nTimeoutSeconds < 1) s.nTimeoutSeconds = kDefaultTimeoutSeconds;
    return s;
}

std::string FtpSettings::Check() const {
    if (strHostName.empty()) return kNoHostName;
    if (!nPort) return kNoPort;
    if (strUser.empty()) return kNoUser;
    if (strPassword.empty()) return kNoPassword;
    return {};
}

bool FtpSettings::Write(ISettingsStore& store) const {
    if (!Check().empty()) return false;
    return store.WriteString(kServerSection, "HostName", strHostName) &&
           store.WriteString(kServerSection, "User", strUser) &&
           store.WriteString(kServerSection, "Password", strPassword) &&
           store.WriteString(kServerSection, "StartDir", strStartDir) &&
           store.WriteInt(kServerSection, "Port", *nPort) &&
           store.WriteString(kFirewallSection, "HostName", strFirewallHost) &&
           store.WriteString(kFirewallSection, "Password", strFirewallPassword) &&
           store.WriteString(kFirewallSection, "User", strFirewallUser) &&
           store.WriteInt(kFirewallSection, "Port", nFirewallPort) &&
           store.WriteInt(kFirewallSection, "FirewallType", nFirewallType) &&
           store.WriteInt(kServerSection, "Passive", bPassive) &&
           store.WriteInt(kServerSection, "ChangedOnly", bChangedOnly) &&
           store.WriteInt(kServerSection, "Security", nSecurity) &&
           store.WriteString(kServerSection, "TrustFingerprint", strTrustFingerprint);
}

const char* FtpSettings::FirewallTypeName(int type) {
    static const char* const kNames[] = {
        "None",
        "SITE hostname",
        "USER after logon",
        "Proxy OPEN",
        "Transparent",
        "USER with no logon",
        "USER FireID@Remotehost",
        "USER RemoteID@remoteHost fire ID",
        "USER remoteID@fireID@remoteHost",
    };
    if (type < 0 || type > 8) return "";
    return kNames[type];
}

}  // namespace foldcraft
