#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CFoldcraftDoc;

namespace foldcraft {

// One version of a file on disk: which file it is (device and inode) and its size
// and modification time to the nanosecond. A file that is replaced, written or
// touched is another version.
struct ProjectFileVersion {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = -1;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;

    bool operator==(const ProjectFileVersion&) const = default;
};

// Outcome of reading or writing a project file.
struct ProjectFileResult {
    enum class Status {
        kOk,
        kUnsupportedVersion,  // document version word is not 1: the project is left empty
        kDamaged,             // truncated, unknown class, bad reference, too deep, ...
        kIoError,             // the file cannot be opened, read, written or renamed
        kNotRegularFile,      // the path names a FIFO, device, socket, directory (saving), ...
        kNoMemory,            // not enough memory to read or write the project
        kChangedOnDisk,       // a save that asked for it: the file is not the version read
    };
    Status status = Status::kOk;
    std::string message;  // for the user; empty when kOk
    // LoadProject and SaveProject, on success: the file read or written.
    ProjectFileVersion version;

    bool Ok() const { return status == Status::kOk; }
};

// Opens a project file into doc, as File Open does: the file is opened, the
// project is emptied, the file's contents are read (through a window, not whole), and on success
// the title and path are set from path, the modified flag is cleared and the not-copied list
// emptied. A zero-byte file opens as an empty project (other fields as they were).
// Failures:
// - kUnsupportedVersion: the message "Error: unsupported Foldcraft file format.";
//   the open still completes (path, title, flags as on success) with an empty
//   tree and the other fields as they were.
// - kDamaged (truncated, unknown class, bad reference, folders nested deeper than
//   CArchive::kMaxFolderDepth, ...): doc becomes a new, unnamed project
//   (OnNewDocument), so that nothing can later be saved over a file by mistake.
// - kIoError: the file cannot be opened, or is a directory; kNotRegularFile: it is
//   a FIFO, device or socket (found without waiting for a writer): doc is left
//   untouched. A read error part-way through, or kNoMemory: as for kDamaged.
// Files whose 32-bit time fields are read as unsigned seconds since 1970 (up to
// 2106); no file content can crash the reader or make it allocate much more than
// the file's size.
ProjectFileResult LoadProject(CFoldcraftDoc& doc, const std::string& path);

// Saves doc to path, as File Save does: m_bNeverSaved becomes 0, the file is
// written to a new temporary file in the same directory (".NAME.PID-N-RANDOM.tmp",
// keeping the old file's permission bits), flushed to disk and renamed over the old
// one, so the previous file survives any failure. Such temporary files of NAME left
// by a killed save (whose process is gone) are removed first; nothing else is.
// A symbolic link is followed: the file it points to is replaced, or created when
// the link leads to nothing inside an existing directory.
// On success the modified flag is cleared and path and title are set.
// On failure nothing on disk changes and doc is as it was: kNotRegularFile when path
// is (or a link leads to) something else than a regular file (a directory, device,
// FIFO, a link loop, a link into a missing directory); kNoMemory; kIoError with the
// reason otherwise. With unchangedSince, the file is replaced only if it is still
// that version (checked just before the rename), else kChangedOnDisk.
// Times outside 1970..2106 are written clamped to that range.
ProjectFileResult SaveProject(CFoldcraftDoc& doc, const std::string& path,
                              const ProjectFileVersion* unchangedSince = nullptr);

// The same reading and writing on bytes in memory (no title, path or flags): the
// tree is emptied, then the bytes are read; on kDamaged, kNoMemory and
// kUnsupportedVersion the tree stays empty and every other field keeps its value.
ProjectFileResult ReadProjectBytes(CFoldcraftDoc& doc, std::string_view bytes);
// The bytes of the project file (m_bNeverSaved written as 0; doc is not changed).
// Fails (kIoError) only for a tree nested deeper than CArchive::kMaxFolderDepth or
// a text or list beyond 4 GiB, and with kNoMemory; bytes is then empty.
ProjectFileResult WriteProjectBytes(CFoldcraftDoc& doc, std::string& bytes);
// The same, returning the bytes; an empty string when the project cannot be written.
std::string WriteProjectBytes(CFoldcraftDoc& doc);

}  // namespace foldcraft
