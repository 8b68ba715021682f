#include "support/ScriptedFtpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <sstream>

namespace foldcraft::test {
namespace {

constexpr auto kOverallLimit = std::chrono::seconds(30);

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

std::string Word(const std::string& line) {
    const std::size_t blank = line.find(' ');
    return blank == std::string::npos ? line : line.substr(0, blank);
}

std::string Argument(const std::string& line) {
    const std::size_t blank = line.find(' ');
    return blank == std::string::npos ? std::string() : line.substr(blank + 1);
}

}  // namespace

ScriptedFtpServer::ScriptedFtpServer() {
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    const int one = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::listen(m_listenFd, 5) == 0) {
        socklen_t len = sizeof addr;
        ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ntohs(addr.sin_port);
    }
}

ScriptedFtpServer::~ScriptedFtpServer() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    CloseFd(m_dataFd);
    CloseFd(m_passiveFd);
    CloseFd(m_controlFd);
    CloseFd(m_listenFd);
}

void ScriptedFtpServer::Start() {
    m_deadline = std::chrono::steady_clock::now() + kOverallLimit;
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

bool ScriptedFtpServer::TimeLeft() const {
    return !m_stop && std::chrono::steady_clock::now() < m_deadline;
}

void ScriptedFtpServer::Record(const std::string& line) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.push_back(line);
}

void ScriptedFtpServer::Error(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_errors.push_back(text);
}

// Waits for one of the events on fd in short slices, so that Stop and the overall
// limit are noticed. False when neither came in time.
static bool PollSliced(int fd, short events, const std::atomic<bool>& stop,
                       std::chrono::steady_clock::time_point deadline) {
    while (!stop && std::chrono::steady_clock::now() < deadline) {
        pollfd pfd{fd, events, 0};
        const int rc = ::poll(&pfd, 1, 20);
        if (rc > 0) return true;
        if (rc < 0 && errno != EINTR) return false;
    }
    return false;
}

void ScriptedFtpServer::Run() {
    if (PollSliced(m_listenFd, POLLIN, m_stop, m_deadline)) {
        m_controlFd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        const int one = 1;
        if (m_controlFd >= 0) ::setsockopt(m_controlFd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    if (m_controlFd >= 0) {
        if (RunScript()) WaitUntilClientGoes();
    }
    CloseFd(m_dataFd);
    CloseFd(m_passiveFd);
    CloseFd(m_controlFd);
    m_done = true;
}

bool ScriptedFtpServer::ReadLine(std::string& line) {
    while (true) {
        const std::size_t newline = m_readBuffer.find('\n');
        if (newline != std::string::npos) {
            line = m_readBuffer.substr(0, newline);
            m_readBuffer.erase(0, newline + 1);
            // A command ends in CR LF; one that ends in a bare LF is recorded with a
            // mark, so that it matches no expected command.
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            } else {
                line += " (no CR)";
            }
            Record(line);
            return true;
        }
        if (m_controlFd < 0 || !PollSliced(m_controlFd, POLLIN, m_stop, m_deadline)) return false;
        char buffer[4096];
        const ssize_t got = ::recv(m_controlFd, buffer, sizeof buffer, 0);
        if (got <= 0) return false;
        m_readBuffer.append(buffer, static_cast<std::size_t>(got));
    }
}

bool ScriptedFtpServer::WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (!PollSliced(fd, POLLOUT, m_stop, m_deadline)) return false;
        const ssize_t sent = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return false;
        }
        done += static_cast<std::size_t>(sent);
    }
    return true;
}

void ScriptedFtpServer::WaitUntilClientGoes() {
    std::string line;
    while (ReadLine(line)) {
    }
}

bool ScriptedFtpServer::ConnectToPort(const std::string& portLine, const std::string& from) {
    unsigned a, b, c, d, p1, p2;
    if (std::sscanf(Argument(portLine).c_str(), "%u,%u,%u,%u,%u,%u", &a, &b, &c, &d, &p1, &p2) !=
        6) {
        Error("bad PORT line: " + portLine);
        return false;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl((a << 24) | (b << 16) | (c << 8) | d);
    addr.sin_port = htons(static_cast<uint16_t>(p1 * 256 + p2));
    CloseFd(m_dataFd);
    m_dataFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (!from.empty()) {
        sockaddr_in source{};
        source.sin_family = AF_INET;
        if (::inet_pton(AF_INET, from.c_str(), &source.sin_addr) != 1 ||
            ::bind(m_dataFd, reinterpret_cast<sockaddr*>(&source), sizeof source) != 0) {
            Error("cannot bind to " + from);
            CloseFd(m_dataFd);
            return false;
        }
    }
    if (::connect(m_dataFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        Error("cannot connect to " + portLine);
        CloseFd(m_dataFd);
        return false;
    }
    return true;
}

bool ScriptedFtpServer::OpenPassiveListener(int& port) {
    CloseFd(m_passiveFd);
    m_passiveFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(m_passiveFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(m_passiveFd, 1) != 0) {
        return false;
    }
    socklen_t len = sizeof addr;
    ::getsockname(m_passiveFd, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
    return true;
}

bool ScriptedFtpServer::AcceptDataConnection() {
    if (m_passiveFd < 0) return m_dataFd >= 0;  // active mode: already connected
    if (!PollSliced(m_passiveFd, POLLIN, m_stop, m_deadline)) return false;
    CloseFd(m_dataFd);
    m_dataFd = ::accept4(m_passiveFd, nullptr, nullptr, SOCK_CLOEXEC);
    CloseFd(m_passiveFd);
    return m_dataFd >= 0;
}

std::string ScriptedFtpServer::ReadDataToEnd(std::size_t limit) {
    std::string bytes;
    while (m_dataFd >= 0 && bytes.size() < limit &&
           PollSliced(m_dataFd, POLLIN, m_stop, m_deadline)) {
        char buffer[65536];
        const std::size_t want = std::min(sizeof buffer, limit - bytes.size());
        const ssize_t got = ::recv(m_dataFd, buffer, want, 0);
        if (got <= 0) break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
}

void ScriptedFtpServer::CloseData() {
    CloseFd(m_dataFd);
}

bool ScriptedFtpServer::RunScript() {
    std::string line;
    for (const Step& step : m_steps) {
        switch (step.kind) {
            case Step::kSend:
                if (!WriteAll(m_controlFd, step.text)) return false;
                break;
            case Step::kExpect:
            case Step::kExpectPrefix:
                if (!ReadLine(line)) {
                    Error("client went before sending: " + step.text);
                    return false;
                }
                if (step.kind == Step::kExpect ? line != step.text
                                               : line.rfind(step.text, 0) != 0) {
                    Error("expected \"" + step.text + "\", got \"" + line + "\"");
                }
                if (line.rfind("PORT ", 0) == 0) m_lastPortLine = line;
                break;
            case Step::kDrop:
                CloseFd(m_dataFd);
                CloseFd(m_controlFd);
                return false;
            case Step::kStall:
                WaitUntilClientGoes();
                return false;
            case Step::kConnectData:
                ConnectToPort(m_lastPortLine, step.text);
                break;
            case Step::kListenPassive: {
                int port = 0;
                if (!OpenPassiveListener(port)) return false;
                std::ostringstream reply;
                reply << "227 Entering Passive Mode (" << step.text << "," << port / 256 << ","
                      << port % 256 << ").\r\n";
                if (!WriteAll(m_controlFd, reply.str())) return false;
                break;
            }
            case Step::kAcceptData:
                if (!AcceptDataConnection()) Error("no data connection");
                break;
            case Step::kReceiveData: {
                const std::string bytes = ReadDataToEnd();
                CloseData();
                std::lock_guard<std::mutex> lock(m_mutex);
                m_data += bytes;
                break;
            }
            case Step::kSendData:
                WriteAll(m_dataFd, step.text);
                CloseData();
                break;
            case Step::kServe:
                ServeSession();
                return false;
        }
    }
    return true;
}

void ScriptedFtpServer::ServeSession() {
    std::map<std::string, int> seen;
    std::string line;
    std::string renameFrom;
    auto reply = [this](const std::string& text) { return WriteAll(m_controlFd, text + "\r\n"); };
    while (ReadLine(line)) {
        const std::string word = Word(line);
        const std::string arg = Argument(line);
        const int count = ++seen[word];
        const Fault* fault = nullptr;
        for (const Fault& f : m_faults) {
            if (f.command == word && f.occurrence == count) fault = &f;
        }
        if (fault && fault->kind == Fault::kDrop) {
            CloseFd(m_dataFd);
            CloseFd(m_controlFd);
            return;
        }
        if (fault && fault->kind == Fault::kStall) {
            WaitUntilClientGoes();
            return;
        }
        if (fault && fault->kind == Fault::kReply) {
            if (!reply(fault->reply)) return;
            continue;
        }
        bool ok = true;
        if (word == "USER") {
            ok = reply("331 Password required.");
        } else if (word == "PASS") {
            ok = reply("230 Logged in.");
        } else if (word == "CWD") {
            ok = reply("250 Directory changed.");
        } else if (word == "MKD") {
            bool made;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                made = m_directories.insert(arg).second;
            }
            ok = reply(made ? "257 \"" + arg + "\" created." : "550 Directory exists.");
        } else if (word == "TYPE") {
            ok = reply("200 Type set to I.");
        } else if (word == "PORT") {
            CloseFd(m_passiveFd);
            ok = reply(ConnectToPort(line) ? "200 PORT command successful."
                                           : "425 Cannot open data connection.");
        } else if (word == "PASV") {
            int port = 0;
            CloseFd(m_dataFd);
            if (!OpenPassiveListener(port)) return;
            ok = reply("227 Entering Passive Mode (127,0,0,1," + std::to_string(port / 256) + "," +
                       std::to_string(port % 256) + ").");
        } else if (word == "STOR") {
            if (!reply("150 Opening data connection.")) return;
            if (!AcceptDataConnection()) {
                ok = reply("425 No data connection.");
                continue;
            }
            if (fault && fault->kind == Fault::kStallData) {
                WaitUntilClientGoes();
                return;
            }
            if (fault && fault->kind == Fault::kDropData) {
                const std::string part = ReadDataToEnd(1000);
                CloseData();
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_files[arg] = part;  // as a real server keeps what came
                }
                ok = reply("426 Connection closed; transfer aborted.");
                continue;
            }
            const std::string bytes = ReadDataToEnd();
            CloseData();
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_files[arg] = bytes;
                m_data += bytes;
            }
            if (fault && fault->kind == Fault::kDropAfterData) {
                CloseFd(m_controlFd);
                return;
            }
            if (fault && fault->kind == Fault::kStallAfterData) {
                WaitUntilClientGoes();
                return;
            }
            ok = reply("226 Transfer complete.");
        } else if (word == "PWD") {
            ok = reply("257 \"/\" is the current directory.");
        } else if (word == "CDUP") {
            ok = reply("250 Directory changed.");
        } else if (word == "RNFR" || word == "RNTO" || word == "DELE") {
            std::lock_guard<std::mutex> lock(m_mutex);
            const bool known = m_files.count(word == "RNTO" ? renameFrom : arg) != 0;
            if (!known) {
                ok = reply("550 No such file.");
            } else if (word == "RNFR") {
                renameFrom = arg;
                ok = reply("350 Ready for destination name.");
            } else if (word == "RNTO") {
                m_files[arg] = m_files[renameFrom];
                m_files.erase(renameFrom);
                ok = reply("250 Renamed.");
            } else {
                m_files.erase(arg);
                ok = reply("250 Deleted.");
            }
        } else if (word == "RETR") {
            std::string bytes;
            bool known;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                known = m_files.count(arg) != 0;
                if (known) bytes = m_files[arg];
            }
            if (!known) {
                ok = reply("550 No such file.");
                continue;
            }
            if (!reply("150 Opening data connection.")) return;
            if (!AcceptDataConnection()) {
                ok = reply("425 No data connection.");
                continue;
            }
            WriteAll(m_dataFd, bytes);
            CloseData();
            ok = reply("226 Transfer complete.");
        } else if (word == "QUIT") {
            reply("221 Goodbye.");
            WaitUntilClientGoes();
            return;
        } else {
            ok = reply("502 Command not implemented.");
        }
        if (!ok) return;
    }
}

}  // namespace foldcraft::test
