#pragma once

#include <string>

#include "model/SettingsStore.h"
#include "ui/common/UserDialogs.h"

namespace foldcraft {

// What the views and dialogs need of the application besides the document: the
// dialogs, the per-user settings and the program folder. The application owns
// all three for the whole run; tests pass doubles.
struct AppServices {
    IUserDialogs& dialogs;
    ISettingsStore& settings;
    std::string programFolder;    // no trailing slash
    std::string lastAddDir = {};  // directory of the last Add Files, this run only
};

}  // namespace foldcraft
