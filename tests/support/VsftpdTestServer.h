#pragma once

#include <sys/types.h>

#include <string>

#include "support/TempDir.h"

namespace foldcraft::test {

// A real vsftpd for tests: Debian's /usr/sbin/vsftpd on 127.0.0.1, on a free port,
// in its own temporary directory with a configuration and a self-signed certificate
// made for it. Explicit FTPS is required for the login and for every data
// connection, and a data connection must resume the control connection's TLS
// session (vsftpd's require_ssl_reuse, on by default); active and passive mode are
// both allowed. The login is anonymous (user "anonymous", any password; vsftpd
// serves as its "ftp" account, chrooted to a root that nobody may write to) and
// UploadDir() is the one writable directory, "www" to the client.
//
// The constructor waits (at most kPatience) until the server listens. The
// destructor stops the server and every session process it started, and removes
// the directory.
class VsftpdTestServer {
public:
    // maxTlsVersion: "TLSv1.2" makes the server offer nothing newer (an OpenSSL
    // configuration of its own, through OPENSSL_CONF); empty leaves OpenSSL's
    // default (TLS 1.3).
    explicit VsftpdTestServer(const std::string& maxTlsVersion = {});
    ~VsftpdTestServer();
    VsftpdTestServer(const VsftpdTestServer&) = delete;
    VsftpdTestServer& operator=(const VsftpdTestServer&) = delete;

    // Why vsftpd cannot run here (not root, vsftpd or the openssl command missing,
    // no "ftp" account); empty when it can.
    static std::string Unavailable();

    // False (with Error()) when the server did not come up.
    bool Started() const { return m_port > 0; }
    const std::string& Error() const { return m_error; }
    int Port() const { return m_port; }
    // SHA-256 of the server's certificate, "AB:CD:..." (to pin it: it verifies
    // against no CA).
    const std::string& Fingerprint() const { return m_fingerprint; }
    // The local path of the writable directory.
    std::string UploadDir() const { return m_workDir / "root/www"; }
    // vsftpd's log so far: every command and reply, and one "SSL version: ..." line
    // per handshake.
    std::string Log() const;

private:
    bool Prepare(const std::string& maxTlsVersion);
    bool Launch(int port, bool capped);
    void Stop();

    TempDir m_workDir;
    std::string m_fingerprint;
    std::string m_error;
    pid_t m_pid = -1;
    int m_port = 0;
};

}  // namespace foldcraft::test
