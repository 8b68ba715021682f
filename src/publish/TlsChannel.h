#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_session_st SSL_SESSION;

namespace foldcraft {

// One TLS client connection (OpenSSL) over a non-blocking socket that the caller
// owns and closes after the channel is gone.
//
// The peer certificate is checked against the system's CA store (OpenSSL's default
// paths; SSL_CERT_FILE and SSL_CERT_DIR are honoured) and the host name (or IPv4
// address) that the caller connected to. The handshake goes on whatever the check
// says: Verified() tells the outcome, and the caller refuses the connection before
// sending anything over it.
//
// Sessions: a channel made without resume starts a family; one made with resume
// joins resume's family and offers to resume the family's newest session, as FTP
// servers that require data connections to reuse the control connection's session
// want. A TLS 1.2 session is known when the first handshake ends and can be resumed
// again and again. TLS 1.3 tickets come after a handshake, a new one after each
// resumed handshake too, and a server may take each one only once; a channel takes
// them in whenever it reads (Read, Close).
class TlsChannel {
public:
    enum class Io { kDone, kEnd, kWantRead, kWantWrite, kError };
    using Deadline = std::chrono::steady_clock::time_point;

    // A client context (TLS 1.2 or later, default CA paths, sessions kept by the
    // channels' families rather than by OpenSSL). nullptr on failure.
    static std::shared_ptr<SSL_CTX> NewClientContext();

    // Handshakes as a client on fd. host: a DNS name or a dotted IPv4 address.
    // resume: a channel whose family the new one joins (the control connection's,
    // for data connections), or nullptr; it need not outlive the new one. nullptr
    // when the handshake failed or did not end by deadline, with the reason in error.
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
    // Ends the connection cleanly: sends close_notify (once) and shuts the socket for
    // writing, then reads and drops whatever still comes (session tickets among it)
    // until the peer's close_notify or end of stream, so that the peer sees a clean
    // end and nothing is left unread when the caller closes the socket (which would
    // reset the connection). True once the connection is over, cleanly or not (a
    // peer that reset it); false when the peer's end had not come by deadline.
    bool Close(Deadline deadline);

    // Whether the certificate chain and the host name verified.
    bool Verified() const { return m_verifyResult == 0; }
    // Why not, as OpenSSL words it.
    std::string VerifyError() const;
    // SHA-256 of the peer's certificate: 32 upper-case hexadecimal pairs joined by
    // ":"; empty when the peer sent none.
    const std::string& Fingerprint() const { return m_fingerprint; }

    // Whether two fingerprints are the same, ignoring case and ":" separators.
    static bool SameFingerprint(const std::string& a, const std::string& b);
    // A fingerprint as Fingerprint() shows one: upper case, pairs joined by ":".
    static std::string Formatted(const std::string& fingerprint);

private:
    // The newest session of a family, owned.
    struct SessionFamily;
    TlsChannel(std::shared_ptr<SSL_CTX> context, SSL* ssl);
    static int OnNewSession(SSL* ssl, SSL_SESSION* session);

    std::shared_ptr<SSL_CTX> m_context;
    std::shared_ptr<SessionFamily> m_family;  // shared with the channels that joined it
    SSL* m_ssl = nullptr;
    long m_verifyResult = -1;
    std::string m_fingerprint;
};

}  // namespace foldcraft
