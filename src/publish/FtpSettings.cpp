#include "publish/FtpSettings.h"

#include <climits>

namespace foldcraft {

ISettingsStore::Checked<FtpSettings> FtpSettings::Read(const ISettingsStore& store) {
    FtpSettings s;
    std::string error;
    // The first error is kept; the values read after it are thrown away. A port is
    // any integer here: the logon refuses one outside 1 to 65535 before connecting.
    auto text = [&](const char* section, const char* name, std::string& into) {
        auto read = store.ReadString(section, name, "");
        if (error.empty()) error = std::move(read.error);
        into = std::move(read.value);
    };
    auto number = [&](const char* section, const char* name, int defaultValue, int min, int max) {
        auto read = store.ReadInt(section, name, defaultValue, min, max);
        if (error.empty()) error = std::move(read.error);
        return read.value;
    };
    text(kServerSection, "HostName", s.strHostName);
    text(kServerSection, "User", s.strUser);
    text(kServerSection, "Password", s.strPassword);
    text(kServerSection, "StartDir", s.strStartDir);
    s.nPort = number(kServerSection, "Port", kDefaultPort, INT_MIN, INT_MAX);
    text(kFirewallSection, "HostName", s.strFirewallHost);
    text(kFirewallSection, "Password", s.strFirewallPassword);
    text(kFirewallSection, "User", s.strFirewallUser);
    s.nFirewallPort = number(kFirewallSection, "Port", kDefaultPort, INT_MIN, INT_MAX);
    s.nFirewallType = number(kFirewallSection, "FirewallType", 0, 0, 8);
    s.bPassive = number(kServerSection, "Passive", 1, 0, 1);
    s.nTimeoutSeconds = number(kServerSection, "Timeout", kDefaultTimeoutSeconds, INT_MIN, INT_MAX);
    s.bChangedOnly = number(kServerSection, "ChangedOnly", 1, 0, 1);
    // Only the two known values: anything else could be taken for plain text.
    s.nSecurity = number(kServerSection, "Security", kSecurityPlain, kSecurityPlain, kSecurityTls);
    text(kServerSection, "TrustFingerprint", s.strTrustFingerprint);
    s.nConnections = number(kServerSection, "Connections", kDefaultConnections, 1, kMaxConnections);
    if (!error.empty()) return {FtpSettings{}, std::move(error)};
    if (s.nTimeoutSeconds < 1) s.nTimeoutSeconds = kDefaultTimeoutSeconds;
    return {std::move(s), {}};
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
           store.WriteString(kServerSection, "TrustFingerprint", strTrustFingerprint) &&
           store.WriteInt(kServerSection, "Connections", nConnections);
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
