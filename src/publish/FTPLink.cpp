#include "publish/FTPLink.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "publish/FtpLineReader.h"
#include "publish/FtpReply.h"
#include "publish/TlsChannel.h"
#include "publish/UniqueFd.h"

namespace {

using Clock = std::chrono::steady_clock;
using foldcraft::FtpLineReader;
using foldcraft::FtpReply;
using foldcraft::TlsChannel;
using foldcraft::UniqueFd;

// One read or write on a socket, plain or through TLS: how many bytes moved, or
// what to wait for before trying again (0 with no wait: end of stream; -1: error).
struct IoStep {
    long bytes;
    short wait;
};

// A TLS read's or write's outcome as an IoStep. The peer's end of stream ends a
// read; a write cannot go on after it.
IoStep FromTls(TlsChannel::Io io, std::size_t moved, bool endIsError) {
    switch (io) {
        case TlsChannel::Io::kDone:
            return {static_cast<long>(moved), 0};
        case TlsChannel::Io::kEnd:
            return endIsError ? IoStep{-1, 0} : IoStep{0, 0};
        case TlsChannel::Io::kWantRead:
            return {0, POLLIN};
        case TlsChannel::Io::kWantWrite:
            return {0, POLLOUT};
        default:
            return {-1, 0};
    }
}

IoStep ReadSome(int fd, TlsChannel* tls, char* buffer, std::size_t size) {
    if (tls) {
        std::size_t got = 0;
        const TlsChannel::Io io = tls->Read(buffer, size, got);
        return FromTls(io, got, /*endIsError=*/false);
    }
    const ssize_t got = ::recv(fd, buffer, size, 0);
    if (got >= 0) return {static_cast<long>(got), 0};
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return {0, POLLIN};
    return {-1, 0};
}

IoStep WriteSome(int fd, TlsChannel* tls, const char* buffer, std::size_t size) {
    if (tls) {
        std::size_t sent = 0;
        const TlsChannel::Io io = tls->Write(buffer, size, sent);
        return FromTls(io, sent, /*endIsError=*/true);
    }
    const ssize_t sent = ::send(fd, buffer, size, MSG_NOSIGNAL);
    if (sent >= 0) return {static_cast<long>(sent), 0};
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return {0, POLLOUT};
    return {-1, 0};
}

bool HoldsLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// A name with a ".." segment (slash or backslash separated).
bool HoldsParentSegment(std::string_view name) {
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t end = name.find_first_of("/\\", start);
        const std::string_view segment = name.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (segment == "..") return true;
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return false;
}

bool SetNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL, 0);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

}  // namespace

// clang-format off
const CFTPLink::LogonStep CFTPLink::kLogonTable[kFirewallTypeCount][kMaxLogonSteps] = {
    // 0 None
    {{kUser, kLoggedOn, 1}, {kPass, kLoggedOn, 2}, {kAcct, kLoggedOn, kFailed},
     {-1, 0, 0}, {-1, 0, 0}, {-1, 0, 0}},
    // 1 SITE hostname
    {{kFireUser, 2, 1}, {kFirePass, 2, kFailed}, {kSite, kFailed, 3},
     {kUser, kLoggedOn, 4}, {kPass, kLoggedOn, 5}, {kAcct, kLoggedOn, kFailed}},
    // 2 USER after logon
    {{kFireUser, 2, 1}, {kFirePass, 2, kFailed}, {kUserAtHost, kLoggedOn, 3},
     {kPass, kLoggedOn, 4}, {kAcct, kLoggedOn, kFailed}, {-1, 0, 0}},
    // 3 Proxy OPEN
    {{kOpen, 1, 1}, {kUser, kLoggedOn, 2}, {kPass, kLoggedOn, 3},
     {kAcct, kLoggedOn, kFailed}, {-1, 0, 0}, {-1, 0, 0}},
    // 4 Transparent
    {{kFireUser, 2, 1}, {kFirePass, 2, kFailed}, {kUser, kLoggedOn, 3},
     {kPass, kLoggedOn, 4}, {kAcct, kLoggedOn, kFailed}, {-1, 0, 0}},
    // 5 USER with no logon
    {{kUserAtHost, kLoggedOn, 1}, {kPass, kLoggedOn, 2}, {kAcct, kLoggedOn, kFailed},
     {-1, 0, 0}, {-1, 0, 0}, {-1, 0, 0}},
    // 6 USER FireID@Remotehost
    {{kFireUserAtHost, 2, 1}, {kFirePass, 2, kFailed}, {kUser, kLoggedOn, 3},
     {kPass, kLoggedOn, 4}, {kAcct, kLoggedOn, kFailed}, {-1, 0, 0}},
    // 7 USER RemoteID@remoteHost fire ID
    {{kUserAtHostFire, kFailed, 1}, {kPass, kLoggedOn, 2}, {kAcct, kLoggedOn, kFailed},
     {-1, 0, 0}, {-1, 0, 0}, {-1, 0, 0}},
    // 8 USER remoteID@fireID@remoteHost
    {{kUserAtFireAtHost, kLoggedOn, 1}, {kPassAtFirePass, kLoggedOn, 2},
     {kAcct, kLoggedOn, kFailed}, {-1, 0, 0}, {-1, 0, 0}, {-1, 0, 0}},
};
// clang-format on

CFTPLink::CFTPLink() = default;

CFTPLink::~CFTPLink() {
    CloseControlConnection();
}

std::string CFTPLink::LogonCommandLine(int command, const std::string& host,
                                       const LogonSettings& settings) {
    const std::string& user = settings.user;
    const std::string& password = settings.password;
    const std::string& firewallUser = settings.firewallUser;
    const std::string& firewallPassword = settings.firewallPassword;
    switch (command) {
        case kUser:
            return "USER " + user;
        case kPass:
            return "PASS " + password;
        case kAcct:
            return "ACCT " + settings.account;
        case kFireUser:
            return "USER " + firewallUser;
        case kFirePass:
            return "PASS " + firewallPassword;
        case kSite:
            return "SITE " + host;
        case kUserAtHost:
            return "USER " + user + "@" + host;
        case kOpen:
            return "OPEN " + host;
        case kFireUserAtHost:
            return "USER " + firewallUser + "@" + host;
        case kUserAtHostFire:
            return "USER " + user + "@" + host + " " + firewallUser;
        case kUserAtFireAtHost:
            return "USER " + user + "@" + firewallUser + "@" + host;
        case kPassAtFirePass:
            return "PASS " + password + "@" + firewallPassword;
        default:
            return {};
    }
}

std::string CFTPLink::PortCommand(std::uint32_t address, unsigned port) {
    return "PORT " + std::to_string((address >> 24) & 0xFF) + "," +
           std::to_string((address >> 16) & 0xFF) + "," + std::to_string((address >> 8) & 0xFF) +
           "," + std::to_string(address & 0xFF) + "," + std::to_string(port / 256) + "," +
           std::to_string(port % 256);
}

CFTPLink::Wait CFTPLink::WaitFor(int fd, short events) const {
    return WaitUntil(fd, events, Clock::now() + m_timeout);
}

CFTPLink::Wait CFTPLink::WaitUntil(int fd, short events, Clock::time_point deadline) const {
    while (true) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return Wait::kTimeout;
        pollfd pfd{fd, events, 0};
        const int rc =
            ::poll(&pfd, 1, static_cast<int>(std::min<long long>(left.count(), 1 << 30)));
        if (rc > 0) return Wait::kReady;  // errors and hang-ups show in the next call
        if (rc == 0) return Wait::kTimeout;
        if (errno != EINTR) return Wait::kError;
    }
}

bool CFTPLink::IsServerReply(const std::string& text) {
    return text.size() >= 3 && std::isdigit(static_cast<unsigned char>(text[0])) &&
           std::isdigit(static_cast<unsigned char>(text[1])) &&
           std::isdigit(static_cast<unsigned char>(text[2]));
}

void CFTPLink::AbandonControl() {
    CloseControlConnection();
}

bool CFTPLink::ConnectWithTimeout(int fd, const void* addr, unsigned len, int& error) const {
    error = 0;
    if (::connect(fd, static_cast<const sockaddr*>(addr), len) == 0) return true;
    if (errno != EINPROGRESS && errno != EINTR) {
        error = errno;
        return false;
    }
    const Wait wait = WaitFor(fd, POLLOUT);
    if (wait != Wait::kReady) {
        error = wait == Wait::kTimeout ? ETIMEDOUT : EIO;
        return false;
    }
    socklen_t errorLen = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &errorLen) != 0) error = errno;
    return error == 0;
}

bool CFTPLink::OpenControlConnection(const std::string& host, int port) {
    CloseControlConnection();
    m_strLastReply = kUnableToCreateSocket;
    m_bTimedOut = false;
    m_strConnectError.clear();
    m_strType.clear();

    m_strLastReply = kUnableToConnect;
    if (port <= 0 || port > 65535 || host.empty() || HoldsLineBreakOrNul(host)) {
        m_strConnectError = "not a host name and port";
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int lookup = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (lookup != 0 || !found) {
        m_strConnectError = std::string("no address found for the name (") +
                            (lookup != 0 ? ::gai_strerror(lookup) : "none") + ")";
        return false;
    }
    UniqueFd sock;
    for (addrinfo* ai = found; ai; ai = ai->ai_next) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            m_strConnectError = std::strerror(errno);
            ::freeaddrinfo(found);
            m_strLastReply = kUnableToCreateSocket;
            return false;
        }
        sock.Reset(fd);
        int error = 0;
        if (ConnectWithTimeout(fd, ai->ai_addr, ai->ai_addrlen, error)) break;
        char address[INET_ADDRSTRLEN] = "?";
        ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(ai->ai_addr)->sin_addr, address,
                    sizeof address);
        m_strConnectError = std::string(address) + " port " + std::to_string(port) + ": " +
                            (error == ETIMEDOUT ? "no answer" : std::strerror(error));
        sock.Reset();
    }
    ::freeaddrinfo(found);
    if (sock.Get() < 0) return false;

    m_strLastReply = kUnableToCreateSocket;
    const int one = 1;
    ::setsockopt(sock.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    m_readBuffer.assign(kBufferSize, '\0');
    m_readStart = m_readEnd = 0;
    m_writeBuffer.clear();
    m_writeBuffer.reserve(kBufferSize);
    m_socket = sock.Release();
    return true;
}

void CFTPLink::CloseControlConnection() {
    m_tls.reset();
    m_writeBuffer.clear();
    m_readBuffer.clear();
    m_readStart = m_readEnd = 0;
    if (m_socket >= 0) {
        ::close(m_socket);
        m_socket = -1;
    }
}

bool CFTPLink::Flush() {
    std::size_t done = 0;
    while (done < m_writeBuffer.size()) {
        const std::size_t chunk = std::min(kBufferSize, m_writeBuffer.size() - done);
        const IoStep step = WriteSome(m_socket, m_tls.get(), m_writeBuffer.data() + done, chunk);
        if (step.bytes < 0) return false;
        if (step.wait != 0) {
            const Wait wait = WaitFor(m_socket, step.wait);
            if (wait != Wait::kReady) {
                m_bTimedOut = wait == Wait::kTimeout;
                return false;
            }
            continue;
        }
        done += static_cast<std::size_t>(step.bytes);
    }
    m_writeBuffer.clear();
    return true;
}

bool CFTPLink::SendLine(const std::string& text) {
    m_strLastReply = kNetworkError;
    m_bLastSentPassword = false;
    if (HoldsLineBreakOrNul(text)) {
        m_strLastReply = kCommandRefused;
        return false;
    }
    m_strLastCommandWord = text.substr(0, text.find(' '));
    if (!IsOpen()) return false;
    m_writeBuffer.append(text);
    m_writeBuffer.append("\r\n");
    if (!Flush()) {
        AbandonControl();
        return false;
    }
    return true;
}

bool CFTPLink::FillReadBuffer() {
    m_readStart = m_readEnd = 0;
    while (true) {
        // Try first: TLS may hold decrypted bytes that poll cannot see.
        const IoStep step =
            ReadSome(m_socket, m_tls.get(), m_readBuffer.data(), m_readBuffer.size());
        if (step.bytes > 0) {
            m_readEnd = static_cast<std::size_t>(step.bytes);
            return true;
        }
        if (step.wait == 0) return false;  // end of stream or error
        const Wait wait = WaitFor(m_socket, step.wait);
        if (wait != Wait::kReady) {
            m_bTimedOut = wait == Wait::kTimeout;
            return false;
        }
    }
}

bool CFTPLink::ReadLine() {
    if (!IsOpen()) {
        m_strLastReply = kNetworkError;
        return false;
    }
    FtpLineReader line;
    while (line.GetState() != FtpLineReader::State::kComplete) {
        if (line.GetState() == FtpLineReader::State::kTooLong ||
            (m_readStart == m_readEnd && !FillReadBuffer())) {
            m_strLastReply = kNetworkError;
            AbandonControl();
            return false;
        }
        m_readStart +=
            line.Take(std::string_view(m_readBuffer.data() + m_readStart, m_readEnd - m_readStart));
    }
    m_strLastReply = line.ReleaseLine();
    // An empty line is no reply of any class (it must not pass for the class of the
    // line before it).
    m_nReplyClass = FtpReply::ReplyClass(m_strLastReply);
    return true;
}

bool CFTPLink::ReadReply() {
    FtpReply reply;
    m_strReplyText.clear();
    do {
        if (!ReadLine()) return false;
        if (m_strReplyText.size() < kMaxReplyText) m_strReplyText += m_strLastReply + "\n";
        if (reply.Add(m_strLastReply) == FtpReply::State::kComplete) return true;
    } while (reply.GetState() == FtpReply::State::kMore);
    m_strLastReply = kNetworkError;
    AbandonControl();
    return false;
}

bool CFTPLink::Command(const std::string& line) {
    if (!line.empty() && !SendLine(line)) return false;
    if (!ReadReply()) return false;
    return m_nReplyClass == 2;
}

bool CFTPLink::ReturnTo(const std::optional<std::string>& where, const std::string& name) {
    if (where) return Command("CWD " + *where);
    const std::size_t levels = 1 + std::count(name.begin(), name.end(), '/');
    for (std::size_t i = 0; i < levels; ++i) {
        if (!Command("CDUP")) return false;
    }
    return true;
}

bool CFTPLink::MakeDirectory(const std::string& name) {
    m_bDirectoryRefused = false;
    if (name.empty()) return true;
    if (HoldsParentSegment(name)) {
        m_strLastReply = kRemoteNameRefused;
        return false;
    }
    if (!SendLine("MKD " + name)) return false;
    if (!ReadReply()) return false;
    if (m_nReplyClass == 2) return true;
    if (m_strLastReply.rfind("550", 0) != 0) return false;

    // 550 says "exists" as well as "not allowed": look.
    const std::string refusal = m_strLastReply;
    if (!SendLine("PWD") || !ReadReply()) return false;
    const std::optional<std::string> here = FtpReply::ParsePath(m_strLastReply);
    if (!Command("CWD " + name)) {
        if (!IsOpen()) return false;
        m_strLastReply = refusal;
        m_bDirectoryRefused = true;
        return false;
    }
    if (!ReturnTo(here, name)) return false;  // lost our place: the caller must stop
    m_strLastReply = refusal;
    return true;
}

bool CFTPLink::Rename(const std::string& from, const std::string& to) {
    if (HoldsParentSegment(from) || HoldsParentSegment(to)) {
        m_strLastReply = kRemoteNameRefused;
        return false;
    }
    // Both lines at once, so that a distant server is waited on once: a server
    // answers each line in turn, so RNTO's answer follows RNFR's whatever that was.
    if (!SendLine("RNFR " + from) || !SendLine("RNTO " + to) || !ReadReply()) return false;
    if (m_nReplyClass != 3) {
        const std::string refusal = m_strLastReply;
        const int replyClass = m_nReplyClass;
        // RNTO's answer ("503 Bad sequence of commands") says nothing more.
        if (!ReadReply()) return false;
        m_strLastReply = refusal;
        m_nReplyClass = replyClass;
        m_strLastCommandWord = "RNFR";
        return false;
    }
    return Command("");
}

bool CFTPLink::DeleteFile(const std::string& name) {
    if (HoldsParentSegment(name)) {
        m_strLastReply = kRemoteNameRefused;
        return false;
    }
    return Command("DELE " + name);
}

void CFTPLink::RequireTls(std::string pinnedFingerprint) {
    m_bTlsRequired = true;
    m_strPinnedFingerprint = std::move(pinnedFingerprint);
}

bool CFTPLink::StartTls(const std::string& host) {
    if (!SendLine("AUTH TLS") || !ReadReply()) return false;
    if (m_nReplyClass != 2) {
        m_bTlsRefused = true;
        m_strLastReply = kNoTls;
        return false;
    }
    // Nothing may come in plain text after the 234: it would be taken as secure.
    if (m_readStart != m_readEnd) {
        m_strLastReply = kTlsFailed;
        AbandonControl();
        return false;
    }
    if (!m_tlsContext) m_tlsContext = TlsChannel::NewClientContext();
    std::string error;
    std::unique_ptr<TlsChannel> tls =
        TlsChannel::Connect(m_tlsContext, m_socket, host, nullptr, Clock::now() + m_timeout, error);
    if (!tls) {
        m_strLastReply = error;
        AbandonControl();
        return false;
    }
    m_strPeerFingerprint = tls->Fingerprint();
    if (!tls->Verified() &&
        !TlsChannel::SameFingerprint(m_strPinnedFingerprint, m_strPeerFingerprint)) {
        m_bCertificateRefused = true;
        m_strLastReply = m_strPinnedFingerprint.empty()
                             ? "Server certificate not trusted (" + tls->VerifyError() +
                                   "). SHA-256 fingerprint: " + m_strPeerFingerprint
                             : "The server's certificate does not match the trusted "
                               "fingerprint: expected " +
                                   TlsChannel::Formatted(m_strPinnedFingerprint) +
                                   ", the server showed " + m_strPeerFingerprint;
        tls.reset();
        AbandonControl();
        return false;
    }
    m_tls = std::move(tls);
    m_strTlsHost = host;
    return Command("PBSZ 0") && Command("PROT P");
}

void CFTPLink::Logoff() {
    if (IsOpen()) {
        SendLine("QUIT");
        if (IsOpen() && m_tls) m_tls->Shutdown();
        if (IsOpen()) ::shutdown(m_socket, SHUT_WR);
    }
    CloseControlConnection();
}

bool CFTPLink::Logon(const LogonSettings& settings) {
    m_bLastSentPassword = false;
    const int firewallType = settings.firewallType;
    if (firewallType < 0 || firewallType >= kFirewallTypeCount) {
        m_strLastReply = kLogonFailed;
        return false;
    }
    const std::string& host = settings.host;
    const int port = settings.port;
    const std::string& targetHost = firewallType == 0 ? host : settings.firewallHost;
    const int targetPort = firewallType == 0 ? port : settings.firewallPort;
    const std::string hostText = port != 21 ? host + ":" + std::to_string(port) : host;

    m_bTlsRefused = false;
    m_bCertificateRefused = false;
    m_strPeerFingerprint.clear();
    if (!OpenControlConnection(targetHost, targetPort)) return false;
    if (!Command("")) return false;
    if (m_bTlsRequired && !StartTls(targetHost)) return false;

    const LogonStep* row = kLogonTable[firewallType];
    int step = 0;
    // The table has no cycles; the bound only guards against a broken row.
    for (int taken = 0; taken < 2 * kMaxLogonSteps; ++taken) {
        if (step < 0 || step >= kMaxLogonSteps || row[step].command < 0) break;
        const int command = row[step].command;
        const std::string line = LogonCommandLine(command, hostText, settings);
        if (!SendLine(line)) return false;
        m_bLastSentPassword =
            command == kPass || command == kFirePass || command == kPassAtFirePass;
        if (!ReadReply()) return false;
        int next;
        if (m_nReplyClass == 2) {
            next = row[step].on2xx;
        } else if (m_nReplyClass == 3) {
            next = row[step].on3xx;
        } else {
            return false;
        }
        if (next == kLoggedOn) return true;
        if (next == kFailed) break;
        step = next;
    }
    m_strLastReply = kLogonFailed;
    return false;
}

int CFTPLink::AcceptWithTimeout(int listenFd) {
    m_bForeignDataPeer = false;
    sockaddr_in controlPeer{};
    socklen_t controlLen = sizeof controlPeer;
    if (::getpeername(m_socket, reinterpret_cast<sockaddr*>(&controlPeer), &controlLen) != 0) {
        return -1;
    }
    const auto deadline = Clock::now() + m_timeout;
    while (true) {
        const Wait wait = WaitUntil(listenFd, POLLIN, deadline);
        if (wait != Wait::kReady) {
            m_bTimedOut = wait == Wait::kTimeout;
            return -1;
        }
        sockaddr_in peer{};
        socklen_t peerLen = sizeof peer;
        UniqueFd fd(::accept4(listenFd, reinterpret_cast<sockaddr*>(&peer), &peerLen,
                              SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (fd.Get() >= 0) {
            // Only the server may connect: anyone else could read or inject the file.
            if (peer.sin_family == AF_INET && peer.sin_addr.s_addr == controlPeer.sin_addr.s_addr) {
                return fd.Release();
            }
            m_bForeignDataPeer = true;
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED) {
            return -1;
        }
    }
}

bool CFTPLink::WaitForData(int dataFd, short events) {
    const Wait wait = WaitFor(dataFd, events);
    if (wait == Wait::kReady) return true;
    if (wait == Wait::kTimeout) {
        m_bTimedOut = true;
        m_strLastReply = kNetworkError;
    } else {
        m_strLastReply = kFileError;
    }
    return false;
}

struct CFTPLink::DataEnd {
    int fd = -1;                         // read from (store) or written to (retrieve)
    UniqueFd owned;                      // fd, when the transfer owns it
    const std::string* bytes = nullptr;  // store: sent instead of fd
    std::string* received = nullptr;     // retrieve: filled instead of fd
    std::uint64_t limit = UINT64_MAX;    // store: sent at most; retrieve: more fails
    std::uint64_t moved = 0;
    bool tooLarge = false;
};

bool CFTPLink::CopyData(int dataFd, DataEnd& end, bool receive, TlsChannel* tls) {
    char block[kBufferSize];
    if (receive) {
        while (true) {
            const IoStep step = ReadSome(dataFd, tls, block, sizeof block);
            if (step.bytes < 0) {
                m_strLastReply = kFileError;
                return false;
            }
            if (step.bytes == 0) {
                if (step.wait == 0) return true;  // the server closed: all there
                if (!WaitForData(dataFd, step.wait)) return false;
                continue;
            }
            const auto got = static_cast<std::size_t>(step.bytes);
            // Stop as soon as the bound is passed: a server may send without end.
            if (got > end.limit - end.moved) {
                end.tooLarge = true;
                m_strLastReply = kTooLarge;
                return false;
            }
            end.moved += got;
            if (end.received) {
                end.received->append(block, got);
                continue;
            }
            std::size_t written = 0;
            while (written < got) {
                const ssize_t n = ::write(end.fd, block + written, got - written);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) {
                    m_strLastReply = kFileError;
                    return false;
                }
                written += static_cast<std::size_t>(n);
            }
        }
    }
    while (true) {
        const std::uint64_t left = end.limit - end.moved;
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof block, left));
        ssize_t got = 0;
        if (end.bytes) {
            // limit is the size of bytes: want never reaches past their end.
            std::memcpy(block, end.bytes->data() + end.moved, want);
            got = static_cast<ssize_t>(want);
        } else if (want > 0) {
            got = ::read(end.fd, block, want);
        }
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            m_strLastReply = kFileError;
            return false;
        }
        if (got == 0) return true;  // Transfer ends the TLS of the data connection
        end.moved += static_cast<std::uint64_t>(got);
        std::size_t done = 0;
        while (done < static_cast<std::size_t>(got)) {
            std::size_t chunk = static_cast<std::size_t>(got) - done;
            if (m_maxSendChunk > 0) chunk = std::min(chunk, m_maxSendChunk);
            const IoStep step = WriteSome(dataFd, tls, block + done, chunk);
            if (step.bytes < 0) {
                // The upload fails here whatever the server answers afterwards: seeing
                // the data connection end, it may store the truncated file and say 226.
                m_strLastReply = kFileError;
                return false;
            }
            if (step.wait != 0) {
                if (!WaitForData(dataFd, step.wait)) return false;
                continue;
            }
            done += static_cast<std::size_t>(step.bytes);
        }
        if (m_sent) m_sent(static_cast<std::uint64_t>(got));
    }
}

bool CFTPLink::RemoteNameAllowed(const std::string& remote) {
    if (HoldsLineBreakOrNul(remote)) {
        m_strLastReply = kCommandRefused;
        return false;
    }
    if (HoldsParentSegment(remote)) {
        m_strLastReply = kRemoteNameRefused;
        return false;
    }
    return true;
}

bool CFTPLink::TransferFile(const std::string& remote, const std::string& local, bool passive,
                            bool receive) {
    m_bTimedOut = false;
    if (!RemoteNameAllowed(remote)) return false;

    // 1. The local file.
    // Only a regular file is sent: opening a pipe or device must not block, and a
    // directory has nothing to send.
    DataEnd end;
    end.owned.Reset(
        receive ? ::open(local.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0644)
                : ::open(local.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    end.fd = end.owned.Get();
    struct stat st {};
    if (end.fd < 0 || ::fstat(end.fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        ::fcntl(end.fd, F_SETFL, 0) != 0) {
        m_strLastReply = kUnableToOpenFile;
        return false;
    }
    m_strType.clear();  // TransferFile says TYPE I each time
    return Transfer("TYPE I", (receive ? "RETR " : "STOR ") + remote, end, passive, receive);
}

bool CFTPLink::StoreFrom(const std::string& remote, int fd, std::uint64_t limit, bool passive) {
    m_bTimedOut = false;
    if (!RemoteNameAllowed(remote)) return false;
    DataEnd end;
    end.fd = fd;
    end.limit = limit;
    return Transfer("TYPE I", "STOR " + remote, end, passive, false);
}

bool CFTPLink::StoreBytes(const std::string& remote, const std::string& bytes, bool passive) {
    m_bTimedOut = false;
    if (!RemoteNameAllowed(remote)) return false;
    DataEnd end;
    end.bytes = &bytes;
    end.limit = bytes.size();
    return Transfer("TYPE I", "STOR " + remote, end, passive, false);
}

bool CFTPLink::RetrieveTo(const std::string& remote, std::string& out, std::size_t limit,
                          bool passive, bool& tooLarge) {
    m_bTimedOut = false;
    out.clear();
    tooLarge = false;
    if (!RemoteNameAllowed(remote)) return false;
    DataEnd end;
    end.received = &out;
    end.limit = limit;
    const bool ok = Transfer("TYPE I", "RETR " + remote, end, passive, true);
    tooLarge = end.tooLarge;
    if (!ok) out.clear();
    return ok;
}

bool CFTPLink::ListNames(const std::string& path, std::vector<std::string>& names,
                         std::size_t limit, bool passive, bool& tooLarge) {
    m_bTimedOut = false;
    names.clear();
    tooLarge = false;
    if (!RemoteNameAllowed(path)) return false;
    std::string text;
    DataEnd end;
    end.received = &text;
    end.limit = limit;
    // In binary, as the files go: a listing needs no conversion of its own (the CR of
    // a CR LF is dropped below), and the connection stays in one type.
    const bool ok = Transfer("TYPE I", path.empty() ? "NLST" : "NLST " + path, end, passive, true);
    tooLarge = end.tooLarge;
    if (!ok) return false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t stop = text.find('\n', start);
        if (stop == std::string::npos) stop = text.size();
        std::string line = text.substr(start, stop - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) names.push_back(std::move(line));
        start = stop + 1;
    }
    return true;
}

bool CFTPLink::FileSize(const std::string& name, std::uint64_t& size) {
    size = 0;
    if (!RemoteNameAllowed(name)) return false;
    if (!SetType("TYPE I")) return false;
    if (!Command("SIZE " + name)) return false;
    const std::string& reply = m_strLastReply;
    if (reply.compare(0, 4, "213 ") != 0) return false;
    std::uint64_t value = 0;
    std::size_t i = 4;
    for (; i < reply.size() && reply[i] >= '0' && reply[i] <= '9'; ++i) {
        const unsigned digit = static_cast<unsigned>(reply[i] - '0');
        if (value > (UINT64_MAX - digit) / 10) return false;
        value = value * 10 + digit;
    }
    if (i == 4 || i != reply.size()) return false;
    size = value;
    return true;
}

bool CFTPLink::MachineFacts(const std::string& name, std::string& facts) {
    facts.clear();
    if (!RemoteNameAllowed(name)) return false;
    // The facts are on a line of their own inside the multi-line 250 reply (RFC 3659:
    // a space, the facts, a space, the name), which ReadReply does not keep.
    if (!SendLine("MLST " + name) || !ReadLine()) return false;
    if (m_strLastReply.compare(0, 4, "250-") != 0) {
        // A one-line reply: a refusal, or a 250 without facts.
        if (m_strLastReply.size() >= 4 && m_strLastReply[3] == '-') {
            const std::string code = m_strLastReply.substr(0, 3);
            for (int lines = 0; lines < foldcraft::FtpReply::kMaxLines; ++lines) {
                if (!ReadLine()) return false;
                if (m_strLastReply.size() >= 4 && m_strLastReply[3] == ' ' &&
                    m_strLastReply.compare(0, 3, code) == 0) {
                    return false;
                }
            }
            m_strLastReply = kNetworkError;
            AbandonControl();
        }
        return false;
    }
    std::string found;
    for (int lines = 0; lines < foldcraft::FtpReply::kMaxLines; ++lines) {
        if (!ReadLine()) return false;
        if (m_strLastReply.size() >= 4 && m_strLastReply[3] == ' ' &&
            m_strLastReply.compare(0, 3, "250") == 0) {
            if (found.empty()) return false;
            facts = found;
            return true;
        }
        if (found.empty() && !m_strLastReply.empty() && m_strLastReply[0] == ' ') {
            const std::size_t gap = m_strLastReply.find(' ', 1);
            found =
                m_strLastReply.substr(1, gap == std::string::npos ? std::string::npos : gap - 1);
        }
    }
    m_strLastReply = kNetworkError;
    AbandonControl();
    return false;
}

bool CFTPLink::SetType(const std::string& typeLine) {
    if (m_strType == typeLine && IsOpen()) return true;
    m_strType.clear();
    if (!Command(typeLine)) return false;
    m_strType = typeLine;
    return true;
}

struct CFTPLink::DataChannel {
    UniqueFd listener;                // active mode: where the server connects to
    sockaddr_in address{};            // passive mode: where to connect to
    bool connected = true;            // passive mode: whether the connect succeeded
    UniqueFd fd;                      // the data connection
    std::unique_ptr<TlsChannel> tls;  // its TLS, when the control connection has it
};

bool CFTPLink::PassiveDataAddress(DataChannel& channel) {
    if (!Command("PASV")) return false;
    const std::optional<FtpReply::PassiveAddress> reply = FtpReply::ParsePassive(m_strLastReply);
    m_strLastReply = kNetworkError;
    if (!reply) return false;
    // The address in the reply is not trusted: a server behind NAT gives its
    // private address, and a hostile one could point at a third party. The data
    // connection goes to the host the control connection reached.
    sockaddr_in& dataAddr = channel.address;
    socklen_t len = sizeof dataAddr;
    if (::getpeername(m_socket, reinterpret_cast<sockaddr*>(&dataAddr), &len) != 0 ||
        dataAddr.sin_family != AF_INET) {
        return false;
    }
    dataAddr.sin_port = htons(static_cast<uint16_t>(reply->port));
    return true;
}

bool CFTPLink::ListenForData(DataChannel& channel) {
    m_strLastReply = kNetworkError;
    if (!IsOpen()) return false;
    sockaddr_in localAddr{};
    socklen_t len = sizeof localAddr;
    if (::getsockname(m_socket, reinterpret_cast<sockaddr*>(&localAddr), &len) != 0 ||
        localAddr.sin_family != AF_INET) {
        return false;
    }
    UniqueFd& listener = channel.listener;
    listener.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (listener.Get() < 0) return false;
    // The local address of the control connection, not every address.
    sockaddr_in own = localAddr;
    own.sin_port = 0;
    if (::bind(listener.Get(), reinterpret_cast<sockaddr*>(&own), sizeof own) != 0) {
        return false;
    }
    if (::listen(listener.Get(), 5) != 0) return false;
    sockaddr_in bound{};
    len = sizeof bound;
    if (::getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&bound), &len) != 0) {
        return false;
    }
    const unsigned port = ntohs(bound.sin_port);
    const uint32_t ip = ntohl(localAddr.sin_addr.s_addr);
    const std::string line = PortCommand(ip, port);
    return Command(line);
}

bool CFTPLink::ConnectData(DataChannel& channel) {
    channel.fd.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (channel.fd.Get() < 0) {
        m_strLastReply = kNetworkError;
        AbandonControl();
        return false;
    }
    int error = 0;
    channel.connected =
        ConnectWithTimeout(channel.fd.Get(), &channel.address, sizeof channel.address, error);
    return true;
}

bool CFTPLink::FailAfterPreliminary(DataChannel& channel, std::string text) {
    channel.tls.reset();
    channel.fd.Reset();
    if (m_bTimedOut) {
        AbandonControl();
    } else if (IsOpen()) {
        ReadReply();
    }
    m_strLastReply = std::move(text);
    return false;
}

bool CFTPLink::AcceptData(DataChannel& channel) {
    const int fd = AcceptWithTimeout(channel.listener.Get());
    channel.listener.Reset();
    if (fd < 0) {
        if (m_bForeignDataPeer) {
            // The server's own answer decides whether the control connection is
            // still in step; the file failed either way.
            m_bTimedOut = false;
            return FailAfterPreliminary(channel, kFileError);
        }
        m_bTimedOut = true;
        return FailAfterPreliminary(channel, kNetworkError);
    }
    channel.fd.Reset(fd);
    return true;
}

bool CFTPLink::ProtectData(DataChannel& channel) {
    // The handshake's and the close's small records go out at once rather than
    // after the peer's delayed acknowledgement of the one before.
    const int one = 1;
    ::setsockopt(channel.fd.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::string error;
    channel.tls = TlsChannel::Connect(m_tlsContext, channel.fd.Get(), m_strTlsHost, m_tls.get(),
                                      Clock::now() + m_timeout, error);
    if (!channel.tls || channel.tls->Fingerprint() != m_strPeerFingerprint) {
        return FailAfterPreliminary(channel, kFileError);
    }
    return true;
}

bool CFTPLink::CloseData(DataChannel& channel, DataEnd& end, bool receive) {
    if (channel.tls && !channel.tls->Close(Clock::now() + m_timeout)) {
        m_bTimedOut = true;
        return FailAfterPreliminary(channel, kNetworkError);
    }
    channel.tls.reset();
    channel.fd.Reset();
    if (receive && !end.owned.Close()) {
        return FailAfterPreliminary(channel, kFileError);
    }
    end.owned.Reset();
    return true;
}

bool CFTPLink::Transfer(const std::string& typeLine, const std::string& command, DataEnd& end,
                        bool passive, bool receive) {
    // 2. Binary mode (ASCII for listings), said once per connection while it holds.
    if (!SetType(typeLine)) return false;

    // 3. The data connection's address: the server's (PASV) or ours (PORT).
    DataChannel channel;
    if (!(passive ? PassiveDataAddress(channel) : ListenForData(channel))) return false;

    // 4. The transfer command.
    if (!SendLine(command)) return false;

    // 5. Passive mode: connect to the server's data port.
    if (passive && !ConnectData(channel)) return false;

    // 6. The preliminary reply. Once the server has said it will transfer, a failure
    // leaves its final reply still to come: FailAfterPreliminary reads it (bounded) so
    // the next command gets its own reply.
    if (!ReadReply()) return false;
    if (m_nReplyClass != 1) return false;
    if (!channel.connected) {
        m_bTimedOut = true;  // nothing will come: the server waits for us
        return FailAfterPreliminary(channel, kNetworkError);
    }

    // 7. Active mode: the server connects to us.
    if (!passive && !AcceptData(channel)) return false;
    if (!SetNonBlocking(channel.fd.Get())) return FailAfterPreliminary(channel, kNetworkError);

    // 8. Protected data: TLS on the data connection, with the control connection's
    // certificate, resuming its session (the newest ticket that connection or an
    // earlier data connection received).
    if (m_tls && !ProtectData(channel)) return false;

    // 9. The data.
    if (!CopyData(channel.fd.Get(), end, receive, channel.tls.get())) {
        // A close_notify at least, without waiting: a server may drop the session
        // of a connection that ended without one, and refuse the next data
        // connection that offers it.
        if (channel.tls) channel.tls->Shutdown();
        return FailAfterPreliminary(channel, m_strLastReply);
    }

    // 10. Close the data connection, then the file. Over TLS both sides' close_notify
    // first, after an upload and after a download alike: a server may drop the
    // session of a connection that ends without ours (and then refuse every later
    // data connection, as it requires the session reused); the server's last records
    // (session tickets, which the next data connection offers, and its close_notify)
    // are read, as closing a socket with unread bytes resets the connection, and a
    // reset can cost the server the end of an upload while it still answers 226.
    if (!CloseData(channel, end, receive)) return false;

    // 11. The final reply.
    return Command("");
}
