// SFTP publish runs against a real OpenSSH server on 127.0.0.1 (SshdTestServer).

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "model/Clock.h"
#include "publish/EventLogSink.h"
#include "publish/SftpPublishRun.h"
#include "publish/SftpSiteTarget.h"
#include "publish/ftp/FtpTestProject.h"
#include "support/FtpTestServer.h"
#include "support/Patience.h"
#include "support/SshdTestServer.h"
#include "support/TempDir.h"

extern char** environ;

namespace fs = std::filesystem;
using foldcraft::SftpPublishRun;
using foldcraft::SftpSettings;
using foldcraft::SshSession;
using foldcraft::test::EventLogSink;
using foldcraft::test::FtpTestProject;
using foldcraft::test::LocalPublishFiles;
using foldcraft::test::ReadTree;
using foldcraft::test::SshdTestServer;
using foldcraft::test::TempDir;

namespace {

SftpSettings SettingsFor(const SshdTestServer& server) {
    SftpSettings settings;
    settings.strHostName = "127.0.0.1";
    settings.nPort = server.Port();
    settings.strUser = SshdTestServer::kUser;
    settings.strStartDir = server.SiteDir() + "/www";
    settings.strTrustFingerprint = server.Fingerprint();
    settings.nConnections = 3;
    settings.nTimeoutSeconds = static_cast<int>(foldcraft::test::kPatience.count());
    return settings;
}

struct Outcome {
    SftpPublishRun::Result result;
    SshSession::Failure failure;
    std::string log;
    std::string message;
    std::string fingerprint;
};

Outcome Publish(FtpTestProject& project, const std::string& program, const SftpSettings& settings,
                bool agent = false) {
    EventLogSink events;
    SftpPublishRun run(project.doc, events, program, settings, events.Pauses());
    run.SetUserKnownHosts({});
    run.SetUseAgent(agent);
    run.SetCreateStartDirectory(true);
    Outcome outcome{run.RunSftpPublish(),
                    run.FailureKind(),
                    {},
                    run.FailureMessage(),
                    run.HostKeyFingerprint()};
    for (const std::string& event : events.events) {
        if (event.rfind("show:", 0) == 0) outcome.log += event.substr(5);
    }
    return outcome;
}

// What the server holds below the starting directory, Foldcraft's own files aside.
std::map<std::string, std::string> Published(const SshdTestServer& server) {
    auto files = ReadTree(server.SiteDir() + "/www");
    std::erase_if(files, [](const auto& file) {
        return fs::path(file.first).filename().string().rfind(".foldcraft-", 0) == 0;
    });
    return files;
}

// ssh-agent -D on a socket of the test's, holding one key; stopped with the object.
class TestAgent {
public:
    TestAgent(const std::string& socket, const std::string& key) : m_socket(socket) {
        std::string program = "/usr/bin/ssh-agent";
        std::vector<char*> argv{program.data(), const_cast<char*>("-D"), const_cast<char*>("-a"),
                                m_socket.data(), nullptr};
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
        if (::posix_spawn(&m_pid, program.c_str(), &files, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&files);
        const auto until = std::chrono::steady_clock::now() + foldcraft::test::kPatience;
        while (m_pid > 0 && !fs::exists(m_socket) && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::string add = "SSH_AUTH_SOCK=" + foldcraft::test::Quoted(m_socket) +
                                " /usr/bin/ssh-add " + foldcraft::test::Quoted(key) +
                                " </dev/null >/dev/null 2>&1";
        m_ready = m_pid > 0 && std::system(add.c_str()) == 0;
    }
    ~TestAgent() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    bool Ready() const { return m_ready; }

private:
    std::string m_socket;
    pid_t m_pid = -1;
    bool m_ready = false;
};

class SftpPublish : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string unavailable = SshdTestServer::Unavailable();
        if (!unavailable.empty()) GTEST_SKIP() << unavailable;
        server = std::make_unique<SshdTestServer>();
        ASSERT_TRUE(server->Started()) << server->Error();
        fs::create_directories(program);
    }

    std::unique_ptr<SshdTestServer> server;
    foldcraft::ScopedClockPin pin{foldcraft::test::kPublishNow};
    TempDir dir;
    FtpTestProject project{dir};
    std::string program = dir / "program";
};

// A first publish and a changed-only re-publish after one document changed: the server
// holds what a local publish holds, and the second run sent only the change.
TEST_F(SftpPublish, PublishAndRepublishMatchALocalPublish) {
    SftpSettings settings = SettingsFor(*server);
    settings.strPassword = server->Password();
    for (const char* run : {"first publish", "changed-only re-publish"}) {
        SCOPED_TRACE(run);
        if (run != std::string("first publish"))
            std::ofstream(project.notes, std::ios::binary) << "notes, second edition\r\n";
        const Outcome outcome = Publish(project, program, settings);
        ASSERT_EQ(outcome.result, SftpPublishRun::Result::kSuccess) << outcome.log << server->Log();
        EXPECT_NE(outcome.log.find("\nLogging into SFTP server..."), std::string::npos);
        EXPECT_NE(outcome.log.find("\nLogged off of SFTP server.\n"), std::string::npos);
        const auto expected = LocalPublishFiles(project, program, dir / "local-site");
        ASSERT_GT(expected.size(), 10u);
        EXPECT_TRUE(Published(*server) == expected);
        if (run != std::string("first publish")) {
            EXPECT_NE(outcome.log.find("unchanged file"), std::string::npos) << outcome.log;
        }
        EXPECT_EQ(outcome.log.find(server->Password()), std::string::npos);
    }
}

// Each way of logging on, and a wrong password.
TEST_F(SftpPublish, LogOns) {
    const std::string key = dir / "id_plain";
    const std::string lockedKey = dir / "id_locked";
    ASSERT_TRUE(SshdTestServer::MakeKey(key, ""));
    ASSERT_TRUE(SshdTestServer::MakeKey(lockedKey, "open sesame"));
    std::ofstream(server->AuthorizedKeys())
        << foldcraft::test::ReadFile(key + ".pub") << foldcraft::test::ReadFile(lockedKey + ".pub");
    TestAgent agent(dir / "agent.sock", key);
    ASSERT_TRUE(agent.Ready());

    struct Case {
        const char* name;
        std::string password, keyFile, passphrase;
        bool agent;
        SshSession::Failure failure;
    };
    const Case cases[] = {
        {"password", server->Password(), "", "", false, SshSession::Failure::kNone},
        {"key file", "", key, "", false, SshSession::Failure::kNone},
        {"key file with passphrase", "", lockedKey, "open sesame", false,
         SshSession::Failure::kNone},
        {"agent", "", "", "", true, SshSession::Failure::kNone},
        {"wrong password", "not-the-password", "", "", false, SshSession::Failure::kAuthRefused},
        {"wrong passphrase", "", lockedKey, "closed", false, SshSession::Failure::kKeyFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SftpSettings settings = SettingsFor(*server);
        settings.strPassword = c.password;
        settings.strKeyFile = c.keyFile;
        settings.strPassphrase = c.passphrase;
        if (c.agent) ::setenv("SSH_AUTH_SOCK", (dir / "agent.sock").c_str(), 1);
        const Outcome outcome = Publish(project, program, settings, c.agent);
        ::unsetenv("SSH_AUTH_SOCK");
        EXPECT_EQ(outcome.failure, c.failure) << outcome.log << outcome.message;
        EXPECT_EQ(outcome.result, c.failure == SshSession::Failure::kNone
                                      ? SftpPublishRun::Result::kSuccess
                                      : SftpPublishRun::Result::kFailed)
            << outcome.log;
        if (c.failure == SshSession::Failure::kAuthRefused) {
            EXPECT_NE(outcome.message.find("offers publickey, password"), std::string::npos)
                << outcome.message;
        }
        for (const std::string& secret : {c.password, c.passphrase}) {
            if (!secret.empty()) {
                EXPECT_EQ(outcome.log.find(secret), std::string::npos);
                EXPECT_EQ(outcome.message.find(secret), std::string::npos);
            }
        }
    }
}

// An unknown host key stops the run, naming its fingerprint, until it is trusted; it
// is then kept in the program folder's known_hosts and needs no trust again. A key
// that differs from the one kept is refused, even when trusted.
TEST_F(SftpPublish, HostKeys) {
    SftpSettings settings = SettingsFor(*server);
    settings.strPassword = server->Password();
    settings.strTrustFingerprint.clear();
    Outcome outcome = Publish(project, program, settings);
    EXPECT_EQ(outcome.failure, SshSession::Failure::kHostKeyUnknown);
    EXPECT_EQ(outcome.fingerprint, server->Fingerprint());
    EXPECT_NE(outcome.log.find("ssh-ed25519 " + server->Fingerprint()), std::string::npos)
        << outcome.log;
    EXPECT_TRUE(Published(*server).empty());

    settings.strTrustFingerprint = server->Fingerprint();
    EXPECT_EQ(Publish(project, program, settings).result, SftpPublishRun::Result::kSuccess);
    const std::string known = foldcraft::test::ReadFile(program + "/known_hosts");
    EXPECT_NE(known.find("[127.0.0.1]:" + std::to_string(server->Port()) + " ssh-ed25519 AAAA"),
              std::string::npos)
        << known;
    settings.strTrustFingerprint.clear();
    EXPECT_EQ(Publish(project, program, settings).result, SftpPublishRun::Result::kSuccess);

    // Another key for the same host and port.
    ASSERT_TRUE(SshdTestServer::MakeKey(dir / "other", ""));
    const std::string other = foldcraft::test::ReadFile(dir / "other.pub");
    std::ofstream(program + "/known_hosts")
        << "[127.0.0.1]:" << server->Port() << " " << other.substr(0, other.rfind(' ')) << "\n";
    settings.strTrustFingerprint = server->Fingerprint();
    outcome = Publish(project, program, settings);
    EXPECT_EQ(outcome.failure, SshSession::Failure::kHostKeyChanged);
    EXPECT_NE(outcome.log.find("WARNING: the host key of 127.0.0.1 has changed"), std::string::npos)
        << outcome.log;
}

// A starting directory the user may not write: the lock cannot be taken, and the
// log says so with the path.
TEST_F(SftpPublish, ReadOnlyDirectoryIsReported) {
    const std::string readOnly = server->SiteDir() + "/www";
    fs::create_directories(readOnly);  // root's, 0755: the test user cannot write
    SftpSettings settings = SettingsFor(*server);
    settings.strPassword = server->Password();
    const Outcome outcome = Publish(project, program, settings);
    EXPECT_EQ(outcome.result, SftpPublishRun::Result::kFailed);
    EXPECT_NE(outcome.log.find("Permission denied: .foldcraft-lock"), std::string::npos)
        << outcome.log;
}

// A target on a session of its own to the test's server (made ready, its starting
// directory made); null after a test failure.
std::unique_ptr<foldcraft::SftpSiteTarget> OpenTarget(const SshdTestServer& server,
                                                      const std::string& program,
                                                      foldcraft::SftpSiteTarget::Options options) {
    foldcraft::SshOptions& ssh = options.ssh;
    ssh.host = "127.0.0.1";
    ssh.port = server.Port();
    ssh.user = SshdTestServer::kUser;
    ssh.password = server.Password();
    ssh.useAgent = false;
    ssh.knownHostsFile = program + "/known_hosts";
    ssh.trustFingerprint = server.Fingerprint();
    SshSession::Opened opened = SshSession::Open(ssh);
    if (!opened.session) {
        ADD_FAILURE() << opened.detail;
        return nullptr;
    }
    auto target = std::make_unique<foldcraft::SftpSiteTarget>(std::move(opened.session), options);
    bool made = false;
    if (!target->Ready(true, made)) {
        ADD_FAILURE() << target->Error();
        return nullptr;
    }
    return target;
}

foldcraft::SiteTarget::Status Put(foldcraft::SiteTarget& target, const std::string& path,
                                  const std::string& bytes) {
    foldcraft::FileSource source;
    source.bytes = &bytes;
    std::optional<foldcraft::ManifestEntry> entry;
    return target.PutFile(path, source, {}, entry);
}

// A file put over another replaces it whole, with the server's one-step rename and
// writes in flight, and without them (through libssh alone); a put that cannot take
// its place leaves what stands there, and no temporary file.
TEST_F(SftpPublish, PutReplacesWholeOrNotAtAll) {
    for (const bool pipelined : {true, false}) {
        SCOPED_TRACE(pipelined ? "writes in flight" : "libssh alone");
        const std::string root = server->SiteDir() + (pipelined ? "/a" : "/b");
        foldcraft::SftpSiteTarget::Options options;
        options.startDir = root;
        options.pipelined = pipelined;
        options.blockSize = 7;  // many blocks, more than are in flight at once
        options.writesInFlight = 3;
        auto target = OpenTarget(*server, program, options);
        ASSERT_TRUE(target);
        EXPECT_EQ(target->AtomicRename(), pipelined);
        for (const std::string& bytes : {std::string("first edition"), std::string(100, 'b'),
                                         std::string()}) {
            const auto status = Put(*target, "page.html", bytes);
            ASSERT_TRUE(status.ok) << status.reason;
            EXPECT_EQ(foldcraft::test::ReadFile(root + "/page.html"), bytes);
        }
        fs::create_directories(root + "/taken/inside");
        EXPECT_FALSE(Put(*target, "taken", "a file where a directory stands").ok);
        EXPECT_TRUE(fs::is_directory(root + "/taken/inside"));
        EXPECT_EQ(ReadTree(root).size(), 1u) << "a temporary file stayed";
    }
}

// A server that cannot store a whole file (its disk full) says so, the file that
// stood there stays, and the temporary file goes.
TEST(SftpDiskFull, IsReportedAndLosesNothing) {
    const std::string unavailable = SshdTestServer::Unavailable();
    if (!unavailable.empty()) GTEST_SKIP() << unavailable;
    SshdTestServer server(64 * 1024);
    ASSERT_TRUE(server.Started()) << server.Error();
    TempDir dir;
    fs::create_directories(dir / "program");
    foldcraft::SftpSiteTarget::Options options;
    options.startDir = server.SiteDir();
    auto target = OpenTarget(server, dir / "program", options);
    ASSERT_TRUE(target);
    ASSERT_TRUE(Put(*target, "big.pdf", "the first edition").ok);
    const auto status = Put(*target, "big.pdf", std::string(256 * 1024, 'x'));
    EXPECT_EQ(status.reason, "The server could not store big.pdf (disk full or over quota?)");
    EXPECT_FALSE(status.endsRun);
    EXPECT_EQ(ReadTree(server.SiteDir()),
              (std::map<std::string, std::string>{{"big.pdf", "the first edition"}}));
}

}  // namespace

// A connection lost in the middle of an upload (the server's session ended)
// is opened again and the file sent again whole; the temporary file of the broken
// upload does not stay.
TEST_F(SftpPublish, LostConnectionIsOpenedAgain) {
    foldcraft::SshOptions ssh;
    ssh.host = "127.0.0.1";
    ssh.port = server->Port();
    ssh.user = SshdTestServer::kUser;
    ssh.password = server->Password();
    ssh.useAgent = false;
    ssh.knownHostsFile = program + "/known_hosts";
    ssh.trustFingerprint = server->Fingerprint();
    SshSession::Opened opened = SshSession::Open(ssh);
    ASSERT_TRUE(opened.session) << opened.detail;
    foldcraft::SftpSiteTarget::Options options;
    options.ssh = ssh;
    options.startDir = server->SiteDir();
    options.retryWaits = {};
    options.blockSize = 4096;
    std::string notes;
    options.note = [&](const std::string& line) { notes += line; };
    foldcraft::SftpSiteTarget target(std::move(opened.session), options);
    bool made = false;
    ASSERT_TRUE(target.Ready(false, made)) << target.Error();

    const std::string bytes(512 * 1024, 'x');
    foldcraft::FileSource source;
    source.bytes = &bytes;
    int calls = 0;
    source.onBytes = [&](std::uint64_t) {
        // Once, a few blocks in.
        if (++calls == 3) {
            EXPECT_TRUE(server->DropSessions());
        }
    };
    std::optional<foldcraft::ManifestEntry> entry;
    const auto status = target.PutFile("big.txt", source, {}, entry);
    EXPECT_TRUE(status.ok) << status.reason;
    EXPECT_NE(notes.find("Reconnected to the server (1 of 10)."), std::string::npos) << notes;
    EXPECT_NE(notes.find("Trying big.txt again (2 of 3): The connection to the server was lost"), std::string::npos) << notes;
    const auto tree = ReadTree(server->SiteDir());
    ASSERT_EQ(tree.size(), 1u) << "a temporary file stayed";
    EXPECT_EQ(tree.begin()->first, "big.txt");
    EXPECT_TRUE(tree.begin()->second == bytes);
}
