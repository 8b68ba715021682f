#pragma once

#include <memory>
#include <string>
#include <vector>

struct ssh_session_struct;

namespace foldcraft {

// How to reach and log on to an SSH server.
struct SshOptions {
    std::string host;
    int port = 22;
    std::string user;
    // Secrets: never logged, never part of a detail text.
    std::string password;      // empty: no password log-on
    std::string passphrase;    // of identityFile
    std::string identityFile;  // empty: no key file
    bool useAgent = true;      // the agent at $SSH_AUTH_SOCK, when set
    // The known hosts Foldcraft keeps (accepted keys are added there) and the
    // user's own, read too (empty: not read).
    std::string knownHostsFile;
    std::string userKnownHostsFile;
    // "SHA256:..." of a key to accept (and add to knownHostsFile) when the host is
    // not known yet; never a key that differs from a known one.
    std::string trustFingerprint;
    int timeoutSeconds = 60;
};

// One logged-on SSH connection (libssh), made by Open: connected, the server's key
// checked against the known hosts, authenticated. The ssh_session is the object's and
// ends (disconnected, freed) with it.
class SshSession {
public:
    enum class Failure {
        kNone,
        kUnreachable,     // the host cannot be reached or the SSH handshake failed
        kHostKeyUnknown,  // not in the known hosts, no matching trusted fingerprint
        kHostKeyChanged,  // a known host offers another key: a warning, never accepted
        kAuthRefused,     // no method worked (detail lists those the server offered)
        kKeyFile,         // the identity file cannot be read or decrypted
    };

    struct Opened {
        std::unique_ptr<SshSession> session;  // null on failure
        Failure failure = Failure::kNone;
        std::string detail;  // why, without any secret
        // The server's key when it was seen: "ssh-ed25519", "SHA256:base64".
        std::string keyType;
        std::string fingerprint;
        std::vector<std::string> offeredMethods;  // kAuthRefused: "password", "publickey", ...
    };

    static Opened Open(const SshOptions& options);
    ~SshSession();
    SshSession(const SshSession&) = delete;
    SshSession& operator=(const SshSession&) = delete;

    ssh_session_struct* Handle() const { return m_session; }
    // libssh's last error text for this session.
    std::string Error() const;
    bool Connected() const;

    // OpenSSH's form of a SHA-256 fingerprint: "SHA256:" + base64 without padding.
    static std::string FingerprintOf(const unsigned char* digest, std::size_t length);

private:
    explicit SshSession(ssh_session_struct* session) : m_session(session) {}
    ssh_session_struct* m_session;
};

}  // namespace foldcraft
