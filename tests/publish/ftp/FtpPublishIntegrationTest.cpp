// The FTP publish run against a real FTP server (pyftpdlib on 127.0.0.1).

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "generator/SitePaths.h"
#include "publish/FTPLink.h"
#include "publish/FtpPublishRun.h"
#include "publish/LocalPublishRun.h"
#include "publish/ftp/FtpTestProject.h"
#include "support/FtpTestServer.h"
#include "support/RecordingLogSink.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using foldcraft::FtpPublishRun;
using foldcraft::FtpSettings;
using foldcraft::LocalPublishRun;
using foldcraft::ScopedClockPin;
using foldcraft::test::FtpTestProject;
using foldcraft::test::FtpTestServer;
using foldcraft::test::kPublishNow;
using foldcraft::test::ReadTree;
using foldcraft::test::RecordingLogSink;
using foldcraft::test::TempDir;
using Result = FtpPublishRun::Result;
using namespace std::chrono_literals;

namespace {

const std::string kSuccessTail =
    "\nLogged off of FTP server.\n\n--------------------\nPublish successful!\n";

class FtpIntegration : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (!FtpTestServer::Available()) GTEST_SKIP() << "/usr/bin/python3 has no pyftpdlib";
        program = dir / "program";
        root = dir / "ftproot";
        fs::create_directories(program);
        fs::create_directories(root + "/www");
        server = std::make_unique<FtpTestServer>(root, "alice", "pw-1234");
        ASSERT_TRUE(server->Started()) << server->Error();
        settings.strHostName = "127.0.0.1";
        settings.nPort = server->Port();
        settings.strUser = "alice";
        settings.strPassword = "pw-1234";
        settings.strStartDir = "www";
        settings.bPassive = GetParam() ? 1 : 0;
    }

    Result RunFtp(RecordingLogSink& sink) {
        FtpPublishRun run(project.doc, sink, program, settings);
        run.SetTimeout(10s);
        return run.RunFtpPublish();
    }

    // The server's command log once it holds QUIT (it is written as commands arrive;
    // at most 2 s).
    std::vector<std::string> CommandsUpToQuit() const {
        std::vector<std::string> commands;
        for (int i = 0; i < 100; ++i) {
            commands = server->Commands();
            if (!commands.empty() && commands.back() == "QUIT") break;
            std::this_thread::sleep_for(20ms);
        }
        return commands;
    }

    ScopedClockPin pin{kPublishNow};
    TempDir dir;
    FtpTestProject project{dir};
    std::string program;
    std::string root;
    std::unique_ptr<FtpTestServer> server;
    FtpSettings settings;
};

TEST_P(FtpIntegration, RemoteTreeEqualsALocalPublish) {
    // The local publish of the same project, with the same program folder.
    project.doc.m_strPublishPath = dir / "local-site";
    fs::create_directories(project.doc.m_strPublishPath);
    RecordingLogSink localSink;
    LocalPublishRun local(project.doc, localSink, program);
    ASSERT_EQ(local.RunLocalPublish(), LocalPublishRun::Result::kSuccess) << localSink.log;

    RecordingLogSink sink;
    ASSERT_EQ(RunFtp(sink), Result::kSuccess) << sink.log;
    EXPECT_TRUE(sink.log.size() > kSuccessTail.size() &&
                sink.log.substr(sink.log.size() - kSuccessTail.size()) == kSuccessTail);

    const auto expected = ReadTree(project.doc.m_strPublishPath);
    const auto actual = ReadTree(root + "/www");
    ASSERT_FALSE(expected.empty());
    std::vector<std::string> expectedNames, actualNames;
    for (const auto& [name, bytes] : expected) expectedNames.push_back(name);
    for (const auto& [name, bytes] : actual) actualNames.push_back(name);
    EXPECT_EQ(actualNames, expectedNames);
    for (const auto& [name, bytes] : expected) {
        auto it = actual.find(name);
        if (it != actual.end()) {
            EXPECT_TRUE(it->second == bytes) << name << " differs";
        }
    }
    EXPECT_EQ(CommandsUpToQuit().back(), "QUIT");
}

TEST_P(FtpIntegration, PublishingTwiceSucceeds) {
    RecordingLogSink first;
    ASSERT_EQ(RunFtp(first), Result::kSuccess) << first.log;
    const auto once = ReadTree(root + "/www");
    // A changed document is replaced on the server.
    std::ofstream(project.notes, std::ios::binary | std::ios::trunc) << "changed notes";
    RecordingLogSink second;
    ASSERT_EQ(RunFtp(second), Result::kSuccess) << second.log;
    const auto twice = ReadTree(root + "/www");
    EXPECT_EQ(twice.size(), once.size());
    EXPECT_EQ(twice.at("files/" + foldcraft::SitePaths::RelativeSitePath(project.notes)),
              "changed notes");
    // The second run's MKD lines were answered 550 and counted as success.
    const auto commands = CommandsUpToQuit();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "MKD images"), 2);
}

TEST_P(FtpIntegration, WrongPassword) {
    settings.strPassword = "wrong-password";
    RecordingLogSink sink;
    FtpPublishRun run(project.doc, sink, program, settings);
    run.SetTimeout(10s);
    EXPECT_EQ(run.RunFtpPublish(), Result::kFailed);
    const std::string tail = "\nLogging into FTP server...\nServer login failed!\n";
    ASSERT_GE(sink.log.size(), tail.size());
    EXPECT_EQ(sink.log.substr(sink.log.size() - tail.size()), tail);
    EXPECT_TRUE(run.FailureDetail().empty());
    EXPECT_EQ(sink.log.find("wrong-password"), std::string::npos);
    const auto commands = server->Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "QUIT"), 0);
}

TEST_P(FtpIntegration, RefusedStartingDirectory) {
    settings.strStartDir = "no-such-directory";
    RecordingLogSink sink;
    FtpPublishRun run(project.doc, sink, program, settings);
    run.SetTimeout(10s);
    EXPECT_EQ(run.RunFtpPublish(), Result::kFailed);
    const std::string tail =
        "\nSuccessfully logged into server.\n\nStarting directory not found!\n";
    ASSERT_GE(sink.log.size(), tail.size());
    EXPECT_EQ(sink.log.substr(sink.log.size() - tail.size()), tail);
    EXPECT_EQ(run.FailureDetail().substr(0, 3), "550");
    // QUIT went out after the refused CWD.
    const std::vector<std::string> commands = CommandsUpToQuit();
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands[commands.size() - 2], "CWD no-such-directory");
    EXPECT_EQ(commands.back(), "QUIT");
}

TEST_P(FtpIntegration, RetrieveWhatWasStored) {
    TempDir local;
    const std::string content(100000, 'q');
    const std::string source = local.WriteFile("up.bin", content);
    CFTPLink link;
    link.SetTimeout(10s);
    ASSERT_TRUE(link.Logon("127.0.0.1", server->Port(), "alice", "pw-1234", "", "", "", "", 21, 0))
        << link.m_strLastReply;
    ASSERT_TRUE(link.TransferFile("up.bin", source, GetParam(), false)) << link.m_strLastReply;
    ASSERT_TRUE(link.TransferFile("up.bin", local / "down.bin", GetParam(), true))
        << link.m_strLastReply;
    link.Logoff();
    EXPECT_EQ(foldcraft::test::ReadFile(local / "down.bin"), content);
}

INSTANTIATE_TEST_SUITE_P(Modes, FtpIntegration, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Passive" : "Active");
                         });

}  // namespace
