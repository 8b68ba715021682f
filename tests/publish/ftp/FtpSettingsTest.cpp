#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "model/MemorySettingsStore.h"
#include "publish/FtpSettings.h"

using foldcraft::FtpSettings;
using foldcraft::MemorySettingsStore;

namespace {

// Every stored field, in a form that compares and prints.
auto Fields(const FtpSettings& s) {
    return std::tie(s.strHostName, s.nPort, s.strUser, s.strPassword, s.strStartDir,
                    s.nFirewallType, s.strFirewallHost, s.nFirewallPort, s.strFirewallUser,
                    s.strFirewallPassword, s.bPassive, s.bChangedOnly, s.nSecurity,
                    s.strTrustFingerprint);
}

TEST(FtpSettings, FirstUseGivesEmptyTextsPorts21TypeNoneActiveMode) {
    MemorySettingsStore store;
    const FtpSettings s = FtpSettings::Read(store);
    const std::string e;
    EXPECT_EQ(Fields(s),
              std::make_tuple(e, std::optional<int>(21), e, e, e, 0, e, 21, e, e, 0, 1, 0, e));
    EXPECT_EQ(s.nTimeoutSeconds, 60);
    EXPECT_TRUE(store.WriteLog().empty());  // reading writes nothing
}

// Written in this order (the timeout never) and read back the same; going back to
// firewall type "None" keeps what was typed in the firewall fields. Nothing is written
// when a check fails; the checks come in order, the starting directory and the
// firewall fields are not checked.
TEST(FtpSettings, ChecksThenWrites) {
    const FtpSettings filled = {.strHostName = "ftp.example.com",
                                .nPort = 2121,
                                .strUser = "anonymous",
                                .strPassword = "me@example.com",
                                .strStartDir = "/pub/site",
                                .nFirewallType = 3,
                                .strFirewallHost = "proxy.local",
                                .nFirewallPort = 8021,
                                .strFirewallUser = "fw",
                                .strFirewallPassword = "fwpw",
                                .bPassive = 1,
                                .bChangedOnly = 0,
                                .nSecurity = 1,
                                .strTrustFingerprint = "AB:CD"};
    const std::vector<std::string> order = {"FTPServer/HostName",   "FTPServer/User",
                                            "FTPServer/Password",   "FTPServer/StartDir",
                                            "FTPServer/Port",       "FTPFirewall/HostName",
                                            "FTPFirewall/Password", "FTPFirewall/User",
                                            "FTPFirewall/Port",     "FTPFirewall/FirewallType",
                                            "FTPServer/Passive",    "FTPServer/ChangedOnly",
                                            "FTPServer/Security",   "FTPServer/TrustFingerprint"};
    for (int step = 0; step < 6; ++step) {
        FtpSettings s = filled;
        s.nFirewallType = step == 5 ? 0 : 3;
        if (step < 1) s.strHostName.clear();
        if (step < 2) s.nPort.reset();
        if (step < 3) s.strUser.clear();
        if (step < 4) s.strPassword.clear();
        const char* const messages[] = {
            "You must enter a server hostname.",
            "You must enter a server port number.",
            "You must enter a username or \"anonymous\".",
            "You must enter a password or your email address for anonymous login.",
            "",
            ""};
        EXPECT_EQ(s.Check(), messages[step]);
        MemorySettingsStore store;
        EXPECT_EQ(s.Write(store), step >= 4);
        EXPECT_EQ(store.WriteLog(), step >= 4 ? order : std::vector<std::string>{});
        EXPECT_EQ(Fields(FtpSettings::Read(store)) == Fields(s), step >= 4);
    }
}

// No timeout at all (0 or less) is not offered; any security value but 0 means TLS.
TEST(FtpSettings, StoredValuesOutOfRange) {
    for (const auto& [stored, timeout, security] :
         {std::tuple{5, 5, 1}, {0, 60, 2}, {-3, 60, -1}, {7, 7, 0}}) {
        MemorySettingsStore store;
        store.WriteInt("FTPServer", "Timeout", stored);
        store.WriteInt("FTPServer", "Security", security);
        EXPECT_EQ(FtpSettings::Read(store).nTimeoutSeconds, timeout) << stored;
        EXPECT_EQ(FtpSettings::Read(store).nSecurity, security == 0 ? 0 : 1) << security;
    }
}

}  // namespace
