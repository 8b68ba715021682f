#pragma once

#include <string>

#include "model/SettingsStore.h"
#include "settings/PasswordStore.h"
#include "ui/common/UserDialogs.h"

namespace foldcraft {

// What the views and dialogs need of the application besides the document: the
// dialogs, the per-user settings, the program folder and the keyring. The application
// owns them for the whole run; tests pass doubles.
struct AppServices {
    IUserDialogs& dialogs;
    ISettingsStore& settings;
    std::string programFolder;    // no trailing slash
    std::string lastAddDir = {};  // directory of the last Add Files, this run only
    // Where the publish dialogs remember passwords (PublishPasswords); null: nowhere,
    // the password fields start empty and nothing is said (tests of other things).
    IPasswordStore* passwords = nullptr;
    bool noKeyringSaid = false;  // "no keyring service answered" was said this run
};

}  // namespace foldcraft
