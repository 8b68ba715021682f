#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
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

// A link and a scripted server: build the script, then Connect or Logon (which start
// the server), then Finish.
struct Session {
    ScriptedFtpServer server;
    CFTPLink link;

    Session() { link.SetTimeout(kShortTimeout); }
    // Connects and reads the greeting.
    bool Connect() {
        server.Start();
        return link.OpenControlConnection("127.0.0.1", server.Port()) && link.Command("");
    }
    // A direct logon (firewall type 0).
    bool Logon(const std::string& user, const std::string& password) {
        server.Start();
        return link.Logon("127.0.0.1", server.Port(), user, password, "", "", "", "", 21, 0);
    }
    // Closes the link and waits for the server; false when the server did not finish or
    // the client strayed from the script.
    bool Finish() {
        link.CloseControlConnection();
        const bool finished = server.Finish();
        for (const std::string& error : server.Errors()) ADD_FAILURE() << error;
        return finished && server.Errors().empty();
    }
};

// Runs an operation that must fail with "Network error." (the link's short timeout
// ends every wait; a hang is caught by the test's own time limit).
template <typename F>
void ExpectQuickNetworkError(const CFTPLink& link, F&& operation) {
    EXPECT_FALSE(operation());
    EXPECT_EQ(link.m_strLastReply, CFTPLink::kNetworkError);
}

// ---------------------------------------------------------------------------
// Replies

TEST(FTPLinkReplies, ReplyReadingLeavesTheLinkInStep) {
    struct Case {
        std::string greeting, reply;  // raw bytes
        std::string greetingText;
        bool ok;
        std::string replyText;
    };
    const std::vector<Case> cases = {
        {"220-Welcome\r\n220-Second line\r\n220 Ready\r\n", "200 Fine\r\n", "220 Ready", true,
         "200 Fine"},
        {"220 Ready\r\n",
         "211-Start\r\n 211 indented, not the end\r\n211-still going\r\n"
         "212 other code, not the end\r\n211 End\r\n",
         "220 Ready", true, "211 End"},
        {"220\r\n", "200\r\n", "220", true, "200"},                  // shorter than four characters
        {"220 Ready\n", "200 Ok\r\n", "220 Ready", true, "200 Ok"},  // a bare LF ends a line
        {"220 Ready\r\n", "\r\n", "220 Ready", false, ""},  // the greeting's 2 must not carry
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.greeting + c.reply);
        Session s;
        s.server.SendRaw(c.greeting).Expect("NOOP").SendRaw(c.reply).Expect("NOOP").Send("200 N");
        ASSERT_TRUE(s.Connect());
        EXPECT_EQ(s.link.m_strLastReply, c.greetingText);
        EXPECT_EQ(s.link.Command("NOOP"), c.ok);
        EXPECT_EQ(s.link.m_nReplyClass, c.ok ? 2 : 0);
        if (c.ok) {
            EXPECT_EQ(s.link.m_strLastReply, c.replyText);
        }
        EXPECT_TRUE(s.link.Command("NOOP"));  // nothing was left behind
        EXPECT_EQ(s.link.m_strLastReply, "200 N");
        EXPECT_TRUE(s.Finish());
    }
}

TEST(FTPLinkReplies, EndlessLineIsANetworkErrorNotAMemoryHog) {
    Session s;
    s.server.SendRaw(std::string(200 * 1024, 'x')).Stall();
    s.server.Start();
    ASSERT_TRUE(s.link.OpenControlConnection("127.0.0.1", s.server.Port()));
    EXPECT_FALSE(s.link.Command(""));
    EXPECT_EQ(s.link.m_strLastReply, CFTPLink::kNetworkError);
    EXPECT_FALSE(s.link.IsOpen());
    ASSERT_TRUE(s.server.Finish());
}

// ---------------------------------------------------------------------------
// Logon sequences: what is sent and how each reply class leads on. Types 4 and 6
// differ from those run here only by their rows and command lines, which
// EveryStepOfEveryRow and CommandLinesAndFailureTexts pin.

TEST(FTPLinkLogon, FollowsTheSequenceTable) {
    struct Case {
        int type;
        int serverPort;      // ignored for type 0, which connects to the scripted server
        std::string script;  // "line sent>reply|..." after the greeting
        bool loggedOn;
        std::string lastReply;  // empty: the last reply of the script
    };
    const std::string failed = CFTPLink::kLogonFailed;
    const std::vector<Case> cases = {
        {0, 0, "USER bob>230 In", true, ""},
        {0, 0, "USER bob>331 Pw|PASS secret>332 Acct|ACCT >230 In", true, ""},
        {0, 0, "USER bob>331 Pw|PASS secret>332 Acct|ACCT >332 More", false, failed},
        {0, 0, "USER bob>331 Pw|PASS secret>530 Login incorrect.", false, ""},
        {1, 2121,
         "USER fw>331 Fw pw|PASS fwpw>230 Fw ok|SITE ftp.example.com:2121>331 Go on|"
         "USER bob>331 Pw|PASS secret>230 In",
         true, ""},
        {1, 21, "USER fw>230 Fw ok|SITE ftp.example.com>331 Go on|USER bob>230 In", true, ""},
        {1, 21, "USER fw>230 Fw ok|SITE ftp.example.com>200 Site ok", false, failed},
        {1, 21, "USER fw>331 Fw pw|PASS fwpw>332 Huh", false, failed},
        {2, 2121,
         "USER fw>331 Fw pw|PASS fwpw>230 Fw ok|USER bob@ftp.example.com:2121>331 Pw|"
         "PASS secret>230 In",
         true, ""},
        {3, 21, "OPEN ftp.example.com>220 Open|USER bob>331 Pw|PASS secret>230 In", true, ""},
        {3, 2121, "OPEN ftp.example.com:2121>331 Open|USER bob>230 In", true, ""},
        {3, 21, "OPEN ftp.example.com>530 No such host", false, ""},
        {5, 2121, "USER bob@ftp.example.com:2121>331 Pw|PASS secret>230 In", true, ""},
        {5, 21, "USER bob@ftp.example.com>230 In", true, ""},
        {5, 21, "USER bob@ftp.example.com>421 Busy", false, ""},
        {7, 2121, "USER bob@ftp.example.com:2121 fw>331 Pw|PASS secret>230 In", true, ""},
        {7, 21, "USER bob@ftp.example.com fw>230 In", false, failed},
        {8, 21, "USER bob@fw@ftp.example.com>331 Pw|PASS secret@fwpw>230 In", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.type) + ": " + c.script);
        Session s;
        s.server.Send("220 Ready");
        std::stringstream steps(c.script);
        std::string step, reply;
        std::size_t count = 0;
        while (std::getline(steps, step, '|')) {
            reply = step.substr(step.find('>') + 1);
            s.server.Expect(step.substr(0, step.find('>'))).Send(reply);
            ++count;
        }
        s.server.Start();
        const bool direct = c.type == 0;
        EXPECT_EQ(s.link.Logon(direct ? "127.0.0.1" : "ftp.example.com",
                               direct ? s.server.Port() : c.serverPort, "bob", "secret", "",
                               "127.0.0.1", "fw", "fwpw", direct ? 21 : s.server.Port(), c.type),
                  c.loggedOn);
        EXPECT_EQ(s.link.m_strLastReply, c.lastReply.empty() ? reply : c.lastReply);
        EXPECT_TRUE(s.Finish());
        EXPECT_EQ(s.server.Received().size(), count);  // nothing more was sent
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

TEST(FTPLinkLogonTable, CommandLinesAndFailureTexts) {
    const std::vector<std::string> lines = {
        "USER u",         "PASS p",           "ACCT a",           "USER fu",
        "PASS fp",        "SITE h:2121",      "USER u@h:2121",    "OPEN h:2121",
        "USER fu@h:2121", "USER u@h:2121 fu", "USER u@fu@h:2121", "PASS p@fp"};
    for (int code = 0; code < static_cast<int>(lines.size()); ++code) {
        EXPECT_EQ(CFTPLink::LogonCommandLine(code, "h:2121", "u", "p", "a", "fu", "fp"),
                  lines[code]);
    }
    EXPECT_STREQ(CFTPLink::kUnableToCreateSocket, "Unable to create socket.");
    EXPECT_STREQ(CFTPLink::kUnableToConnect, "Unable to connect to server.");
    EXPECT_STREQ(CFTPLink::kNetworkError, "Network error.");
    EXPECT_STREQ(CFTPLink::kLogonFailed, "Logon failed.");
    EXPECT_STREQ(CFTPLink::kUnableToOpenFile, "Unable to open file on local machine.");
    EXPECT_STREQ(CFTPLink::kFileError, "File error.");
}

TEST(FTPLinkLogon, FirewallTypeOutOfRangeConnectsNowhere) {
    Session s;
    s.server.Start();
    for (int type : {9, -1}) {
        EXPECT_FALSE(
            s.link.Logon("127.0.0.1", s.server.Port(), "u", "p", "", "", "", "", 21, type));
    }
    EXPECT_FALSE(s.link.IsOpen());
    ASSERT_FALSE(s.server.Finish(100ms));  // nobody connected
    EXPECT_TRUE(s.server.Received().empty());
}

TEST(FTPLinkLogon, FailuresBeforeAndAfterThePassword) {
    {
        Session s;  // a greeting of the wrong class
        s.server.Send("421 Too many users");
        EXPECT_FALSE(s.Logon("u", "p"));
        EXPECT_EQ(s.link.m_strLastReply, "421 Too many users");
        EXPECT_TRUE(s.Finish());
        EXPECT_TRUE(s.server.Received().empty());
    }
    {
        Session s;  // the reply to PASS is flagged, so that it is never shown
        s.server.Send("220 Ready").Expect("USER bob").Send("331 Pw").Expect("PASS secret");
        s.server.Send("530 Bad password secret");
        EXPECT_FALSE(s.Logon("bob", "secret"));
        EXPECT_TRUE(s.link.LastReplyFollowsPassword());
        EXPECT_TRUE(s.Finish());
    }
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

// ---------------------------------------------------------------------------
// Command injection

TEST(FTPLinkInjection, LineBreaksAreNeverSent) {
    Session s;
    s.server.Send("220 Ready").Expect("NOOP").Send("200 Ok");
    ASSERT_TRUE(s.Connect());
    CFTPLink& link = s.link;
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
    EXPECT_TRUE(s.Finish());
    EXPECT_EQ(s.server.Received(), std::vector<std::string>{"NOOP"});

    Session logon;
    logon.server.Send("220 Ready");
    EXPECT_FALSE(logon.Logon("bob\r\nSITE x", "p"));
    EXPECT_EQ(logon.link.m_strLastReply, CFTPLink::kCommandRefused);
    EXPECT_TRUE(logon.Finish());
    EXPECT_TRUE(logon.server.Received().empty());
}

// ---------------------------------------------------------------------------
// Directories

// A 550 counts as success only when the directory is there: the link looks (CWD) and
// comes back (to the PWD path, or by CDUP when PWD gives none).
TEST(FTPLinkDirectories, Reply550CountsOnlyWhenTheDirectoryIsThere) {
    Session s;
    s.server.Send("220 Ready").Expect("MKD images").Send("550 images: File exists");
    s.server.Expect("PWD").Send("257 \"/w\"\"w\" is current").Expect("CWD images").Send("250 Ok");
    s.server.Expect("CWD /w\"w").Send("250 Ok");
    s.server.Expect("MKD files").Send("257 \"files\" created");
    s.server.Expect("MKD files/x").Send("553 Not allowed");
    s.server.Expect("MKD files/y").Send("550 Permission denied").Expect("PWD").Send("257 \"/\"");
    s.server.Expect("CWD files/y").Send("550 No such directory");
    s.server.Expect("MKD a/b").Send("550 Exists").Expect("PWD").Send("500 Unknown");
    s.server.Expect("CWD a/b").Send("250 Ok").Expect("CDUP").Send("250 Ok");
    s.server.Expect("CDUP").Send("250 Ok");
    ASSERT_TRUE(s.Connect());
    EXPECT_TRUE(s.link.MakeDirectory("images"));
    EXPECT_TRUE(s.link.MakeDirectory("files"));
    EXPECT_FALSE(s.link.MakeDirectory("files/x"));
    EXPECT_EQ(s.link.m_strLastReply, "553 Not allowed");
    EXPECT_FALSE(s.link.DirectoryRefused());
    EXPECT_FALSE(s.link.MakeDirectory("files/y"));
    EXPECT_EQ(s.link.m_strLastReply, "550 Permission denied");
    EXPECT_TRUE(s.link.DirectoryRefused());
    EXPECT_TRUE(s.link.MakeDirectory("a/b"));
    EXPECT_TRUE(s.Finish());
}

// ---------------------------------------------------------------------------
// Transfers

TEST(FTPLinkTransfer, PortLineNumbers) {
    EXPECT_EQ(CFTPLink::PortCommand(0x7F000001, 256), "PORT 127,0,0,1,1,0");
    EXPECT_EQ(CFTPLink::PortCommand(0xC0A80005, 5001), "PORT 192,168,0,5,19,137");
    EXPECT_EQ(CFTPLink::PortCommand(0x0A000001, 65535), "PORT 10,0,0,1,255,255");
}

// Store and retrieve, active and passive. Passive mode connects to the control
// connection's peer, not to the (private, behind NAT) address of the 227 reply.
TEST(FTPLinkTransfer, StoreAndRetrieveInBothModes) {
    TempDir dir;
    const std::string content = Pattern(10000);
    const std::string toSend = dir.WriteFile("doc.bin", content);
    for (bool passive : {false, true}) {
        for (bool receive : {false, true}) {
            SCOPED_TRACE(std::string(passive ? "passive " : "active ") +
                         (receive ? "retrieve" : "store"));
            Session s;
            s.server.Send("220 Ready").Expect("TYPE I").Send("200 Binary");
            if (passive) {
                s.server.Expect("PASV").ListenPassive("10,99,0,7");
            } else {
                s.server.ExpectPrefix("PORT 127,0,0,1,").ConnectData().Send("200 Port ok");
            }
            s.server.Expect(receive ? "RETR files/doc.bin" : "STOR files/doc.bin");
            if (passive) s.server.AcceptData();
            s.server.Send("150 Go ahead");
            if (receive) {
                s.server.SendData(content);
            } else {
                s.server.ReceiveData();
            }
            s.server.Send("226 Done");
            const std::string local = receive ? dir / "got.bin" : toSend;
            ASSERT_TRUE(s.Connect());
            EXPECT_TRUE(s.link.TransferFile("files/doc.bin", local, passive, receive))
                << s.link.m_strLastReply;
            EXPECT_EQ(s.link.m_strLastReply, "226 Done");
            EXPECT_TRUE(s.Finish());
            EXPECT_EQ(receive ? ReadFile(local) : s.server.DataReceived(), content);
        }
    }
}

TEST(FTPLinkTransfer, ShortSendsAreResumedFromTheUnsentByte) {
    TempDir dir;
    for (const auto& [size, chunk] : std::vector<std::pair<std::size_t, std::size_t>>{
             {20000, 1}, {20000, 777}, {20000, 4095}, {0, 4096}}) {
        SCOPED_TRACE("size " + std::to_string(size) + ", chunk " + std::to_string(chunk));
        const std::string local = dir.WriteFile("doc.bin", Pattern(size));
        Session s;
        s.server.Send("220 Ready").Serve();
        ASSERT_TRUE(s.Connect());
        s.link.SetMaxSendChunk(chunk);
        EXPECT_TRUE(s.link.TransferFile("doc.bin", local, false, false)) << s.link.m_strLastReply;
        EXPECT_TRUE(s.Finish());
        ASSERT_EQ(s.server.Files().count("doc.bin"), 1u);
        EXPECT_EQ(s.server.Files()["doc.bin"], Pattern(size));
    }
}

TEST(FTPLinkTransfer, MalformedPassiveReplyFails) {
    TempDir dir;
    const std::string local = dir.WriteFile("doc.bin", "x");
    for (const char* reply :
         {"227 Entering Passive Mode 127,0,0,1,4,1", "227 (127,0,0,1,4)", "227 (127,0,0,1,4,300)",
          "227 (127,0,0,1,0,0)", "227 (a,b,c,d,e,f)"}) {
        SCOPED_TRACE(reply);
        Session s;
        s.server.Send("220 Ready").Expect("TYPE I").Send("200 Binary").Expect("PASV").Send(reply);
        s.server.Expect("NOOP").Send("200 Ok");
        ASSERT_TRUE(s.Connect());
        EXPECT_FALSE(s.link.TransferFile("doc.bin", local, true, false));
        EXPECT_EQ(s.link.m_strLastReply, CFTPLink::kNetworkError);
        EXPECT_TRUE(s.link.Command("NOOP"));  // no STOR went out, the link is in step
        EXPECT_TRUE(s.Finish());
    }
}

TEST(FTPLinkTransfer, MissingLocalFileSendsNothing) {
    TempDir dir;
    Session s;
    s.server.Send("220 Ready");
    ASSERT_TRUE(s.Connect());
    for (const std::string& local : {dir / "missing.doc", dir.Path()}) {  // a directory too
        EXPECT_FALSE(s.link.TransferFile("a.doc", local, false, false));
        EXPECT_EQ(s.link.m_strLastReply, CFTPLink::kUnableToOpenFile);
    }
    EXPECT_TRUE(s.Finish());
    EXPECT_TRUE(s.server.Received().empty());
}

// A refused STOR and a data connection cut short fail that upload; the next one works.
TEST(FTPLinkTransfer, FailedUploadKeepsTheLinkInStep) {
    TempDir dir;
    const std::string big = dir.WriteFile("big.bin", Pattern(8 << 20));
    const std::string small = dir.WriteFile("small.txt", "abc");
    for (const Fault& fault : {Fault{"STOR", 1, Fault::kReply, "553 Not allowed."},
                               Fault{"STOR", 1, Fault::kDropData, ""}}) {
        SCOPED_TRACE(fault.kind);
        Session s;
        s.server.Send("220 Ready").Serve({fault});
        ASSERT_TRUE(s.Connect());
        EXPECT_FALSE(s.link.TransferFile("big.bin", big, false, false));
        if (fault.kind == Fault::kReply) {
            EXPECT_EQ(s.link.m_strLastReply, "553 Not allowed.");
        }
        EXPECT_TRUE(s.link.TransferFile("small.txt", small, false, false)) << s.link.m_strLastReply;
        EXPECT_TRUE(s.Finish());
        EXPECT_EQ(s.server.Files()["small.txt"], "abc");
    }
}

// A send error cuts the upload short; the server, seeing the data connection end,
// may well store the truncated file and answer 226. The upload still fails: only
// part of the file arrived.
TEST(FTPLinkTransfer, SendCutShortFailsEvenWhenTheServerSaysDone) {
    TempDir dir;
    const std::string local = dir.WriteFile("big.bin", Pattern(8 << 20));
    Session s;
    s.server.Send("220 Ready").Expect("TYPE I").Send("200 Binary");
    s.server.ExpectPrefix("PORT ").ConnectData().Send("200 Port ok");
    s.server.Expect("STOR big.bin").Send("150 Go ahead");
    s.server.SendData("").Send("226 Transfer complete");  // closes the data connection unread
    s.server.Expect("NOOP").Send("200 Ok");
    ASSERT_TRUE(s.Connect());
    EXPECT_FALSE(s.link.TransferFile("big.bin", local, false, false));
    EXPECT_EQ(s.link.m_strLastReply, CFTPLink::kFileError);
    EXPECT_TRUE(s.link.Command("NOOP"));  // the 226 was read with the failed transfer
    EXPECT_TRUE(s.Finish());
}

// Active mode: a data connection from any address but the server's is closed unread
// and unwritten, and the file fails.
TEST(FTPLinkTransfer, ActiveModeTakesDataOnlyFromTheServer) {
    TempDir dir;
    const std::string local = dir.WriteFile("doc.txt", "secret contents");
    for (bool receive : {false, true}) {
        SCOPED_TRACE(receive ? "retrieve" : "store");
        Session s;
        s.server.Send("220 Ready").Expect("TYPE I").Send("200 Binary");
        s.server.ExpectPrefix("PORT 127,0,0,1,").Send("200 Port ok");
        s.server.Expect(receive ? "RETR doc.txt" : "STOR doc.txt").Send("150 Go ahead");
        s.server.ConnectDataFrom("127.0.0.2");
        if (receive) {
            s.server.SendData("INJECTED");
        } else {
            s.server.ReceiveData();
        }
        s.server.Send("226 Done").Expect("NOOP").Send("200 Ok");
        ASSERT_TRUE(s.Connect());
        EXPECT_FALSE(s.link.TransferFile("doc.txt", local, false, receive));
        EXPECT_EQ(s.link.m_strLastReply, CFTPLink::kFileError);
        EXPECT_TRUE(s.link.Command("NOOP"));  // the 226 was read with the failed transfer
        EXPECT_TRUE(s.Finish());
        EXPECT_EQ(s.server.DataReceived(), "");
        EXPECT_EQ(ReadFile(local), receive ? "" : "secret contents");
    }
}

// ---------------------------------------------------------------------------
// Nothing waits forever

TEST(FTPLinkTimeouts, StalledGreeting) {
    Session s;
    s.server.Stall();
    ExpectQuickNetworkError(s.link, [&] { return s.Logon("u", "p"); });
    EXPECT_FALSE(s.link.IsOpen());
    EXPECT_TRUE(s.Finish());
}

TEST(FTPLinkTimeouts, StalledOrMissingDataConnection) {
    TempDir dir;
    const std::string local = dir.WriteFile("big.bin", Pattern(8 << 20));
    {
        Session s;  // the server takes the data connection but never reads it
        s.server.Send("220 Ready").Serve({Fault{"STOR", 1, Fault::kStallData, ""}});
        ASSERT_TRUE(s.Connect());
        ExpectQuickNetworkError(
            s.link, [&] { return s.link.TransferFile("big.bin", local, false, false); });
        EXPECT_FALSE(s.link.IsOpen());
        EXPECT_FALSE(s.link.Command("NOOP"));  // fails at once
        EXPECT_TRUE(s.Finish());
    }
    {
        Session s;  // active mode, but the server never connects
        s.server.Send("220 Ready").Expect("TYPE I").Send("200 Binary");
        s.server.ExpectPrefix("PORT ").Send("200 Port ok");
        s.server.Expect("STOR a.txt").Send("150 Go ahead").Stall();
        ASSERT_TRUE(s.Connect());
        ExpectQuickNetworkError(s.link,
                                [&] { return s.link.TransferFile("a.txt", local, false, false); });
        EXPECT_TRUE(s.Finish());
    }
}

TEST(FTPLinkTimeouts, DroppedConnectionIsANetworkError) {
    Session s;
    s.server.Send("220 Ready").Expect("NOOP").Drop();
    ASSERT_TRUE(s.Connect());
    EXPECT_FALSE(s.link.Command("NOOP"));
    EXPECT_EQ(s.link.m_strLastReply, CFTPLink::kNetworkError);
    EXPECT_FALSE(s.link.SendLine("NOOP"));
    EXPECT_EQ(s.link.m_strLastReply, CFTPLink::kNetworkError);
    s.link.Logoff();  // harmless on a closed link
    EXPECT_TRUE(s.Finish());
}

}  // namespace
