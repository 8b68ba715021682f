#include "support/FtpTestServer.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace foldcraft::test {
namespace {

constexpr const char* kPython = "/usr/bin/python3";

std::string ScriptPath() {
    return std::string(FOLDCRAFT_TESTS_DIR) + "/support/ftp_test_server.py";
}

// Waits for the child at most `limit`; true when it was reaped.
bool WaitForExit(pid_t pid, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (true) {
        int status = 0;
        const pid_t rc = ::waitpid(pid, &status, WNOHANG);
        if (rc == pid || rc < 0) return true;
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace

bool FtpTestServer::Available() {
    static const bool available = [] {
        if (::access(kPython, X_OK) != 0) return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const char* argv[] = {kPython, "-c", "import pyftpdlib", nullptr};
        pid_t pid = -1;
        const int rc =
            ::posix_spawn(&pid, kPython, &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) return false;
        int status = 0;
        if (::waitpid(pid, &status, 0) != pid) return false;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }();
    return available;
}

FtpTestServer::FtpTestServer(const std::string& root, const std::string& user,
                             const std::string& password,
                             const std::vector<std::string>& extraArgs) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/foldcraft-ftpd-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        m_error = "cannot make a work directory";
        return;
    }
    m_workDir = pattern;
    const std::string portFile = m_workDir + "/port";
    const std::string commandLog = m_workDir + "/commands.log";
    const std::string errorLog = m_workDir + "/stderr.log";

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        m_error = "cannot make a pipe";
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[0], 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errorLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    const std::string script = ScriptPath();
    std::vector<const char*> argv = {kPython,          script.c_str(),   "--root",
                                     root.c_str(),     "--user",         user.c_str(),
                                     "--password",     password.c_str(), "--port-file",
                                     portFile.c_str(), "--command-log",  commandLog.c_str()};
    for (const std::string& arg : extraArgs) argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    const int rc =
        ::posix_spawn(&m_pid, kPython, &actions, nullptr, const_cast<char**>(argv.data()), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[0]);
    m_stdinFd = pipeFds[1];
    if (rc != 0) {
        m_pid = -1;
        m_error = "cannot start " + std::string(kPython);
        return;
    }

    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < until) {
        std::ifstream in(portFile);
        int port = 0;
        if (in >> port && port > 0) {
            m_port = port;
            return;
        }
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            std::ifstream err(errorLog);
            std::stringstream text;
            text << err.rdbuf();
            m_error = "the FTP server ended at start-up: " + text.str();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    m_error = "the FTP server did not listen within 15 s";
    Stop();
}

FtpTestServer::~FtpTestServer() {
    Stop();
    if (!m_workDir.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(m_workDir, ec);
    }
}

void FtpTestServer::Stop() {
    if (m_stdinFd >= 0) {
        ::close(m_stdinFd);
        m_stdinFd = -1;
    }
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        if (!WaitForExit(m_pid, std::chrono::seconds(5))) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        m_pid = -1;
    }
    m_port = 0;
}

std::vector<std::string> FtpTestServer::Commands() const {
    std::vector<std::string> lines;
    std::ifstream in(m_workDir + "/commands.log");
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

}  // namespace foldcraft::test
