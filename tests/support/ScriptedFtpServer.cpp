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

// A connection to 127.0.0.1:port, or -1.
int ConnectToLoopback(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in to = Loopback(port);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        CloseFd(fd);
    }
    NoDelay(fd);
    return fd;
}

// A command line as a log may show it: no password.
std::string Masked(const std::string& line) {
    return line.rfind("PASS", 0) == 0 && (line.size() == 4 || line[4] == ' ') ? "PASS ******"
                                                                              : line;
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
    CloseFd(m_session.fd);
    CloseFd(m_listenFd);
}

ScriptedFtpServer& ScriptedFtpServer::ProxyAll(int port, std::vector<Fault> faults) {
    m_upstreamPort = port;
    m_faults = std::move(faults);
    return *this;
}

void ScriptedFtpServer::Start() {
    m_session.deadline = Clock::now() + kPatience;
    m_thread = std::thread([this] { m_upstreamPort > 0 ? RunAll() : Run(); });
}

bool ScriptedFtpServer::Finish(std::chrono::milliseconds limit) {
    const auto until = Clock::now() + limit;
    const auto finished = [this] { return m_upstreamPort > 0 ? m_open == 0 : m_done.load(); };
    while (!finished() && Clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const bool result = finished();
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    return result;
}

int ScriptedFtpServer::Accepted() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_commands.size());
}

std::vector<std::string> ScriptedFtpServer::Commands(int connection) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (connection < 1 || connection > static_cast<int>(m_commands.size())) return {};
    return m_commands[static_cast<std::size_t>(connection - 1)];
}

void ScriptedFtpServer::Error(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_errors.push_back(text);
}

// Waits in short slices, so that Finish and the deadline are noticed.
bool ScriptedFtpServer::Wait(const Peer& peer, int fd, short events) {
    while (!m_stop) {
        if (Clock::now() >= peer.deadline) {
            Error("connection " + std::to_string(peer.number) + ": " +
                  (fd == peer.fd ? "the client" : "the real server") +
                  " was still there after kPatience (after \"" + Masked(peer.last) + "\")");
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

bool ScriptedFtpServer::ReadLine(const Peer& peer, int fd, std::string& buffer, std::string& line) {
    while (true) {
        const std::size_t newline = buffer.find('\n');
        if (newline != std::string::npos) {
            line = buffer.substr(0, newline + 1);
            buffer.erase(0, newline + 1);
            return true;
        }
        char chunk[4096];
        if (fd < 0 || !Wait(peer, fd, POLLIN)) return false;
        const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
        if (got <= 0) return false;
        buffer.append(chunk, static_cast<std::size_t>(got));
    }
}

bool ScriptedFtpServer::WriteAll(const Peer& peer, int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (!Wait(peer, fd, POLLOUT)) return false;
        const ssize_t sent = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent < 0 && errno != EINTR && errno != EAGAIN) return false;
        done += sent > 0 ? static_cast<std::size_t>(sent) : 0;
    }
    return true;
}

void ScriptedFtpServer::WaitUntilClientGoes(Peer& peer) {
    std::string line;
    while (ReadLine(peer, peer.fd, peer.buffer, line)) {
    }
}

void ScriptedFtpServer::Run() {
    if (Wait(m_session, m_listenFd, POLLIN))
        m_session.fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    NoDelay(m_session.fd);
    bool going = m_session.fd >= 0;
    if (going) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_commands.emplace_back();
        m_session.number = 1;
    }
    for (std::size_t i = 0; going && i < m_steps.size(); ++i) going = RunStep(m_steps[i]);
    if (going) WaitUntilClientGoes(m_session);
    CloseFd(m_dataFd);
    CloseFd(m_passiveFd);
    CloseFd(m_session.fd);
    m_done = true;
}

// Each connection in a thread of its own; the loop ends at Finish (or a deadline
// passed), then no connection is accepted any more and each thread ends soon.
void ScriptedFtpServer::RunAll() {
    std::vector<std::thread> threads;
    const Peer listener{-1, {}, 0, Clock::time_point::max(), {}};
    while (Wait(listener, m_listenFd, POLLIN)) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        NoDelay(fd);
        int number = 0;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_commands.emplace_back();
            number = static_cast<int>(m_commands.size());
        }
        ++m_open;
        threads.emplace_back([this, fd, number] {
            Peer peer{fd, {}, number, Clock::now() + kPatience, {}};
            RunProxy(peer);
            CloseFd(peer.fd);
            --m_open;
        });
    }
    CloseFd(m_listenFd);
    for (std::thread& thread : threads) thread.join();
    m_done = true;
}

bool ScriptedFtpServer::ReadCommand(Peer& peer, std::string& line) {
    if (!ReadLine(peer, peer.fd, peer.buffer, line)) return false;
    line.pop_back();
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    } else {
        line += " (no CR)";
    }
    peer.last = line;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.push_back(line);
    if (peer.number >= 1 && peer.number <= static_cast<int>(m_commands.size()))
        m_commands[static_cast<std::size_t>(peer.number - 1)].push_back(Masked(line));
    return true;
}

bool ScriptedFtpServer::RunStep(const Step& step) {
    std::string line;
    switch (step.kind) {
        case kSend:
            return WriteAll(m_session, m_session.fd, step.text);
        case kExpect: {
            if (!ReadCommand(m_session, line)) {
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
            WaitUntilClientGoes(m_session);
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
            return WriteAll(m_session, m_session.fd,
                            "227 Entering Passive Mode (" + step.text + "," +
                                std::to_string(port / 256) + "," + std::to_string(port % 256) +
                                ").\r\n");
        }
        case kAccept:
            if (m_passiveFd < 0 || !Wait(m_session, m_passiveFd, POLLIN)) {
                Error("no data connection");
                return false;
            }
            m_dataFd = ::accept4(m_passiveFd, nullptr, nullptr, SOCK_CLOEXEC);
            return true;
        case kReceive: {
            char chunk[65536];
            ssize_t got = 0;
            while (m_dataFd >= 0 && Wait(m_session, m_dataFd, POLLIN) &&
                   (got = ::recv(m_dataFd, chunk, sizeof chunk, 0)) > 0) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_data.append(chunk, static_cast<std::size_t>(got));
            }
            CloseFd(m_dataFd);
            return true;
        }
        case kSendData:
            WriteAll(m_session, m_dataFd, step.text);
            CloseFd(m_dataFd);
            return true;
    }
    return false;
}

// The fault for this arrival of a command (n: of its word) on peer, if any; the last
// of several that match.
const ScriptedFtpServer::Fault* ScriptedFtpServer::FaultAt(const Peer& peer,
                                                           const std::string& word,
                                                           const std::string& line, int n,
                                                           std::map<std::string, int>& seen) const {
    const Fault* fault = nullptr;
    std::map<std::string, int> counted;
    for (const Fault& f : m_faults) {
        const bool aimed = f.connection == 0 || peer.number == f.connection ||
                           (f.laterToo && peer.number > f.connection);
        if (!aimed) continue;
        if (!f.armedBy.empty() && !word.empty() && line.rfind(f.armedBy, 0) == 0) {
            seen["\narmed " + f.armedBy] = 1;
            continue;
        }
        if (!f.armedBy.empty() && seen.count("\narmed " + f.armedBy) == 0) continue;
        // A command with its argument's beginning ("STOR images/"), or one counted
        // from its arming, counts on its own.
        const bool own = f.command.find(' ') != std::string::npos || !f.armedBy.empty();
        const bool matches =
            own ? !word.empty() && line.rfind(f.command, 0) == 0 &&
                      (f.command.find(' ') != std::string::npos || word == f.command)
                : f.command == word;
        if (!matches) continue;
        // Counted once a line, however many faults share the count.
        int count = n;
        if (own) {
            const std::string key = "\n" + f.command + "\n" + f.armedBy;
            const auto [it, first] = counted.emplace(key, 0);
            if (first) it->second = ++seen[key];
            count = it->second;
        }
        if (count == f.occurrence || (f.every && count > f.occurrence)) fault = &f;
    }
    return fault;
}

ScriptedFtpServer::ReplyEnd ScriptedFtpServer::PassReply(Peer& peer, int upstream,
                                                         std::string& buffer, const Fault* fault,
                                                         bool pass) {
    std::string reply;
    std::string code;  // of a multi-line reply, until its last line
    while (ReadLine(peer, upstream, buffer, reply)) {
        bool ends = reply.size() > 4 && reply[3] != '-';
        if (!code.empty()) {
            ends = ends && reply.compare(0, 3, code) == 0;
        } else if (reply.size() > 4 && reply[3] == '-') {
            code = reply.substr(0, 3);
        }
        if (ends) code.clear();
        const bool final = ends && reply[0] != '1';
        if (pass && !(final && fault)) WriteAll(peer, peer.fd, reply);
        if (final) return ReplyEnd::kFinal;
        if (ends && fault && fault->preliminary) return ReplyEnd::kPreliminary;
    }
    return ReplyEnd::kGone;
}

void ScriptedFtpServer::RunProxy(Peer& peer) {
    int upstream = -1;
    std::string buffer;
    std::string line;
    std::string word;  // "" : the greeting
    std::map<std::string, int> seen;
    for (int n = 1;; n = ++seen[word]) {
        const Fault* fault = FaultAt(peer, word, line, n, seen);
        // A greeting is always read: another one (kReply) is sent instead of it.
        const bool onCommand = fault && !fault->after && !fault->preliminary &&
                               !(word.empty() && fault->kind == Fault::kReply);
        ReplyEnd end = ReplyEnd::kFinal;
        if (!onCommand) {
            // The command goes on; its reply comes back (up to where the fault acts).
            if (word.empty() && (upstream = ConnectToLoopback(m_upstreamPort)) < 0) {
                Error("cannot reach the real server");
                break;
            }
            if (!word.empty() && !WriteAll(peer, upstream, line + "\r\n")) break;
            end = PassReply(peer, upstream, buffer, fault, true);
            if (end == ReplyEnd::kGone) break;
        }
        if (fault && fault->kind == Fault::kStall) WaitUntilClientGoes(peer);
        if (fault && (fault->kind == Fault::kStall || fault->kind == Fault::kDrop)) break;
        if (fault) WriteAll(peer, peer.fd, fault->reply + "\r\n");
        if (fault && fault->kind == Fault::kRefuse) break;
        // A reply sent at a preliminary one stands for the real server's final one.
        if (end == ReplyEnd::kPreliminary &&
            PassReply(peer, upstream, buffer, nullptr, false) != ReplyEnd::kFinal)
            break;
        if (word == "QUIT" || !ReadCommand(peer, line)) break;
        word = line.substr(0, line.find(' '));
    }
    // The client's connection first: it sees the break before the real server acts on it.
    CloseFd(peer.fd);
    CloseFd(upstream);
}

}  // namespace foldcraft::test
