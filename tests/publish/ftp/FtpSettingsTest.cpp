#include <gtest/gtest.h>

#include "model/MemorySettingsStore.h"
#include "publish/FtpSettings.h"

using foldcraft::FtpSettings;
using foldcraft::MemorySettingsStore;

namespace {

FtpSettings Filled() {
    FtpSettings s;
    s.strHostName = "ftp.example.com";
    s.nPort = 2121;
    s.strUser = "anonymous";
    s.strPassword = "me@example.com";
    s.strStartDir = "/pub/site";
    s.nFirewallType = 3;
    s.strFirewallHost = "proxy.local";
    s.nFirewallPort = 8021;
    s.strFirewallUser = "fw";
    s.strFirewallPassword = "fwpw";
    s.bPassive = 1;
    return s;
}

TEST(FtpSettings, FirstUseGivesEmptyTextsPorts21TypeNoneActiveMode) {
    MemorySettingsStore store;
    const FtpSettings s = FtpSettings::Read(store);
    EXPECT_EQ(s.strHostName, "");
    EXPECT_EQ(s.nPort, 21);
    EXPECT_EQ(s.strUser, "");
    EXPECT_EQ(s.strPassword, "");
    EXPECT_EQ(s.strStartDir, "");
    EXPECT_EQ(s.nFirewallType, 0);
    EXPECT_EQ(s.strFirewallHost, "");
    EXPECT_EQ(s.nFirewallPort, 21);
    EXPECT_EQ(s.strFirewallUser, "");
    EXPECT_EQ(s.strFirewallPassword, "");
    EXPECT_EQ(s.bPassive, 0);
    EXPECT_EQ(s.nTimeoutSeconds, 60);
    EXPECT_TRUE(store.WriteLog().empty());  // reading writes nothing
}

TEST(FtpSettings, WrittenValuesReadBackTheSame) {
    MemorySettingsStore store;
    const FtpSettings written = Filled();
    ASSERT_TRUE(written.Write(store));
    const FtpSettings read = FtpSettings::Read(store);
    EXPECT_EQ(read.strHostName, written.strHostName);
    EXPECT_EQ(read.nPort, written.nPort);
    EXPECT_EQ(read.strUser, written.strUser);
    EXPECT_EQ(read.strPassword, written.strPassword);  // stored as typed
    EXPECT_EQ(read.strStartDir, written.strStartDir);
    EXPECT_EQ(read.nFirewallType, written.nFirewallType);
    EXPECT_EQ(read.strFirewallHost, written.strFirewallHost);
    EXPECT_EQ(read.nFirewallPort, written.nFirewallPort);
    EXPECT_EQ(read.strFirewallUser, written.strFirewallUser);
    EXPECT_EQ(read.strFirewallPassword, written.strFirewallPassword);
    EXPECT_EQ(read.bPassive, 1);
}

TEST(FtpSettings, WriteOrder) {
    MemorySettingsStore store;
    ASSERT_TRUE(Filled().Write(store));
    EXPECT_EQ(store.WriteLog(), (std::vector<std::string>{
                                    "FTPServer/HostName", "FTPServer/User", "FTPServer/Password",
                                    "FTPServer/StartDir", "FTPServer/Port", "FTPFirewall/HostName",
                                    "FTPFirewall/Password", "FTPFirewall/User", "FTPFirewall/Port",
                                    "FTPFirewall/FirewallType", "FTPServer/Passive"}));
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

TEST(FtpSettings, FirewallFieldsAreKeptWhateverTheType) {
    // Going back to "None" keeps what was typed, and it is saved.
    FtpSettings s = Filled();
    s.nFirewallType = 0;
    MemorySettingsStore store;
    ASSERT_TRUE(s.Write(store));
    EXPECT_EQ(FtpSettings::Read(store).strFirewallHost, "proxy.local");
    EXPECT_EQ(FtpSettings::Read(store).nFirewallType, 0);
}

TEST(FtpSettings, TimeoutSetting) {
    MemorySettingsStore store;
    store.WriteInt("FTPServer", "Timeout", 5);
    EXPECT_EQ(FtpSettings::Read(store).nTimeoutSeconds, 5);
    store.WriteInt("FTPServer", "Timeout", 0);  // no timeout at all is not offered
    EXPECT_EQ(FtpSettings::Read(store).nTimeoutSeconds, 60);
    store.WriteInt("FTPServer", "Timeout", -3);
    EXPECT_EQ(FtpSettings::Read(store).nTimeoutSeconds, 60);
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
