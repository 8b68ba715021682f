#include "publish/LocalSiteAssembly.h"

#include <errno.h>
#include <sys/stat.h>

#include <utility>

#include "generator/SitePaths.h"
#include "generator/SupportImages.h"
#include "model/FoldcraftDoc.h"
#include "publish/FileCopy.h"

namespace foldcraft {
namespace {

enum class MakeResult { kMade, kExists, kParentMissing, kOther };

MakeResult MakeOneDirectory(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0) return MakeResult::kMade;
    switch (errno) {
        case EEXIST:
            return MakeResult::kExists;
        case ENOENT:
            return MakeResult::kParentMissing;
        default:
            return MakeResult::kOther;
    }
}

bool IsPosixAbsolute(const std::string& path) {
    return !path.empty() && path[0] == '/';
}

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

bool LocalSiteAssembly::CreateLocalDirectories() {
    // A Windows-form or relative target names nothing here; it would otherwise be
    // taken relative to the current directory.
    if (!IsPosixAbsolute(m_targetDir)) return false;
    for (const char* sub : {"/images", "/files"}) {
        const std::string dir = m_targetDir + sub;
        const MakeResult made = MakeOneDirectory(dir);
        if (made == MakeResult::kParentMissing) return false;
        if (made == MakeResult::kMade || made == MakeResult::kExists)
            m_knownDirectories.insert(dir);
    }
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
    // A source that is a directory is never copied: it gets no directory either.
    struct stat st {};
    if (::stat(std::string(sourcePath).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;

    std::string dir = baseDir;
    size_t start = 0;
    while (start < lastSlash) {
        const size_t end = relative.find('/', start);
        dir += '/';
        dir.append(relative, start, end - start);
        start = end + 1;
        if (m_knownDirectories.count(dir) != 0) continue;
        const MakeResult made = MakeOneDirectory(dir);
        if (made == MakeResult::kParentMissing) return false;
        if (made == MakeResult::kMade || made == MakeResult::kExists)
            m_knownDirectories.insert(dir);
    }
    return true;
}

bool LocalSiteAssembly::CopySiteFiles() {
    m_manifest.Load();
    CopySupportImages();
    CopyFolderFiles(*m_doc.m_pRoot);
    return m_doc.m_arrPublishFiles.empty();
}

void LocalSiteAssembly::CopyListed(const std::string& source,
                                   const std::optional<std::string>& destination) {
    if (!destination) {
        m_doc.m_arrPublishFiles.push_back(source);
        return;
    }
    const std::string relative = destination->substr(m_targetDir.size() + 1);
    const bool upToDate = LocalSiteManifest::UpToDate(source, *destination);
    m_manifest.Publishing(relative, upToDate);
    if (upToDate) return;
    switch (FileCopy::CopyReplacing(source, *destination)) {
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
