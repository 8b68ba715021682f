#pragma once

#include <string>

namespace foldcraft {

// Secrets kept between runs (publish passwords, key passphrases), each under a key
// that names what it opens: "ftp://USER@HOST:PORT", "sftp://USER@HOST:PORT",
// "sftp-key:/PATH/OF/THE/KEY", "s3://ACCESSKEY@ENDPOINT". KeychainPasswordStore is the
// real one (the desktop's keyring); tests may use a double.
class IPasswordStore {
public:
    enum class Status {
        kOk,         // done (Read: secret is set)
        kNotFound,   // the store answered: nothing under the key
        kNoService,  // no keyring service answered (none running, no session bus, no
                     // answer in time): nothing was read or written
        kFailed,     // the service answered with an error (locked and not opened, refused)
    };
    struct Result {
        Status status = Status::kNoService;
        std::string secret;  // Read with kOk only
        std::string error;   // kNoService and kFailed: why, for the user (never a secret)
        bool Ok() const { return status == Status::kOk; }
    };

    virtual ~IPasswordStore() = default;

    virtual Result Read(const std::string& key) = 0;
    // Stores secret under key, replacing what was there.
    virtual Result Write(const std::string& key, const std::string& secret) = 0;
    // Removes what is under key; kNotFound when nothing was there.
    virtual Result Remove(const std::string& key) = 0;

    // "PROTOCOL://USER@HOST:PORT" ("ftp", "sftp").
    static std::string ServerKey(const std::string& protocol, const std::string& user,
                                 const std::string& host, int port);
    // "sftp-key:" and the key file's absolute path (made absolute from the current
    // directory, without following links).
    static std::string KeyFileKey(const std::string& keyFile);
};

}  // namespace foldcraft
