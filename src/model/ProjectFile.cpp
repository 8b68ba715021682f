#include "model/ProjectFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>
#include <string_view>

#include "model/Archive.h"
#include "model/FoldcraftDoc.h"

namespace foldcraft {
namespace {

using Status = ProjectFileResult::Status;

std::string ErrnoText(int err) {
    return std::strerror(err);
}

ProjectFileResult Failure(Status status, std::string message) {
    return {status, std::move(message), {}};
}

ProjectFileResult NoMemory() {
    return Failure(Status::kNoMemory, "not enough memory");
}

ProjectFileVersion VersionOf(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::int64_t>(st.st_size), static_cast<std::int64_t>(st.st_mtim.tv_sec),
            static_cast<std::int64_t>(st.st_mtim.tv_nsec)};
}

// Writes to a file descriptor, remembering the first error.
class FdSink : public ArchiveSink {
public:
    explicit FdSink(int fd) : m_fd(fd) {}
    bool Write(const char* data, size_t size) override {
        while (size > 0) {
            const ssize_t n = ::write(m_fd, data, size);
            if (n < 0) {
                if (errno == EINTR) continue;
                m_error = errno;
                return false;
            }
            data += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }
    int Error() const { return m_error; }

private:
    int m_fd;
    int m_error = 0;
};

// Reads a file descriptor piece by piece.
class FdSource : public ArchiveSource {
public:
    explicit FdSource(int fd) : m_fd(fd) {}
    long long Read(char* data, size_t size) override {
        for (;;) {
            const ssize_t n = ::read(m_fd, data, size);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) m_error = errno;
            return n;
        }
    }
    int Error() const { return m_error; }

private:
    int m_fd;
    int m_error = 0;
};

// Empties doc's tree, then reads a whole project file from ar into it. On any
// failure the tree stays empty and the other fields keep their values.
ProjectFileResult ReadDocument(CFoldcraftDoc& doc, CArchive& ar, std::uint64_t size,
                               const FdSource* source) {
    doc.DeleteContents();
    if (size == 0) return {};
    // The file is read into a scratch document, so that a damaged file leaves no
    // half-read settings behind; on success the contents move over.
    try {
        CFoldcraftDoc scratch;
        scratch.Serialize(ar);
        doc.TakeSavedFields(scratch);
    } catch (const std::bad_alloc&) {
        return NoMemory();
    } catch (const CArchiveException& e) {
        switch (e.GetKind()) {
            case CArchiveException::Kind::kUnsupportedVersion:
                return Failure(Status::kUnsupportedVersion, e.Message());
            case CArchiveException::Kind::kTooDeep:
                return Failure(Status::kDamaged,
                               "the project file is damaged or unreadable: " + e.Message());
            case CArchiveException::Kind::kReadFailed:
                return Failure(Status::kIoError, "cannot read the file: " +
                                                     ErrnoText(source ? source->Error() : EIO));
            default:
                return Failure(Status::kDamaged, e.Message());
        }
    }
    return {};
}

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Where a save to path writes. ok is false when path is, or its links lead to,
// something else than a regular file or a free name in an existing directory.
struct SaveTarget {
    bool ok = false;
    std::string path;     // the file to replace or create
    bool exists = false;  // a regular file is there
    mode_t mode = 0;      // its permission bits
};

SaveTarget ResolveSaveTarget(const std::string& path) {
    struct stat st {};
    // Nothing there, or a place that cannot be reached: creating the file tells why.
    if (::lstat(path.c_str(), &st) != 0) return {true, path, false, 0};
    if (S_ISREG(st.st_mode)) return {true, path, true, static_cast<mode_t>(st.st_mode & 07777)};
    if (!S_ISLNK(st.st_mode)) return {};
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return {};
        char* resolved = ::realpath(path.c_str(), nullptr);
        if (!resolved) return {};
        SaveTarget target{true, resolved, true, static_cast<mode_t>(st.st_mode & 07777)};
        std::free(resolved);
        return target;
    }
    if (errno != ENOENT) return {};  // a loop, or a link that cannot be followed
    // A link to nothing: followed by hand to the name it leads to, which is created
    // when its directory exists.
    std::string current = path;
    for (int hop = 0; hop < 40; ++hop) {
        if (::lstat(current.c_str(), &st) != 0) {
            struct stat dir {};
            if (errno != ENOENT || ::stat(DirectoryOf(current).c_str(), &dir) != 0 ||
                !S_ISDIR(dir.st_mode))
                return {};
            return {true, current, false, 0};
        }
        if (!S_ISLNK(st.st_mode)) return {};  // appeared meanwhile: not followed twice
        std::string next(PATH_MAX, '\0');
        const ssize_t n = ::readlink(current.c_str(), next.data(), next.size());
        if (n <= 0 || static_cast<size_t>(n) >= next.size()) return {};
        next.resize(static_cast<size_t>(n));
        current = next[0] == '/' ? next : DirectoryOf(current) + "/" + next;
    }
    return {};
}

// A name for the temporary file that no other save is likely to pick; O_EXCL
// settles the rest.
std::string TemporaryName(const std::string& directory, const std::string& base) {
    static std::atomic<unsigned> counter{0};
    static thread_local std::mt19937_64 random(
        std::random_device{}() ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "%d-%u-%06x", static_cast<int>(::getpid()), counter++,
                  static_cast<unsigned>(random() & 0xFFFFFF));
    return directory + "/." + base + "." + suffix + ".tmp";
}

// Reads a decimal number without leading zeros from the front of text.
bool TakeNumber(std::string_view& text, unsigned long long& value) {
    if (text.empty() || (text[0] == '0' && text.size() > 1 && text[1] >= '0' && text[1] <= '9'))
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end == text.data()) return false;
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    return true;
}

// The process that made name when name is exactly what TemporaryName gives for a
// file called base; 0 otherwise.
pid_t OwnerOfTemporaryName(std::string_view name, std::string_view base) {
    constexpr std::string_view kSuffix = ".tmp";
    if (name.size() < base.size() + 2 || name[0] != '.' || name.substr(1, base.size()) != base ||
        name[base.size() + 1] != '.' || !name.ends_with(kSuffix))
        return 0;
    name = name.substr(base.size() + 2, name.size() - base.size() - 2 - kSuffix.size());
    unsigned long long pid = 0, counter = 0;
    if (!TakeNumber(name, pid) || !name.starts_with('-')) return 0;
    name.remove_prefix(1);
    if (!TakeNumber(name, counter) || counter > UINT_MAX || !name.starts_with('-')) return 0;
    name.remove_prefix(1);
    if (name.size() != 6 || name.find_first_not_of("0123456789abcdef") != std::string_view::npos)
        return 0;
    if (pid == 0 || pid > static_cast<unsigned long long>(INT_MAX)) return 0;
    return static_cast<pid_t>(pid);
}

// Removes from directory the temporary files that saves to base left behind when
// their process was killed (kill(pid, 0) reports ESRCH). Files of a live process,
// of this one, and every other entry stay; only regular files go, found and removed
// relative to the directory's descriptor without following links. A directory that
// cannot be read removes nothing.
void RemoveStaleTemporaryFiles(const std::string& directory, const std::string& base) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    const pid_t self = ::getpid();
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t owner = OwnerOfTemporaryName(entry->d_name, base);
        if (owner == 0 || owner == self) continue;
        if (::kill(owner, 0) == 0 || errno != ESRCH) continue;  // alive, or not ours to know
        struct stat st {};
        if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            ::unlinkat(fd, entry->d_name, 0);
    }
    ::closedir(dir);  // closes fd
}

// A failed step of a save: what failed, and why when err is an errno value (0: no
// reason given).
ProjectFileResult SaveFailure(const std::string& what, int err, Status status = Status::kIoError) {
    return Failure(status, what + (err ? ": " + ErrnoText(err) : std::string()));
}

// Creates a new empty file for a save to directory/base, with its name in temp.
// -1 with errno set when none can be made.
int CreateTemporaryFile(const std::string& directory, const std::string& base, std::string& temp) {
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = TemporaryName(directory, base);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    return fd;
}

// Writes doc into the new file fd, makes it durable and closes fd, whether this
// succeeds or not. written gets the file's state as written.
ProjectFileResult WriteAndCloseFile(CFoldcraftDoc& doc, int fd, struct stat& written) {
    FdSink sink(fd);
    ProjectFileResult result;
    try {
        CArchive ar(sink);
        doc.Serialize(ar);
        ar.Flush();
    } catch (const std::bad_alloc&) {
        result = NoMemory();
    } catch (const CArchiveException& e) {
        result = e.GetKind() == CArchiveException::Kind::kWriteFailed
                     ? SaveFailure("cannot write the file", sink.Error())
                     : SaveFailure("the project cannot be written: " + e.Message(), 0);
    }
    if (result.Ok() && ::fsync(fd) != 0)
        result = SaveFailure("cannot write the file to disk", errno);
    if (!result.Ok()) {
        ::close(fd);
        return result;
    }
    ::fstat(fd, &written);
    if (::close(fd) != 0) return SaveFailure("cannot write the file to disk", errno);
    return result;
}

// Puts the written file temp in place of target, unless target is no longer the
// version unchangedSince (when given), and makes the rename durable.
ProjectFileResult ReplaceFile(const std::string& temp, const std::string& target,
                              const std::string& directory,
                              const ProjectFileVersion* unchangedSince) {
    if (unchangedSince) {
        struct stat now {};
        if (::stat(target.c_str(), &now) != 0 || VersionOf(now) != *unchangedSince)
            return SaveFailure("the file has changed since it was read", 0, Status::kChangedOnDisk);
    }
    if (::rename(temp.c_str(), target.c_str()) != 0)
        return SaveFailure("cannot replace the file", errno);
    // Make the rename itself durable. The new file is in place whatever this gives,
    // so a directory that cannot be synced is not reported as a failed save.
    const int dirFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {};
}

}  // namespace

ProjectFileResult ReadProjectBytes(CFoldcraftDoc& doc, std::string_view bytes) {
    CArchive ar(bytes);
    return ReadDocument(doc, ar, bytes.size(), nullptr);
}

ProjectFileResult WriteProjectBytes(CFoldcraftDoc& doc, std::string& bytes) {
    try {
        StringArchiveSink sink;
        CArchive ar(sink);
        doc.Serialize(ar);
        ar.Flush();
        bytes = std::move(sink.Bytes());
    } catch (const std::bad_alloc&) {
        bytes.clear();
        return NoMemory();
    } catch (const CArchiveException& e) {
        bytes.clear();
        return Failure(Status::kIoError, "the project cannot be written: " + e.Message());
    }
    return {};
}

std::string WriteProjectBytes(CFoldcraftDoc& doc) {
    std::string bytes;
    WriteProjectBytes(doc, bytes);
    return bytes;
}

ProjectFileResult LoadProject(CFoldcraftDoc& doc, const std::string& path) {
    // A device or FIFO is not even opened (opening some has effects of its own); one
    // put in place meanwhile is opened without waiting, so that a FIFO with no writer
    // cannot hold the open, and refused by its type.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        return Failure(Status::kNotRegularFile, "not a regular file");
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Failure(Status::kIoError, "cannot open the file: " + ErrnoText(errno));
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool directory = S_ISDIR(st.st_mode);
        ::close(fd);
        return directory ? Failure(Status::kIoError, "it is a directory, not a project file")
                         : Failure(Status::kNotRegularFile, "not a regular file");
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    // The file is read through a window rather than whole: a large project then
    // needs little more memory than its tree.
    FdSource source(fd);
    CArchive ar(source, static_cast<std::uint64_t>(st.st_size));
    ProjectFileResult result =
        ReadDocument(doc, ar, static_cast<std::uint64_t>(st.st_size), &source);
    ::close(fd);
    if (result.status == Status::kDamaged || result.status == Status::kIoError ||
        result.status == Status::kNoMemory) {
        // The previous project is gone; what is left is a new, unnamed project, so
        // that a later save cannot overwrite some file with the emptied tree.
        doc.OnNewDocument();
        return result;
    }
    // kOk, or kUnsupportedVersion: the open still completes, with an empty tree.
    doc.SetPathName(path);
    doc.SetModifiedFlag(false);
    doc.m_arrPublishFiles.clear();
    result.version = VersionOf(st);
    return result;
}

ProjectFileResult SaveProject(CFoldcraftDoc& doc, const std::string& path,
                              const ProjectFileVersion* unchangedSince) {
    if (path.empty()) return Failure(Status::kIoError, "no file name given");

    // Only a regular file is replaced; saving through a symbolic link replaces the
    // file it points to, not the link.
    const SaveTarget resolved = ResolveSaveTarget(path);
    if (!resolved.ok) return Failure(Status::kNotRegularFile, "not a regular file");
    const std::string& target = resolved.path;
    const bool existed = resolved.exists;
    const mode_t oldMode = resolved.mode;

    const std::string directory = DirectoryOf(target);
    RemoveStaleTemporaryFiles(directory, BaseNameOf(target));
    std::string temp;
    const int fd = CreateTemporaryFile(directory, BaseNameOf(target), temp);
    if (fd < 0) {
        return Failure(Status::kIoError,
                       "cannot create a file in \"" + directory + "\": " + ErrnoText(errno));
    }
    if (existed && ::fchmod(fd, oldMode) != 0) {
        const ProjectFileResult failure = SaveFailure("cannot set the file's permissions", errno);
        ::close(fd);
        ::unlink(temp.c_str());
        return failure;
    }

    // The file records that the project has been saved; a failed save leaves the
    // switch as it was.
    const std::int32_t neverSaved = doc.m_bNeverSaved;
    doc.m_bNeverSaved = 0;
    struct stat written {};
    ProjectFileResult result = WriteAndCloseFile(doc, fd, written);
    if (result.Ok()) result = ReplaceFile(temp, target, directory, unchangedSince);
    if (!result.Ok()) {
        doc.m_bNeverSaved = neverSaved;
        ::unlink(temp.c_str());
        return result;
    }

    doc.SetPathName(path);
    doc.SetModifiedFlag(false);
    result.version = VersionOf(written);
    return result;
}

}  // namespace foldcraft
