#pragma once

#include <string>

#include "model/SettingsStore.h"
#include "settings/PasswordStore.h"

namespace foldcraft {
struct FtpSettings;
struct S3Settings;
struct SftpSettings;

// Where the publish passwords live between runs, for the dialogs and the command-line
// tool alike: in the keyring (IPasswordStore) under the server's key
// ("ftp://USER@HOST:PORT", "sftp://USER@HOST:PORT") or the key file's
// ("sftp-key:PATH"), and an S3 secret key under "s3://ACCESSKEY@ENDPOINT". The
// settings file holds an FTP password (FTPServer/Password) only where no keyring
// answers and the user asked for it; one found there while a keyring answers is moved
// into the keyring and removed from the file. Neither store is owned.
class PublishPasswords {
public:
    static constexpr const char* kMovedLine =
        "The password was moved from the settings file into the keyring.";

    // What a lookup found.
    struct Found {
        std::string secret;
        bool found = false;            // secret holds the password
        bool keyringAnswered = false;  // false: no keyring service (or it failed); see error
        bool inSettingsFile = false;   // found in the settings file (no keyring answered)
        std::string logLine;           // kMovedLine after a move, else empty
        std::string error;             // why the keyring did not answer, else empty
    };

    // Where Keep put a password.
    enum class Kept { kKeyring, kSettingsFile, kNowhere };
    struct KeepResult {
        Kept kept = Kept::kNowhere;
        std::string error;  // a keyring or settings-file failure, else empty
    };

    PublishPasswords(ISettingsStore& settings, IPasswordStore& keyring);

    // The FTP password for settings' user, host and port: the keyring's, else the
    // settings file's (moved into the keyring when one answers). Not found when the
    // host or the user is empty and the file holds none.
    Found FtpPassword(const FtpSettings& settings);
    // The keyring's secret under key (no settings file).
    Found Secret(const std::string& key);

    // After a publish press: remember keeps the FTP password in the keyring and takes it
    // out of the settings file; where no keyring answers, inSettingsFile keeps it in the
    // file (else it is kept nowhere and any copy in the file is removed). Not
    // remembering removes it from both.
    KeepResult KeepFtpPassword(const FtpSettings& settings, bool remember, bool inSettingsFile);
    // The same for a keyring-only secret; an empty secret is removed, not stored.
    KeepResult Keep(const std::string& key, const std::string& secret, bool remember);

    static std::string FtpKey(const FtpSettings& settings);
    static std::string SftpKey(const SftpSettings& settings);
    // Empty when settings name no key file.
    static std::string PassphraseKey(const SftpSettings& settings);
    // "s3://ACCESSKEY@ENDPOINT", the endpoint as S3Settings::Endpoint gives it; empty
    // when settings hold no access key.
    static std::string S3Key(const S3Settings& settings);

private:
    ISettingsStore& m_settings;
    IPasswordStore& m_keyring;
};

}  // namespace foldcraft
