#pragma once

#include <string>

#include "settings/PasswordStore.h"

namespace foldcraft {

// The desktop's keyring (the Secret Service: GNOME Keyring, KWallet, KeePassXC) through
// QtKeychain, under the service name "Foldcraft". Each call waits for the keyring's
// answer in a local event loop, at most timeoutMs; no answer in that time counts as
// no keyring (kNoService), and the late answer is dropped. A keyring that asks the
// user to unlock it waits for that answer within the same time.
//
// A QCoreApplication (or QApplication) must exist on the calling thread, which must
// be the one it lives on. Nothing is ever written in plain text beside the keyring:
// QtKeychain's fallback into a settings file is off.
class KeychainPasswordStore : public IPasswordStore {
public:
    static constexpr const char* kService = "Foldcraft";
    static constexpr int kDefaultTimeoutMs = 30000;

    explicit KeychainPasswordStore(int timeoutMs = kDefaultTimeoutMs);

    Result Read(const std::string& key) override;
    Result Write(const std::string& key, const std::string& secret) override;
    Result Remove(const std::string& key) override;

private:
    int m_timeoutMs;
};

}  // namespace foldcraft
