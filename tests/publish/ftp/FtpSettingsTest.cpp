#include <gtest/gtest.h>

#include <functional>
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

// Written in this order and read back the same; going back to firewall type "None"
// keeps what was typed in the firewall fields. The timeout is never written.
TEST(FtpSettings, WrittenValuesReadBackTheSame) {
    for (int type : {3, 0}) {
        MemorySettingsStore store;
        FtpSettings written = Filled();
        written.nFirewallType = type;
        ASSERT_TRUE(written.Write(store));
        EXPECT_EQ(Fields(FtpSettings::Read(store)), Fields(written));
        EXPECT_EQ(store.WriteLog(),
                  (std::vector<std::string>{
                      "FTPServer/HostName", "FTPServer/User", "FTPServer/Password",
                      "FTPServer/StartDir", "FTPServer/Port", "FTPFirewall/HostName",
                      "FTPFirewall/Password", "FTPFirewall/User", "FTPFirewall/Port",
                      "FTPFirewall/FirewallType", "FTPServer/Passive", "FTPServer/ChangedOnly",
                      "FTPServer/Security", "FTPServer/TrustFingerprint"}));
    }
}

// The checks in order, with their messages; nothing is written when one fails. The
// starting directory and the firewall fields are not checked.
TEST(FtpSettings, ChecksInOrderWithTheirMessages) {
    FtpSettings s;
    s.nFirewallType = 5;
    const std::vector<std::pair<std::function<void()>, std::string>> steps = {
        {[] {}, "You must enter a server hostname."},
        {[&] {
             s.strHostName = "h";
             s.nPort.reset();
         },
         "You must enter a server port number."},
        {[&] { s.nPort = 21; }, "You must enter a username or \"anonymous\"."},
        {[&] { s.strUser = "anonymous"; },
         "You must enter a password or your email address for anonymous login."},
        {[&] { s.strPassword = "me@example.com"; }, ""},
    };
    for (const auto& [change, message] : steps) {
        change();
        EXPECT_EQ(s.Check(), message);
        MemorySettingsStore store;
        EXPECT_EQ(s.Write(store), message.empty());
        EXPECT_EQ(store.WriteLog().empty(), !message.empty());
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

TEST(FtpSettings, FirewallTypeNames) {
    for (const auto& [type, name] : std::vector<std::pair<int, const char*>>{
             {0, "None"},
             {3, "Proxy OPEN"},
             {7, "USER RemoteID@remoteHost fire ID"},
             {8, "USER remoteID@fireID@remoteHost"},
             {9, ""},
             {-1, ""}}) {
        EXPECT_STREQ(FtpSettings::FirewallTypeName(type), name);
    }
}

}  // namespace
