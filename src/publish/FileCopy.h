#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace foldcraft {

// Copies one file into a published site.
//
// The bytes move inside the kernel (copy_file_range, or sendfile where that is not
// possible), into a hidden temporary file beside the destination, which then takes
// the destination's name with rename(). So an existing destination is replaced,
// never half-overwritten: a reader sees the old file or the whole new one, and a
// failed copy leaves the old file (or nothing) in place, never a truncated one. An
// existing destination that is a symbolic link is replaced by the copy, not
// followed. The copy keeps the source's modification time and permission bits.
// It holds at most as many bytes as the source had when it was opened: a file
// that keeps growing while it is copied is copied as it was then.
class FileCopy {
public:
    enum class Outcome {
        kCopied,
        kSameFile,  // source and destination are one file (device and inode): nothing done
        kFailed,    // nothing changed at the destination
    };

    // Copies source into the directory open as dirFd (owned by the caller) under
    // name, a plain file name, replacing what stands there: nothing of the way to the
    // directory is looked up again. Only regular files are copied: a directory,
    // device or pipe as source fails (without blocking). On kFailed, error (when
    // given) receives the reason.
    // copied (when given) receives the copy's size and modification time on kCopied.
    // onBytes (when given) is told of the bytes as they are copied.
    struct Copied {
        std::uint64_t size = 0;
        std::int64_t mtimeSec = 0;
        std::int64_t mtimeNsec = 0;
    };

    // Why a source file cannot be copied, in plain words for the list of files not
    // copied, from the error of opening or reading it: "missing", "unreadable:
    // permission denied", "name too long", ...
    static std::string SourceTrouble(int err);
    // Whether reason is one of SourceTrouble's, or kNotRegular.
    static bool IsSourceTrouble(const std::string& reason);
    static constexpr const char* kNotRegular = "not a regular file";

    static Outcome CopyInto(const std::string& source, int dirFd, const std::string& name,
                            std::string* error = nullptr, Copied* copied = nullptr,
                            const std::function<void(std::uint64_t)>& onBytes = {});
};

}  // namespace foldcraft
