#include "settings/PublishPasswords.h"

#include "publish/FtpSettings.h"
#include "publish/S3Settings.h"
#include "publish/SftpSettings.h"

namespace foldcraft {
namespace {

constexpr const char* kFilePassword = "Password";

bool Answered(const IPasswordStore::Result& result) {
    return result.status == IPasswordStore::Status::kOk ||
           result.status == IPasswordStore::Status::kNotFound;
}

}  // namespace

PublishPasswords::PublishPasswords(ISettingsStore& settings, IPasswordStore& keyring)
    : m_settings(settings), m_keyring(keyring) {}

std::string PublishPasswords::FtpKey(const FtpSettings& settings) {
    return IPasswordStore::ServerKey("ftp", settings.strUser, settings.strHostName,
                                     settings.nPort.value_or(FtpSettings::kDefaultPort));
}

std::string PublishPasswords::SftpKey(const SftpSettings& settings) {
    return IPasswordStore::ServerKey("sftp", settings.strUser, settings.strHostName,
                                     settings.nPort.value_or(SftpSettings::kDefaultPort));
}

std::string PublishPasswords::PassphraseKey(const SftpSettings& settings) {
    return settings.strKeyFile.empty() ? std::string()
                                       : IPasswordStore::KeyFileKey(settings.strKeyFile);
}

std::string PublishPasswords::S3Key(const S3Settings& settings) {
    if (settings.strAccessKey.empty()) return {};
    return "s3://" + settings.strAccessKey + "@" + settings.Endpoint();
}

PublishPasswords::Found PublishPasswords::Secret(const std::string& key) {
    const IPasswordStore::Result read = m_keyring.Read(key);
    Found found;
    found.keyringAnswered = Answered(read);
    found.found = read.Ok();
    found.secret = read.secret;
    found.error = read.error;
    return found;
}

PublishPasswords::Found PublishPasswords::FtpPassword(const FtpSettings& settings) {
    const bool named = !settings.strHostName.empty() && !settings.strUser.empty();
    Found found = Secret(FtpKey(settings));
    const std::string inFile =
        m_settings.GetString(FtpSettings::kServerSection, kFilePassword, "");
    if (inFile.empty() || found.found) {
        // The keyring's copy wins; a stale one in the file goes.
        if (found.found && !inFile.empty()) m_settings.Remove(FtpSettings::kServerSection, kFilePassword);
        return found;
    }
    if (found.keyringAnswered && named) {
        // Moved only once it is safely in the keyring.
        const IPasswordStore::Result written = m_keyring.Write(FtpKey(settings), inFile);
        if (written.Ok() && m_settings.Remove(FtpSettings::kServerSection, kFilePassword))
            found.logLine = kMovedLine;
        found.secret = inFile;
        found.found = true;
        return found;
    }
    found.secret = inFile;
    found.found = true;
    found.inSettingsFile = !found.keyringAnswered;
    return found;
}

PublishPasswords::KeepResult PublishPasswords::Keep(const std::string& key,
                                                    const std::string& secret, bool remember) {
    const IPasswordStore::Result result = remember && !secret.empty()
                                              ? m_keyring.Write(key, secret)
                                              : m_keyring.Remove(key);
    if (result.Ok() && remember && !secret.empty()) return {Kept::kKeyring, {}};
    if (Answered(result) || !remember) return {Kept::kNowhere, {}};
    return {Kept::kNowhere, result.error};
}

PublishPasswords::KeepResult PublishPasswords::KeepFtpPassword(const FtpSettings& settings,
                                                               bool remember,
                                                               bool inSettingsFile) {
    KeepResult kept = Keep(FtpKey(settings), settings.strPassword, remember);
    const char* section = FtpSettings::kServerSection;
    if (kept.kept != Kept::kKeyring && remember && inSettingsFile) {
        // Where no keyring answered, and only because the user asked for it.
        if (m_settings.WriteString(section, kFilePassword, settings.strPassword))
            return {Kept::kSettingsFile, {}};
        return {Kept::kNowhere, "The password could not be saved in the settings file."};
    }
    if (m_settings.Lookup(section, kFilePassword).kind != ISettingsStore::Stored::Kind::kMissing &&
        !m_settings.Remove(section, kFilePassword) && kept.error.empty()) {
        kept.error = "The password could not be removed from the settings file.";
    }
    return kept;
}

}  // namespace foldcraft
