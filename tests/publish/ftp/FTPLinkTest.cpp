#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "publish/FTPLink.h"
#include "support/ScriptedFtpServer.h"
#include "support/TempDir.h"

using foldcraft::test::ReadFile;
using foldcraft::test::ScriptedFtpServer;
using foldcraft::test::TempDir;
using Fault = ScriptedFtpServer::Fault;
using namespace std::chrono_literals;

namespace {

constexpr auto kShortTimeout = 300ms;

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

// A link connected to the scripted server, with the greeting read.
bool Connect(CFTPLink& link, const ScriptedFtpServer& server) {
    link.SetTimeout(kShortTimeout);
    return link.OpenControlConnection("127.0.0.1", server.Port()) && link.Command("");
}

// Runs an operation and returns how long it took.
template <typename F>
std::chrono::milliseconds Timed(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

// ---------------------------------------------------------------------------
// Replies

TEST(FTPLinkReplies, ThreeLineGreetingIsOneReply) {
    ScriptedFtpServer server;
    server.Send("220-Welcome")
        .Send("220-Second line")
        .Send("220 Ready")
        .Expect("NOOP")
        .Send("200 Fine");
    server.Start();
    CFTPLink link;
    ASSERT_TRUE(Connect(link, server));
    EXPECT_EQ(link.m_strLastReply, "220 Ready");
    EXPECT_EQ(link.m_nReplyClass, 2);
    ASSERT_TRUE(link.Command("NOOP"));  // the greeting left nothing behind
    EXPECT_EQ(link.m_strLastReply, "200 Fine");
    link.CloseControlConnection();
    ASSERT_TRUE(server.Finish());
    EXPECT_TRUE(server.Errors().empty());
}

TEST(FTPLinkReplies, MultiLineReplyEndsOnlyAtItsOwnCodeAndBlank) {
    ScriptedFtpServer server;
    server.Send("220 Ready")
        .Expect("NOOP")
        .Send("211-Start")
        .Send(" 211 indented, not the end")
        .Send("211-still going")
        .Send("212 other code, not the end")
        .Send("211 End")
        .Expect("NOOP")
        .Send("200 Next");
    server.Start();
    CFTPLink link;
    ASSERT_TRUE(Connect(link, server));
    ASSERT_TRUE(link.Command("NOOP"));
    EXPECT_EQ(link.m_strLastReply, "211 End");
    ASSERT_TRUE(link.Command("NOOP"));
    EXPECT_EQ(link.m_strLastReply, "200 Next");
    link.CloseControlConnection();
    ASSERT_TRUE(server.Finish());
}

TEST(FTPLinkReplies, ReplyShorterThanFourCharactersIsComplete) {
    ScriptedFtpServer server;
    server.Send("220").Expect("USER bob").Send("331").Expect("PASS pw").Send("230");
    server.Start();
    CFTPLink link;
    link.SetTimeout(kShortTimeout);
    EXPECT_TRUE(link.Logon("127.0.0.1", server.Port(), "bob", "pw", "", "", "", "", 21, 0));
    EXPECT_EQ(link.m_strLastReply, "230");
    link.Logoff();
    ASSERT_TRUE(server.Finish());
    EXPECT_TRUE(server.Errors().empty());
    EXPECT_EQ(server.Received().back(), "QUIT");
}

TEST(FTPLinkReplies, EmptyLineIsNoSuccess) {
    ScriptedFtpServer server;
    server.Send("220 Ready").Expect("NOOP").Send("");
    server.Start();
    CFTPLink link;
    ASSERT_TRUE(Connect(link, server));
    EXPECT_FALSE(link.Command("NOOP"));  // the 2 of the greeting must not carry over
    EXPECT_EQ(link.m_nReplyClass, 0);
    link.CloseControlConnection();
    ASSERT_TRUE(server.Finish());
}

TEST(FTPLinkReplies, BareLineFeedEndsALineToo) {
    ScriptedFtpServer server;
    server.SendRaw("220 Ready\n").Expect("NOOP").SendRaw("200 Ok\r\n");
    server.Start();
    CFTPLink link;
    ASSERT_TRUE(Connect(link, server));
    EXPECT_EQ(link.m_strLastReply, "220 Ready");
    EXPECT_TRUE(link.Command("NOOP"));
    link.CloseControlConnection();
    ASSERT_TRUE(server.Finish());
}

TEST(FTPLinkReplies, EndlessLineIsANetworkErrorNotAMemoryHog) {
    ScriptedFtpServer server;
    server.SendRaw(std::string(200 * 1024, 'x')).Stall();
    server.Start();
    CFTPLink link;
    link.SetTimeout(kShortTimeout);
    ASSERT_TRUE(link.OpenControlConnection("127.0.0.1", server.Port()));
    EXPECT_FALSE(link.Command(""));
    EXPECT_EQ(link.m_strLastReply, CFTPLink::kNetworkError);
    EXPECT_FALSE(link.IsOpen());
    ASSERT_TRUE(server.Finish());
}

// ---------------------------------------------------------------------------
// Logon sequences: what is sent and how each reply class leads on.

struct LogonCase {
    const char* name;
    int type;
    int serverPort;  // 0: the scripted server's port (type 0 connects there)
    std::vector<std::pair<std::string, std::string>> exchange;  // line sent, reply
    bool loggedOn;
    std::string lastReply;
};

void PrintTo(const LogonCase& c, std::ostream* os) {
    *os << c.name;
}

class FTPLinkLogon : public ::testing::TestWithParam<LogonCase> {};

TEST_P(FTPLinkLogon, FollowsTheSequenceTable) {
    const LogonCase& c = GetParam();
    ScriptedFtpServer server;
    server.Send("220 Ready");
    for (const auto& [line, reply] : c.exchange) server.Expect(line).Send(reply);
    server.Start();

    CFTPLink link;
    link.SetTimeout(kShortTimeout);
    const bool direct = c.type == 0;
    const std::string host = direct ? "127.0.0.1" : "ftp.example.com";
    const int port = direct ? server.Port() : c.serverPort;
    const bool result = link.Logon(host, port, "bob", "secret", "", "127.0.0.1", "fw", "fwpw",
                                   direct ? 21 : server.Port(), c.type);
    EXPECT_EQ(result, c.loggedOn);
    EXPECT_EQ(link.m_strLastReply, c.lastReply);
    link.CloseControlConnection();
    ASSERT_TRUE(server.Finish());
    EXPECT_TRUE(server.Errors().empty()) << server.Errors().front();
    EXPECT_EQ(server.Received().size(), c.exchange.size());  // nothing more was sent
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, FTPLinkLogon,
    ::testing::Values(
        LogonCase{"None_2xxOnUser", 0, 0, {{"USER bob", "230 In"}}, true, "230 In"},
        LogonCase{"None_PassThenAcct",
                  0,
                  0,
                  {{"USER bob", "331 Pw"}, {"PASS secret", "332 Acct"}, {"ACCT ", "230 In"}},
                  true,
                  "230 In"},
        LogonCase{"None_AcctAnswered3xxFails",
                  0,
                  0,
                  {{"USER bob", "331 Pw"}, {"PASS secret", "332 Acct"}, {"ACCT ", "332 More"}},
                  false,
                  CFTPLink::kLogonFailed},
        LogonCase{"None_WrongPasswordKeepsReply",
                  0,
                  0,
                  {{"USER bob", "331 Pw"}, {"PASS secret", "530 Login incorrect."}},
                  false,
                  "530 Login incorrect."},
        LogonCase{"Site_Port2121_3xxBranches",
                  1,
                  2121,
                  {{"USER fw", "331 Fw pw"},
                   {"PASS fwpw", "230 Fw ok"},
                   {"SITE ftp.example.com:2121", "331 Go on"},
                   {"USER bob", "331 Pw"},
                   {"PASS secret", "230 In"}},
                  true,
                  "230 In"},
        LogonCase{"Site_2xxOnFirewallUserSkipsPassword",
                  1,
                  21,
                  {{"USER fw", "230 Fw ok"},
                   {"SITE ftp.example.com", "331 Go on"},
                   {"USER bob", "230 In"}},
                  true,
                  "230 In"},
        LogonCase{"Site_2xxOnSiteFails",
                  1,
                  21,
                  {{"USER fw", "230 Fw ok"}, {"SITE ftp.example.com", "200 Site ok"}},
                  false,
                  CFTPLink::kLogonFailed},
        LogonCase{"Site_FirewallPassword3xxFails",
                  1,
                  21,
                  {{"USER fw", "331 Fw pw"}, {"PASS fwpw", "332 Huh"}},
                  false,
                  CFTPLink::kLogonFailed},
        LogonCase{"UserAfterLogon",
                  2,
                  2121,
                  {{"USER fw", "331 Fw pw"},
                   {"PASS fwpw", "230 Fw ok"},
                   {"USER bob@ftp.example.com:2121", "331 Pw"},
                   {"PASS secret", "230 In"}},
                  true,
                  "230 In"},
        LogonCase{"ProxyOpen_2xx",
                  3,
                  21,
                  {{"OPEN ftp.example.com", "220 Open"},
                   {"USER bob", "331 Pw"},
                   {"PASS secret", "230 In"}},
                  true,
                  "230 In"},
        LogonCase{"ProxyOpen_3xxPort2121",
                  3,
                  2121,
                  {{"OPEN ftp.example.com:2121", "331 Open"}, {"USER bob", "230 In"}},
                  true,
                  "230 In"},
        LogonCase{"ProxyOpen_5xxFailsAtOnce",
                  3,
                  21,
                  {{"OPEN ftp.example.com", "530 No such host"}},
                  false,
                  "530 No such host"},
        LogonCase{"Transparent",
                  4,
                  21,
                  {{"USER fw", "331 Fw pw"},
                   {"PASS fwpw", "230 Fw ok"},
                   {"USER bob", "331 Pw"},
                   {"PASS secret", "230 In"}},
                  true,
                  "230 In"},
        LogonCase{"UserNoLogon_Port2121",
                  5,
                  2121,
                  {{"USER bob@ftp.example.com:2121", "331 Pw"}, {"PASS secret", "230 In"}},
                  true,
                  "230 In"},
        LogonCase{
            "UserNoLogon_2xx", 5, 21, {{"USER bob@ftp.example.com", "230 In"}}, true, "230 In"},
        LogonCase{"UserNoLogon_4xxFailsAtOnce",
                  5,
                  21,
                  {{"USER bob@ftp.example.com", "421 Busy"}},
                  false,
                  "421 Busy"},
        LogonCase{"FireIdAtRemoteHost",
                  6,
                  21,
                  {{"USER fw@ftp.example.com", "331 Fw pw"},
                   {"PASS fwpw", "230 Fw ok"},
                   {"USER bob", "331 Pw"},
                   {"PASS secret", "230 In"}},
                  true,
                  "230 In"},
        LogonCase{"RemoteIdAtHostFireId_3xx",
                  7,
                  2121,
                  {{"USER bob@ftp.example.com:2121 fw", "331 Pw"}, {"PASS secret", "230 In"}},
                  true,
                  "230 In"},
        LogonCase{"RemoteIdAtHostFireId_2xxFails",
                  7,
                  21,
                  {{"USER bob@ftp.example.com fw", "230 In"}},
                  false,
                  CFTPLink::kLogonFailed},
        LogonCase{"RemoteIdAtFireIdAtHost",
                  8,
                  21,
                  {{"USER bob@fw@ftp.example.com", "331 Pw"}, {"PASS secret@fwpw", "230 In"}},
                  true,
                  "230 In"}),
    [](const ::testing::TestParamInfo<LogonCase>& info) { return std::string(info.param.name); });

TEST(FTPLinkLogonTable, EveryRowStartsAtAStepAndEndsInLoggedOnOrFailed) {
    for (int type = 0; type < CFTPLink::kFirewallTypeCount; ++type) {
        const auto& row = CFTPLink::kLogonTable[type];
        ASSERT_GE(row[0].command, 0) << type;
        for (int step = 0; step < CFTPLink::kMaxLogonSteps && row[step].command >= 0; ++step) {
            EXPECT_LE(row[step].command, 11);
            for (int next : {row[step].on2xx, row[step].on3xx}) {
                if (next >= 0) {
                    EXPECT_LT(next, CFTPLink::kMaxLogonSteps);
                    EXPECT_GE(row[next].command, 0) << "type " << type << " step " << step;
                } else {
                    EXPECT_TRUE(next == CFTPLink::kLoggedOn || next == CFTPLink::kFailed);
                }
            }
        }
    }
}

// The whole table, written out step by step as "code, on 2xx, on 3xx" with S1 the
// first step, "logged on" and "failed": every branch, including those that the
// scripted sequences above do not reach.
TEST(FTPLinkLogonTable, EveryStepOfEveryRow) {
    const std::vector<std::string> expected = {
        "0,logged on,S2 | 1,logged on,S3 | 2,logged on,failed",
        "3,S3,S2 | 4,S3,failed | 5,failed,S4 | 0,logged on,S5 | 1,logged on,S6 | "
        "2,logged on,failed",
        "3,S3,S2 | 4,S3,failed | 6,logged on,S4 | 1,logged on,S5 | 2,logged on,failed",
        "7,S2,S2 | 0,logged on,S3 | 1,logged on,S4 | 2,logged on,failed",
        "3,S3,S2 | 4,S3,failed | 0,logged on,S4 | 1,logged on,S5 | 2,logged on,failed",
        "6,logged on,S2 | 1,logged on,S3 | 2,logged on,failed",
        "8,S3,S2 | 4,S3,failed | 0,logged on,S4 | 1,logged on,S5 | 2,logged on,failed",
        "9,failed,S2 | 1,logged on,S3 | 2,logged on,failed",
        "10,logged on,S2 | 11,logged on,S3 | 2,logged on,failed",
    };
    auto next = [](int step) -> std::string {
        if (step == CFTPLink::kLoggedOn) return "logged on";
        if (step == CFTPLink::kFailed) return "failed";
        return "S" + std::to_string(step + 1);
    };
    ASSERT_EQ(static_cast<int>(expected.size()), CFTPLink::kFirewallTypeCount);
    for (int type = 0; type < CFTPLink::kFirewallTypeCount; ++type) {
        std::string row;
        for (const CFTPLink::LogonStep& step : CFTPLink::kLogonTable[type]) {
            if (step.command < 0) break;
            if (!row.empty()) row += " | ";
            row += std::to_string(step.command) + "," + next(step.on2xx) + "," + next(step.on3xx);
        }
        EXPECT_EQ(row, expected[type]) << "firewall type " << type;
    }
}

TEST(FTPLinkFailureTexts, AreTheClientsOwn) {
    EXPECT_STREQ(CFTPLink::kUnableToCreateSocket, "Unable to create socket.");
    EXPECT_STREQ(CFTPLink::kUnableToConnect, "Unable to connect to server.");
    EXPECT_STREQ(CFTPLink::kNetworkError, "Network error.");
    EXPECT_STREQ(CFTPLink::kLogonFailed, "Logon failed.");
    EXPECT_STREQ(CFTPLink::kUnableToOpenFile, "Unable to open file on local machine.");
    EXPECT_STREQ(CFTPLink::kFileError, "File error.");
}

TEST(FTPLinkLogonTable, CommandLines) {
    auto line = [](int code) {
        return CFTPLink::LogonCommandLine(code, "h:2121", "u", "p", "a", "fu", "fp");
    };
    EXPECT_EQ(line(0), "USER u");
    EXPECT_EQ(line(1), "PASS p");
    EXPECT_EQ(line(2), "ACCT a");
    EXPECT_EQ(line(3), "USER fu");
    EXPECT_EQ(line(4), "PASS fp");
    EXPECT_EQ(line(5), "SITE h:2121");
    EXPECT_EQ(line(6), "USER u@h:2121");
    EXPECT_EQ(line(7), "OPEN h:2121");
    EXPECT_EQ(line(8), "USER fu@h:2121");
    EXPECT_EQ(line(9), "USER u@h:2121 fu");
    EXPECT_EQ(line(10), "USER u@fu@h:2121");
    EXPECT_EQ(line(11), "PASS p@fp");
}

TEST(FTPLinkLogonTable, FirewallTypeOutOfRangeConnectsNowhere) {
    ScriptedFtpServer server;
    server.Start();
    CFTPLink link;
    link.SetTimeout(kShortTimeout);
    EXPECT_FALSE(link.Logon("127.0.0.1", server.Port(), "u", "p", "", "", "", "", 21, 9));
    EXPECT_FALSE(link.Logon("127.0.0.1", server.Port(), "u", "p", "", "", "", "", 21, -1));
    EXPECT_FALSE(link.IsOpen());
    ASSERT_FALSE(server.Finish(100ms));  // nobody connected
    EXPECT_TRUE(server.Received().empty());
}

TEST(FTPLinkLogon, GreetingOfWrongClassFails) {
    ScriptedFtpServer server;
    server.Send("421 Too many users");
    server.Start();
    CFTPLink link;
    link.SetTimeout(kShortTimeout);
    EXPECT_FALSE(link.Logon("127.0.0.1", server.Port(), "u", "p", "", "", "", "", 21, 0));
    EXPECT_EQ(link.m_strLastReply, "421 Too many users");
    link.CloseControlConnection();
    ASSERT_TRUE(server.Finish());
    EXPECT_TRUE(server.Received().empty());
}

TEST(FTPLinkLogon, UnreachableServer) {
    int closedPort;
    {
        ScriptedFtpServer probe;  // a port that was just free
        closedPort = probe.Port();
    }
    CFTPLink link;
    link.SetTimeout(kShortTimeout);
    EXPECT_FALSE(link.Logon("127.0.0.1", closedPort, "u", "p", "", "", "", "", 21, 0));
    EXPECT_EQ(link.m_strLastReply, CFTPLink::kUnableToConnect);
}

TEST(FTPLinkLogon, PasswordReplyIsFlagged) {
    ScriptedFtpServer server;
    server.Send("220 Ready")
        .Expect("USER bob")
        .Send("331 Pw")
        .Expect("PASS secret")
        .Send("530 Bad password secret");
    server.Start();
    CFTPLink link;
    link.SetTimeout(kShortTimeout);
    EXPECT_FALSE(link.Logon("127.0.0.1", server.Port(), "bob", "secret", "", "", "", "", 21, 0));
    EXPECT_TRUE(link.LastReplyFollowsPassword());
    link.CloseControlConnection();
    ASSERT_TRUE(server.Finish());
}

// ---------------------------------------------------------------------------
// Command injection

TEST(FTPLinkInjection, LineBreaksAreNeverSent) {
    ScriptedFtpServer server;
    server.Send("220 Ready").Expect("NOOP").Send("200 Ok");
    server.Start();
    CFTPLink link;
    ASSERT_TRUE(Connect(link, server));
    EXPECT_FALSE(link.Command("CWD a\r\nDELE index.html"));
    EXPECT_EQ(link.m_strLastReply, CFTPLink::kCommandRefused);
    EXPECT_FALSE(link.MakeDirectory("x\nDELE y"));
    EXPECT_FALSE(link.SendLine(std::string("MKD a\0b", 7)));
    TempDir dir;
    const std::string local = dir.WriteFile("a.txt", "abc");
    EXPECT_FALSE(link.TransferFile("a\r\nDELE b", local, false, false));
    EXPECT_EQ(link.m_strLastReply, CFTPLink::kCommandRefused);
    EXPECT_FALSE(link.MakeDirectory("files/../../etc"));
    EXPECT_EQ(link.m_strLastReply, CFTPLink::kRemoteNameRefused);
    EXPECT_FALSE(link.TransferFile("files\\..\\x", local, false, false));
    EXPECT_EQ(link.m_strLastReply, CFTPLink::kRemoteNameRefused);
    EXPECT_TRUE(link.MakeDirectory(""));  // sends nothing
    ASSERT_TRUE(link.Command("NOOP"));    // the connection is still in step
    link.CloseControlConnection();
    ASSERT_TRUE(server.Finish());
    EXPECT_EQ(server.Received(), std::vector<std::string>{"NOOP"});
}

TEST(FTPLinkInjection, LogonWithLineBreakInUserSendsNothing) {
    ScriptedFtpServer server;
    server.Send("220 Ready");
    server.Start();
    CFTPLink link;
    link.SetTimeout(kShortTimeout);
    EXPECT_FALSE(
        link.Logon("127.0.0.1", server.Port(), "bob\r\nSITE x", "p", "", "", "", "", 21, 0));
    EXPECT_EQ(link.m_strLastReply, CFTPLink::kCommandRefused);
    link.CloseControlConnection();
    ASSERT_TRUE(server.Finish());
    EXPECT_TRUE(server.Received().empty());
}

// ---------------------------------------------------------------------------
// Directories

TEST(FTPLinkDirectories, Reply550CountsAsSuccess553DoesNot) {
    ScriptedFtpServer server;
    server.Send("220 Ready")
        .Expect("MKD images")
        .Send("550 images: File exists")
        .Expect("MKD files")
        .Send("257 \"files\" created")
        .Expect("MKD files/x")
        .Send("553 Not allowed");
    server.Start();
    CFTPLink link;
    ASSERT_TRUE(Connect(link, server));
    EXPECT_TRUE(link.MakeDirectory("images"));
    EXPECT_TRUE(link.MakeDirectory("files"));
    EXPECT_FALSE(link.MakeDirectory("files/x"));
    EXPECT_EQ(link.m_strLastReply, "553 Not allowed");
    link.CloseControlConnection();
    ASSERT_TRUE(server.Finish());
    EXPECT_TRUE(server.Errors().empty());
}

// ---------------------------------------------------------------------------
// Transfers

TEST(FTPLinkTransfer, PortLineNumbers) {
    EXPECT_EQ(CFTPLink::PortCommand(0x7F000001, 256), "PORT 127,0,0,1,1,0");
    EXPECT_EQ(CFTPLink::PortCommand(0xC0A80005, 5001), "PORT 192,168,0,5,19,137");
    EXPECT_EQ(CFTPLink::PortCommand(0x0A000001, 65535), "PORT 10,0,0,1,255,255");
}

TEST(FTPLinkTransfer, ActiveStore) {
    TempDir dir;
    const std::string content = Pattern(10000);
    const std::string local = dir.WriteFile("doc.bin", content);
    ScriptedFtpServer server;
    server.Send("220 Ready")
        .Expect("TYPE I")
        .Send("200 Binary")
        .ExpectPrefix("PORT 127,0,0,1,")
        .ConnectData()
        .Send("200 Port ok")
        .Expect("STOR files/doc.bin")
        .Send("150 Go ahead")
        .ReceiveData()
        .Send("226 Done");
    server.Start();
    CFTPLink link;
    ASSERT_TRUE(Connect(link, server));
    EXPECT_TRUE(link.TransferFile("files/doc.bin", local, false, false)) << link.m_strLastReply;
    EXPECT_EQ(link.m_strLastReply, "226 Done");
    link.CloseControlConnection();
    ASSERT_TRUE(server.Finish());
    EXPECT_TRUE(server.Errors().empty()) << server.Errors().front();
    EXPECT_EQ(server.DataReceived(), content);
}

TEST(FTPLinkTransfer, ShortSendsAreResumedFromTheUnsentByte) {
    TempDir dir;
    const std::string content = Pattern(20000);
    const std::string local = dir.WriteFile("doc.bin", content);
    for (std::size_t chunk : {1u, 777u, 4095u}) {
        ScriptedFtpServer server;
        server.Send("220 Ready").Serve();
        server.Start();
        CFTPLink link;
        ASSERT_TRUE(Connect(link, server));
        link.SetMaxSendChunk(chunk);
        EXPECT_TRUE(link.TransferFile("doc.bin", local, false, false)) << link.m_strLastReply;
        link.Logoff();
        ASSERT_TRUE(server.Finish());
        EXPECT_EQ(server.Files()["doc.bin"], content) << "chunk " << chunk;
    }
}

TEST(FTPLinkTransfer, EmptyFile) {
    TempDir dir;
    const std::string local = dir.WriteFile("empty.txt", "");
    ScriptedFtpServer server;
    server.Send("220 Ready").Serve();
    server.Start();
    CFTPLink link;
    ASSERT_TRUE(Connect(link, server));
    EXPECT_TRUE(link.TransferFile("empty.txt", local, false, false));
    link.Logoff();
    ASSERT_TRUE(server.Finish());
    ASSERT_EQ(server.Files().count("empty.txt"), 1u);
    EXPECT_EQ(server.Files()["empty.txt"], "");
}

TEST(FTPLinkTransfer, PassiveUsesTheControlPeerNotTheAddressInTheReply) {
    TempDir dir;
    const std::string content = Pattern(9000);
    const std::string local = dir.WriteFile("doc.bin", content);
    ScriptedFtpServer server;
    server.Send("220 Ready")
        .Expect("TYPE I")
        .Send("200 Binary")
        .Expect("PASV")
        .ListenPassive("10,99,0,7")  // a private address behind NAT
        .Expect("STOR doc.bin")
        .AcceptData()
        .Send("150 Go ahead")
        .ReceiveData()
        .Send("226 Done");
    server.Start();
    CFTPLink link;
    ASSERT_TRUE(Connect(link, server));
    EXPECT_TRUE(link.TransferFile("doc.bin", local, true, false)) << link.m_strLastReply;
    link.CloseControlConnection();
    ASSERT_TRUE(server.Finish());
    EXPECT_TRUE(server.Errors().empty()) << server.Errors().front();
    EXPECT_EQ(server.DataReceived(), content);
}

TEST(FTPLinkTransfer, MalformedPassiveReplyFails) {
    TempDir dir;
    const std::string local = dir.WriteFile("doc.bin", "x");
    for (const char* reply :
         {"227 Entering Passive Mode 127,0,0,1,4,1", "227 (127,0,0,1,4)", "227 (127,0,0,1,4,300)",
          "227 (127,0,0,1,0,0)", "227 (a,b,c,d,e,f)"}) {
        ScriptedFtpServer server;
        server.Send("220 Ready")
            .Expect("TYPE I")
            .Send("200 Binary")
            .Expect("PASV")
            .Send(reply)
            .Expect("NOOP")
            .Send("200 Ok");
        server.Start();
        CFTPLink link;
        ASSERT_TRUE(Connect(link, server));
        EXPECT_FALSE(link.TransferFile("doc.bin", local, true, false)) << reply;
        EXPECT_EQ(link.m_strLastReply, CFTPLink::kNetworkError);
        EXPECT_TRUE(link.Command("NOOP"));  // no STOR went out, the link is in step
        link.CloseControlConnection();
        ASSERT_TRUE(server.Finish());
        EXPECT_TRUE(server.Errors().empty()) << reply;
    }
}

TEST(FTPLinkTransfer, ActiveRetrieve) {
    TempDir dir;
    const std::string content = Pattern(12345);
    const std::string local = dir / "got.bin";
    ScriptedFtpServer server;
    server.Send("220 Ready")
        .Expect("TYPE I")
        .Send("200 Binary")
        .ExpectPrefix("PORT ")
        .ConnectData()
        .Send("200 Port ok")
        .Expect("RETR remote.bin")
        .Send("150 Sending")
        .SendData(content)
        .Send("226 Done");
    server.Start();
    CFTPLink link;
    ASSERT_TRUE(Connect(link, server));
    EXPECT_TRUE(link.TransferFile("remote.bin", local, false, true)) << link.m_strLastReply;
    link.CloseControlConnection();
    ASSERT_TRUE(server.Finish());
    EXPECT_EQ(ReadFile(local), content);
}

TEST(FTPLinkTransfer, PassiveRetrieve) {
    TempDir dir;
    const std::string content = Pattern(5000);
    const std::string local = dir / "got.bin";
    ScriptedFtpServer server;
    server.Send("220 Ready")
        .Expect("TYPE I")
        .Send("200 Binary")
        .Expect("PASV")
        .ListenPassive()
        .Expect("RETR remote.bin")
        .AcceptData()
        .Send("150 Sending")
        .SendData(content)
        .Send("226 Done");
    server.Start();
    CFTPLink link;
    ASSERT_TRUE(Connect(link, server));
    EXPECT_TRUE(link.TransferFile("remote.bin", local, true, true)) << link.m_strLastReply;
    link.CloseControlConnection();
    ASSERT_TRUE(server.Finish());
    EXPECT_EQ(ReadFile(local), content);
}

TEST(FTPLinkTransfer, MissingLocalFileSendsNothing) {
    TempDir dir;
    ScriptedFtpServer server;
    server.Send("220 Ready");
    server.Start();
    CFTPLink link;
    ASSERT_TRUE(Connect(link, server));
    EXPECT_FALSE(link.TransferFile("a.doc", dir / "missing.doc", false, false));
    EXPECT_EQ(link.m_strLastReply, CFTPLink::kUnableToOpenFile);
    EXPECT_FALSE(link.TransferFile("a.doc", dir.Path(), false, false));  // a directory
    EXPECT_EQ(link.m_strLastReply, CFTPLink::kUnableToOpenFile);
    link.CloseControlConnection();
    ASSERT_TRUE(server.Finish());
    EXPECT_TRUE(server.Received().empty());
}

TEST(FTPLinkTransfer, RefusedStoreKeepsTheLinkInStep) {
    TempDir dir;
    const std::string local = dir.WriteFile("a.txt", "abc");
    ScriptedFtpServer server;
    server.Send("220 Ready").Serve({Fault{"STOR", 1, Fault::kReply, "553 Not allowed."}});
    server.Start();
    CFTPLink link;
    ASSERT_TRUE(Connect(link, server));
    EXPECT_FALSE(link.TransferFile("a.txt", local, false, false));
    EXPECT_EQ(link.m_strLastReply, "553 Not allowed.");
    EXPECT_TRUE(link.TransferFile("b.txt", local, false, false)) << link.m_strLastReply;
    link.Logoff();
    ASSERT_TRUE(server.Finish());
    EXPECT_EQ(server.Files()["b.txt"], "abc");
}

TEST(FTPLinkTransfer, DataConnectionCutShortFailsAndKeepsTheLinkInStep) {
    TempDir dir;
    const std::string local = dir.WriteFile("big.bin", Pattern(8 << 20));
    const std::string small = dir.WriteFile("small.txt", "abc");
    ScriptedFtpServer server;
    server.Send("220 Ready").Serve({Fault{"STOR", 1, Fault::kDropData, ""}});
    server.Start();
    CFTPLink link;
    ASSERT_TRUE(Connect(link, server));
    EXPECT_FALSE(link.TransferFile("big.bin", local, false, false));
    // The server's 426 was read as part of the failed transfer.
    EXPECT_TRUE(link.TransferFile("small.txt", small, false, false)) << link.m_strLastReply;
    link.Logoff();
    ASSERT_TRUE(server.Finish());
    EXPECT_EQ(server.Files()["small.txt"], "abc");
    EXPECT_EQ(server.Files().count("big.bin"), 0u);
}

// A send error cuts the upload short; the server, seeing the data connection end,
// may well store the truncated file and answer 226. The upload still fails: only
// part of the file arrived.
TEST(FTPLinkTransfer, SendCutShortFailsEvenWhenTheServerSaysDone) {
    TempDir dir;
    const std::string local = dir.WriteFile("big.bin", Pattern(8 << 20));
    ScriptedFtpServer server;
    server.Send("220 Ready")
        .Expect("TYPE I")
        .Send("200 Binary")
        .ExpectPrefix("PORT ")
        .ConnectData()
        .Send("200 Port ok")
        .Expect("STOR big.bin")
        .Send("150 Go ahead")
        .SendData("")  // closes the data connection without reading it
        .Send("226 Transfer complete")
        .Expect("NOOP")
        .Send("200 Ok");
    server.Start();
    CFTPLink link;
    ASSERT_TRUE(Connect(link, server));
    EXPECT_FALSE(link.TransferFile("big.bin", local, false, false));
    EXPECT_EQ(link.m_strLastReply, CFTPLink::kFileError);
    EXPECT_TRUE(link.Command("NOOP"));  // the 226 was read with the failed transfer
    link.CloseControlConnection();
    ASSERT_TRUE(server.Finish());
    EXPECT_TRUE(server.Errors().empty()) << server.Errors().front();
}

// ---------------------------------------------------------------------------
// Nothing waits forever

TEST(FTPLinkTimeouts, StalledGreeting) {
    ScriptedFtpServer server;
    server.Stall();
    server.Start();
    CFTPLink link;
    link.SetTimeout(kShortTimeout);
    bool ok = true;
    const auto took = Timed(
        [&] { ok = link.Logon("127.0.0.1", server.Port(), "u", "p", "", "", "", "", 21, 0); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(link.m_strLastReply, CFTPLink::kNetworkError);
    EXPECT_LT(took, 5s);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_TRUE(server.Finish());
}

TEST(FTPLinkTimeouts, StalledDataSendFailsAndClosesTheLink) {
    TempDir dir;
    const std::string local = dir.WriteFile("big.bin", Pattern(8 << 20));
    ScriptedFtpServer server;
    server.Send("220 Ready").Serve({Fault{"STOR", 1, Fault::kStallData, ""}});
    server.Start();
    CFTPLink link;
    ASSERT_TRUE(Connect(link, server));
    bool ok = true;
    const auto took = Timed([&] { ok = link.TransferFile("big.bin", local, false, false); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(link.m_strLastReply, CFTPLink::kNetworkError);
    EXPECT_LT(took, 5s);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(link.Command("NOOP"));  // fails at once
    EXPECT_TRUE(server.Finish());
}

TEST(FTPLinkTimeouts, ServerThatNeverConnectsInActiveMode) {
    TempDir dir;
    const std::string local = dir.WriteFile("a.txt", "abc");
    ScriptedFtpServer server;
    server.Send("220 Ready")
        .Expect("TYPE I")
        .Send("200 Binary")
        .ExpectPrefix("PORT ")
        .Send("200 Port ok")  // but never connects
        .Expect("STOR a.txt")
        .Send("150 Go ahead")
        .Stall();
    server.Start();
    CFTPLink link;
    ASSERT_TRUE(Connect(link, server));
    bool ok = true;
    const auto took = Timed([&] { ok = link.TransferFile("a.txt", local, false, false); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(link.m_strLastReply, CFTPLink::kNetworkError);
    EXPECT_LT(took, 5s);
    EXPECT_TRUE(server.Finish());
}

TEST(FTPLinkTimeouts, DroppedConnectionIsANetworkError) {
    ScriptedFtpServer server;
    server.Send("220 Ready").Expect("NOOP").Drop();
    server.Start();
    CFTPLink link;
    ASSERT_TRUE(Connect(link, server));
    EXPECT_FALSE(link.Command("NOOP"));
    EXPECT_EQ(link.m_strLastReply, CFTPLink::kNetworkError);
    EXPECT_FALSE(link.SendLine("NOOP"));
    EXPECT_EQ(link.m_strLastReply, CFTPLink::kNetworkError);
    link.Logoff();  // harmless on a closed link
    EXPECT_TRUE(server.Finish());
}

}  // namespace
