#pragma once

#include <string>
#include <string_view>

class CFoldcraftDoc;

namespace foldcraft {

// Outcome of reading or writing a project file.
struct ProjectFileResult {
    enum class Status {
        kOk,
        kUnsupportedVersion,  // document version word is not 1: the project is left empty
        kDamaged,             // truncated, unknown class, bad reference, too deep, ...
        kIoError,             // the file cannot be opened, read, written or renamed
    };
    Status status = Status::kOk;
    std::string message;  // for the user; empty when kOk

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
// - kIoError: the file cannot be opened (or is no regular file): doc is left
//   untouched; a read error part-way through: as for kDamaged.
// Files whose 32-bit time fields are read as unsigned seconds since 1970 (up to
// 2106); no file content can crash the reader or make it allocate much more than
// the file's size.
ProjectFileResult LoadProject(CFoldcraftDoc& doc, const std::string& path);

// Saves doc to path, as File Save does: m_bNeverSaved becomes 0, the file is
// written to a new temporary file in the same directory (keeping the old file's
// permission bits), flushed to disk and renamed over the old one, so the previous
// file survives any failure. A symbolic link is followed: the file it points to is
// replaced. On success the modified flag is cleared and path and title are set.
// On failure (kIoError with the reason) nothing on disk changes and doc is as it
// was. Times outside 1970..2106 are written clamped to that range.
ProjectFileResult SaveProject(CFoldcraftDoc& doc, const std::string& path);

// The same reading and writing on bytes in memory (no title, path or flags): the
// tree is emptied, then the bytes are read; on kDamaged and kUnsupportedVersion
// the tree stays empty and every other field keeps its value.
ProjectFileResult ReadProjectBytes(CFoldcraftDoc& doc, std::string_view bytes);
// The bytes of the project file (m_bNeverSaved written as 0; doc is not changed).
// Fails (kIoError) only for a tree nested deeper than CArchive::kMaxFolderDepth or
// a text or list beyond 4 GiB; bytes is then empty.
ProjectFileResult WriteProjectBytes(CFoldcraftDoc& doc, std::string& bytes);
// The same, returning the bytes; an empty string when the project cannot be written.
std::string WriteProjectBytes(CFoldcraftDoc& doc);

}  // namespace foldcraft
