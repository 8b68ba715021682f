#pragma once

#include <QString>
#include <memory>
#include <string>

class CBuildTreeFolder;

namespace foldcraft {

// A directory on disk made into a new folder of the site tree (a drop of a folder,
// Add > Folder from Disk): the folder takes the directory's name and holds its
// tree as `foldcraft-cli import` reads it (DirectoryImporter: hidden and empty
// files left out, links followed only inside the directory).
struct FolderImport {
    // The new folder, owned here until handed on; null when the directory could
    // not be read at all.
    std::unique_ptr<CBuildTreeFolder> folder;
    // For the user: why nothing was imported, or the entries left out because
    // they could not be read (a few named); empty when all went well.
    QString message;

    FolderImport();
    FolderImport(FolderImport&&) noexcept;
    ~FolderImport();

    static FolderImport FromDirectory(const std::string& directory);
};

}  // namespace foldcraft
