#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "publish/FTPLink.h"
#include "support/FtpTestServer.h"
#include "support/Patience.h"
#include "support/ScriptedFtpServer.h"
#include "support/TempDir.h"

using foldcraft::test::FtpTestServer;
using foldcraft::test::kPatience;
using foldcraft::test::kStallTimeout;
using foldcraft::test::ReadFile;
using foldcraft::test::ScriptedFtpServer;
using foldcraft::test::TempDir;
using namespace std::chrono_literals;

namespace {

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

    Session() { link.SetTimeout(kPatience); }
    // Connects and reads the greeting.
    bool Connect() {
        server.Start();
        return link.OpenControlConnection("127.0.0.1", server.Port()) && link.Command("");
    }
    bool Logon(const std::string& user, const std::string& password) {
        server.Start();
        return link.Logon(
            {.host = "127.0.0.1", .port = server.Port(), .user = user, .password = password});
    }
    // Closes the link; false when the server did not finish or the client strayed.
    bool Finish() {
        link.CloseControlConnection();
        const bool finished = server.Finish();
        for (const std::string& error : server.Errors()) ADD_FAILURE() << error;
        return finished && server.Errors().empty();
    }
};

// A real server serving a fresh directory, and a link logged on to it.
class FTPLinkReal : public ::testing::Test {
protected:
    void SetUp() override {
        if (!FtpTestServer::Available()) GTEST_SKIP() << "/usr/bin/python3 has no pyftpdlib";
        ASSERT_TRUE(server.Started()) << server.Error();
        link.SetTimeout(kPatience);
        ASSERT_TRUE(link.Logon(
            {.host = "127.0.0.1", .port = server.Port(), .user = "alice", .password = "pw-1"}))
            << link.m_strLastReply;
    }

    TempDir root;
    TempDir local;
    FtpTestServer server{root.Path(), "alice", "pw-1"};
    CFTPLink link;
};

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
    EXPECT_FALSE(s.Connect());
    EXPECT_EQ(s.link.m_strLastReply, CFTPLink::kNetworkError);
    EXPECT_FALSE(s.link.IsOpen());
    EXPECT_TRUE(s.Finish());
}

// Comes early: a client that ignores its timeouts waits here only until the server
// gives up (kPatience), not forever as in the wait for a data connection below.
// Nothing waits forever: a stalled or dropped connection is a network error, and the
// link is closed (later commands fail at once).
TEST(FTPLinkTimeouts, StalledOrDroppedConnection) {
    TempDir dir;
    const std::string local = dir.WriteFile("big.bin", Pattern(8 << 20));
    enum Step { kGreeting, kNoop, kData, kNoDataConnection };
    for (Step step : {kGreeting, kNoop, kData, kNoDataConnection}) {
        SCOPED_TRACE(step);
        Session s;
        if (step == kNoop) {
            s.server.Send("220 Ready").Expect("NOOP").Drop();
        } else if (step != kGreeting) {
            s.server.Send("220 Ready").Expect("TYPE I").Send("200 Binary").Expect("PORT ");
            if (step == kData) s.server.ConnectData();
            s.server.Send("200 Port ok").Expect("STOR big.bin").Send("150 Go ahead");
        }
        s.server.Stall();
        s.server.Start();
        s.link.SetTimeout(kStallTimeout);
        const bool greeted =
            s.link.OpenControlConnection("127.0.0.1", s.server.Port()) && s.link.Command("");
        EXPECT_EQ(greeted, step != kGreeting);
        if (step == kNoop) {
            EXPECT_FALSE(s.link.Command("NOOP"));
        }
        if (step >= kData) {
            EXPECT_FALSE(s.link.TransferFile("big.bin", local, false, false));
        }
        EXPECT_EQ(s.link.m_strLastReply, CFTPLink::kNetworkError);
        EXPECT_FALSE(s.link.IsOpen());
        EXPECT_FALSE(s.link.SendLine("NOOP"));
        s.link.Logoff();          // harmless on a closed link
        ASSERT_TRUE(s.Finish());  // without timeouts a later case would wait for ever
    }
}

// ---------------------------------------------------------------------------
// Logon: the sequence of each firewall type, what is sent and how each reply class
// leads on.

// Each line of the fixture: firewall type, server port, whether the logon succeeds, the
// last reply, then what is sent and answered in each step.
TEST(FTPLinkLogon, FollowsTheSequenceTable) {
    std::ifstream table(std::string(FOLDCRAFT_TESTS_DIR) +
                        "/publish/ftp/fixtures/logon_sequences.tsv");
    std::string row;
    int rows = 0;
    while (std::getline(table, row)) {
        if (row.empty() || row[0] == '#') continue;
        SCOPED_TRACE(row);
        std::stringstream fields(row);
        int type, port, loggedOn;
        std::string last, step, reply;
        fields >> type >> port >> loggedOn >> last;
        fields.ignore(1);
        Session s;
        std::size_t count = 0;
        while (std::getline(fields, step, '\t')) {
            reply = step.substr(step.find('>') + 1);
            if (step[0] != '>') s.server.Expect(step.substr(0, step.find('>')));
            s.server.Send(reply);
            count += step[0] != '>';
        }
        s.server.Start();
        const bool direct = type == 0;
        EXPECT_EQ(s.link.Logon({.host = direct ? "127.0.0.1" : "ftp.example.com",
                                .port = direct ? s.server.Port() : port,
                                .user = "bob",
                                .password = "secret",
                                .firewallHost = "127.0.0.1",
                                .firewallUser = "fw",
                                .firewallPassword = "fwpw",
                                .firewallPort = direct ? 21 : s.server.Port(),
                                .firewallType = type}),
                  loggedOn == 1);
        EXPECT_EQ(s.link.m_strLastReply, last == "failed" ? CFTPLink::kLogonFailed : reply);
        EXPECT_TRUE(s.Finish());
        EXPECT_EQ(s.server.Received().size(), count);  // nothing more was sent
        ++rows;
    }
    EXPECT_EQ(rows, 21);
}

TEST(FTPLinkLogon, FailuresBeforeTheLoginSequence) {
    int closedPort;
    {
        ScriptedFtpServer probe;  // a port that was just free
        closedPort = probe.Port();
    }
    CFTPLink link;  // a firewall type out of range connects nowhere
    for (int type : {9, -1}) {
        EXPECT_FALSE(link.Logon({.host = "127.0.0.1",
                                 .port = closedPort,
                                 .user = "u",
                                 .password = "p",
                                 .firewallType = type}));
        EXPECT_EQ(link.m_strLastReply, CFTPLink::kLogonFailed);
    }
    EXPECT_FALSE(
        link.Logon({.host = "127.0.0.1", .port = closedPort, .user = "u", .password = "p"}));
    EXPECT_EQ(link.m_strLastReply, CFTPLink::kUnableToConnect);

    Session injected;  // a line break in the user name
    injected.server.Send("220 Ready");
    EXPECT_FALSE(injected.Logon("bob\r\nSITE x", "p"));
    EXPECT_EQ(injected.link.m_strLastReply, CFTPLink::kCommandRefused);
    EXPECT_TRUE(injected.Finish());
    EXPECT_TRUE(injected.server.Received().empty());
}

// ---------------------------------------------------------------------------
// Against a real server

// Nothing is sent for a command or name with a line break, a ".." segment or a local
// file that is not a regular file; the link stays in step.
TEST_F(FTPLinkReal, RefusedNamesAndFilesSendNothing) {
    const std::string file = local.WriteFile("a.txt", "abc");
    const std::size_t before = server.Commands().size();
    EXPECT_FALSE(link.Command("CWD a\r\nDELE index.html"));
    EXPECT_EQ(link.m_strLastReply, CFTPLink::kCommandRefused);
    EXPECT_FALSE(link.MakeDirectory("x\nDELE y"));
    EXPECT_FALSE(link.SendLine(std::string("MKD a\0b", 7)));
    EXPECT_FALSE(link.TransferFile("a\r\nDELE b", file, false, false));
    EXPECT_EQ(link.m_strLastReply, CFTPLink::kCommandRefused);
    for (const char* name : {"files/../../etc", "files\\..\\x", ".."}) {
        EXPECT_FALSE(link.MakeDirectory(name));
        EXPECT_EQ(link.m_strLastReply, CFTPLink::kRemoteNameRefused);
        EXPECT_FALSE(link.TransferFile(name, file, false, false));
        EXPECT_EQ(link.m_strLastReply, CFTPLink::kRemoteNameRefused);
    }
    for (const std::string& missing : {local / "missing.doc", local.Path()}) {
        EXPECT_FALSE(link.TransferFile("a.doc", missing, false, false));
        EXPECT_EQ(link.m_strLastReply, CFTPLink::kUnableToOpenFile);
    }
    EXPECT_TRUE(link.MakeDirectory(""));  // sends nothing
    ASSERT_TRUE(link.Command("NOOP"));
    const std::vector<std::string> commands = server.Commands();
    EXPECT_EQ(std::vector<std::string>(commands.begin() + before, commands.end()),
              std::vector<std::string>{"NOOP"});
}

// Store and retrieve in both modes, whatever the size of each send.
TEST_F(FTPLinkReal, StoreAndRetrieve) {
    for (bool passive : {false, true}) {
        for (const auto& [size, chunk] : std::vector<std::pair<std::size_t, std::size_t>>{
                 {20000, 0}, {20000, 1}, {20000, 777}, {0, 0}, {1 << 20, 4095}}) {
            SCOPED_TRACE(std::string(passive ? "passive" : "active") + ", size " +
                         std::to_string(size) + ", chunk " + std::to_string(chunk));
            const std::string file = local.WriteFile("up.bin", Pattern(size));
            link.SetMaxSendChunk(chunk);
            EXPECT_TRUE(link.TransferFile("doc.bin", file, passive, false)) << link.m_strLastReply;
            EXPECT_EQ(ReadFile(root / "doc.bin"), Pattern(size));
            EXPECT_TRUE(link.TransferFile("doc.bin", local / "down.bin", passive, true))
                << link.m_strLastReply;
            EXPECT_EQ(ReadFile(local / "down.bin"), Pattern(size));
        }
    }
}

// ---------------------------------------------------------------------------
// Replies no real server gives

// The way back after a 550: to the PWD path (a doubled quote stands for one), or by
// CDUP when PWD gives none.
TEST(FTPLinkDirectories, Reply550CountsOnlyWhenTheDirectoryIsThere) {
    Session s;
    s.server.Send("220 Ready").Expect("MKD images").Send("550 images: File exists");
    s.server.Expect("PWD").Send("257 \"/w\"\"w\" is current").Expect("CWD images").Send("250 Ok");
    s.server.Expect("CWD /w\"w").Send("250 Ok");
    s.server.Expect("MKD files/x").Send("553 Not allowed");
    s.server.Expect("MKD a/b").Send("550 Exists").Expect("PWD").Send("500 Unknown");
    s.server.Expect("CWD a/b").Send("250 Ok").Expect("CDUP").Send("250 Ok");
    s.server.Expect("CDUP").Send("250 Ok");
    ASSERT_TRUE(s.Connect());
    EXPECT_TRUE(s.link.MakeDirectory("images"));
    EXPECT_FALSE(s.link.MakeDirectory("files/x"));
    EXPECT_EQ(s.link.m_strLastReply, "553 Not allowed");
    EXPECT_FALSE(s.link.DirectoryRefused());
    EXPECT_TRUE(s.link.MakeDirectory("a/b"));
    EXPECT_TRUE(s.Finish());
}

// Passive mode connects to the control connection's peer, not to the (private,
// behind NAT) address of the 227 reply; a malformed 227 sends no STOR.
TEST(FTPLinkTransfer, PassiveReplies) {
    TempDir dir;
    const std::string local = dir.WriteFile("doc.bin", "abc");
    for (const char* reply :
         {"", "227 Entering Passive Mode 127,0,0,1,4,1", "227 (127,0,0,1,4)",
          "227 (127,0,0,1,4,300)", "227 (127,0,0,1,0,0)", "227 (a,b,c,d,e,f)"}) {
        SCOPED_TRACE(reply);
        Session s;
        s.server.Send("220 Ready").Expect("TYPE I").Send("200 Binary").Expect("PASV");
        if (*reply) {
            s.server.Send(reply);
        } else {
            s.server.ListenPassive("10,99,0,7").Expect("STOR doc.bin").AcceptData();
            s.server.Send("150 Go ahead").ReceiveData().Send("226 Done");
        }
        s.server.Expect("NOOP").Send("200 Ok");
        ASSERT_TRUE(s.Connect());
        EXPECT_EQ(s.link.TransferFile("doc.bin", local, true, false), !*reply);
        EXPECT_EQ(s.link.m_strLastReply, *reply ? CFTPLink::kNetworkError : "226 Done");
        EXPECT_TRUE(s.link.Command("NOOP"));
        EXPECT_TRUE(s.Finish());
        EXPECT_EQ(s.server.DataReceived(), *reply ? "" : "abc");
    }
}

// A data connection cut short fails the upload even when the server, seeing it end,
// answers 226: only part of the file arrived. The final reply is read with it.
TEST(FTPLinkTransfer, SendCutShortFails) {
    TempDir dir;
    const std::string local = dir.WriteFile("big.bin", Pattern(8 << 20));
    for (const char* final : {"226 Transfer complete", "426 Connection closed"}) {
        SCOPED_TRACE(final);
        Session s;
        s.server.Send("220 Ready").Expect("TYPE I").Send("200 Binary");
        s.server.Expect("PORT ").ConnectData().Send("200 Port ok");
        s.server.Expect("STOR big.bin").Send("150 Go ahead").SendData("").Send(final);
        s.server.Expect("NOOP").Send("200 Ok");
        ASSERT_TRUE(s.Connect());
        EXPECT_FALSE(s.link.TransferFile("big.bin", local, false, false));
        EXPECT_EQ(s.link.m_strLastReply, CFTPLink::kFileError);
        EXPECT_TRUE(s.link.Command("NOOP"));
        EXPECT_TRUE(s.Finish());
    }
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
        s.server.Expect("PORT 127,0,0,1,").Send("200 Port ok");
        s.server.Expect(receive ? "RETR doc.txt" : "STOR doc.txt").Send("150 Go ahead");
        s.server.ConnectData("127.0.0.2");
        if (receive) {
            s.server.SendData("INJECTED");
        } else {
            s.server.ReceiveData();
        }
        s.server.Send("226 Done").Expect("NOOP").Send("200 Ok");
        ASSERT_TRUE(s.Connect());
        s.link.SetTimeout(kStallTimeout);  // the wait for the server's own connection
        EXPECT_FALSE(s.link.TransferFile("doc.txt", local, false, receive));
        EXPECT_EQ(s.link.m_strLastReply, CFTPLink::kFileError);
        s.link.SetTimeout(kPatience);
        EXPECT_TRUE(s.link.Command("NOOP"));
        EXPECT_TRUE(s.Finish());
        EXPECT_EQ(s.server.DataReceived(), "");
        EXPECT_EQ(ReadFile(local), receive ? "" : "secret contents");
    }
}

}  // namespace
