#include "publish/SftpSettings.h"

#include <climits>

namespace foldcraft {

ISettingsStore::Checked<SftpSettings> SftpSettings::Read(const ISettingsStore& store) {
    SftpSettings s;
    std::string error;
    auto text = [&](const char* name, std::string& into) {
        auto read = store.ReadString(kSection, name, "");
        if (error.empty()) error = std::move(read.error);
        into = std::move(read.value);
    };
    auto number = [&](const char* name, int defaultValue, int min, int max) {
        auto read = store.ReadInt(kSection, name, defaultValue, min, max);
        if (error.empty()) error = std::move(read.error);
        return read.value;
    };
    text("HostName", s.strHostName);
    text("User", s.strUser);
    text("StartDir", s.strStartDir);
    text("KeyFile", s.strKeyFile);
    s.nPort = number("Port", kDefaultPort, INT_MIN, INT_MAX);
    s.nConnections = number("Connections", kDefaultConnections, 1, kMaxConnections);
    s.nTimeoutSeconds = number("Timeout", kDefaultTimeoutSeconds, INT_MIN, INT_MAX);
    s.bChangedOnly = number("ChangedOnly", 1, 0, 1);
    if (!error.empty()) return {SftpSettings{}, std::move(error)};
    if (s.nTimeoutSeconds < 1) s.nTimeoutSeconds = kDefaultTimeoutSeconds;
    return {std::move(s), {}};
}

std::string SftpSettings::Check() const {
    if (strHostName.empty()) return kNoHostName;
    if (!nPort) return kNoPort;
    if (strUser.empty()) return kNoUser;
    return {};
}

bool SftpSettings::Write(ISettingsStore& store) const {
    if (!Check().empty()) return false;
    return store.WriteString(kSection, "HostName", strHostName) &&
           store.WriteString(kSection, "User", strUser) &&
           store.WriteString(kSection, "StartDir", strStartDir) &&
           store.WriteString(kSection, "KeyFile", strKeyFile) &&
           store.WriteInt(kSection, "Port", *nPort) &&
           store.WriteInt(kSection, "Connections", nConnections) &&
           store.WriteInt(kSection, "ChangedOnly", bChangedOnly);
}

}  // namespace foldcraft
