#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "model/Clock.h"
#include "publish/LocalSiteManifest.h"
#include "publish/UniqueFd.h"

class CFoldcraftDoc;
class CBuildTreeFolder;

namespace foldcraft {

// Builds the directory tree of a local site and copies into it everything that is
// not generated: the support images, the background image, the hotspot pictures
// and every active document. The pages are the site generator's.
//
// Layout under the target directory T:
//   T/images/<name>         support images and the background image (its file name)
//   T/files/<relative path> documents and hotspot pictures, where relative path is
//                           SitePaths::RelativeSitePath of the source: exactly the
//                           address the pages link to ("files/" + relative path).
//
// A source whose destination would not stay inside files/ or images/ (a "." or ".."
// segment, an empty remainder, a trailing separator) gets no directory and no copy;
// its source path goes into the not-copied list. Web and mail links are never
// copied.
//
// Nothing below T is followed if it is a symbolic link: directories are made and
// entered one by one relative to the one above (openat with O_NOFOLLOW), and the
// copies are made in the directory so entered (FileCopy::CopyInto), so no copy
// lands outside T through a link that stands in the site. T itself may be a link.
// Each directory the run copies into, and T itself, is cleared of the temporary
// files that killed runs left there (TempFileName::RemoveStale).
//
// One object serves one run. It refers to doc (which must outlive it) and appends
// to doc.m_arrPublishFiles; it never empties that list.
class LocalSiteAssembly {
public:
    // targetDir: the publish directory, absolute, without trailing slash.
    // programFolder: holds images/ with the support images.
    LocalSiteAssembly(CFoldcraftDoc& doc, std::string targetDir, std::string programFolder);

    // Makes T/images and T/files (either may exist already), then the mirror of
    // every source directory of the tree (CreateFileDirectories for the root).
    // False when a directory cannot be made for want of a parent (the target is
    // gone, or is not a POSIX path) or a symbolic link stands where a directory is
    // needed; other failures are left to the copies, which then fail and are listed.
    bool CreateLocalDirectories();

    // For the folder's hotspot picture (hotspot folders with a picture), every
    // document of the folder, active or not, then every sub-folder, active or not:
    // MirrorSourceDirectories under T/files. The first false ends the walk.
    bool CreateFileDirectories(const CBuildTreeFolder& folder);

    // Makes, below baseDir, each directory of the source's relative site path (its
    // file name excluded), left to right. True for web and mail links, for paths
    // that are not safe and for sources that are directories (nothing is made for
    // them: they are not copied either); false when a directory cannot be made
    // because a part of its path does not exist, or a symbolic link stands where a
    // directory is needed. Existing directories are fine. A baseDir inside the
    // target is entered from the target without following links.
    bool MirrorSourceDirectories(const std::string& baseDir, std::string_view sourcePath);

    // Loads the target's manifest, then CopySupportImages and CopyFolderFiles for
    // the root. A file whose copy is up to date (LocalSiteManifest::UpToDate) is
    // not copied again. True when the not-copied list is empty afterwards.
    bool CopySiteFiles();

    // What this run published and copied; the caller removes what is no longer
    // published and saves it.
    LocalSiteManifest& Manifest() { return m_manifest; }

    // Installs missing built-in support images into the program folder, then copies
    // the background image (when set) to T/images/<SitePaths::BackgroundImageName>
    // (its file name, or "background-" + its file name when it is named like a
    // support image) and the 17 support images to T/images. Each failure lists its
    // source path. Always true.
    bool CopySupportImages();

    // The folder's hotspot picture (when it is a hotspot folder with a picture),
    // its active documents (web and mail links skipped), then each active
    // sub-folder, recursively. Each failure lists its source path. Always true.
    bool CopyFolderFiles(const CBuildTreeFolder& folder);

    // T/files/<relative path> for a local source; nullopt when the destination
    // would leave T/files.
    static std::optional<std::string> FilesDestination(const std::string& targetDir,
                                                       std::string_view source);
    // T/images/<file name>; nullopt when the file name is empty, "." or "..".
    static std::optional<std::string> ImagesDestination(const std::string& targetDir,
                                                        std::string_view source);

private:
    enum class DirResult { kOpen, kMissing, kLink, kOther };

    // Copies source to destination (when given, a path below the target), listing
    // source on failure.
    void CopyListed(const std::string& source, const std::optional<std::string>& destination);
    // The target, opened once (following a link: the user chose it); -1 on failure.
    int TargetFd();
    // Opens (O_PATH) the directory relative below fromFd, component by component,
    // never following a link; with create, missing components are made.
    static DirResult OpenBelow(int fromFd, std::string_view relative, bool create, UniqueFd& out);
    // The directory of a copy, relative to the target: the one held when it is the
    // same, else opened without making anything and cleared of stale temporary
    // files the first time; -1 when it cannot be entered.
    int CopyDirectory(std::string_view relative);

    CFoldcraftDoc& m_doc;
    std::string m_targetDir;
    std::string m_programFolder;
    Time m_now = 0;
    UniqueFd m_targetFd;
    // The directory of the last copy, relative to the target, and its descriptor.
    std::string m_copyDirName;
    UniqueFd m_copyDirFd;
    // Directories this run made or found, so each is asked for once.
    std::unordered_set<std::string> m_knownDirectories;
    // Directories cleared of stale temporary files in this run.
    std::unordered_set<std::string> m_clearedDirectories;
    LocalSiteManifest m_manifest;
};

}  // namespace foldcraft
