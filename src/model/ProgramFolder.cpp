#include "model/ProgramFolder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace foldcraft {
namespace {

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/tmp";
}

}  // namespace

std::string ProgramFolder::Resolve(const std::string& explicitChoice) {
    if (!explicitChoice.empty()) return WithoutTrailingSlash(explicitChoice);
    if (const char* env = std::getenv("FOLDCRAFT_HOME"); env && *env) return WithoutTrailingSlash(env);
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg && xdg[0] == '/')
        return WithoutTrailingSlash(std::string(xdg) + "/Foldcraft");
    return WithoutTrailingSlash(HomeDirectory() + "/.local/share/Foldcraft");
}

bool ProgramFolder::Ensure(const std::string& folder, std::string* error) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec)) {
        if (error) *error = "cannot create the program folder " + folder + ": " + ec.message();
        return false;
    }
    return true;
}

void ProgramFolder::CleanUp(const std::string& folder) {
    std::error_code ec;
    // remove_all does not follow a symbolic link named _temp; it removes the link.
    fs::remove_all(TempDir(folder), ec);
    fs::remove(folder + "/temp.html", ec);
    fs::remove(folder + "/styles.css", ec);
}

}  // namespace foldcraft
