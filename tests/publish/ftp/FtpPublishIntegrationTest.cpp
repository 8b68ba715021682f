// The FTP publish run against a real FTP server (pyftpdlib on 127.0.0.1).

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
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
        server = std::make_unique<FtpTestServer>(root, "alice", "pw-1234", serverArgs);
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
    std::vector<std::string> serverArgs;
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

    auto expected = ReadTree(project.doc.m_strPublishPath);
    auto actual = ReadTree(root + "/www");
    // Each target holds its own manifest of what was put there.
    EXPECT_EQ(actual.erase(".foldcraft-manifest"), 1u);
    expected.erase(".foldcraft-manifest");
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

// Re-publishing sends only what changed, removes what it sent before and the site no
// longer holds, and leaves everything else on the server alone. One mode is enough:
// the data connections are those of the tests above.
class FtpRepublish : public FtpIntegration {
protected:
    // The STOR lines of the nth run (1-based), once its QUIT is in the server's log.
    std::vector<std::string> StoredInRun(int run) const {
        std::vector<std::string> commands;
        for (int i = 0; i < 200; ++i) {
            commands = server->Commands();
            if (std::count(commands.begin(), commands.end(), "QUIT") >= run) break;
            std::this_thread::sleep_for(20ms);
        }
        std::vector<std::string> stored;
        int quits = 0;
        for (const std::string& line : commands) {
            if (line == "QUIT") ++quits;
            if (quits == run - 1 && line.rfind("STOR ", 0) == 0) stored.push_back(line);
        }
        return stored;
    }
    static bool Holds(const std::string& log, const std::string& text) {
        return log.find(text) != std::string::npos;
    }
};

TEST_P(FtpRepublish, SendsOnlyWhatChangedAndRemovesOnlyItsOwn) {
    CBuildTreeFolder* many = foldcraft::test::AddSubFolder(*project.doc.m_pRoot, "Many");
    std::vector<CBuildTreeDoc*> docs;
    for (int i = 0; i < 1000; ++i) {
        const std::string name = "src/Many/d" + std::to_string(i) + ".txt";
        docs.push_back(foldcraft::test::AddDocument(*many, "D" + std::to_string(i),
                                                    dir.WriteFile(name, "document " + name)));
    }
    const std::string manifest = "STOR .part-.foldcraft-manifest";
    RecordingLogSink first;
    ASSERT_EQ(RunFtp(first), Result::kSuccess) << first.log;
    const std::size_t sent = StoredInRun(1).size();
    ASSERT_GT(sent, 1000u);

    RecordingLogSink unchanged;
    ASSERT_EQ(RunFtp(unchanged), Result::kSuccess) << unchanged.log;
    EXPECT_EQ(StoredInRun(2), std::vector<std::string>{manifest});
    EXPECT_TRUE(
        Holds(unchanged.log, "\nSkipped " + std::to_string(sent - 1) + " unchanged files.\n"))
        << unchanged.log;

    std::ofstream(project.notes, std::ios::binary | std::ios::trunc) << "changed notes";
    RecordingLogSink changed;
    ASSERT_EQ(RunFtp(changed), Result::kSuccess) << changed.log;
    const std::string notes = "files/" + foldcraft::SitePaths::RelativeSitePath(project.notes);
    EXPECT_EQ(StoredInRun(3),
              (std::vector<std::string>{"STOR " + FtpPublishRun::TemporaryName(notes), manifest}));
    EXPECT_EQ(foldcraft::test::ReadFile(root + "/www/" + notes), "changed notes");

    // A purged document goes; what someone else put there stays.
    docs.back()->m_bPurge = 1;
    docs.back()->m_timePurge = kPublishNow - 1;
    const std::string purged =
        root + "/www/files/" + foldcraft::SitePaths::RelativeSitePath(docs.back()->m_strLink);
    ASSERT_TRUE(fs::exists(purged));
    const std::string foreign = dir.WriteFile("ftproot/www/files/theirs.txt", "not ours");
    dir.WriteFile("ftproot/www/Theirs.html", "not ours either");
    RecordingLogSink purging;
    ASSERT_EQ(RunFtp(purging), Result::kSuccess) << purging.log;
    EXPECT_TRUE(Holds(purging.log, "\nRemoved 1 files that are no longer published.\n"))
        << purging.log;
    EXPECT_FALSE(fs::exists(purged));
    EXPECT_TRUE(fs::exists(foreign));
    EXPECT_TRUE(fs::exists(root + "/www/Theirs.html"));
}

INSTANTIATE_TEST_SUITE_P(Passive, FtpRepublish, ::testing::Values(true),
                         [](const ::testing::TestParamInfo<bool>&) { return std::string("Mode"); });

// Explicit FTPS against pyftpdlib's TLS handler, with a CA and a server certificate
// (for "localhost") made for the test by the openssl command. The client trusts the
// CA through SSL_CERT_FILE, as OpenSSL's default paths allow.
class FtpTls : public FtpIntegration {
protected:
    void SetUp() override {
        const std::string pki = dir / "pki";
        fs::create_directories(pki);
        const std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
        dir.WriteFile("pki/ext.cnf",
                      "subjectAltName=DNS:localhost\nbasicConstraints=CA:FALSE\n"
                      "extendedKeyUsage=serverAuth\n");
        const std::string script =
            "cd '" + pki + "' && openssl req -x509" + ec +
            " -keyout ca.key -out ca.pem -days 2 -subj '/CN=Foldcraft test CA'"
            " -addext basicConstraints=critical,CA:TRUE"
            " -addext keyUsage=critical,keyCertSign,cRLSign && openssl req" +
            ec +
            " -keyout server.key -out server.csr -subj /CN=localhost && openssl x509 -req"
            " -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out server.pem"
            " -days 2 -extfile ext.cnf";
        if (std::system((script + " >/dev/null 2>&1").c_str()) != 0) {
            GTEST_SKIP() << "the openssl command could not make the certificates";
        }
        caFile = pki + "/ca.pem";
        serverArgs = {"--tls-cert", pki + "/server.pem", "--tls-key", pki + "/server.key"};
        ::setenv("SSL_CERT_FILE", caFile.c_str(), 1);
        FtpIntegration::SetUp();
        settings.strHostName = "localhost";
        settings.nSecurity = FtpSettings::kSecurityTls;
    }
    void TearDown() override { ::unsetenv("SSL_CERT_FILE"); }

    std::vector<std::string> Sent(const std::string& word) const {
        std::vector<std::string> lines;
        for (const std::string& line : server->Commands()) {
            if (line.rfind(word, 0) == 0) lines.push_back(line);
        }
        return lines;
    }

    std::string caFile;
};

TEST_P(FtpTls, RemoteTreeEqualsALocalPublishAndThePasswordCrossesEncrypted) {
    project.doc.m_strPublishPath = dir / "local-site";
    fs::create_directories(project.doc.m_strPublishPath);
    RecordingLogSink localSink;
    LocalPublishRun local(project.doc, localSink, program);
    ASSERT_EQ(local.RunLocalPublish(), LocalPublishRun::Result::kSuccess) << localSink.log;

    RecordingLogSink sink;
    ASSERT_EQ(RunFtp(sink), Result::kSuccess) << sink.log;
    auto expected = ReadTree(project.doc.m_strPublishPath);
    auto actual = ReadTree(root + "/www");
    expected.erase(".foldcraft-manifest");
    actual.erase(".foldcraft-manifest");
    for (const auto& [name, bytes] : expected) {
        EXPECT_TRUE(actual.count(name) && actual[name] == bytes) << name << " differs";
    }
    EXPECT_EQ(actual.size(), expected.size());
    const auto commands = CommandsUpToQuit();
    ASSERT_GE(commands.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(commands.begin(), commands.begin() + 3),
              (std::vector<std::string>{"AUTH TLS", "PBSZ 0", "PROT P"}));
    EXPECT_EQ(Sent("PASS"), std::vector<std::string>{"PASS ****** [tls]"});
}

// A certificate for another name, or from an unknown CA, is refused before the user
// name or password is sent, and its fingerprint shown; a pinned fingerprint lets
// the unknown one through. A server without TLS gets no password either.
TEST_P(FtpTls, RefusedBeforeAnyPasswordIsSent) {
    const std::string failed = "\nServer login failed!\n";
    struct Case {
        const char* name;
        std::string host;
        bool trustCa;
    };
    std::string fingerprint;
    for (const Case& c : {Case{"wrong host name", "127.0.0.1", true},
                          Case{"untrusted certificate", "localhost", false}}) {
        SCOPED_TRACE(c.name);
        if (!c.trustCa) ::unsetenv("SSL_CERT_FILE");
        settings.strHostName = c.host;
        RecordingLogSink sink;
        EXPECT_EQ(RunFtp(sink), Result::kFailed);
        const std::string shown = "\nServer certificate not trusted (";
        const std::size_t at = sink.log.find(shown);
        ASSERT_NE(at, std::string::npos) << sink.log;
        const std::string tag = "SHA-256 fingerprint: ";
        const std::size_t fp = sink.log.find(tag, at);
        ASSERT_NE(fp, std::string::npos) << sink.log;
        fingerprint = sink.log.substr(fp + tag.size(), 95);
        EXPECT_TRUE(sink.log.size() > failed.size() &&
                    sink.log.compare(sink.log.size() - failed.size(), failed.size(), failed) == 0)
            << sink.log;
    }
    EXPECT_TRUE(Sent("USER").empty());
    EXPECT_TRUE(Sent("PASS").empty());

    settings.strTrustFingerprint = fingerprint;  // the unknown CA's server, pinned
    RecordingLogSink pinned;
    EXPECT_EQ(RunFtp(pinned), Result::kSuccess) << pinned.log;
    EXPECT_EQ(Sent("PASS"), std::vector<std::string>{"PASS ****** [tls]"});
}

TEST_P(FtpIntegration, TlsRequiredButRefusedSendsNoPassword) {
    settings.nSecurity = FtpSettings::kSecurityTls;
    RecordingLogSink sink;
    EXPECT_EQ(RunFtp(sink), Result::kFailed);
    const std::string tail =
        "\nLogging into FTP server...\nServer does not support encrypted connections.\n";
    EXPECT_TRUE(sink.log.size() > tail.size() &&
                sink.log.compare(sink.log.size() - tail.size(), tail.size(), tail) == 0)
        << sink.log;
    for (const std::string& line : server->Commands()) {
        EXPECT_NE(line.rfind("USER", 0), 0u) << line;
        EXPECT_NE(line.rfind("PASS", 0), 0u) << line;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, FtpTls, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Passive" : "Active");
                         });

INSTANTIATE_TEST_SUITE_P(Modes, FtpIntegration, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Passive" : "Active");
                         });

}  // namespace
