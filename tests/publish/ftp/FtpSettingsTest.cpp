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
                    s.strTrustFingerprint, s.nConnections);
}

// Passive mode and four connections unless stored otherwise.
TEST(FtpSettings, FirstUseGivesEmptyTextsPorts21TypeNonePassiveMode) {
    MemorySettingsStore store;
    const FtpSettings s = FtpSettings::Read(store).value;
    const std::string e;
    EXPECT_EQ(Fields(s),
              std::make_tuple(e, std::optional<int>(21), e, e, e, 0, e, 21, e, e, 1, 1, 0, e, 4));
    EXPECT_EQ(s.nTimeoutSeconds, 60);
    EXPECT_TRUE(store.WriteLog().empty());  // reading writes nothing
}

// Written in this order (the timeout and the server's password never: that is kept
// by PublishPasswords) and read back the same; going back to
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
                                .nConnections = 7,
                                .bChangedOnly = 0,
                                .nSecurity = 1,
                                .strTrustFingerprint = "AB:CD"};
    const std::vector<std::string> order = {"FTPServer/HostName",   "FTPServer/User",
                                            "FTPServer/StartDir",
                                            "FTPServer/Port",       "FTPFirewall/HostName",
                                            "FTPFirewall/Password", "FTPFirewall/User",
                                            "FTPFirewall/Port",     "FTPFirewall/FirewallType",
                                            "FTPServer/Passive",    "FTPServer/ChangedOnly",
                                            "FTPServer/Security",   "FTPServer/TrustFingerprint",
                                            "FTPServer/Connections"};
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
        FtpSettings withoutPassword = s;
        withoutPassword.strPassword.clear();
        EXPECT_EQ(Fields(FtpSettings::Read(store).value) == Fields(withoutPassword), step >= 4);
    }
}

// A stored value reads as what it says or is an error that names the key and the
// value, never a default: an unknown security value must not mean plain FTP. No
// timeout at all (0 or less) is not offered: it reads as the default.
TEST(FtpSettings, StoredValuesReadOrAreErrors) {
    struct Row {
        const char* section;
        const char* name;
        std::string stored;
        std::string error;  // empty: read, giving `read`
        int FtpSettings::*field = nullptr;
        int read = 0;
    };
    const std::string e = "Error: setting ", security = e + "FTPServer/Security has the value ";
    const std::string notBool = ", which is not 0 or 1.", notInt = ", which is not a whole number.";
    const Row rows[] = {
        {"FTPServer", "Security", "1", "", &FtpSettings::nSecurity, 1},
        {"FTPServer", "Security", "0", "", &FtpSettings::nSecurity, 0},
        {"FTPServer", "Security", "true", security + "\"true\"" + notBool},
        {"FTPServer", "Security", "0x1", security + "\"0x1\"" + notBool},
        {"FTPServer", "Security", "1 # tls", security + "\"1 # tls\"" + notBool},
        {"FTPServer", "Security", "2", security + "\"2\"" + notBool},
        {"FTPServer", "Security", "", security + "\"\"" + notBool},
        {"FTPServer", "Passive", "on", e + "FTPServer/Passive has the value \"on\"" + notBool},
        {"FTPServer", "ChangedOnly", "-1",
         e + "FTPServer/ChangedOnly has the value \"-1\"" + notBool},
        {"FTPServer", "Port", "21x", e + "FTPServer/Port has the value \"21x\"" + notInt},
        {"FTPFirewall", "Port", " 21", e + "FTPFirewall/Port has the value \" 21\"" + notInt},
        {"FTPFirewall", "FirewallType", "9",
         e + "FTPFirewall/FirewallType has the value \"9\", which is not a whole number from 0 to "
             "8."},
        {"FTPFirewall", "FirewallType", "8", "", &FtpSettings::nFirewallType, 8},
        {"FTPServer", "Connections", "17",
         e + "FTPServer/Connections has the value \"17\", which is not a whole number from 1 to "
             "16."},
        {"FTPServer", "Connections", "16", "", &FtpSettings::nConnections, 16},
        {"FTPServer", "Timeout", "\x1B[2J\"",
         e + "FTPServer/Timeout has the value \"\\x1B[2J\\\"\"" + notInt},
        {"FTPServer", "Timeout", "5", "", &FtpSettings::nTimeoutSeconds, 5},
        {"FTPServer", "Timeout", "0", "", &FtpSettings::nTimeoutSeconds, 60},
        {"FTPServer", "Timeout", "-3", "", &FtpSettings::nTimeoutSeconds, 60},
    };
    for (const Row& row : rows) {
        MemorySettingsStore store;
        store.WriteString(row.section, row.name, row.stored);
        const auto read = FtpSettings::Read(store);
        EXPECT_EQ(read.error, row.error) << row.name << "=" << row.stored;
        if (row.field) {
            EXPECT_EQ(read.value.*row.field, row.read) << row.name << "=" << row.stored;
        }
    }
}

}  // namespace
