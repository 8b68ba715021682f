#include "support/SshdTestServer.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>
#include <vector>

#include "support/FtpTestServer.h"
#include "support/Patience.h"
#include "support/TempDir.h"

extern char** environ;

namespace foldcraft::test {
namespace {

constexpr const char* kSshd = "/usr/sbin/sshd";
constexpr const char* kKeygen = "/usr/bin/ssh-keygen";

std::string RandomPassword() {
    std::random_device random;
    char text[33];
    std::snprintf(text, sizeof text, "%08x%08x%08x%08x", random(), random(), random(), random());
    return text;
}

}  // namespace

std::string SshdTestServer::Unavailable() {
    if (::geteuid() != 0) return "sshd must be started as root; this test runs as another user";
    if (::access(kSshd, X_OK) != 0) return "no /usr/sbin/sshd (tools/setup.sh installs it)";
    if (::access(kKeygen, X_OK) != 0) return "no /usr/bin/ssh-keygen (tools/setup.sh installs it)";
    return {};
}

bool SshdTestServer::MakeKey(const std::string& path, const std::string& passphrase) {
    const std::string command = std::string(kKeygen) + " -q -t ed25519 -N " + Quoted(passphrase) +
                                " -C foldcraft-test -f " + Quoted(path) +
                                " </dev/null >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

SshdTestServer::SshdTestServer(long fileSizeLimit) : m_fileSizeLimit(fileSizeLimit) {
    // The account and its password are shared by every test program that runs at the
    // same time (ctest -j): one server at a time, so that none resets the password
    // or ends the sessions of another's.
    m_lockFd = ::open("/tmp/foldcraft-sshd-test.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lockFd >= 0) ::flock(m_lockFd, LOCK_EX);
    if (!Prepare()) return;
    // Another program may take the free port before sshd binds it: try again then.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int port = UnusedLoopbackPort();
        if (port > 0 && Launch(port)) {
            m_port = port;
            m_error.clear();
            return;
        }
    }
}

SshdTestServer::~SshdTestServer() {
    Stop();
    std::error_code ec;
    if (!m_workDir.empty()) std::filesystem::remove_all(m_workDir, ec);
    if (m_lockFd >= 0) ::close(m_lockFd);  // and with it the lock
}

bool SshdTestServer::DropSessions() const {
    if (m_pid <= 0) return false;
    // Each connection is served by a child of the listening sshd and that child's own
    // child (the user's side, which holds the connection too): both go. A child may
    // end by itself once its own child is gone, so a failed kill says nothing.
    const std::string kill = "children=$(pgrep -P " + std::to_string(m_pid) +
                             ") || exit 1; for c in $children; do pkill -KILL -P $c; "
                             "kill -KILL $c; done >/dev/null 2>&1; exit 0";
    return std::system(kill.c_str()) == 0;
}

bool SshdTestServer::Prepare() {
    m_error = Unavailable();
    if (!m_error.empty()) return false;
    // The account, with a password of this server's own.
    if (!::getpwnam(kUser)) {
        const std::string add = std::string(
                                    "useradd --system --no-create-home --home-dir / "
                                    "--shell /usr/sbin/nologin ") +
                                kUser + " >/dev/null 2>&1";
        if (std::system(add.c_str()) != 0 || !::getpwnam(kUser)) {
            m_error = std::string("cannot make the account ") + kUser;
            return false;
        }
    }
    m_password = RandomPassword();
    const std::string chpasswd =
        std::string("echo ") + kUser + ":" + m_password + " | chpasswd >/dev/null 2>&1";
    if (std::system(chpasswd.c_str()) != 0) {
        m_error = "chpasswd failed";
        return false;
    }
    // sshd's privilege separation needs this directory.
    ::mkdir("/run/sshd", 0755);

    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/foldcraft-sshd-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        m_error = "cannot make a work directory";
        return false;
    }
    m_workDir = pattern;
    const passwd* user = ::getpwnam(kUser);
    if (::chmod(m_workDir.c_str(), 0755) != 0 || ::mkdir(SiteDir().c_str(), 0755) != 0 ||
        ::chown(SiteDir().c_str(), user->pw_uid, user->pw_gid) != 0) {
        m_error = "cannot lay out " + m_workDir + ": " + std::strerror(errno);
        return false;
    }
    std::ofstream(AuthorizedKeys()).flush();
    if (!MakeKey(m_workDir + "/host_key", "")) {
        m_error = "ssh-keygen could not make a host key";
        return false;
    }
    const std::string list = std::string(kKeygen) + " -l -E sha256 -f " +
                             Quoted(m_workDir + "/host_key.pub") + " 2>/dev/null";
    if (FILE* out = ::popen(list.c_str(), "re")) {
        char line[512] = {};
        if (std::fgets(line, sizeof line, out)) {
            // "256 SHA256:... comment (ED25519)"
            const std::string text = line;
            const std::size_t start = text.find("SHA256:");
            if (start != std::string::npos)
                m_fingerprint = text.substr(start, text.find(' ', start) - start);
        }
        ::pclose(out);
    }
    if (m_fingerprint.empty()) {
        m_error = "ssh-keygen did not tell the host key's fingerprint";
        return false;
    }
    return true;
}

bool SshdTestServer::Launch(int port) {
    const std::string config = m_workDir + "/sshd_config";
    {
        std::ofstream out(config);
        out << "ListenAddress 127.0.0.1\nPort " << port << "\nHostKey " << m_workDir
            << "/host_key\nPidFile none\nUsePAM no\nStrictModes no\n"
            << "AuthorizedKeysFile " << AuthorizedKeys() << "\n"
            << "PasswordAuthentication yes\nKbdInteractiveAuthentication no\n"
            << "PubkeyAuthentication yes\nPermitRootLogin no\nAllowUsers " << kUser << "\n"
            << "Subsystem sftp internal-sftp\nLogLevel VERBOSE\nMaxStartups 50\n"
            << "MaxSessions 50\nUseDNS no\n";
        if (!out) {
            m_error = "cannot write " + config;
            return false;
        }
    }
    // Through a shell that limits the size of every file the server writes (a full
    // disk, as far as the writer can tell: EFBIG instead of a signal).
    std::string shell = "/bin/sh";
    std::string script = "trap '' XFSZ; ulimit -f " +
                         (m_fileSizeLimit > 0 ? std::to_string((m_fileSizeLimit + 511) / 512)
                                              : std::string("unlimited")) +
                         "; exec " + std::string(kSshd) + " -D -e -f " + Quoted(config) + " -p " +
                         std::to_string(port);
    std::vector<char*> argv{shell.data(), const_cast<char*>("-c"), script.data(), nullptr};
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    const std::string errors = m_workDir + "/sshd.log";
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 2, errors.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0600);
    posix_spawn_file_actions_adddup2(&files, 2, 1);
    const int spawned = ::posix_spawn(&m_pid, shell.c_str(), &files, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        m_pid = -1;
        m_error = std::string("cannot start sshd: ") + std::strerror(spawned);
        return false;
    }
    // sshd -e says "Server listening on 127.0.0.1 port N." once it accepts.
    const auto until = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < until) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            m_error = "sshd ended: " + ReadFile(errors);
            return false;
        }
        if (ReadFile(errors).find("Server listening on") != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    Stop();
    m_error = "sshd did not listen: " + ReadFile(errors);
    return false;
}

void SshdTestServer::Stop() {
    if (m_pid <= 0) return;
    ::kill(-m_pid, SIGKILL);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
}

std::string SshdTestServer::Log() const {
    return ReadFile(m_workDir + "/sshd.log");
}

}  // namespace foldcraft::test
