#pragma once

#include <sys/types.h>

#include <string>

namespace foldcraft::test {

// A real OpenSSH server for tests: Debian's /usr/sbin/sshd on 127.0.0.1, on a free
// port, in its own temporary directory with a configuration and an ed25519 host key
// made for it; SFTP is internal-sftp. The user is the system account kUser (made when
// missing, its password set anew for each server); it logs on with Password(), or
// with a key listed in AuthorizedKeys(). SiteDir() is a directory it may write.
//
// The constructor waits (at most kPatience) until the server listens; the destructor
// stops it and every session process it started, and removes the directory.
class SshdTestServer {
public:
    static constexpr const char* kUser = "foldcraft-sftp-test";

    // fileSizeLimit: the largest file the server can write (0: no limit), as a full
    // disk would allow.
    explicit SshdTestServer(long fileSizeLimit = 0);
    ~SshdTestServer();
    SshdTestServer(const SshdTestServer&) = delete;
    SshdTestServer& operator=(const SshdTestServer&) = delete;

    // Why sshd cannot run here (not root, sshd or ssh-keygen missing); empty when it can.
    static std::string Unavailable();

    bool Started() const { return m_port > 0; }
    const std::string& Error() const { return m_error; }
    int Port() const { return m_port; }
    const std::string& Password() const { return m_password; }
    // The host key's "SHA256:..." fingerprint, as ssh-keygen -l tells it.
    const std::string& Fingerprint() const { return m_fingerprint; }
    const std::string& WorkDir() const { return m_workDir; }
    // Owned by kUser; the site goes below it.
    std::string SiteDir() const { return m_workDir + "/site"; }
    // The server's authorized_keys file for kUser (one public key a line).
    std::string AuthorizedKeys() const { return m_workDir + "/authorized_keys"; }
    // Makes an ed25519 key pair at path (and path.pub) with passphrase (may be
    // empty); false when ssh-keygen fails.
    static bool MakeKey(const std::string& path, const std::string& passphrase);
    std::string Log() const;
    // Ends every session this server serves at once (as a lost connection); false
    // when there was none.
    bool DropSessions() const;

private:
    bool Prepare();
    bool Launch(int port);
    void Stop();

    std::string m_workDir;
    std::string m_password;
    std::string m_fingerprint;
    std::string m_error;
    pid_t m_pid = -1;
    int m_port = 0;
    int m_lockFd = -1;  // held while the server lives
    long m_fileSizeLimit = 0;
};

}  // namespace foldcraft::test
