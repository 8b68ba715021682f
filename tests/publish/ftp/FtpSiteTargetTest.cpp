// The FTP target of a sync against a real FTP server (pyftpdlib on 127.0.0.1), plain
// and FTPS; a scripted proxy only for the replies pyftpdlib never gives.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "publish/FTPLink.h"
#include "publish/FtpSiteTarget.h"
#include "support/FtpTestServer.h"
#include "support/Patience.h"
#include "support/ScriptedFtpServer.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using foldcraft::FileSource;
using foldcraft::FtpSiteTarget;
using foldcraft::ManifestEntry;
using foldcraft::SiteTarget;
using foldcraft::test::FtpTestServer;
using foldcraft::test::kPatience;
using foldcraft::test::ReadFile;
using foldcraft::test::ScriptedFtpServer;
using foldcraft::test::TempDir;
using Fault = ScriptedFtpServer::Fault;
using Lock = SiteTarget::Lock;
using Removal = SiteTarget::Removal;

namespace {

constexpr const char* kPassword = "pw-secret-77";
constexpr std::int64_t kNow = 1'800'000'000;

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool HasPart(const std::string& dir) {
    for (const std::string& name : Names(dir)) {
        if (name.rfind(".part-", 0) == 0) return true;
    }
    return false;
}

// How the link reaches the server.
struct Mode {
    bool tls;
    bool passive;
};

// A real server on a fresh root, a link logged on to it (directly, or through a proxy
// with faults) and a target over the link.
class FtpSiteTargetTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!FtpTestServer::Available()) GTEST_SKIP() << "/usr/bin/python3 has no pyftpdlib";
        std::vector<std::string> args;
        if (mode.tls) {
            const std::string pki = std::string(FOLDCRAFT_TESTS_DIR) + "/publish/ftp/fixtures/";
            args = {"--tls-cert", pki + "localhost.pem", "--tls-key", pki + "localhost.key"};
            ::setenv("SSL_CERT_FILE", (pki + "test-ca.pem").c_str(), 1);
        }
        server = std::make_unique<FtpTestServer>(root.Path(), "alice", kPassword, args);
        ASSERT_TRUE(server->Started()) << server->Error();
        options.host = "here";
        options.now = [] { return kNow; };
        options.secrets = {kPassword};
    }
    void TearDown() override {
        Disconnect();
        if (mode.tls) ::unsetenv("SSL_CERT_FILE");
    }

    // Logs on (through a proxy when faults are given) and makes the target.
    FtpSiteTarget& Connect(std::vector<Fault> faults = {}) {
        target.reset();
        link = std::make_unique<CFTPLink>();
        link->SetTimeout(kPatience);
        int port = server->Port();
        if (!faults.empty()) {
            proxy = std::make_unique<ScriptedFtpServer>();
            proxy->ProxyAll(server->Port(), std::move(faults));
            proxy->Start();
            port = proxy->Port();
        }
        if (mode.tls) link->RequireTls();
        EXPECT_TRUE(link->Logon({.host = mode.tls ? "localhost" : "127.0.0.1",
                                 .port = port,
                                 .user = "alice",
                                 .password = kPassword}))
            << link->m_strLastReply;
        target = std::make_unique<FtpSiteTarget>(*link, mode.passive, options);
        return *target;
    }
    // Logs off and ends the proxy, if any.
    void Disconnect() {
        target.reset();
        if (link) link->Logoff();
        if (proxy) {
            EXPECT_TRUE(proxy->Finish());
            for (const std::string& error : proxy->Errors()) ADD_FAILURE() << error;
        }
        proxy.reset();
    }

    Mode mode{false, true};
    TempDir root;
    TempDir local;
    std::unique_ptr<FtpTestServer> server;
    FtpSiteTarget::Options options;
    std::unique_ptr<CFTPLink> link;
    std::unique_ptr<ScriptedFtpServer> proxy;
    std::unique_ptr<FtpSiteTarget> target;
};

class FtpSiteTargetModes : public FtpSiteTargetTest, public ::testing::WithParamInterface<Mode> {
protected:
    void SetUp() override {
        mode = GetParam();
        FtpSiteTargetTest::SetUp();
    }
};

// ---------------------------------------------------------------------------
// The lock

// A lock is taken when there is none, or when its process is gone from this host, or
// when it is older than a day; anything else (a file of another form too, the lock
// this process took) is held and left as it is, also by a release.
TEST_F(FtpSiteTargetTest, LockTakenOnlyWhenFreeOrStale) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);  // a process that is gone
    const long self = static_cast<long>(::getpid());
    const std::string dayOld = FtpSiteTarget::LockText("there", 42, kNow - 24 * 3600);
    struct Case {
        std::string before;  // "" : no lock file
        Lock result;
        std::string holder;
    };
    const std::vector<Case> cases = {
        {"", Lock::kTaken, ""},
        {FtpSiteTarget::LockText("here", self, kNow), Lock::kHeld,
         "host here, process " + std::to_string(self)},
        {dayOld, Lock::kHeld, "host there, process 42"},
        {FtpSiteTarget::LockText("there", child, kNow), Lock::kHeld,
         "host there, process " + std::to_string(child)},
        {FtpSiteTarget::LockText("here", child, kNow), Lock::kTaken, ""},
        {FtpSiteTarget::LockText("there", 42, kNow - 24 * 3600 - 1), Lock::kTaken, ""},
        {"locked by someone\n", Lock::kHeld, "an unknown lock file .foldcraft-lock"},
        {dayOld + std::string(5000, '\n'), Lock::kHeld, "an unknown lock file .foldcraft-lock"},
    };
    const std::string lockPath = root / ".foldcraft-lock";
    Connect();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        fs::remove(lockPath);
        if (!c.before.empty()) root.WriteFile(".foldcraft-lock", c.before);
        FtpSiteTarget other(*link, true, options);
        std::string holder;
        EXPECT_EQ(other.TakeLock(holder), c.result);
        EXPECT_EQ(holder, c.holder);
        const std::string ours = FtpSiteTarget::LockText("here", self, kNow);
        EXPECT_EQ(ReadFile(lockPath), c.result == Lock::kTaken ? ours : c.before);
        other.ReleaseLock();
        EXPECT_EQ(fs::exists(lockPath), c.result != Lock::kTaken);
        EXPECT_EQ(Names(root.Path()).size(), c.result == Lock::kTaken ? 0u : 1u);
    }
}

// ---------------------------------------------------------------------------
// Putting files

// A file is stored under a short temporary name and renamed over the old one, so a
// name of 255 bytes goes too; a server that refuses to rename over a file gets it
// deleted first, one that cannot rename at all gets a plain upload.
TEST_P(FtpSiteTargetModes, PutReplacesAFileThroughAShortTemporaryName) {
    const std::string name = std::string(251, 'n') + ".txt";
    fs::create_directories(root / "sub");
    struct Case {
        std::vector<Fault> faults;
        std::vector<std::string> after;  // the commands after the STOR
    };
    std::vector<Case> cases = {{{}, {"RNFR", "RNTO"}}};
    if (!mode.tls) {  // the proxy does not speak TLS
        cases.push_back({{{"RNTO", 1, Fault::kReply, "553 File exists."}},
                         {"RNFR", "RNTO", "DELE", "RNFR", "RNTO"}});
        // Any refusal of the first rename: plain uploads, once the caller allows them.
        for (const char* refusal : {"502 Not implemented.", "550 Permission denied."}) {
            cases.push_back({{{"RNFR", 1, Fault::kReply, refusal}},
                             {"RNFR", "RNTO", "DELE", mode.passive ? "PASV" : "PORT", "STOR"}});
        }
    }
    const std::string source = local.WriteFile("doc.txt", "new contents");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        root.WriteFile("sub/" + name, "old");
        FtpSiteTarget& t = Connect(cases[i].faults);
        const std::size_t before = server->Commands().size();
        const ManifestEntry wanted{12, std::nullopt, std::string(64, 'a')};
        std::optional<ManifestEntry> entry;
        SiteTarget::Status put = t.PutFile("sub/" + name, FileSource::Local(source), wanted, entry);
        if (put.needsInPlace) {
            t.AllowInPlace();
            put = t.PutFile("sub/" + name, FileSource::Local(source), wanted, entry);
        }
        ASSERT_TRUE(put.ok) << put.reason;
        EXPECT_EQ(entry, std::optional<ManifestEntry>(wanted));
        EXPECT_EQ(ReadFile(root / ("sub/" + name)), "new contents");
        EXPECT_FALSE(HasPart(root / "sub"));
        const std::vector<std::string> commands = proxy ? proxy->Received() : server->Commands();
        std::vector<std::string> words;
        bool stored = false;
        for (std::size_t k = proxy ? 0 : before; k < commands.size(); ++k) {
            const std::string word = commands[k].substr(0, commands[k].find(' '));
            if (word == "STOR" && !stored) {
                stored = true;
                EXPECT_EQ(commands[k], "STOR sub/.part-" + t.RunId() + "-1");
            } else if (stored) {
                words.push_back(word);
            }
        }
        EXPECT_EQ(words, cases[i].after);
        Disconnect();
    }
}

// A path longer than the server takes in one command (2.4 kB; the test server
// answers "500 Command too long.") is reached one directory at a time.
TEST_P(FtpSiteTargetModes, LongPathsAreReachedOneDirectoryAtATime) {
    const std::string part(200, 'd');
    std::string path;
    FtpSiteTarget& t = Connect();
    for (int level = 0; level < 12; ++level) {
        path += (path.empty() ? "" : "/") + part + std::to_string(level);
        bool made = false;
        const SiteTarget::Status status = t.MakeDirectory(path, made);
        ASSERT_TRUE(status.ok) << level << ": " << status.reason;
        EXPECT_TRUE(made);
    }
    ASSERT_GT(path.size(), 2400u);
    const std::string bytes = "deep";
    FileSource source;
    source.bytes = &bytes;
    std::optional<ManifestEntry> entry;
    const SiteTarget::Status put = t.PutFile(path + "/deep.txt", source, {}, entry);
    ASSERT_TRUE(put.ok) << put.reason;
    EXPECT_EQ(ReadFile(root / (path + "/deep.txt")), bytes);
    EXPECT_FALSE(HasPart(root / path));
    // Back where it was: a short path goes as before.
    EXPECT_TRUE(t.PutFile("top.txt", source, {}, entry).ok);
    EXPECT_EQ(ReadFile(root / "top.txt"), bytes);
}

// A file that grows while it is sent goes as it was when it was opened; a pipe does not go.
TEST_P(FtpSiteTargetModes, UploadStopsAtTheSizeSeenAtOpen) {
    const std::string first(300000, 'a');
    const std::string source = local.WriteFile("growing.log", first);
    options.afterOpen = [](const std::string& path) {
        std::ofstream(path, std::ios::app) << std::string(1 << 20, 'b');
    };
    std::optional<ManifestEntry> entry;
    FtpSiteTarget& t = Connect();
    ASSERT_TRUE(t.PutFile("growing.log", FileSource::Local(source), {}, entry).ok);
    EXPECT_EQ(ReadFile(root / "growing.log"), first);
    // A named pipe is not waited on, nor sent.
    ASSERT_EQ(::mkfifo((local / "pipe").c_str(), 0600), 0);
    EXPECT_FALSE(t.PutFile("pipe", FileSource::Local(local / "pipe"), {}, entry).ok);
    EXPECT_FALSE(fs::exists(root / "pipe"));
}

// ---------------------------------------------------------------------------
// The manifest

// The manifest is read up to its bound and refused beyond it, without reading the
// rest (a server file far larger than any memory would do), and the link goes on.
TEST_P(FtpSiteTargetModes, ManifestReadIsBounded) {
    // No scratch file is ever made: what is planted where they once lay stays as it is.
    TempDir scratch;
    ASSERT_EQ(::mkfifo((scratch / ".foldcraft-manifest").c_str(), 0600), 0);
    const std::string victim = scratch.WriteFile("victim.txt", "mine");
    fs::create_symlink(victim, scratch / ".foldcraft-manifest.read");
    const char* savedTmp = std::getenv("TMPDIR");
    const std::string saved = savedTmp ? savedTmp : "";
    ::setenv("TMPDIR", scratch.Path().c_str(), 1);

    constexpr std::size_t kBound = 100000;
    options.maxManifestBytes = kBound;
    struct Case {
        std::int64_t size;  // -1: none
        bool found, ok;
    };
    const std::vector<Case> cases = {
        {-1, false, true},
        {kBound, true, true},
        {kBound + 1, true, false},
        {std::int64_t{1} << 40, true, false},  // sparse: a tebibyte of nothing
    };
    FtpSiteTarget& t = Connect();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        fs::remove(root / ".foldcraft-manifest");
        if (c.size >= 0) {
            root.WriteFile(".foldcraft-manifest", "");
            fs::resize_file(root / ".foldcraft-manifest", static_cast<std::uintmax_t>(c.size));
        }
        const SiteTarget::ManifestText read = t.ReadManifest();
        EXPECT_EQ(read.found, c.found);
        EXPECT_EQ(read.status.ok, c.ok) << read.status.reason;
        EXPECT_EQ(read.text.size(), c.ok && c.found ? static_cast<std::size_t>(c.size) : 0u);
        ASSERT_TRUE(link->IsOpen());
    }
    const std::string text = "Foldcraft manifest 2\nf 3 - - a.txt\n";
    ASSERT_TRUE(t.WriteManifest(text).ok);
    EXPECT_EQ(t.ReadManifest().text, text);
    EXPECT_EQ(Names(root.Path()), std::vector<std::string>{".foldcraft-manifest"});

    if (savedTmp) {
        ::setenv("TMPDIR", saved.c_str(), 1);
    } else {
        ::unsetenv("TMPDIR");
    }
    struct stat st {};
    ASSERT_EQ(::lstat((scratch / ".foldcraft-manifest").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_TRUE(fs::is_symlink(scratch / ".foldcraft-manifest.read"));
    EXPECT_EQ(ReadFile(victim), "mine");
}

INSTANTIATE_TEST_SUITE_P(FtpSiteTarget, FtpSiteTargetModes,
                         ::testing::Values(Mode{false, true}, Mode{false, false}, Mode{true, true}),
                         [](const ::testing::TestParamInfo<Mode>& info) {
                             return std::string(info.param.tls ? "Tls" : "Plain") +
                                    (info.param.passive ? "Passive" : "Active");
                         });

// ---------------------------------------------------------------------------
// Removing

// A listed file goes only while the server gives it the recorded size (by SIZE, or by
// MLST where SIZE is unknown); another size is left alone, a missing file is gone.
TEST_F(FtpSiteTargetTest, RemovalOnlyWhileTheSizeIsAsRecorded) {
    struct Case {
        const char* contents;  // nullptr: no file
        std::uint64_t recorded;
        bool sizeUnknown;
        Removal result;
    };
    const std::vector<Case> cases = {
        {"12345", 5, false, Removal::kRemoved}, {"123456", 5, false, Removal::kChanged},
        {nullptr, 5, false, Removal::kGone},    {"12345", 5, true, Removal::kRemoved},
        {"1234", 5, true, Removal::kChanged},   {nullptr, 5, true, Removal::kGone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.contents ? c.contents : "(none)") +
                     (c.sizeUnknown ? ", no SIZE" : ""));
        fs::remove(root / "mine.txt");
        if (c.contents) root.WriteFile("mine.txt", c.contents);
        std::vector<Fault> faults;
        if (c.sizeUnknown) faults = {{"SIZE", 1, Fault::kReply, "500 Unknown command."}};
        std::string reason;
        const Removal removal = Connect(faults).RemoveFile(
            "mine.txt", ManifestEntry{c.recorded, std::nullopt, ""}, reason);
        EXPECT_EQ(removal, c.result) << reason;
        EXPECT_EQ(fs::exists(root / "mine.txt"), c.result == Removal::kChanged);
        Disconnect();
    }
}

// Only temporary files of Foldcraft's own naming are removed.
TEST_F(FtpSiteTargetTest, LeftoversRemovedOtherFilesKept) {
    const std::vector<std::string> removed = {".part-1a2b3c4d-17", ".part-0000000f-3",
                                              ".part-page.html"};
    const std::vector<std::string> kept = {
        "page.html",         "mine.txt",          ".part-notes",       ".part-1A2B3C4D-1",
        ".part-1a2b3c4-1",   ".part-1a2b3c4d-",   ".part-1a2b3c4d-1x", ".part-",
        "x.part-1a2b3c4d-1", ".part-1a2b3c4d-1-2"};
    for (const std::string dir : {"sub/deeper", ""}) {
        SCOPED_TRACE(dir);
        const std::string prefix = dir.empty() ? "" : dir + "/";
        for (const std::string& name : removed) root.WriteFile(prefix + name, "x");
        for (const std::string& name : kept) root.WriteFile(prefix + name, "x");
        Connect().RemoveLeftovers(dir);
        std::vector<std::string> left = kept;
        if (dir.empty()) left.push_back("sub");  // made by the first round
        std::sort(left.begin(), left.end());
        EXPECT_EQ(Names(root / dir), left);
    }
}

}  // namespace
