#include "model/ProjectFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>

#include "model/Archive.h"
#include "model/FoldcraftDoc.h"

namespace foldcraft {
namespace {

using Status = ProjectFileResult::Status;

std::string ErrnoText(int err) {
    return std::strerror(err);
}

ProjectFileResult Failure(Status status, std::string message) {
    return {status, std::move(message)};
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
    CFoldcraftDoc scratch;
    try {
        scratch.Serialize(ar);
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
    doc.TakeSavedFields(scratch);
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

}  // namespace

ProjectFileResult ReadProjectBytes(CFoldcraftDoc& doc, std::string_view bytes) {
    CArchive ar(bytes);
    return ReadDocument(doc, ar, bytes.size(), nullptr);
}

ProjectFileResult WriteProjectBytes(CFoldcraftDoc& doc, std::string& bytes) {
    StringArchiveSink sink;
    try {
        CArchive ar(sink);
        doc.Serialize(ar);
        ar.Flush();
    } catch (const CArchiveException& e) {
        bytes.clear();
        return Failure(Status::kIoError, "the project cannot be written: " + e.Message());
    }
    bytes = std::move(sink.Bytes());
    return {};
}

std::string WriteProjectBytes(CFoldcraftDoc& doc) {
    std::string bytes;
    WriteProjectBytes(doc, bytes);
    return bytes;
}

ProjectFileResult LoadProject(CFoldcraftDoc& doc, const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Failure(Status::kIoError, "cannot open the file: " + ErrnoText(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool directory = S_ISDIR(st.st_mode);
        ::close(fd);
        return Failure(Status::kIoError, directory ? "it is a directory, not a project file"
                                                   : "it is not a regular file");
    }
    // The file is read through a window rather than whole: a large project then
    // needs little more memory than its tree.
    FdSource source(fd);
    CArchive ar(source, static_cast<std::uint64_t>(st.st_size));
    ProjectFileResult result =
        ReadDocument(doc, ar, static_cast<std::uint64_t>(st.st_size), &source);
    ::close(fd);
    if (result.status == Status::kDamaged || result.status == Status::kIoError) {
        // The previous project is gone; what is left is a new, unnamed project, so
        // that a later save cannot overwrite some file with the emptied tree.
        doc.OnNewDocument();
        return result;
    }
    // kOk, or kUnsupportedVersion: the open still completes, with an empty tree.
    doc.SetPathName(path);
    doc.SetModifiedFlag(false);
    doc.m_arrPublishFiles.clear();
    return result;
}

ProjectFileResult SaveProject(CFoldcraftDoc& doc, const std::string& path) {
    if (path.empty()) return Failure(Status::kIoError, "no file name given");

    // Saving through a symbolic link replaces the file it points to, not the link.
    std::string target = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    bool existed = false;
    mode_t oldMode = 0;
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            return Failure(Status::kIoError, "cannot save: the path is a directory");
        }
        existed = true;
        oldMode = st.st_mode & 07777;
    }

    const std::string directory = DirectoryOf(target);
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = TemporaryName(directory, BaseNameOf(target));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        return Failure(Status::kIoError,
                       "cannot create a file in \"" + directory + "\": " + ErrnoText(errno));
    }

    auto fail = [&](const std::string& what, int err) {
        if (fd >= 0) ::close(fd);
        ::unlink(temp.c_str());
        return Failure(Status::kIoError, what + (err ? ": " + ErrnoText(err) : std::string()));
    };

    if (existed && ::fchmod(fd, oldMode) != 0)
        return fail("cannot set the file's permissions", errno);

    // The file records that the project has been saved; a failed save leaves the
    // switch as it was.
    const std::int32_t neverSaved = doc.m_bNeverSaved;
    doc.m_bNeverSaved = 0;
    FdSink sink(fd);
    try {
        CArchive ar(sink);
        doc.Serialize(ar);
        ar.Flush();
    } catch (const CArchiveException& e) {
        doc.m_bNeverSaved = neverSaved;
        if (e.GetKind() == CArchiveException::Kind::kWriteFailed) {
            return fail("cannot write the file", sink.Error());
        }
        return fail("the project cannot be written: " + e.Message(), 0);
    }
    if (::fsync(fd) != 0) {
        const int err = errno;
        doc.m_bNeverSaved = neverSaved;
        return fail("cannot write the file to disk", err);
    }
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0) {
        const int err = errno;
        doc.m_bNeverSaved = neverSaved;
        return fail("cannot write the file to disk", err);
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        doc.m_bNeverSaved = neverSaved;
        return fail("cannot replace the file", err);
    }
    // Make the rename itself durable. The new file is in place whatever this gives,
    // so a directory that cannot be synced is not reported as a failed save.
    const int dirFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }

    doc.SetPathName(path);
    doc.SetModifiedFlag(false);
    return {};
}

}  // namespace foldcraft
