#include "support/ScriptedFtpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>

namespace foldcraft::test {
namespace {

// Each line goes out at once (tests exchange many small ones).
void NoDelay(int fd) {
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

sockaddr_in Loopback(int port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    return addr;
}

// A socket listening on 127.0.0.1 on a free port (stored in port).
int ListenOnLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr = Loopback(0);
    socklen_t len = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        ::listen(fd, 5) != 0 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        if (fd >= 0) ::close(fd);
        return -1;
    }
    port = ntohs(addr.sin_port);
    return fd;
}

}  // namespace

ScriptedFtpServer::ScriptedFtpServer() {
    m_listenFd = ListenOnLoopback(m_port);
}

ScriptedFtpServer::~ScriptedFtpServer() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    CloseFd(m_dataFd);
    CloseFd(m_passiveFd);
    CloseFd(m_controlFd);
    CloseFd(m_listenFd);
}

ScriptedFtpServer& ScriptedFtpServer::Proxy(int port, std::vector<Fault> faults) {
    m_upstreamPort = port;
    m_faults = std::move(faults);
    return *this;
}

void ScriptedFtpServer::Start() {
    m_deadline = std::chrono::steady_clock::now() + kPatience;
    m_thread = std::thread([this] { Run(); });
}

bool ScriptedFtpServer::Finish(std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!m_done && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const bool finished = m_done;
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    return finished;
}

void ScriptedFtpServer::Error(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_errors.push_back(text);
}

// Waits in short slices, so that Finish and the deadline are noticed.
bool ScriptedFtpServer::Wait(int fd, short events) {
    while (!m_stop) {
        if (std::chrono::steady_clock::now() >= m_deadline) {
            Error("the client was still there after kPatience");
            m_stop = true;
            return false;
        }
        pollfd pfd{fd, events, 0};
        const int rc = ::poll(&pfd, 1, 20);
        if (rc > 0) return true;
        if (rc < 0 && errno != EINTR) return false;
    }
    return false;
}

bool ScriptedFtpServer::ReadLine(int fd, std::string& buffer, std::string& line) {
    while (true) {
        const std::size_t newline = buffer.find('\n');
        if (newline != std::string::npos) {
            line = buffer.substr(0, newline + 1);
            buffer.erase(0, newline + 1);
            return true;
        }
        char chunk[4096];
        if (fd < 0 || !Wait(fd, POLLIN)) return false;
        const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
        if (got <= 0) return false;
        buffer.append(chunk, static_cast<std::size_t>(got));
    }
}

bool ScriptedFtpServer::WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (!Wait(fd, POLLOUT)) return false;
        const ssize_t sent = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent < 0 && errno != EINTR && errno != EAGAIN) return false;
        done += sent > 0 ? static_cast<std::size_t>(sent) : 0;
    }
    return true;
}

void ScriptedFtpServer::WaitUntilClientGoes() {
    std::string line;
    while (ReadLine(m_controlFd, m_clientBuffer, line)) {
    }
}

void ScriptedFtpServer::Run() {
    if (Wait(m_listenFd, POLLIN))
        m_controlFd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    NoDelay(m_controlFd);
    bool going = m_controlFd >= 0;
    for (std::size_t i = 0; going && i < m_steps.size(); ++i) going = RunStep(m_steps[i]);
    if (going && m_upstreamPort > 0) RunProxy();
    if (going && m_upstreamPort == 0) WaitUntilClientGoes();
    CloseFd(m_dataFd);
    CloseFd(m_passiveFd);
    CloseFd(m_controlFd);
    m_done = true;
}

bool ScriptedFtpServer::ReadCommand(std::string& line) {
    if (!ReadLine(m_controlFd, m_clientBuffer, line)) return false;
    line.pop_back();
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    } else {
        line += " (no CR)";
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.push_back(line);
    return true;
}

bool ScriptedFtpServer::RunStep(const Step& step) {
    std::string line;
    switch (step.kind) {
        case kSend:
            return WriteAll(m_controlFd, step.text);
        case kExpect: {
            if (!ReadCommand(line)) {
                Error("the client went before sending: " + step.text);
                return false;
            }
            const char last = step.text.empty() ? '\0' : step.text.back();
            const bool prefix = last == ',' || last == ' ';
            if (prefix ? line.rfind(step.text, 0) != 0 : line != step.text) {
                Error("expected \"" + step.text + "\", got \"" + line + "\"");
            }
            if (line.rfind("PORT ", 0) == 0) m_lastPortLine = line;
            return true;
        }
        case kDrop:
            return false;
        case kStall:
            WaitUntilClientGoes();
            return false;
        case kConnect: {
            unsigned a, b, c, d, p1, p2;
            if (std::sscanf(m_lastPortLine.c_str(), "PORT %u,%u,%u,%u,%u,%u", &a, &b, &c, &d, &p1,
                            &p2) != 6) {
                Error("no PORT line to connect to");
                return false;
            }
            sockaddr_in to = Loopback(static_cast<int>(p1 * 256 + p2));
            to.sin_addr.s_addr = htonl((a << 24) | (b << 16) | (c << 8) | d);
            sockaddr_in from = Loopback(0);
            CloseFd(m_dataFd);
            m_dataFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if ((!step.text.empty() &&
                 (::inet_pton(AF_INET, step.text.c_str(), &from.sin_addr) != 1 ||
                  ::bind(m_dataFd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0)) ||
                ::connect(m_dataFd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
                Error("cannot connect to " + m_lastPortLine + " from " + step.text);
            }
            return true;
        }
        case kListen: {
            int port = 0;
            CloseFd(m_passiveFd);
            m_passiveFd = ListenOnLoopback(port);
            return WriteAll(m_controlFd, "227 Entering Passive Mode (" + step.text + "," +
                                             std::to_string(port / 256) + "," +
                                             std::to_string(port % 256) + ").\r\n");
        }
        case kAccept:
            if (m_passiveFd < 0 || !Wait(m_passiveFd, POLLIN)) {
                Error("no data connection");
                return false;
            }
            m_dataFd = ::accept4(m_passiveFd, nullptr, nullptr, SOCK_CLOEXEC);
            return true;
        case kReceive: {
            char chunk[65536];
            ssize_t got = 0;
            while (m_dataFd >= 0 && Wait(m_dataFd, POLLIN) &&
                   (got = ::recv(m_dataFd, chunk, sizeof chunk, 0)) > 0) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_data.append(chunk, static_cast<std::size_t>(got));
            }
            CloseFd(m_dataFd);
            return true;
        }
        case kSendData:
            WriteAll(m_dataFd, step.text);
            CloseFd(m_dataFd);
            return true;
    }
    return false;
}

void ScriptedFtpServer::RunProxy() {
    int upstream = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    NoDelay(upstream);
    const sockaddr_in to = Loopback(m_upstreamPort);
    if (::connect(upstream, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        Error("cannot reach the real server");
    }
    std::string buffer;
    std::string line;
    std::string reply;
    std::string word;  // "" : the greeting
    std::map<std::string, int> seen;
    for (int n = 1; upstream >= 0; n = ++seen[word]) {
        const Fault* fault = nullptr;
        for (const Fault& f : m_faults) {
            if (!f.armedBy.empty() && !word.empty() && line.rfind(f.armedBy, 0) == 0) {
                seen["\narmed " + f.armedBy] = 1;
                continue;
            }
            if (!f.armedBy.empty() && seen.count("\narmed " + f.armedBy) == 0) continue;
            // A command with its argument's beginning ("STOR images/"), or one counted
            // from its arming, counts on its own.
            const bool own = f.command.find(' ') != std::string::npos || !f.armedBy.empty();
            const bool matches = own ? !word.empty() && line.rfind(f.command, 0) == 0 &&
                                           (f.command.find(' ') != std::string::npos ||
                                            word == f.command)
                                     : f.command == word;
            if (!matches) continue;
            const int count = own ? ++seen["\n" + f.command + "\n" + f.armedBy] : n;
            if (count == f.occurrence || (f.every && count > f.occurrence)) fault = &f;
        }
        if (!fault || fault->after) {
            // The command goes on; its reply comes back, to its final line.
            if (!word.empty() && !WriteAll(upstream, line + "\r\n")) break;
            bool final = false;
            std::string code;  // of a multi-line reply, until its last line
            while (!final && ReadLine(upstream, buffer, reply)) {
                bool ends = reply.size() > 4 && reply[3] != '-';
                if (!code.empty()) {
                    ends = ends && reply.compare(0, 3, code) == 0;
                } else if (reply.size() > 4 && reply[3] == '-') {
                    code = reply.substr(0, 3);
                }
                if (ends) code.clear();
                final = ends && reply[0] != '1';
                if (!(final && fault)) WriteAll(m_controlFd, reply);
            }
            if (!final) break;
        }
        if (fault && fault->kind == Fault::kStall) WaitUntilClientGoes();
        if (fault && fault->kind != Fault::kReply) break;
        if (fault) WriteAll(m_controlFd, fault->reply + "\r\n");
        if (word == "QUIT" || !ReadCommand(line)) break;
        word = line.substr(0, line.find(' '));
    }
    CloseFd(upstream);
}

}  // namespace foldcraft::test
