#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "model/MemorySettingsStore.h"
#include "publish/FtpSettings.h"

using foldcraft::FtpSettings;
using foldcraft::MemorySettingsStore;

namespace {

FtpSettings Filled() {
    return {.strHostName = "ftp.example.com",
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
}

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

// Passwords are stored as typed; going back to firewall type "None" keeps what was
// typed in the firewall fields, and it is saved.
TEST(FtpSettings, WrittenValuesReadBackTheSame) {
    for (int type : {3, 0}) {
        MemorySettingsStore store;
        FtpSettings written = Filled();
        written.nFirewallType = type;
        ASSERT_TRUE(written.Write(store));
        EXPECT_EQ(Fields(FtpSettings::Read(store)), Fields(written));
    }
}

TEST(FtpSettings, WriteOrder) {
    MemorySettingsStore store;
    ASSERT_TRUE(Filled().Write(store));
    EXPECT_EQ(
        store.WriteLog(),
        (std::vector<std::string>{
            "FTPServer/HostName", "FTPServer/User", "FTPServer/Password", "FTPServer/StartDir",
            "FTPServer/Port", "FTPFirewall/HostName", "FTPFirewall/Password", "FTPFirewall/User",
            "FTPFirewall/Port", "FTPFirewall/FirewallType", "FTPServer/Passive",
            "FTPServer/ChangedOnly", "FTPServer/Security", "FTPServer/TrustFingerprint"}));
    EXPECT_FALSE(store.Contains("FTPServer", "Timeout"));
}

TEST(FtpSettings, ChecksInOrderWithTheirMessages) {
    FtpSettings s;  // everything empty: the host is reported first
    EXPECT_EQ(s.Check(), "You must enter a server hostname.");
    s.strHostName = "h";
    s.nPort.reset();
    EXPECT_EQ(s.Check(), "You must enter a server port number.");
    s.nPort = 21;
    EXPECT_EQ(s.Check(), "You must enter a username or \"anonymous\".");
    s.strUser = "anonymous";
    EXPECT_EQ(s.Check(), "You must enter a password or your email address for anonymous login.");
    s.strPassword = "me@example.com";
    EXPECT_EQ(s.Check(), "");
    // The starting directory and the firewall fields are not checked.
    s.nFirewallType = 5;
    EXPECT_EQ(s.Check(), "");
}

TEST(FtpSettings, NothingIsWrittenWhenACheckFails) {
    for (int missing = 0; missing < 4; ++missing) {
        FtpSettings s = Filled();
        if (missing == 0) s.strHostName.clear();
        if (missing == 1) s.nPort.reset();
        if (missing == 2) s.strUser.clear();
        if (missing == 3) s.strPassword.clear();
        MemorySettingsStore store;
        EXPECT_FALSE(s.Write(store));
        EXPECT_TRUE(store.WriteLog().empty()) << missing;
    }
}

TEST(FtpSettings, TimeoutSetting) {
    MemorySettingsStore store;
    // No timeout at all (0 or less) is not offered.
    for (const auto& [stored, used] : {std::pair{5, 5}, {0, 60}, {-3, 60}}) {
        store.WriteInt("FTPServer", "Timeout", stored);
        EXPECT_EQ(FtpSettings::Read(store).nTimeoutSeconds, used) << stored;
    }
}

TEST(FtpSettings, FirewallTypeNames) {
    EXPECT_STREQ(FtpSettings::FirewallTypeName(0), "None");
    EXPECT_STREQ(FtpSettings::FirewallTypeName(3), "Proxy OPEN");
    EXPECT_STREQ(FtpSettings::FirewallTypeName(7), "USER RemoteID@remoteHost fire ID");
    EXPECT_STREQ(FtpSettings::FirewallTypeName(8), "USER remoteID@fireID@remoteHost");
    EXPECT_STREQ(FtpSettings::FirewallTypeName(9), "");
    EXPECT_STREQ(FtpSettings::FirewallTypeName(-1), "");
}

}  // namespace
