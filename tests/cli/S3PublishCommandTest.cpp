// s3-publish as a user runs it against a real S3-compatible server: the keys come
// from the environment only; a run ends 0 when published, 2 when the store refuses
// the keys or cannot be reached, 64 when a key is given on the command line.
#include <gtest/gtest.h>

#include "CliRunner.h"
#include "support/S3rverTestServer.h"
#include "support/TempDir.h"

using foldcraft::test::RunCli;
using foldcraft::test::S3rverTestServer;
using foldcraft::test::TempDir;

TEST(S3PublishCommand, ExitStatusSaysHowItEnded) {
    const std::string unavailable = S3rverTestServer::Unavailable();
    if (!unavailable.empty()) GTEST_SKIP() << unavailable;
    S3rverTestServer server;
    ASSERT_TRUE(server.Started()) << server.Error();
    TempDir dir;
    dir.WriteFile("documents/notes.txt", "Notes\n");
    ASSERT_EQ(RunCli({"import", dir / "documents", "-o", dir / "site.fcd"}).exitCode, 0);
    const std::string closed = "http://127.0.0.1:1";  // nothing listens on port 1
    const struct {
        const char* what;
        std::string endpoint;
        std::vector<std::string> extra;
        std::string accessKey;
        int exitCode;
        const char* says;  // on standard error
    } rows[] = {
        {"published", server.Endpoint(), {}, S3rverTestServer::kAccessKey, 0, ""},
        {"unknown key", server.Endpoint(), {}, "NOT-A-KEY", 2, "The storage refused the keys"},
        {"unreachable", closed, {}, S3rverTestServer::kAccessKey, 2, "could not be reached"},
        {"key on the command line", server.Endpoint(), {"--secret-key", "S3RVER"},
         S3rverTestServer::kAccessKey, 64, "not taken on the command line"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::string> args = {"--program-folder", dir / "program", "s3-publish",
                                         dir / "site.fcd", "--settings", dir / "settings.ini",
                                         "--endpoint", row.endpoint, "--bucket",
                                         S3rverTestServer::kBucket};
        args.insert(args.end(), row.extra.begin(), row.extra.end());
        const auto run = RunCli(args, {},
                                {"AWS_ACCESS_KEY_ID=" + row.accessKey,
                                 std::string("AWS_SECRET_ACCESS_KEY=") +
                                     S3rverTestServer::kSecretKey});
        EXPECT_EQ(run.exitCode, row.exitCode) << run.out << run.err;
        EXPECT_NE(run.err.find(row.says), std::string::npos) << run.err;
    }
}
