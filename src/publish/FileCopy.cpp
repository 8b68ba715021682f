#include "publish/FileCopy.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

#include "generator/TempFileName.h"
#include "publish/UniqueFd.h"

namespace foldcraft {
namespace {

void SetError(std::string* error, const std::string& what, int err) {
    if (error) *error = what + ": " + std::strerror(err);
}

// Copies at most size bytes from in to out, fewer when in ends sooner, inside the
// kernel, adding the bytes copied to done. False with errno set.
bool KernelCopy(int in, int out, off_t size, std::uint64_t& done,
                const std::function<void(std::uint64_t)>& onBytes) {
    // Someone watching gets word every 8 MiB; otherwise the kernel takes large steps.
    const size_t kChunk = onBytes ? size_t{8} << 20 : size_t{1} << 30;
    bool useCopyRange = true;
    std::uint64_t left = size > 0 ? static_cast<std::uint64_t>(size) : 0;
    while (left > 0) {
        const size_t chunk = left < kChunk ? static_cast<size_t>(left) : kChunk;
        ssize_t n;
        if (useCopyRange) {
            n = ::copy_file_range(in, nullptr, out, nullptr, chunk, 0);
            if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                          errno == EOPNOTSUPP || errno == EPERM || errno == ETXTBSY)) {
                // Not possible between these files (another file system, an old
                // kernel, a special file system): sendfile moves the bytes instead,
                // from the current offsets, which copy_file_range has advanced.
                useCopyRange = false;
                continue;
            }
        } else {
            n = ::sendfile(out, in, nullptr, chunk);
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        left -= static_cast<std::uint64_t>(n);
        done += static_cast<std::uint64_t>(n);
        if (onBytes) onBytes(static_cast<std::uint64_t>(n));
    }
    return true;
}

}  // namespace

std::string FileCopy::SourceTrouble(int err) {
    switch (err) {
        case ENOENT:
        case ENOTDIR:
            return "missing";
        case EACCES:
        case EPERM:
            return "unreadable: permission denied";
        case ENAMETOOLONG:
            return "name too long";
        case ELOOP:
            return "a loop of symbolic links";
        case EISDIR:
            return "a directory, not a file";
        default:
            return std::string("unreadable: ") + std::strerror(err);
    }
}

bool FileCopy::IsSourceTrouble(const std::string& reason) {
    for (const int err : {ENOENT, EACCES, ENAMETOOLONG, ELOOP, EISDIR}) {
        if (reason == SourceTrouble(err)) return true;
    }
    return reason == kNotRegular || reason.rfind("unreadable: ", 0) == 0;
}

FileCopy::Outcome FileCopy::CopyInto(const std::string& source, int dirFd, const std::string& name,
                                     std::string* error, Copied* copied,
                                     const std::function<void(std::uint64_t)>& onBytes) {
    // O_NONBLOCK: opening a named pipe must not wait for a writer; it does not
    // change how a regular file is read.
    UniqueFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    // The list of files not copied names the source: the reason need not.
    if (in.Get() < 0) {
        if (error) *error = SourceTrouble(errno);
        return Outcome::kFailed;
    }
    struct stat st {};
    if (::fstat(in.Get(), &st) != 0) {
        if (error) *error = SourceTrouble(errno);
        return Outcome::kFailed;
    }
    if (!S_ISREG(st.st_mode)) {
        if (error) *error = S_ISDIR(st.st_mode) ? SourceTrouble(EISDIR) : kNotRegular;
        return Outcome::kFailed;
    }
    // The destination itself, not what a link there leads to.
    struct stat dst {};
    if (::fstatat(dirFd, name.c_str(), &dst, AT_SYMLINK_NOFOLLOW) == 0 && dst.st_dev == st.st_dev &&
        dst.st_ino == st.st_ino) {
        return Outcome::kSameFile;
    }

    std::string temp;
    UniqueFd out;
    for (int attempt = 0; attempt < 100 && out.Get() < 0; ++attempt) {
        temp = TempFileName::Next();
        out.Reset(::openat(dirFd, temp.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                           st.st_mode & 0777));
        if (out.Get() < 0 && errno != EEXIST) break;
    }
    if (out.Get() < 0) {
        SetError(error, "cannot create a file beside " + name, errno);
        return Outcome::kFailed;
    }
    auto fail = [&](const std::string& what) {
        const int err = errno;
        out.Close();
        ::unlinkat(dirFd, temp.c_str(), 0);
        SetError(error, what, err);
        return Outcome::kFailed;
    };
    std::uint64_t bytes = 0;
    if (!KernelCopy(in.Get(), out.Get(), st.st_size, bytes, onBytes))
        return fail("cannot copy " + source);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(out.Get(), times) != 0) return fail("cannot set the time of " + name);
    if (!out.Close()) return fail("cannot write " + name);
    if (::renameat(dirFd, temp.c_str(), dirFd, name.c_str()) != 0)
        return fail("cannot replace " + name);
    if (copied) {
        copied->size = bytes;
        copied->mtimeSec = st.st_mtim.tv_sec;
        copied->mtimeNsec = st.st_mtim.tv_nsec;
    }
    return Outcome::kCopied;
}

}  // namespace foldcraft
