// sftp-publish as a user runs it against a real OpenSSH server: an unknown host key
// stops the first run with the fingerprint and the option that accepts it; once
// trusted, the key is remembered in the program folder; a wrong password is refused.
#include <gtest/gtest.h>

#include <filesystem>

#include "CliRunner.h"
#include "support/SshdTestServer.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using foldcraft::test::CliCase;
using foldcraft::test::ExpectRuns;
using foldcraft::test::RunCli;
using foldcraft::test::SshdTestServer;
using foldcraft::test::TempDir;

TEST(SftpPublishCommand, HostKeyIsAskedOnceThenRemembered) {
    const std::string unavailable = SshdTestServer::Unavailable();
    if (!unavailable.empty()) GTEST_SKIP() << unavailable;
    SshdTestServer server;
    ASSERT_TRUE(server.Started()) << server.Error();
    TempDir dir;
    dir.WriteFile("documents/notes.txt", "Notes\n");
    dir.WriteFile("documents/more/plan.txt", "Plan\n");
    ASSERT_EQ(RunCli({"import", dir / "documents", "-o", dir / "site.fcd"}).exitCode, 0);

    const std::vector<std::string> publish = {
        "--program-folder", "@/program",           "sftp-publish",   "@/site.fcd",
        "--host",           "127.0.0.1",           "--port",         std::to_string(server.Port()),
        "--user",           SshdTestServer::kUser, "--password-env", "SFTP_PW",
        "--start-dir",      server.SiteDir(),      "--no-agent"};
    const auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = publish;
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    };
    // ExpectRuns passes no environment: the password goes through RunCli directly.
    const auto run = [&](const std::vector<std::string>& args, const std::string& pw) {
        std::vector<std::string> replaced;
        for (const std::string& a : args)
            replaced.push_back(a.rfind("@/", 0) == 0 ? dir / a.substr(2) : a);
        return RunCli(replaced, {}, {"SFTP_PW=" + pw});
    };

    const auto unknown = run(publish, server.Password());
    EXPECT_EQ(unknown.exitCode, 2) << unknown.err;
    EXPECT_NE(unknown.err.find(server.Fingerprint()), std::string::npos) << unknown.err;
    EXPECT_NE(unknown.err.find("--trust-fingerprint " + server.Fingerprint()), std::string::npos)
        << unknown.err;
    EXPECT_FALSE(fs::exists(server.SiteDir() + "/index.html"));

    const auto wrongPrint = run(with({"--trust-fingerprint", "SHA256:AAAA"}), server.Password());
    EXPECT_EQ(wrongPrint.exitCode, 2) << wrongPrint.err;

    const auto trusted =
        run(with({"--trust-fingerprint", server.Fingerprint()}), server.Password());
    EXPECT_EQ(trusted.exitCode, 0) << trusted.out << trusted.err;
    EXPECT_NE(trusted.out.find("Publish successful!"), std::string::npos) << trusted.out;

    const auto again = run(publish, server.Password());  // remembered: no question
    EXPECT_EQ(again.exitCode, 0) << again.out << again.err;

    const auto refused = run(publish, "not-the-password");
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_EQ(refused.out.find("not-the-password"), std::string::npos);
    EXPECT_EQ(refused.err.find("not-the-password"), std::string::npos);
}
