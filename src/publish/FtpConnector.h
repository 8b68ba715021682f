#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "publish/FtpSettings.h"

class CFTPLink;

namespace foldcraft {

// Opens logged-on FTP connections for one publish: the first, each further one of a
// run over several connections, and each reconnect after a connection was lost.
// Every connection is opened the same way: connect, AUTH TLS when required, log on
// through the firewall, "FEAT" and "OPTS UTF8 ON" when the server offers UTF8, and
// "CWD" to the starting directory (made first, one level at a time, when asked).
//
// Open may be called from several threads at once: it reads only what it was given.
class FtpConnector {
public:
    // What stopped a connection from opening.
    enum class Failure {
        kNone,
        kUnreachable,       // no connection (Detail: the address and the system's reason)
        kLoginRefused,      // the greeting or the login was refused (the server's reply)
        kNoStartDirectory,  // CWD to the starting directory refused (the server's reply)
        kTlsRefused,        // the server does not offer TLS, which is required
        kCertificate,       // the certificate did not verify and was not trusted
    };

    struct Opened {
        std::unique_ptr<CFTPLink> link;  // logged on, in the starting directory; or null
        Failure failure = Failure::kNone;
        // The server's reply or the link's own text, passwords masked.
        std::string detail;
        // Whether the server offered UTF8 (and was told to use it).
        bool utf8 = false;
    };

    FtpConnector(FtpSettings settings, std::chrono::milliseconds timeout);
    ~FtpConnector();

    // createStartDirectory: make a missing starting directory instead of failing.
    Opened Open(bool createStartDirectory = false) const;

    const FtpSettings& Settings() const { return m_settings; }
    // The passwords, never to be shown.
    std::vector<std::string> Secrets() const;

private:
    FtpSettings m_settings;
    std::chrono::milliseconds m_timeout;
};

}  // namespace foldcraft
