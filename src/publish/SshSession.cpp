#include "publish/SshSession.h"

#include <libssh/libssh.h>

#include <cstdlib>
#include <utility>

namespace foldcraft {
namespace {

struct KeyDeleter {
    void operator()(ssh_key key) const { ssh_key_free(key); }
};
using UniqueKey = std::unique_ptr<ssh_key_struct, KeyDeleter>;

std::vector<std::string> MethodNames(int methods) {
    std::vector<std::string> names;
    if (methods & SSH_AUTH_METHOD_PUBLICKEY) names.emplace_back("publickey");
    if (methods & SSH_AUTH_METHOD_PASSWORD) names.emplace_back("password");
    if (methods & SSH_AUTH_METHOD_INTERACTIVE) names.emplace_back("keyboard-interactive");
    if (methods & SSH_AUTH_METHOD_HOSTBASED) names.emplace_back("hostbased");
    if (methods & SSH_AUTH_METHOD_GSSAPI_MIC) names.emplace_back("gssapi-with-mic");
    return names;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text.empty() ? "none" : text;
}

// Answers every keyboard-interactive prompt that does not echo with the password
// (OpenSSH asks "Password:" this way when PAM is on).
bool KeyboardInteractive(ssh_session session, const std::string& password) {
    for (int round = 0; round < 4; ++round) {
        int rc = ssh_userauth_kbdint(session, nullptr, nullptr);
        if (rc == SSH_AUTH_SUCCESS) return true;
        if (rc != SSH_AUTH_INFO) return false;
        const int prompts = ssh_userauth_kbdint_getnprompts(session);
        for (int i = 0; i < prompts; ++i) {
            char echo = 0;
            ssh_userauth_kbdint_getprompt(session, static_cast<unsigned>(i), &echo);
            if (echo) return false;
            if (ssh_userauth_kbdint_setanswer(session, static_cast<unsigned>(i), password.c_str()) <
                0)
                return false;
        }
    }
    return false;
}

}  // namespace

SshSession::~SshSession() {
    if (ssh_is_connected(m_session)) ssh_disconnect(m_session);
    ssh_free(m_session);
}

std::string SshSession::Error() const {
    const char* text = ssh_get_error(m_session);
    return text ? text : "";
}

bool SshSession::Connected() const {
    return ssh_is_connected(m_session) != 0;
}

std::string SshSession::FingerprintOf(const unsigned char* digest, std::size_t length) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text = "SHA256:";
    std::size_t i = 0;
    for (; i + 2 < length; i += 3) {
        const unsigned v = (digest[i] << 16) | (digest[i + 1] << 8) | digest[i + 2];
        text += kAlphabet[(v >> 18) & 63];
        text += kAlphabet[(v >> 12) & 63];
        text += kAlphabet[(v >> 6) & 63];
        text += kAlphabet[v & 63];
    }
    if (length - i == 1) {
        const unsigned v = digest[i] << 16;
        text += kAlphabet[(v >> 18) & 63];
        text += kAlphabet[(v >> 12) & 63];
    } else if (length - i == 2) {
        const unsigned v = (digest[i] << 16) | (digest[i + 1] << 8);
        text += kAlphabet[(v >> 18) & 63];
        text += kAlphabet[(v >> 12) & 63];
        text += kAlphabet[(v >> 6) & 63];
    }
    return text;
}

SshSession::Opened SshSession::Open(const SshOptions& options) {
    Opened opened;
    ssh_session raw = ssh_new();
    if (!raw) {
        opened.failure = Failure::kUnreachable;
        opened.detail = "libssh could not make a session";
        return opened;
    }
    std::unique_ptr<SshSession> session(new SshSession(raw));
    const long timeout = options.timeoutSeconds > 0 ? options.timeoutSeconds : 60;
    const int port = options.port;
    // Only what the settings say: no ~/.ssh/config, no default identities.
    const bool no = false;
    ssh_options_set(raw, SSH_OPTIONS_PROCESS_CONFIG, &no);
    // Each SFTP request waits for its answer: without TCP_NODELAY a small request
    // waits for the peer's delayed acknowledgement too (measured: 30 ms a block).
    const int nodelay = 1;
    ssh_options_set(raw, SSH_OPTIONS_NODELAY, &nodelay);
    if (ssh_options_set(raw, SSH_OPTIONS_HOST, options.host.c_str()) < 0 ||
        ssh_options_set(raw, SSH_OPTIONS_PORT, &port) < 0 ||
        ssh_options_set(raw, SSH_OPTIONS_USER, options.user.c_str()) < 0 ||
        ssh_options_set(raw, SSH_OPTIONS_TIMEOUT, &timeout) < 0 ||
        ssh_options_set(raw, SSH_OPTIONS_KNOWNHOSTS, options.knownHostsFile.c_str()) < 0) {
        opened.failure = Failure::kUnreachable;
        opened.detail = session->Error();
        return opened;
    }
    // The user's own known hosts stand where libssh reads the system's.
    if (!options.userKnownHostsFile.empty())
        ssh_options_set(raw, SSH_OPTIONS_GLOBAL_KNOWNHOSTS, options.userKnownHostsFile.c_str());

    if (ssh_connect(raw) != SSH_OK) {
        opened.failure = Failure::kUnreachable;
        opened.detail = options.host + " port " + std::to_string(port) + ": " + session->Error();
        return opened;
    }

    // The server's key.
    ssh_key rawKey = nullptr;
    if (ssh_get_server_publickey(raw, &rawKey) != SSH_OK) {
        opened.failure = Failure::kUnreachable;
        opened.detail = "the server sent no host key: " + session->Error();
        return opened;
    }
    const UniqueKey key(rawKey);
    opened.keyType = ssh_key_type_to_char(ssh_key_type(key.get()));
    unsigned char* digest = nullptr;
    size_t digestLength = 0;
    if (ssh_get_publickey_hash(key.get(), SSH_PUBLICKEY_HASH_SHA256, &digest, &digestLength) == 0) {
        opened.fingerprint = FingerprintOf(digest, digestLength);
        ssh_clean_pubkey_hash(&digest);
    }
    switch (ssh_session_is_known_server(raw)) {
        case SSH_KNOWN_HOSTS_OK:
            break;
        case SSH_KNOWN_HOSTS_CHANGED:
        case SSH_KNOWN_HOSTS_OTHER:
            opened.failure = Failure::kHostKeyChanged;
            opened.detail =
                "WARNING: the host key of " + options.host + " has changed (it now offers " +
                opened.keyType + " " + opened.fingerprint +
                "). Someone may be listening in between, or the server was set up anew. "
                "The old key stays trusted; remove it from " +
                options.knownHostsFile +
                (options.userKnownHostsFile.empty() ? "" : " or " + options.userKnownHostsFile) +
                " only once you know the new key is the server's.";
            return opened;
        case SSH_KNOWN_HOSTS_UNKNOWN:
        case SSH_KNOWN_HOSTS_NOT_FOUND:
            if (opened.fingerprint.empty() || options.trustFingerprint != opened.fingerprint) {
                opened.failure = Failure::kHostKeyUnknown;
                opened.detail = "The host key of " + options.host +
                                " is not known: " + opened.keyType + " " + opened.fingerprint + ".";
                return opened;
            }
            if (ssh_session_update_known_hosts(raw) != SSH_OK) {
                opened.failure = Failure::kHostKeyUnknown;
                opened.detail = "The host key could not be added to " + options.knownHostsFile +
                                ": " + session->Error();
                return opened;
            }
            break;
        case SSH_KNOWN_HOSTS_ERROR:
        default:
            opened.failure = Failure::kHostKeyUnknown;
            opened.detail = "The known hosts could not be read: " + session->Error();
            return opened;
    }

    // Log-on: none (to learn the methods), the key file, the agent, the password.
    int rc = ssh_userauth_none(raw, nullptr);
    if (rc == SSH_AUTH_SUCCESS) {
        opened.session = std::move(session);
        return opened;
    }
    const int methods = ssh_userauth_list(raw, nullptr);
    opened.offeredMethods = MethodNames(methods);
    std::vector<std::string> tried;
    if (!options.identityFile.empty()) {
        ssh_key rawPrivate = nullptr;
        if (ssh_pki_import_privkey_file(
                options.identityFile.c_str(),
                options.passphrase.empty() ? nullptr : options.passphrase.c_str(), nullptr, nullptr,
                &rawPrivate) != SSH_OK) {
            opened.failure = Failure::kKeyFile;
            opened.detail = "The key file " + options.identityFile +
                            " cannot be read (missing, not a private key, or the passphrase "
                            "is wrong or missing).";
            return opened;
        }
        const UniqueKey privateKey(rawPrivate);
        if (methods & SSH_AUTH_METHOD_PUBLICKEY) {
            tried.emplace_back("key file");
            rc = ssh_userauth_publickey(raw, nullptr, privateKey.get());
            if (rc == SSH_AUTH_SUCCESS) {
                opened.session = std::move(session);
                return opened;
            }
        }
    }
    const char* agent = std::getenv("SSH_AUTH_SOCK");
    if (options.useAgent && agent && *agent && (methods & SSH_AUTH_METHOD_PUBLICKEY) &&
        ssh_is_connected(raw)) {
        tried.emplace_back("agent");
        if (ssh_userauth_agent(raw, nullptr) == SSH_AUTH_SUCCESS) {
            opened.session = std::move(session);
            return opened;
        }
    }
    if (!options.password.empty() && ssh_is_connected(raw)) {
        if (methods & SSH_AUTH_METHOD_PASSWORD) {
            tried.emplace_back("password");
            if (ssh_userauth_password(raw, nullptr, options.password.c_str()) == SSH_AUTH_SUCCESS) {
                opened.session = std::move(session);
                return opened;
            }
        } else if (methods & SSH_AUTH_METHOD_INTERACTIVE) {
            tried.emplace_back("password (keyboard-interactive)");
            if (KeyboardInteractive(raw, options.password)) {
                opened.session = std::move(session);
                return opened;
            }
        }
    }
    opened.failure = Failure::kAuthRefused;
    opened.detail =
        "the server offers " + Joined(opened.offeredMethods) + "; tried " + Joined(tried);
    return opened;
}

}  // namespace foldcraft
