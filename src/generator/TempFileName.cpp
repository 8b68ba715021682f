#include "generator/TempFileName.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
    std::string name;
    AppendNext(name);
    return name;
}

void TempFileName::AppendNext(std::string& out) {
    // ".~foldcraft-PID-" is made once, and once more in a child after fork(). Only
    // the thread that claims it writes it; a thread that finds it unready uses one of
    // its own for the call.
    enum : int { kNone, kMaking, kReady };
    static std::atomic<int> state{kNone};
    static char prefix[kPrefix.size() + 24];
    static size_t prefixLength = 0;
    static std::atomic<unsigned long> counter{0};
    [[maybe_unused]] static const bool forkHandled = [] {
        ::pthread_atfork(nullptr, nullptr, [] { state.store(kNone); });
        return true;
    }();
    const char* use = prefix;
    size_t useLength = 0;
    char made[sizeof prefix];
    if (state.load(std::memory_order_acquire) == kReady) {
        useLength = prefixLength;
    } else {
        kPrefix.copy(made, kPrefix.size());
        char* end = std::to_chars(made + kPrefix.size(), made + sizeof made - 1,
                                  static_cast<long long>(::getpid()))
                        .ptr;
        *end++ = '-';
        use = made;
        useLength = static_cast<size_t>(end - made);
        int expected = kNone;
        if (state.compare_exchange_strong(expected, kMaking, std::memory_order_acquire)) {
            std::copy(made, end, prefix);
            prefixLength = useLength;
            state.store(kReady, std::memory_order_release);
        }
    }
    char number[24];
    char* const numberEnd = std::to_chars(number, number + sizeof number, counter.fetch_add(1)).ptr;
    out.append(use, useLength);
    out.append(number, numberEnd);
    out.append(kSuffix);
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
