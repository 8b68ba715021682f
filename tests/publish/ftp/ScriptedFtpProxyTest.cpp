#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "publish/FTPLink.h"
#include "support/FtpTestServer.h"
#include "support/Patience.h"
#include "support/ScriptedFtpServer.h"
#include "support/TempDir.h"

using foldcraft::test::FtpTestServer;
using foldcraft::test::kPatience;
using foldcraft::test::ReadFile;
using foldcraft::test::ScriptedFtpServer;
using foldcraft::test::TempDir;
using Fault = ScriptedFtpServer::Fault;

namespace {

bool Holds(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The proxy that the reconnecting client is tested against: several clients logged on
// at once through it, each then storing a file, the faults aimed at some of them.
TEST(ScriptedFtpProxy, ServesEveryConnectionAndBreaksTheChosenOnes) {
    if (!FtpTestServer::Available()) GTEST_SKIP() << "/usr/bin/python3 has no pyftpdlib";
    const std::string kTooMany = "421 Too many connections (2) from this IP";
    struct Case {
        const char* name;
        std::vector<Fault> faults;
        bool passive;
        // By client, in order of connecting: "" when it logs on, else the reply that
        // refused it; then whether its upload goes through (else the link is closed).
        std::vector<std::string> logons;
        std::vector<bool> stored;
    };
    const std::vector<Case> cases = {
        {"two at once", {}, true, {"", ""}, {true, true}},
        {"the third refused",
         {{.command = "", .kind = Fault::kRefuse, .reply = kTooMany, .connection = 3}},
         false,
         {"", "", kTooMany},
         {true, true}},
        {"every one from the second on refused",
         {{.command = "",
           .kind = Fault::kRefuse,
           .reply = kTooMany,
           .connection = 2,
           .laterToo = true}},
         true,
         {"", kTooMany, kTooMany},
         {true}},
        {"the second dropped while its upload is under way",
         {{.command = "STOR", .kind = Fault::kDrop, .connection = 2, .preliminary = true}},
         true,
         {"", ""},
         {true, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir root;
        FtpTestServer server(root.Path(), "alice", "pw-1");
        ASSERT_TRUE(server.Started()) << server.Error();
        ScriptedFtpServer proxy;
        proxy.ProxyAll(server.Port(), c.faults);
        proxy.Start();

        std::vector<std::unique_ptr<CFTPLink>> links;
        for (const std::string& refusal : c.logons) {
            links.push_back(std::make_unique<CFTPLink>());
            links.back()->SetTimeout(kPatience);
            const bool on = links.back()->Logon("127.0.0.1", proxy.Port(), "alice", "pw-1", "", "",
                                                "", "", 21, 0);
            EXPECT_EQ(on, refusal.empty()) << links.back()->m_strLastReply;
            if (!on) {
                EXPECT_EQ(links.back()->m_strLastReply, refusal);
            }
        }
        std::size_t stores = 0;
        for (std::size_t i = 0; i < links.size(); ++i) {
            if (!c.logons[i].empty()) continue;
            const std::string name = "f" + std::to_string(i + 1) + ".txt";
            const bool ok = links[i]->StoreBytes(name, "bytes of " + name, c.passive);
            ASSERT_LT(stores, c.stored.size());
            EXPECT_EQ(ok, c.stored[stores]) << links[i]->m_strLastReply;
            EXPECT_EQ(links[i]->IsOpen(), c.stored[stores]);
            EXPECT_TRUE(Holds(server.Commands(), "STOR " + name));  // broken after it, if at all
            if (c.stored[stores]) {
                EXPECT_EQ(ReadFile(root / name), "bytes of " + name);
            }
            ++stores;
        }
        EXPECT_EQ(stores, c.stored.size());
        for (const auto& link : links) link->Logoff();

        EXPECT_TRUE(proxy.Finish());
        for (const std::string& error : proxy.Errors()) ADD_FAILURE() << error;
        ASSERT_EQ(proxy.Accepted(), static_cast<int>(c.logons.size()));
        for (std::size_t i = 0; i < c.logons.size(); ++i) {
            const std::vector<std::string> commands = proxy.Commands(static_cast<int>(i) + 1);
            if (!c.logons[i].empty()) {
                EXPECT_TRUE(commands.empty()) << i;
                continue;
            }
            EXPECT_TRUE(Holds(commands, "PASS ******")) << i;
            EXPECT_FALSE(Holds(commands, "PASS pw-1")) << i;
            EXPECT_TRUE(Holds(commands, "STOR f" + std::to_string(i + 1) + ".txt")) << i;
        }
    }
}

}  // namespace
