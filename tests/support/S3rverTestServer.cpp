#include "support/S3rverTestServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "support/FtpTestServer.h"
#include "support/Patience.h"
#include "support/TempDir.h"

extern char** environ;

namespace foldcraft::test {
namespace {

// $FOLDCRAFT_S3RVER, else where tools/setup.sh installs it.
const std::string kProgram = [] {
    const char* named = std::getenv("FOLDCRAFT_S3RVER");
    return named && *named ? std::string(named)
                           : std::string(FOLDCRAFT_SOURCE_DIR) + "/build/node/node_modules/.bin/s3rver";
}();

bool Listening(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

std::string S3rverTestServer::Unavailable() {
    if (::access(kProgram.c_str(), X_OK) != 0)
        return "s3rver is not installed (" + kProgram + "): run tools/setup.sh";
    return {};
}

S3rverTestServer::S3rverTestServer() {
    char pattern[] = "/tmp/foldcraft-s3rver-XXXXXX";
    if (!::mkdtemp(pattern)) {
        m_error = std::string("mkdtemp: ") + std::strerror(errno);
        return;
    }
    m_workDir = pattern;
    std::filesystem::create_directories(m_workDir + "/data");
    const int port = UnusedLoopbackPort();
    std::string data = m_workDir + "/data", portText = std::to_string(port);
    std::vector<char*> argv{const_cast<char*>(kProgram.c_str()), const_cast<char*>("-d"),
                            data.data(), const_cast<char*>("-a"), const_cast<char*>("127.0.0.1"),
                            const_cast<char*>("-p"), portText.data(),
                            const_cast<char*>("--configure-bucket"), const_cast<char*>(kBucket),
                            nullptr};
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    const std::string log = m_workDir + "/s3rver.log";
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    const int spawned =
        ::posix_spawn(&m_pid, kProgram.c_str(), &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0) {
        m_pid = -1;
        m_error = std::string("cannot start s3rver: ") + std::strerror(spawned);
        return;
    }
    const auto until = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < until) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            m_error = "s3rver ended: " + ReadFile(log);
            return;
        }
        if (Listening(port)) {
            m_port = port;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    m_error = "s3rver did not listen: " + ReadFile(log);
    Stop();
}

S3rverTestServer::~S3rverTestServer() {
    Stop();
    if (!m_workDir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_workDir, ignored);
    }
}

void S3rverTestServer::Stop() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
}

std::string S3rverTestServer::Log() const {
    return ReadFile(m_workDir + "/s3rver.log");
}

std::string S3rverTestServer::ObjectFile(const std::string& key) const {
    return ObjectsDir() + "/" + key + "._S3rver_object";
}

}  // namespace foldcraft::test
