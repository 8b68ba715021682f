#include "document/FileItems.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <limits>

#include "model/BuildTreeFolder.h"

namespace foldcraft {

FileItems::FileItems() = default;
FileItems::FileItems(FileItems&&) noexcept = default;
FileItems::~FileItems() = default;

bool FileItems::IsSupportFile(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == "html" || tail == ".htm" || tail == ".pdf";
}

namespace {

bool Holds(const CBuildTreeFolder& folder, const CBuildTreeDoc& doc) {
    return std::any_of(folder.m_arrDocs.begin(), folder.m_arrDocs.end(),
                       [&](const auto& held) { return held->m_strLink == doc.m_strLink; });
}

}  // namespace

std::vector<std::string> FileItems::AlreadyIn(const CBuildTreeFolder& folder) const {
    std::vector<std::string> names;
    for (const auto& doc : docs)
        if (Holds(folder, *doc)) names.push_back(doc->m_strName);
    return names;
}

void FileItems::LeaveOutAlreadyIn(const CBuildTreeFolder& folder) {
    std::erase_if(docs, [&](const auto& doc) { return Holds(folder, *doc); });
}

FileItems FileItems::FromPaths(const std::vector<std::string>& paths, bool refuseEmpty) {
    FileItems items;
    for (const std::string& path : paths) {
        struct stat info {};
        const bool readable = ::stat(path.c_str(), &info) == 0;
        if (refuseEmpty && !(readable && S_ISREG(info.st_mode) && info.st_size >= 1)) {
            ++items.refused;
            continue;
        }
        const size_t slash = path.rfind('/');
        std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        if (IsSupportFile(path)) items.supportFile = true;
        if (slash != std::string::npos) items.lastDirectory = path.substr(0, slash);
        auto doc = std::make_unique<CBuildTreeDoc>(std::move(name), path, std::string());
        if (readable) {
            doc->m_nFileSize = static_cast<std::int32_t>(
                std::min<long long>(info.st_size, std::numeric_limits<std::int32_t>::max()));
            doc->m_timeFile = static_cast<Time>(info.st_mtime);
        }
        items.docs.push_back(std::move(doc));
    }
    return items;
}

}  // namespace foldcraft
