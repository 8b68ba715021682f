#pragma once

#include <memory>
#include <string>
#include <vector>

class CBuildTreeDoc;
class CBuildTreeFolder;

namespace foldcraft {

// The documents made from chosen or dropped file paths, in the order given.
struct FileItems {
    std::vector<std::unique_ptr<CBuildTreeDoc>> docs;
    bool supportFile = false;   // a page or PDF that may need other files
    int refused = 0;            // dropped paths that are no file with content
    std::string lastDirectory;  // directory of the last path taken (empty: none)

    FileItems();
    FileItems(FileItems&&) noexcept;
    ~FileItems();

    // One document per path, named after the part of the path after its last "/",
    // with the file's size and modification time (0 and now when the file cannot be
    // read). With refuseEmpty (a drop), a path that is no regular file of at least
    // one byte (a directory, an empty or missing file) is counted in refused and
    // left out. A path is taken whole, however long.
    static FileItems FromPaths(const std::vector<std::string>& paths, bool refuseEmpty);

    // The names of the documents whose file folder already holds (the same path),
    // in order; LeaveOutAlreadyIn drops those documents.
    std::vector<std::string> AlreadyIn(const CBuildTreeFolder& folder) const;
    void LeaveOutAlreadyIn(const CBuildTreeFolder& folder);

    // Whether a path names a support file: its last four characters, in any case,
    // are "html", ".htm" or ".pdf".
    static bool IsSupportFile(const std::string& path);
};

}  // namespace foldcraft
