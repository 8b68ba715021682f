#pragma once

#include <string>

#include "settings/PasswordStore.h"

namespace foldcraft::cli {

// The desktop's keyring for the publish commands (KeychainPasswordStore). The first
// call makes the QCoreApplication that the keyring's answers need, if none exists,
// keeping the C library's locale as it was; it lives until the process ends.
IPasswordStore& CliKeyring();

// Asks for a secret on the terminal, without echo: prompt on standard error, the
// answer read from standard input up to the end of the line. False, asking nothing,
// when standard input is not a terminal (a job, a pipe) or the answer cannot be read.
bool AskSecret(const std::string& prompt, std::string& secret);

}  // namespace foldcraft::cli
