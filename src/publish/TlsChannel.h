#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;

namespace foldcraft {

// One TLS client connection (OpenSSL) over a non-blocking socket that the caller
// owns and closes after the channel is gone.
//
// The peer certificate is checked against the system's CA store (OpenSSL's default
// paths; SSL_CERT_FILE and SSL_CERT_DIR are honoured) and the host name (or IPv4
// address) that the caller connected to. The handshake goes on whatever the check
// says: Verified() tells the outcome, and the caller refuses the connection before
// sending anything over it.
class TlsChannel {
public:
    enum class Io { kDone, kEnd, kWantRead, kWantWrite, kError };
    using Deadline = std::chrono::steady_clock::time_point;

    // A client context (TLS 1.2 or later, default CA paths). nullptr on failure.
    static std::shared_ptr<SSL_CTX> NewClientContext();

    // Handshakes as a client on fd. host: a DNS name or a dotted IPv4 address.
    // resume: a channel whose session the new one offers to resume (the control
    // connection's, for data connections), or nullptr. nullptr when the handshake
    // failed or did not end by deadline, with the reason in error.
    static std::unique_ptr<TlsChannel> Connect(std::shared_ptr<SSL_CTX> context, int fd,
                                               const std::string& host, const TlsChannel* resume,
                                               Deadline deadline, std::string& error);
    ~TlsChannel();
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    // One read or write; kDone with got/sent set, kEnd at the peer's end of stream,
    // kWant* when the socket must first be ready for reading or writing (retry the
    // same call then). SIGPIPE is never raised.
    Io Read(char* buffer, std::size_t size, std::size_t& got);
    Io Write(const char* buffer, std::size_t size, std::size_t& sent);
    // Sends close_notify once, without waiting for the peer's.
    void Shutdown();

    // Whether the certificate chain and the host name verified.
    bool Verified() const { return m_verifyResult == 0; }
    // Why not, as OpenSSL words it.
    std::string VerifyError() const;
    // SHA-256 of the peer's certificate: 32 upper-case hexadecimal pairs joined by
    // ":"; empty when the peer sent none.
    const std::string& Fingerprint() const { return m_fingerprint; }

    // Whether two fingerprints are the same, ignoring case and ":" separators.
    static bool SameFingerprint(const std::string& a, const std::string& b);

private:
    TlsChannel(std::shared_ptr<SSL_CTX> context, SSL* ssl);

    std::shared_ptr<SSL_CTX> m_context;
    SSL* m_ssl = nullptr;
    long m_verifyResult = -1;
    std::string m_fingerprint;
};

}  // namespace foldcraft
