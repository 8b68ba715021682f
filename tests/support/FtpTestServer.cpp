#include "support/FtpTestServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "support/Patience.h"
#include "support/TempDir.h"

namespace foldcraft::test {

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

int UnusedLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

bool FtpTestServer::Available() {
    static const bool available =
        std::system("/usr/bin/python3 -c 'import pyftpdlib' >/dev/null 2>&1") == 0;
    return available;
}

FtpTestServer::FtpTestServer(const std::string& root, const std::string& user,
                             const std::string& password,
                             const std::vector<std::string>& extraArgs) {
    std::string command = "exec /usr/bin/python3 " +
                          Quoted(std::string(FOLDCRAFT_TESTS_DIR) + "/support/ftp_test_server.py");
    for (const std::string& arg : std::vector<std::string>{
             "--root", root, "--user", user, "--password", password, "--port-file",
             m_workDir / "port", "--command-log", m_workDir / "commands.log"}) {
        command += " " + Quoted(arg);
    }
    for (const std::string& arg : extraArgs) command += " " + Quoted(arg);
    command += " >/dev/null 2>" + Quoted(m_workDir / "stderr.log");
    m_stdin = ::popen(command.c_str(), "we");
    const auto until = std::chrono::steady_clock::now() + kPatience;
    while (m_stdin && std::chrono::steady_clock::now() < until) {
        std::ifstream in(m_workDir / "port");
        if (in >> m_port && m_port > 0) return;
        m_port = 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    m_error = "the FTP server did not listen: " + ReadFile(m_workDir / "stderr.log");
}

FtpTestServer::~FtpTestServer() {
    if (m_stdin) ::pclose(m_stdin);  // the server ends when its input closes
}

std::vector<std::string> FtpTestServer::Commands() const {
    std::vector<std::string> lines;
    std::ifstream in(m_workDir / "commands.log");
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

}  // namespace foldcraft::test
