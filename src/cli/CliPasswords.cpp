#include "cli/CliPasswords.h"

#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <clocale>
#include <iostream>

#include "settings/KeychainPasswordStore.h"

namespace foldcraft::cli {

IPasswordStore& CliKeyring() {
    static int argc = 1;
    static char name[] = "foldcraft-cli";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) {
        // QCoreApplication takes the user's locale for the C library; the tool's
        // output keeps the one it had.
        const std::string locale = std::setlocale(LC_ALL, nullptr);
        // Never deleted: it must outlive Qt's own statics, which go at exit.
        static QCoreApplication* const app = new QCoreApplication(argc, argv);
        (void)app;
        std::setlocale(LC_ALL, locale.c_str());
    }
    static KeychainPasswordStore keyring;
    return keyring;
}

bool AskSecret(const std::string& prompt, std::string& secret) {
    if (!::isatty(STDIN_FILENO)) return false;
    termios saved{};
    if (::tcgetattr(STDIN_FILENO, &saved) != 0) return false;
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    std::cerr << prompt << std::flush;
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    const bool read = static_cast<bool>(std::getline(std::cin, secret));
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::cerr << "\n";
    return read;
}

}  // namespace foldcraft::cli
