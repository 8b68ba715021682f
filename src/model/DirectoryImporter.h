#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "model/Clock.h"

class CBuildTreeFolder;

namespace foldcraft {

// Turns a directory of documents into site tree items: every sub-directory
// becomes a folder (link "(folder)"), every non-empty regular file a document
// (its name, its absolute path, its size and its modification time), each level
// in name order (lower-cased names, ties by the exact bytes, so "Sort
// Alphabetical" leaves the result as it is).
//
// Hidden entries (names beginning with ".") are skipped unless includeHidden is
// set; empty files are skipped. Symbolic links are followed only inside the
// directory: a link whose target lies outside it is skipped, and so is a link to
// a directory that is already being imported (a loop); a dangling or looping
// link is reported as a problem. Other kinds of files (pipes, sockets, devices)
// are skipped without being opened. Directories are listed one at a time and
// closed before their sub-directories are read.
class DirectoryImporter {
public:
    // Folders nested deeper than this below the target folder are left out, with
    // a problem noted, so that an import into the root can always be saved and
    // read back (a project file holds 1000 folder levels, the root included).
    static constexpr int kMaxDepth = 999;

    struct Options {
        bool includeHidden = false;
        // A file never imported, recognised by identity: the project file being
        // written, when it lies inside the directory. Empty: none.
        std::string excludeFile;
        // When set, the publish date of every item added (its purge date a year
        // later); otherwise items keep the clock's time, as new items do.
        std::optional<Time> publishTime;
    };

    // What became of one entry that was not imported as it stands.
    struct Note {
        std::string path;      // the entry, as found under the directory
        std::string reason;    // "symbolic link leads outside the directory", ...
        bool problem = false;  // true: something could not be read or recorded
        bool skipped = true;   // false: imported, with a change the reason tells
    };

    struct Result {
        bool ok = false;          // false: nothing was imported (message says why)
        std::string message;      // for the user; empty when ok
        std::vector<Note> notes;  // entries skipped or changed, in the order met
        size_t folders = 0;       // folders added
        size_t documents = 0;     // documents added

        bool HasProblems() const;
    };

    DirectoryImporter() = default;
    explicit DirectoryImporter(Options options) : m_options(options) {}

    // Appends the contents of directory to target's m_arrFolders and m_arrDocs
    // (target's own fields are not touched). On failure (directory missing,
    // not a directory, unreadable) target is left unchanged.
    Result Import(const std::string& directory, CBuildTreeFolder& target) const;

private:
    Options m_options;
};

}  // namespace foldcraft
