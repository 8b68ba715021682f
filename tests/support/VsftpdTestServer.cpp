#include "support/VsftpdTestServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "support/FtpTestServer.h"
#include "support/Patience.h"
#include "support/TempDir.h"

extern char** environ;

namespace foldcraft::test {
namespace {

constexpr const char* kVsftpd = "/usr/sbin/vsftpd";
constexpr const char* kOpenssl = "/usr/bin/openssl";

bool Accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool connected =
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

}  // namespace

std::string VsftpdTestServer::Unavailable() {
    if (::geteuid() != 0) return "vsftpd must be started as root; this test runs as another user";
    if (::access(kVsftpd, X_OK) != 0) return "no /usr/sbin/vsftpd (tools/setup.sh installs it)";
    if (::access(kOpenssl, X_OK) != 0) return "no /usr/bin/openssl (tools/setup.sh installs it)";
    if (!::getpwnam("ftp")) return "no \"ftp\" account for vsftpd's anonymous sessions";
    return {};
}

VsftpdTestServer::VsftpdTestServer(const std::string& maxTlsVersion) {
    if (!Prepare(maxTlsVersion)) return;
    // Another program may take the free port before vsftpd binds it: try again then.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int port = UnusedLoopbackPort();
        if (port > 0 && Launch(port, !maxTlsVersion.empty())) {
            m_port = port;
            m_error.clear();
            return;
        }
    }
}

VsftpdTestServer::~VsftpdTestServer() {
    Stop();
}

bool VsftpdTestServer::Prepare(const std::string& maxTlsVersion) {
    const std::string unavailable = Unavailable();
    if (!unavailable.empty()) {
        m_error = unavailable;
        return false;
    }
    // The anonymous root must not be writable (vsftpd refuses to chroot into one);
    // only www below it belongs to the "ftp" account.
    const passwd* ftp = ::getpwnam("ftp");
    const std::string root = m_workDir / "root";
    if (::chmod(m_workDir.Path().c_str(), 0755) != 0 || ::mkdir(root.c_str(), 0755) != 0 ||
        ::mkdir(UploadDir().c_str(), 0755) != 0 ||
        ::chown(UploadDir().c_str(), ftp->pw_uid, ftp->pw_gid) != 0 ||
        ::mkdir((m_workDir / "empty").c_str(), 0755) != 0) {
        m_error = "cannot lay out " + m_workDir.Path() + ": " + std::strerror(errno);
        return false;
    }

    const std::string key = m_workDir / "key.pem";
    const std::string cert = m_workDir / "cert.pem";
    const std::string made =
        std::string(kOpenssl) +
        " req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout " +
        Quoted(key) + " -out " + Quoted(cert) + " -days 2 -subj /CN=127.0.0.1 >/dev/null 2>&1";
    if (std::system(made.c_str()) != 0) {
        m_error = "openssl could not make a certificate";
        return false;
    }
    const std::string fingerprint =
        std::string(kOpenssl) + " x509 -in " + Quoted(cert) + " -noout -fingerprint -sha256";
    if (FILE* out = ::popen(fingerprint.c_str(), "re")) {
        char line[256] = {};
        if (std::fgets(line, sizeof line, out)) {
            // "sha256 Fingerprint=AB:CD:..."
            const std::string text = line;
            const std::size_t equals = text.find('=');
            if (equals != std::string::npos) {
                m_fingerprint = text.substr(equals + 1, text.find_first_of("\r\n") - equals - 1);
            }
        }
        ::pclose(out);
    }
    if (m_fingerprint.empty()) {
        m_error = "openssl did not tell the certificate's fingerprint";
        return false;
    }

    if (!maxTlsVersion.empty()) {
        std::ofstream(m_workDir / "openssl.cnf") << "openssl_conf = foldcraft_test\n"
                                                     "[foldcraft_test]\n"
                                                     "ssl_conf = ssl_section\n"
                                                     "[ssl_section]\n"
                                                     "system_default = tls_defaults\n"
                                                     "[tls_defaults]\n"
                                                     "MaxProtocol = "
                                                  << maxTlsVersion << "\n";
    }
    return true;
}

bool VsftpdTestServer::Launch(int port, bool capped) {
    const std::string config = m_workDir / "vsftpd.conf";
    {
        std::ofstream out(config);
        out << "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\n"
            << "listen_port=" << port << "\nbackground=NO\n"
            << "anonymous_enable=YES\nlocal_enable=NO\n"
            << "anon_root=" << m_workDir / "root" << "\n"
            << "write_enable=YES\nanon_upload_enable=YES\nanon_mkdir_write_enable=YES\n"
            << "anon_other_write_enable=YES\nanon_world_readable_only=NO\nanon_umask=022\n"
            << "secure_chroot_dir=" << m_workDir / "empty" << "\n"
            << "ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\n"
            << "force_anon_data_ssl=YES\nrequire_ssl_reuse=YES\nssl_ciphers=HIGH\n"
            << "rsa_cert_file=" << m_workDir / "cert.pem" << "\n"
            << "rsa_private_key_file=" << m_workDir / "key.pem" << "\n"
            << "pasv_enable=YES\nport_enable=YES\nseccomp_sandbox=NO\n"
            << "xferlog_enable=YES\nvsftpd_log_file=" << m_workDir / "vsftpd.log" << "\n"
            << "log_ftp_protocol=YES\ndebug_ssl=YES\n";
        if (!out) {
            m_error = "cannot write " + config;
            return false;
        }
    }

    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "OPENSSL_CONF=", 13) != 0) environment.emplace_back(*entry);
    }
    if (capped) environment.push_back("OPENSSL_CONF=" + m_workDir / "openssl.cnf");
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string program = kVsftpd;
    std::vector<char*> argv{program.data(), const_cast<char*>(config.c_str()), nullptr};

    // Its own process group, so that the destructor ends the session processes too.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    const std::string errors = m_workDir / "stderr.log";
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, errors.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0600);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    const int spawned =
        ::posix_spawn(&m_pid, kVsftpd, &files, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        m_pid = -1;
        m_error = std::string("cannot start vsftpd: ") + std::strerror(spawned);
        return false;
    }

    const auto until = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < until) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            m_error = "vsftpd ended: " + ReadFile(errors);
            return false;
        }
        if (Accepts(port)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    Stop();
    m_error = "vsftpd did not listen: " + ReadFile(errors);
    return false;
}

void VsftpdTestServer::Stop() {
    if (m_pid <= 0) return;
    ::kill(-m_pid, SIGKILL);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
}

std::string VsftpdTestServer::Log() const {
    return ReadFile(m_workDir / "vsftpd.log");
}

}  // namespace foldcraft::test
