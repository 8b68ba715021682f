#include "publish/LocalSiteAssembly.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <utility>

#include "generator/SitePaths.h"
#include "generator/SupportImages.h"
#include "generator/TempFileName.h"
#include "model/FoldcraftDoc.h"
#include "publish/FileCopy.h"

namespace foldcraft {
namespace {

bool IsPosixAbsolute(const std::string& path) {
    return !path.empty() && path[0] == '/';
}

// Directories are held open with O_PATH: enough to work below them, and it needs
// no read permission.
constexpr int kDirFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

}  // namespace

LocalSiteAssembly::LocalSiteAssembly(CFoldcraftDoc& doc, std::string targetDir,
                                     std::string programFolder)
    : m_doc(doc),
      m_targetDir(std::move(targetDir)),
      m_programFolder(std::move(programFolder)),
      m_now(Clock::Now()),
      m_manifest(m_targetDir) {}

std::optional<std::string> LocalSiteAssembly::FilesDestination(const std::string& targetDir,
                                                               std::string_view source) {
    const std::string relative = SitePaths::RelativeSitePath(source);
    if (!SitePaths::IsSafeRelativePath(relative)) return std::nullopt;
    return targetDir + "/files/" + relative;
}

std::optional<std::string> LocalSiteAssembly::ImagesDestination(const std::string& targetDir,
                                                                std::string_view source) {
    const std::string name = SitePaths::FileName(source);
    if (!SitePaths::IsSafeRelativePath(name)) return std::nullopt;
    return targetDir + "/images/" + name;
}

int LocalSiteAssembly::TargetFd() {
    if (m_targetFd.Get() < 0 && IsPosixAbsolute(m_targetDir)) {
        m_targetFd.Reset(::open(m_targetDir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    }
    return m_targetFd.Get();
}

LocalSiteAssembly::DirResult LocalSiteAssembly::OpenBelow(int fromFd, std::string_view relative,
                                                          bool create, UniqueFd& out) {
    UniqueFd current(::fcntl(fromFd, F_DUPFD_CLOEXEC, 0));
    if (current.Get() < 0) return DirResult::kOther;
    while (!relative.empty()) {
        const size_t slash = relative.find('/');
        const std::string part(relative.substr(0, slash));
        relative.remove_prefix(slash == std::string_view::npos ? relative.size() : slash + 1);
        if (part.empty()) continue;
        if (part == "." || part == "..") return DirResult::kOther;  // never climbs
        int fd = ::openat(current.Get(), part.c_str(), kDirFlags);
        if (fd < 0 && errno == ENOENT && create) {
            if (::mkdirat(current.Get(), part.c_str(), 0777) != 0 && errno != EEXIST) {
                return errno == ENOENT ? DirResult::kMissing : DirResult::kOther;
            }
            fd = ::openat(current.Get(), part.c_str(), kDirFlags);
        }
        if (fd < 0) {
            const int err = errno;
            struct stat st {};
            if (::fstatat(current.Get(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(st.st_mode)) {
                return DirResult::kLink;
            }
            return err == ENOENT ? DirResult::kMissing : DirResult::kOther;
        }
        current.Reset(fd);
    }
    out = std::move(current);
    return DirResult::kOpen;
}

bool LocalSiteAssembly::CreateLocalDirectories() {
    // A Windows-form or relative target names nothing here; it would otherwise be
    // taken relative to the current directory.
    if (TargetFd() < 0) return false;
    for (const char* sub : {"images", "files"}) {
        UniqueFd fd;
        const DirResult made = OpenBelow(TargetFd(), sub, true, fd);
        if (made == DirResult::kMissing || made == DirResult::kLink) return false;
        if (made == DirResult::kOpen) {
            m_knownDirectories.insert(m_targetDir + "/" + sub);
            if (m_clearedDirectories.insert(sub).second) TempFileName::RemoveStale(fd.Get());
        }
    }
    // The pages are written directly into the target.
    if (m_clearedDirectories.insert(std::string()).second) TempFileName::RemoveStale(TargetFd());
    return CreateFileDirectories(*m_doc.m_pRoot);
}

bool LocalSiteAssembly::CreateFileDirectories(const CBuildTreeFolder& folder) {
    const std::string base = m_targetDir + "/files";
    if (folder.m_bHotspotFolder != 0 && !folder.m_strHotspotImage.empty()) {
        if (!MirrorSourceDirectories(base, folder.m_strHotspotImage)) return false;
    }
    for (const auto& doc : folder.m_arrDocs) {
        if (!MirrorSourceDirectories(base, doc->m_strLink)) return false;
    }
    for (const auto& sub : folder.m_arrFolders) {
        if (!CreateFileDirectories(*sub)) return false;
    }
    return true;
}

bool LocalSiteAssembly::MirrorSourceDirectories(const std::string& baseDir,
                                                std::string_view sourcePath) {
    if (SitePaths::IsExternalLink(sourcePath)) return true;
    const std::string relative = SitePaths::RelativeSitePath(sourcePath);
    if (!SitePaths::IsSafeRelativePath(relative)) return true;
    const size_t lastSlash = relative.rfind('/');
    if (lastSlash == std::string::npos) return true;  // directly in the root: nothing to make
    const std::string leaf = baseDir + "/" + relative.substr(0, lastSlash);
    if (m_knownDirectories.count(leaf) != 0) return true;
    // A source that is a directory is never copied: it gets no directory either.
    struct stat st {};
    if (::stat(std::string(sourcePath).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;

    // The base, entered from the target when it lies inside it.
    UniqueFd base;
    const std::string prefix = m_targetDir + "/";
    DirResult opened;
    if (baseDir.rfind(prefix, 0) == 0 && TargetFd() >= 0) {
        opened =
            OpenBelow(TargetFd(), std::string_view(baseDir).substr(prefix.size()), false, base);
    } else {
        base.Reset(::open(baseDir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        opened = base.Get() >= 0 ? DirResult::kOpen
                                 : (errno == ENOENT ? DirResult::kMissing : DirResult::kOther);
    }
    UniqueFd dir;
    if (opened == DirResult::kOpen) {
        opened = OpenBelow(base.Get(), std::string_view(relative).substr(0, lastSlash), true, dir);
    }
    switch (opened) {
        case DirResult::kOpen:
            m_knownDirectories.insert(leaf);
            return true;
        case DirResult::kMissing:
        case DirResult::kLink:
            return false;
        case DirResult::kOther:
            return true;  // left to the copies, which fail and are listed
    }
    return true;
}

bool LocalSiteAssembly::CopySiteFiles() {
    m_manifest.Load();
    CopySupportImages();
    CopyFolderFiles(*m_doc.m_pRoot);
    return m_doc.m_arrPublishFiles.empty();
}

int LocalSiteAssembly::CopyDirectory(std::string_view relative) {
    if (m_copyDirFd.Get() >= 0 && m_copyDirName == relative) return m_copyDirFd.Get();
    m_copyDirFd.Reset();
    if (TargetFd() < 0 || OpenBelow(TargetFd(), relative, false, m_copyDirFd) != DirResult::kOpen)
        return -1;
    m_copyDirName = relative;
    if (m_clearedDirectories.insert(m_copyDirName).second)
        TempFileName::RemoveStale(m_copyDirFd.Get());
    return m_copyDirFd.Get();
}

void LocalSiteAssembly::CopyListed(const std::string& source,
                                   const std::optional<std::string>& destination) {
    // The destination relative to the target: its directory and its name.
    const std::string prefix = m_targetDir + "/";
    if (!destination || destination->rfind(prefix, 0) != 0) {
        m_doc.m_arrPublishFiles.push_back(source);
        return;
    }
    const std::string relative = destination->substr(prefix.size());
    const size_t slash = relative.rfind('/');
    const bool inTarget = slash == std::string::npos;
    // Entered (and cleared of stale temporary files) even when the copy is up to date.
    const int dirFd =
        CopyDirectory(inTarget ? std::string_view() : std::string_view(relative).substr(0, slash));
    const std::string name = inTarget ? relative : relative.substr(slash + 1);
    const bool upToDate = LocalSiteManifest::UpToDate(source, *destination);
    m_manifest.Publishing(relative, upToDate);
    if (upToDate) return;
    switch (dirFd < 0 ? FileCopy::Outcome::kFailed : FileCopy::CopyInto(source, dirFd, name)) {
        case FileCopy::Outcome::kCopied:
            m_manifest.Copied(relative);
            break;
        case FileCopy::Outcome::kSameFile:  // the source itself: not ours to list
            break;
        case FileCopy::Outcome::kFailed:
            m_doc.m_arrPublishFiles.push_back(source);
            break;
    }
}

bool LocalSiteAssembly::CopySupportImages() {
    // Missing built-in images are written first; one that still cannot be read is
    // listed by the copy below.
    SupportImages::EnsureInstalled(m_programFolder);

    if (!m_doc.m_strBackgroundImage.empty()) {
        // Under a name of its own when it is named like a support image.
        CopyListed(m_doc.m_strBackgroundImage,
                   ImagesDestination(m_targetDir,
                                     SitePaths::BackgroundImageName(m_doc.m_strBackgroundImage)));
    }
    for (const SupportImages::Image& image : SupportImages::All()) {
        const std::string name = image.name;
        CopyListed(m_programFolder + "/images/" + name, m_targetDir + "/images/" + name);
    }
    return true;
}

bool LocalSiteAssembly::CopyFolderFiles(const CBuildTreeFolder& folder) {
    if (folder.m_bHotspotFolder != 0 && !folder.m_strHotspotImage.empty()) {
        CopyListed(folder.m_strHotspotImage,
                   FilesDestination(m_targetDir, folder.m_strHotspotImage));
    }
    for (const auto& doc : folder.m_arrDocs) {
        if (!doc->IsActiveAt(m_now)) continue;
        if (SitePaths::IsExternalLink(doc->m_strLink)) continue;
        CopyListed(doc->m_strLink, FilesDestination(m_targetDir, doc->m_strLink));
    }
    for (const auto& sub : folder.m_arrFolders) {
        if (sub->IsActiveAt(m_now)) CopyFolderFiles(*sub);
    }
    return true;
}

}  // namespace foldcraft
