#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace foldcraft::test {

// A real FTP server for tests: tests/support/ftp_test_server.py (Debian
// python3-pyftpdlib) run with /usr/bin/python3 on 127.0.0.1, on a free port, serving
// one directory for one user. The constructor waits (at most kPatience) until it
// listens. The server reads its standard input, a pipe from us, and ends when that
// closes: in the destructor, or when the test process goes.
class FtpTestServer {
public:
    // extraArgs go to the script as they are (--tls-cert PEM --tls-key PEM: explicit
    // FTPS required; the command log then marks each PASS [tls] or [plain]).
    FtpTestServer(const std::string& root, const std::string& user, const std::string& password,
                  const std::vector<std::string>& extraArgs = {});
    ~FtpTestServer();
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    // False (with Error()) when the server did not come up.
    bool Started() const { return m_port > 0; }
    const std::string& Error() const { return m_error; }
    int Port() const { return m_port; }

    // Every command line the server received so far (passwords masked).
    std::vector<std::string> Commands() const;

    // Whether /usr/bin/python3 can import pyftpdlib.
    static bool Available();

private:
    FILE* m_stdin = nullptr;
    int m_port = 0;
    TempDir m_workDir;
    std::string m_error;
};

// A port on 127.0.0.1 that nothing listens on just now (the system gave it and took
// it back); 0 when none was found.
int UnusedLoopbackPort();
// text quoted for a POSIX shell.
std::string Quoted(const std::string& text);

}  // namespace foldcraft::test
