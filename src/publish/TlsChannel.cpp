#include "publish/TlsChannel.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <ctime>

namespace foldcraft {
namespace {

// Blocks SIGPIPE in this thread while OpenSSL writes to a socket that the peer may
// have closed, and swallows one that arrived meanwhile.
class ScopedSigpipeBlock {
public:
    ScopedSigpipeBlock() {
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        m_alreadyPending = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipe, &m_old);
    }
    ~ScopedSigpipeBlock() {
        if (!m_alreadyPending) {
            sigset_t pipe;
            sigemptyset(&pipe);
            sigaddset(&pipe, SIGPIPE);
            const timespec zero{0, 0};
            while (sigtimedwait(&pipe, nullptr, &zero) > 0) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
    }

private:
    sigset_t m_old;
    bool m_alreadyPending = false;
};

TlsChannel::Io Classify(SSL* ssl, int rc) {
    switch (SSL_get_error(ssl, rc)) {
        case SSL_ERROR_WANT_READ:
            return TlsChannel::Io::kWantRead;
        case SSL_ERROR_WANT_WRITE:
            return TlsChannel::Io::kWantWrite;
        case SSL_ERROR_ZERO_RETURN:
            return TlsChannel::Io::kEnd;
        default:
            ERR_clear_error();
            return TlsChannel::Io::kError;
    }
}

bool IsIpv4Literal(const std::string& host) {
    in_addr address{};
    return ::inet_pton(AF_INET, host.c_str(), &address) == 1;
}

// Waits until fd is ready for what io wants, or deadline. False when the deadline
// passed or the wait failed.
bool WaitFor(int fd, TlsChannel::Io io, TlsChannel::Deadline deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd pfd{fd, static_cast<short>(io == TlsChannel::Io::kWantRead ? POLLIN : POLLOUT), 0};
    const int polled =
        ::poll(&pfd, 1, static_cast<int>(std::min<long long>(left.count(), 1 << 30)));
    return polled >= 0 || errno == EINTR;
}

// Where a channel's SSL points at its family, for OnNewSession.
int FamilyIndex() {
    static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

std::string Normalised(const std::string& fingerprint) {
    std::string out;
    for (char c : fingerprint) {
        if (c != ':') out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace

struct TlsChannel::SessionFamily {
    SessionFamily() = default;
    SessionFamily(const SessionFamily&) = delete;
    SessionFamily& operator=(const SessionFamily&) = delete;
    ~SessionFamily() {
        if (newest) SSL_SESSION_free(newest);
    }
    SSL_SESSION* newest = nullptr;
};

int TlsChannel::OnNewSession(SSL* ssl, SSL_SESSION* session) {
    auto* family = static_cast<SessionFamily*>(SSL_get_ex_data(ssl, FamilyIndex()));
    if (!family) return 0;
    if (family->newest) SSL_SESSION_free(family->newest);
    family->newest = session;  // OpenSSL's reference, now the family's
    return 1;
}

std::shared_ptr<SSL_CTX> TlsChannel::NewClientContext() {
    if (FamilyIndex() < 0) return nullptr;
    std::shared_ptr<SSL_CTX> context(SSL_CTX_new(TLS_client_method()), &SSL_CTX_free);
    if (!context) return nullptr;
    SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION);
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_NONE, nullptr);  // checked after the handshake
    // Every new session goes to OnNewSession, and OpenSSL keeps none itself: which
    // session a data connection offers is its control connection's family's choice.
    SSL_CTX_set_session_cache_mode(context.get(),
                                   SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(context.get(), &TlsChannel::OnNewSession);
    if (SSL_CTX_set_default_verify_paths(context.get()) != 1) ERR_clear_error();
    return context;
}

TlsChannel::TlsChannel(std::shared_ptr<SSL_CTX> context, SSL* ssl)
    : m_context(std::move(context)), m_ssl(ssl) {}

TlsChannel::~TlsChannel() {
    if (m_ssl) SSL_free(m_ssl);
}

std::unique_ptr<TlsChannel> TlsChannel::Connect(std::shared_ptr<SSL_CTX> context, int fd,
                                                const std::string& host, const TlsChannel* resume,
                                                Deadline deadline, std::string& error) {
    error = "Encrypted connection failed.";
    if (!context) return nullptr;
    SSL* ssl = SSL_new(context.get());
    if (!ssl) return nullptr;
    std::unique_ptr<TlsChannel> channel(new TlsChannel(context, ssl));
    if (SSL_set_fd(ssl, fd) != 1) return nullptr;
    SSL_set_options(ssl, SSL_OP_IGNORE_UNEXPECTED_EOF);
    if (IsIpv4Literal(host)) {
        if (X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str()) != 1) return nullptr;
    } else {
        if (SSL_set1_host(ssl, host.c_str()) != 1) return nullptr;
        SSL_set_tlsext_host_name(ssl, host.c_str());
    }
    channel->m_family = resume ? resume->m_family : std::make_shared<SessionFamily>();
    if (SSL_set_ex_data(ssl, FamilyIndex(), channel->m_family.get()) != 1) return nullptr;
    if (channel->m_family->newest && SSL_set_session(ssl, channel->m_family->newest) != 1) {
        return nullptr;
    }
    SSL_set_connect_state(ssl);
    while (true) {
        int rc;
        {
            ScopedSigpipeBlock block;
            rc = SSL_do_handshake(ssl);
        }
        if (rc == 1) break;
        const Io io = Classify(ssl, rc);
        if (io != Io::kWantRead && io != Io::kWantWrite) return nullptr;
        if (!WaitFor(fd, io, deadline)) {
            if (std::chrono::steady_clock::now() >= deadline) error = "Network error.";
            return nullptr;
        }
    }
    channel->m_verifyResult = SSL_get_verify_result(ssl);
    if (X509* cert = SSL_get1_peer_certificate(ssl)) {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        if (X509_digest(cert, EVP_sha256(), digest, &length) == 1) {
            static const char kDigits[] = "0123456789ABCDEF";
            for (unsigned int i = 0; i < length; ++i) {
                if (i > 0) channel->m_fingerprint += ':';
                channel->m_fingerprint += kDigits[digest[i] >> 4];
                channel->m_fingerprint += kDigits[digest[i] & 0x0F];
            }
        }
        X509_free(cert);
    } else {
        channel->m_verifyResult = X509_V_ERR_UNSPECIFIED;
    }
    error.clear();
    return channel;
}

TlsChannel::Io TlsChannel::Read(char* buffer, std::size_t size, std::size_t& got) {
    got = 0;
    ScopedSigpipeBlock block;
    const int rc = SSL_read_ex(m_ssl, buffer, size, &got);
    return rc == 1 ? Io::kDone : Classify(m_ssl, rc);
}

TlsChannel::Io TlsChannel::Write(const char* buffer, std::size_t size, std::size_t& sent) {
    sent = 0;
    ScopedSigpipeBlock block;
    const int rc = SSL_write_ex(m_ssl, buffer, size, &sent);
    return rc == 1 ? Io::kDone : Classify(m_ssl, rc);
}

void TlsChannel::Shutdown() {
    ScopedSigpipeBlock block;
    if (SSL_shutdown(m_ssl) < 0) ERR_clear_error();
}

bool TlsChannel::Close(Deadline deadline) {
    const int fd = SSL_get_fd(m_ssl);
    bool sent = false;
    while (true) {
        Io io;
        {
            ScopedSigpipeBlock block;
            if (!sent) {
                const int rc = SSL_shutdown(m_ssl);
                if (rc == 1) return true;  // the peer's close_notify had come already
                sent = rc == 0;
                // The end of the stream too, for a peer that waits for it rather
                // than for close_notify.
                if (sent) ::shutdown(fd, SHUT_WR);
                io = sent ? Io::kDone : Classify(m_ssl, rc);
            } else {
                // The peer's close_notify comes after whatever it still had to say.
                char sink[4096];
                std::size_t got = 0;
                const int rc = SSL_read_ex(m_ssl, sink, sizeof sink, &got);
                io = rc == 1 ? Io::kDone : Classify(m_ssl, rc);
            }
        }
        if (io == Io::kDone) continue;
        if (io == Io::kEnd || io == Io::kError) return true;  // a reset ends it too
        if (!WaitFor(fd, io, deadline)) return std::chrono::steady_clock::now() < deadline;
    }
}

std::string TlsChannel::VerifyError() const {
    return X509_verify_cert_error_string(m_verifyResult);
}

bool TlsChannel::SameFingerprint(const std::string& a, const std::string& b) {
    return !a.empty() && Normalised(a) == Normalised(b);
}

std::string TlsChannel::Formatted(const std::string& fingerprint) {
    const std::string digits = Normalised(fingerprint);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && i % 2 == 0) out += ':';
        out += digits[i];
    }
    return out;
}

}  // namespace foldcraft
