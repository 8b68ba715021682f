#include "generator/TempFileName.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>

namespace foldcraft {
namespace {

constexpr std::string_view kPrefix = ".~foldcraft-";
constexpr std::string_view kSuffix = ".tmp";

// Reads a decimal number without leading zeros from the front of text; false when
// there is none or it does not fit.
bool TakeNumber(std::string_view& text, unsigned long long& value) {
    if (text.empty() || (text[0] == '0' && text.size() > 1 && text[1] >= '0' && text[1] <= '9'))
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end == text.data()) return false;
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    return true;
}

}  // namespace

std::string TempFileName::Next() {
    static std::atomic<unsigned long> counter{0};
    return std::string(kPrefix) + std::to_string(::getpid()) + "-" +
           std::to_string(counter.fetch_add(1)) + std::string(kSuffix);
}

pid_t TempFileName::OwnerOf(std::string_view name) {
    if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return 0;
    name.remove_prefix(kPrefix.size());
    name.remove_suffix(kSuffix.size());
    unsigned long long pid = 0;
    unsigned long long serial = 0;
    if (!TakeNumber(name, pid) || name.empty() || name[0] != '-') return 0;
    name.remove_prefix(1);
    if (!TakeNumber(name, serial) || !name.empty()) return 0;
    if (pid == 0 || pid > static_cast<unsigned long long>(INT_MAX)) return 0;
    return static_cast<pid_t>(pid);
}

size_t TempFileName::RemoveStale(int dirFd) {
    // A descriptor of its own for the listing (dirFd may be an O_PATH one).
    const int listFd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0) return 0;
    DIR* dir = ::fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return 0;
    }
    const pid_t self = ::getpid();
    size_t removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t owner = OwnerOf(entry->d_name);
        if (owner == 0 || owner == self) continue;
        if (::kill(owner, 0) == 0 || errno != ESRCH) continue;  // alive, or not ours to know
        struct stat st {};
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (::unlinkat(dirFd, entry->d_name, 0) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

}  // namespace foldcraft
