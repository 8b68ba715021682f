#include "publish/PublishManifest.h"

#include <charconv>

namespace foldcraft {
namespace {

constexpr const char* kHeader = "Foldcraft manifest 1";

bool IsLowerHex(const std::string& text) {
    if (text.size() != 64) return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

}  // namespace

bool PublishManifest::IsSafePath(const std::string& path) {
    if (path.empty() || path.front() == '/' || path.back() == '/') return false;
    if (path.find_first_of(std::string("\r\n\\\0", 4)) != std::string::npos) return false;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = path.find('/', start);
        const std::string segment = path.substr(start, end - start);
        if (segment.empty() || segment == "." || segment == "..") return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

std::optional<PublishManifest> PublishManifest::Parse(const std::string& text) {
    PublishManifest manifest;
    std::size_t pos = 0;
    bool first = true;
    while (pos < text.size()) {
        const std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) return std::nullopt;  // cut short
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (first) {
            if (line != kHeader) return std::nullopt;
            first = false;
            continue;
        }
        const std::size_t blank1 = line.find(' ');
        const std::size_t blank2 =
            blank1 == std::string::npos ? std::string::npos : line.find(' ', blank1 + 1);
        if (blank2 == std::string::npos) return std::nullopt;
        FileDigest digest;
        const char* sizeEnd = line.data() + blank1;
        const auto [ptr, ec] = std::from_chars(line.data(), sizeEnd, digest.size);
        if (ec != std::errc() || ptr != sizeEnd || blank1 == 0) return std::nullopt;
        digest.sha256 = line.substr(blank1 + 1, blank2 - blank1 - 1);
        if (digest.sha256 == "-") {
            digest.sha256.clear();
        } else if (!IsLowerHex(digest.sha256)) {
            return std::nullopt;
        }
        const std::string path = line.substr(blank2 + 1);
        if (!IsSafePath(path)) return std::nullopt;
        manifest.m_entries[path] = std::move(digest);
    }
    if (first) return std::nullopt;  // empty
    return manifest;
}

std::string PublishManifest::Serialize() const {
    std::string text = std::string(kHeader) + "\n";
    for (const auto& [path, digest] : m_entries) {
        text += std::to_string(digest.size) + " " + (digest.sha256.empty() ? "-" : digest.sha256) +
                " " + path + "\n";
    }
    return text;
}

void PublishManifest::Set(const std::string& path, const FileDigest& digest) {
    if (IsSafePath(path)) m_entries[path] = digest;
}

const FileDigest* PublishManifest::Find(const std::string& path) const {
    const auto it = m_entries.find(path);
    return it == m_entries.end() ? nullptr : &it->second;
}

}  // namespace foldcraft
