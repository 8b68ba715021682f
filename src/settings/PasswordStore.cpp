#include "settings/PasswordStore.h"

#include <filesystem>
#include <system_error>

namespace foldcraft {

std::string IPasswordStore::ServerKey(const std::string& protocol, const std::string& user,
                                      const std::string& host, int port) {
    return protocol + "://" + user + "@" + host + ":" + std::to_string(port);
}

std::string IPasswordStore::KeyFileKey(const std::string& keyFile) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(keyFile, error);
    return "sftp-key:" + (error ? keyFile : absolute.lexically_normal().string());
}

}  // namespace foldcraft
