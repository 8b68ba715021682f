// FTPS publish runs against a real vsftpd in its default TLS configuration: every
// data connection must resume the control connection's TLS session, or the server
// refuses it ("522 SSL connection failed: session reuse required").

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "model/Clock.h"
#include "publish/EventLogSink.h"
#include "publish/FtpPublishRun.h"
#include "publish/ftp/FtpTestProject.h"
#include "support/Patience.h"
#include "support/TempDir.h"
#include "support/VsftpdTestServer.h"

namespace fs = std::filesystem;
using foldcraft::FtpPublishRun;
using foldcraft::FtpSettings;
using foldcraft::test::EventLogSink;
using foldcraft::test::FtpTestProject;
using foldcraft::test::ExpectSameAsLocalPublish;
using foldcraft::test::TempDir;
using foldcraft::test::VsftpdTestServer;

namespace {

// Anonymous FTPS to the server, its certificate pinned (it is self-signed).
FtpSettings SettingsFor(const VsftpdTestServer& server, bool passive) {
    FtpSettings settings;
    settings.strHostName = "127.0.0.1";
    settings.nPort = server.Port();
    settings.strUser = "anonymous";
    settings.strPassword = "publisher@example.com";
    settings.strStartDir = "www";
    settings.bPassive = passive ? 1 : 0;
    settings.nSecurity = FtpSettings::kSecurityTls;
    settings.strTrustFingerprint = server.Fingerprint();
    settings.nConnections = 3;  // each connection resumes its own session
    return settings;
}

// One publish run; log: what it showed.
FtpPublishRun::Result Publish(FtpTestProject& project, const std::string& program,
                              const FtpSettings& settings, std::string& log) {
    EventLogSink events;
    FtpPublishRun run(project.doc, events, program, settings, events.Pauses());
    run.SetTimeout(foldcraft::test::kPatience);
    const FtpPublishRun::Result result = run.RunFtpPublish();
    log = events.Shown();
    return result;
}

// A first publish and a changed-only re-publish after one document changed, with
// each TLS version and data connection mode: the run succeeds and the server holds
// what a local publish of the project holds.
TEST(FtpsVsftpd, PublishAndRepublishMatchALocalPublish) {
    const std::string unavailable = VsftpdTestServer::Unavailable();
    if (!unavailable.empty()) GTEST_SKIP() << unavailable;

    struct Case {
        const char* name;
        const char* maxTlsVersion;  // the server's cap; empty: none
        const char* negotiated;     // as vsftpd logs it
        bool passive;
    };
    const Case cases[] = {
        {"TLS 1.3, passive", "", "TLSv1.3", true},
        {"TLS 1.3, active", "", "TLSv1.3", false},
        {"TLS 1.2, passive", "TLSv1.2", "TLSv1.2", true},
        {"TLS 1.2, active", "TLSv1.2", "TLSv1.2", false},
    };
    // One case: a lambda, so that a failed assertion ends only its own case.
    auto publishTwice = [](const Case& c) {
        VsftpdTestServer server(c.maxTlsVersion);
        ASSERT_TRUE(server.Started()) << server.Error();
        foldcraft::ScopedClockPin pin{foldcraft::test::kPublishNow};
        TempDir dir;
        FtpTestProject project(dir);
        const std::string program = dir / "program";
        fs::create_directories(program);

        const FtpSettings settings = SettingsFor(server, c.passive);

        for (const char* run : {"first publish", "changed-only re-publish"}) {
            SCOPED_TRACE(run);
            if (run != std::string("first publish")) {
                std::ofstream(project.notes, std::ios::binary) << "notes, second edition\r\n";
            }
            std::string log;
            const auto result = Publish(project, program, settings, log);
            ASSERT_EQ(result, FtpPublishRun::Result::kSuccess) << log << server.Log();
            ExpectSameAsLocalPublish(project, program, dir / "local-site", server.UploadDir());
        }
        // The version asked for is the one every connection spoke.
        const std::string serverLog = server.Log();
        EXPECT_NE(serverLog.find("SSL version: " + std::string(c.negotiated)), std::string::npos);
        for (const char* other : {"TLSv1.2", "TLSv1.3"}) {
            if (other != std::string(c.negotiated)) {
                EXPECT_EQ(serverLog.find(std::string("SSL version: ") + other), std::string::npos);
            }
        }
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        publishTwice(c);
    }
}

// A pinned fingerprint that is not the server's: refused before the login, saying
// which fingerprint was expected and which the server showed.
TEST(FtpsVsftpd, AnotherPinnedCertificateIsRefusedNamingBoth) {
    const std::string unavailable = VsftpdTestServer::Unavailable();
    if (!unavailable.empty()) GTEST_SKIP() << unavailable;
    VsftpdTestServer server;
    ASSERT_TRUE(server.Started()) << server.Error();
    foldcraft::ScopedClockPin pin{foldcraft::test::kPublishNow};
    TempDir dir;
    FtpTestProject project(dir);
    FtpSettings settings = SettingsFor(server, true);
    settings.strTrustFingerprint = std::string(64, 'a');  // as a user may type one
    std::string log;
    EXPECT_EQ(Publish(project, dir / "program", settings, log), FtpPublishRun::Result::kFailed);
    std::string expected = "AA";
    for (int i = 1; i < 32; ++i) expected += ":AA";
    EXPECT_NE(
        log.find("The server's certificate does not match the trusted fingerprint: expected " +
                 expected + ", the server showed " + server.Fingerprint()),
        std::string::npos)
        << log;
    EXPECT_EQ(server.Log().find("\"USER "), std::string::npos);
}

}  // namespace
