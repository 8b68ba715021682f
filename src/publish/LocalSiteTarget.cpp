#include "publish/LocalSiteTarget.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "generator/TempFileName.h"
#include "publish/FileCopy.h"

namespace foldcraft {
namespace {

// Directories are held open with O_PATH: enough to work below them, and it needs
// no read permission.
constexpr int kDirFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::string ErrorText(int err) {
    return std::strerror(err);
}

// The directory part and the name of a relative path.
std::pair<std::string, std::string> Split(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {std::string(), path};
    return {path.substr(0, slash), path.substr(slash + 1)};
}

// Whether name can stand in a directory: not empty, not "." nor "..".
bool IsEntryName(const std::string& name) {
    return !name.empty() && name != "." && name != "..";
}

FileTime TimeOf(const struct stat& st) {
    return FileTime{st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return "unknown";
    return name;
}

// "host NAME, process PID" from a lock file's text.
std::string HolderOf(int fd) {
    char text[512] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    std::string host = "unknown";
    std::string pid = "unknown";
    const std::string content(text, n > 0 ? static_cast<std::size_t>(n) : 0);
    for (std::size_t pos = 0; pos < content.size();) {
        std::size_t end = content.find('\n', pos);
        if (end == std::string::npos) end = content.size();
        const std::string line = content.substr(pos, end - pos);
        if (line.rfind("host ", 0) == 0) host = line.substr(5);
        if (line.rfind("pid ", 0) == 0) pid = line.substr(4);
        pos = end + 1;
    }
    return "host " + host + ", process " + pid;
}

}  // namespace

LocalSiteTarget::LocalSiteTarget(std::string targetDir) : m_targetDir(std::move(targetDir)) {}

bool LocalSiteTarget::Open() {
    // A Windows-form or relative target names nothing here; it would otherwise be
    // taken relative to the current directory.
    if (m_root.Get() < 0 && !m_targetDir.empty() && m_targetDir[0] == '/') {
        m_root.Reset(::open(m_targetDir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    }
    return m_root.Get() >= 0;
}

int LocalSiteTarget::Directory(const std::string& relative, std::string& reason, bool fresh) {
    m_missing = false;
    m_putDir.reset();
    if (!Open()) {
        reason = "the target directory cannot be opened";
        return -1;
    }
    if (relative.empty()) return m_root.Get();
    if (!fresh && m_last.Get() >= 0 && m_lastName == relative) return m_last.Get();
    // While the site is only looked at, a directory found missing stays missing: the
    // files below it are not asked for one by one.
    if (fresh) {
        m_missingDir.clear();
    } else if (!m_missingDir.empty() &&
               (relative == m_missingDir || relative.rfind(m_missingDir + "/", 0) == 0)) {
        m_missing = true;
        reason = m_missingDir + ": " + ErrorText(ENOENT);
        return -1;
    }
    UniqueFd current(::fcntl(m_root.Get(), F_DUPFD_CLOEXEC, 0));
    std::size_t start = 0;
    while (current.Get() >= 0) {
        const std::size_t end = relative.find('/', start);
        const std::string part =
            relative.substr(start, end == std::string::npos ? std::string::npos : end - start);
        // Never climbs, whatever the caller passes.
        if (part.empty() || part == "." || part == "..") {
            reason = "not a path inside the site: " + relative;
            return -1;
        }
        const int fd = ::openat(current.Get(), part.c_str(), kDirFlags);
        if (fd < 0) {
            const int err = errno;
            m_missing = err == ENOENT;
            if (m_missing && !fresh) m_missingDir = relative.substr(0, end);
            struct stat st {};
            if (::fstatat(current.Get(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(st.st_mode)) {
                reason = "a symbolic link stands where the directory " + relative.substr(0, end) +
                         " belongs";
            } else {
                reason = relative.substr(0, end) + ": " + ErrorText(err);
            }
            return -1;
        }
        current.Reset(fd);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    if (current.Get() < 0) {
        reason = ErrorText(errno);
        return -1;
    }
    m_last = std::move(current);
    m_lastName = fresh ? std::string() : relative;
    return m_last.Get();
}

SiteTarget::Lock LocalSiteTarget::TakeLock(std::string& holder) {
    if (!Open()) {
        holder = "the target directory cannot be opened";
        return Lock::kFailed;
    }
    // The lock file is removed when the run ends, so a run may lock a file that the
    // run before it has just removed: then it tries again with the new one.
    for (int attempt = 0; attempt < 100; ++attempt) {
        UniqueFd fd(::openat(m_root.Get(), kLockName,
                             O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644));
        struct stat st {};
        if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
            holder = std::string(kLockName) + " is not a regular file";
            return Lock::kFailed;
        }
        if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK) {
                holder = std::string(kLockName) + ": " + ErrorText(errno);
                return Lock::kFailed;
            }
            holder = HolderOf(fd.Get());
            return Lock::kHeld;
        }
        struct stat now {};
        if (::fstatat(m_root.Get(), kLockName, &now, AT_SYMLINK_NOFOLLOW) != 0 ||
            now.st_dev != st.st_dev || now.st_ino != st.st_ino) {
            continue;  // removed or replaced meanwhile
        }
        const std::string text =
            "host " + HostName() + "\npid " + std::to_string(::getpid()) + "\n";
        // Who holds it, for a second run to tell; the lock itself is the flock.
        if (::ftruncate(fd.Get(), 0) != 0 ||
            ::pwrite(fd.Get(), text.data(), text.size(), 0) != static_cast<ssize_t>(text.size())) {
            // Held all the same; only the message of a second run says less.
        }
        m_lock = std::move(fd);
        return Lock::kTaken;
    }
    holder = std::string(kLockName) + " keeps changing";
    return Lock::kFailed;
}

void LocalSiteTarget::ReleaseLock() {
    if (m_lock.Get() < 0) return;
    // Removed while still held, so that no run locks it after it is gone.
    ::unlinkat(m_root.Get(), kLockName, 0);
    m_lock.Reset();
}

SiteTarget::ManifestText LocalSiteTarget::ReadManifest() {
    ManifestText result;
    if (!Open()) return result;
    UniqueFd fd(::openat(m_root.Get(), PublishManifest::kFileName,
                         O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.Get() < 0) {
        if (errno == ENOENT) return result;
        result.found = true;
        result.status = Status::Failed(ErrorText(errno));
        return result;
    }
    result.found = true;
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        result.status = Status::Failed("not a regular file");
        return result;
    }
    if (static_cast<std::uint64_t>(st.st_size) > PublishManifest::kMaxBytes) {
        result.status = Status::Failed("too large");
        return result;
    }
    result.text.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < result.text.size()) {
        const ssize_t n = ::read(fd.Get(), result.text.data() + done, result.text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    // A file that changed size meanwhile is not trusted.
    char extra = 0;
    if (done != result.text.size() || ::read(fd.Get(), &extra, 1) != 0) {
        result.status = Status::Failed("changed while it was read");
        result.text.clear();
    }
    return result;
}

SiteTarget::Status LocalSiteTarget::WriteBytes(int dirFd, const std::string& name,
                                               const std::string& bytes, ManifestEntry* entry) {
    std::string temp;
    UniqueFd out;
    for (int attempt = 0; attempt < 100 && out.Get() < 0; ++attempt) {
        temp = TempFileName::Next();
        out.Reset(::openat(dirFd, temp.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (out.Get() < 0 && errno != EEXIST) break;
    }
    if (out.Get() < 0)
        return Status::Failed("cannot create a file beside " + name + ": " + ErrorText(errno));
    struct stat st {};
    const bool written = WriteAll(out.Get(), bytes) && ::fstat(out.Get(), &st) == 0;
    const int err = errno;
    if (!written || !out.Close() || ::renameat(dirFd, temp.c_str(), dirFd, name.c_str()) != 0) {
        const int why = written ? errno : err;
        ::unlinkat(dirFd, temp.c_str(), 0);
        return Status::Failed("cannot write " + name + ": " + ErrorText(why));
    }
    if (entry) {
        entry->size = static_cast<std::uint64_t>(st.st_size);
        entry->mtime = TimeOf(st);
    }
    return Status::Ok();
}

SiteTarget::Status LocalSiteTarget::WriteManifest(const std::string& text) {
    if (!Open()) return Status::Failed("the target directory cannot be opened");
    return WriteBytes(m_root.Get(), PublishManifest::kFileName, text, nullptr);
}

bool LocalSiteTarget::Holds(const std::string& path, const FileSource& source,
                            const ManifestEntry& wanted, const ManifestEntry* recorded) {
    const auto [dir, name] = Split(path);
    std::string reason;
    const int dirFd = Directory(dir, reason);
    struct stat st {};
    if (dirFd < 0 || ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode)) {
        return false;
    }
    if (wanted.mtime) {
        // A copy keeps its source's size and time; the source itself is no copy.
        struct stat from {};
        if (source.bytes == nullptr && source.inode == 0 &&
            ::stat(source.localPath.c_str(), &from) == 0) {
            if (from.st_dev == st.st_dev && from.st_ino == st.st_ino) return false;
        } else if (source.bytes == nullptr && source.device == st.st_dev &&
                   source.inode == st.st_ino) {
            return false;
        }
        return static_cast<std::uint64_t>(st.st_size) == wanted.size && TimeOf(st) == *wanted.mtime;
    }
    // A page: the bytes recorded are the ones wanted, and the file is as it was left.
    return recorded && !recorded->sha256.empty() && recorded->sha256 == wanted.sha256 &&
           recorded->size == wanted.size && static_cast<std::uint64_t>(st.st_size) == wanted.size &&
           recorded->mtime && *recorded->mtime == TimeOf(st);
}

std::unique_ptr<SiteTarget> LocalSiteTarget::Twin() const {
    // A target of its own (its own directory cache), on the root already opened: both
    // halves look at one and the same directory.
    auto twin = std::make_unique<LocalSiteTarget>(m_targetDir);
    if (m_root.Get() >= 0) twin->m_root.Reset(::fcntl(m_root.Get(), F_DUPFD_CLOEXEC, 0));
    return twin;
}

SiteTarget::Status LocalSiteTarget::MakeDirectory(const std::string& path, bool& made) {
    made = false;
    const auto [dir, name] = Split(path);
    if (!IsEntryName(name)) return Status::Failed("not a path inside the site: " + path, true);
    std::string reason;
    const int dirFd = Directory(dir, reason, true);
    if (dirFd < 0) return Status::Failed(reason, true);
    if (::mkdirat(dirFd, name.c_str(), 0777) == 0) {
        made = true;
        return Status::Ok();
    }
    const int err = errno;
    struct stat st {};
    if (err == EEXIST && ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(st.st_mode)) return Status::Ok();
        if (S_ISLNK(st.st_mode))
            return Status::Failed("a symbolic link stands where the directory " + path + " belongs",
                                  true);
    }
    return Status::Failed(path + ": " + ErrorText(err), err == ENOENT);
}

SiteTarget::Status LocalSiteTarget::PutFile(const std::string& path, const FileSource& source,
                                            const ManifestEntry& wanted,
                                            std::optional<ManifestEntry>& entry) {
    entry.reset();
    const auto [dir, name] = Split(path);
    if (!IsEntryName(name)) return Status::Failed("not a path inside the site: " + path);
    std::string reason;
    // Entered afresh for the first of a row of files into one directory (the plan's
    // order keeps them together); the rest of the row goes into the same one.
    int dirFd = -1;
    if (!dir.empty() && m_putDir && *m_putDir == dir && m_last.Get() >= 0) {
        dirFd = m_last.Get();
    } else {
        dirFd = Directory(dir, reason, true);
        if (dirFd < 0) return Status::Failed(reason);
        m_putDir = dir;
    }
    if (source.bytes) {
        ManifestEntry written = wanted;
        Status status = WriteBytes(dirFd, name, *source.bytes, &written);
        if (status.ok) entry = written;
        return status;
    }
    std::string error;
    FileCopy::Copied copied;
    switch (FileCopy::CopyInto(source.localPath, dirFd, name, &error, &copied, source.onBytes)) {
        case FileCopy::Outcome::kCopied: {
            ManifestEntry written = wanted;
            written.size = copied.size;
            written.mtime = FileTime{copied.mtimeSec, copied.mtimeNsec};
            entry = written;
            return Status::Ok();
        }
        case FileCopy::Outcome::kSameFile:  // the source itself: not ours to record
            return Status::Ok();
        case FileCopy::Outcome::kFailed:
            break;
    }
    return Status::Failed(error);
}

SiteTarget::Removal LocalSiteTarget::RemoveFile(const std::string& path,
                                                const ManifestEntry& recorded,
                                                std::string& reason) {
    const auto [dir, name] = Split(path);
    if (!IsEntryName(name)) {
        reason = "not a path inside the site: " + path;
        return Removal::kFailed;
    }
    // Entered afresh: a directory swapped for a link since the plan is not followed.
    const int dirFd = Directory(dir, reason, true);
    if (dirFd < 0) return m_missing ? Removal::kGone : Removal::kFailed;
    struct stat st {};
    if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT) return Removal::kGone;
        reason = ErrorText(errno);
        return Removal::kFailed;
    }
    if (!S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) != recorded.size ||
        (recorded.mtime && !(*recorded.mtime == TimeOf(st)))) {
        return Removal::kChanged;
    }
    if (::unlinkat(dirFd, name.c_str(), 0) != 0) {
        reason = ErrorText(errno);
        return Removal::kFailed;
    }
    return Removal::kRemoved;
}

SiteTarget::Status LocalSiteTarget::RemoveDirectory(const std::string& path) {
    const auto [dir, name] = Split(path);
    if (!IsEntryName(name)) return Status::Failed("not a path inside the site: " + path);
    std::string reason;
    const int dirFd = Directory(dir, reason, true);
    if (dirFd < 0) return Status::Failed(reason);
    // AT_REMOVEDIR removes only an empty directory, never a link.
    if (::unlinkat(dirFd, name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT)
        return Status::Failed(ErrorText(errno));
    return Status::Ok();
}

void LocalSiteTarget::RemoveLeftovers(const std::string& directory) {
    std::string reason;
    const int dirFd = Directory(directory, reason, true);
    if (dirFd >= 0) TempFileName::RemoveStale(dirFd);
}

}  // namespace foldcraft
