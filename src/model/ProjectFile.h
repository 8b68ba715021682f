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

// Opens a project file into doc, as File Open does: the project is emptied, the
// file is read, and on success the title and path are set from the file, the
// modified flag is cleared and the not-copied list emptied. A zero-byte file opens
// as an empty project. kUnsupportedVersion carries the message "Error: unsupported
// Foldcraft file format." and leaves an empty tree with the other fields as they
// were. kDamaged and kIoError leave an empty tree.
ProjectFileResult LoadProject(CFoldcraftDoc& doc, const std::string& path);

// Saves doc to path, as File Save does: m_bNeverSaved becomes 0, the file is
// written to a temporary file beside the target, flushed and renamed over it, so
// the previous file survives any failure. On success the modified flag is cleared
// and path and title are set. On failure nothing on disk changes.
ProjectFileResult SaveProject(CFoldcraftDoc& doc, const std::string& path);

// The same reading and writing on bytes in memory (no title, path or flags).
ProjectFileResult ReadProjectBytes(CFoldcraftDoc& doc, std::string_view bytes);
std::string WriteProjectBytes(CFoldcraftDoc& doc);

}  // namespace foldcraft
