#include "publish/PublishManifest.h"

#include <charconv>
#include <string_view>
#include <vector>

#include "generator/SitePaths.h"

namespace foldcraft {
namespace {

constexpr std::string_view kHeader1 = "Foldcraft manifest 1";
constexpr std::string_view kHeader2 = "Foldcraft manifest 2";

bool IsLowerHex(std::string_view text) {
    if (text.size() != 64) return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

template <typename Number>
bool ReadNumber(std::string_view text, Number& value) {
    if (text.empty() || (text.size() > 1 && text[0] == '0')) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= 0;
}

// Splits a line at single blanks into at most parts fields, the last taking the rest.
std::vector<std::string_view> Fields(std::string_view line, std::size_t parts) {
    std::vector<std::string_view> fields;
    while (fields.size() + 1 < parts) {
        const std::size_t blank = line.find(' ');
        if (blank == std::string_view::npos) break;
        fields.push_back(line.substr(0, blank));
        line.remove_prefix(blank + 1);
    }
    fields.push_back(line);
    return fields;
}

bool ReadDigest(std::string_view text, std::string& sha256) {
    if (text == "-") {
        sha256.clear();
        return true;
    }
    if (!IsLowerHex(text)) return false;
    sha256 = text;
    return true;
}

bool ReadTime(std::string_view text, std::optional<FileTime>& time) {
    if (text == "-") {
        time.reset();
        return true;
    }
    const std::size_t dot = text.find('.');
    FileTime t;
    if (dot == std::string_view::npos || !ReadNumber(text.substr(0, dot), t.sec) ||
        text.size() - dot - 1 != 9) {
        return false;
    }
    // Nine digits, leading zeros allowed.
    for (char c : text.substr(dot + 1)) {
        if (c < '0' || c > '9') return false;
        t.nsec = t.nsec * 10 + (c - '0');
    }
    time = t;
    return true;
}

std::string TimeText(const std::optional<FileTime>& time) {
    if (!time) return "-";
    std::string nsec = std::to_string(time->nsec);
    return std::to_string(time->sec) + "." + std::string(9 - nsec.size(), '0') + nsec;
}

}  // namespace

bool PublishManifest::IsSafePath(const std::string& path) {
    if (path.empty() || path.size() > kMaxPath || path.front() == '/' || path.front() == '~')
        return false;
    for (const unsigned char c : path) {
        if (c < 0x20 || c == 0x7F || c == '*' || c == '?' || c == '[') return false;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t end = path.find('/', start);
        const std::string_view segment =
            std::string_view(path).substr(start, end == std::string::npos ? end : end - start);
        if (segment.size() > kMaxSegment) return false;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    // No empty, "." or ".." part, between slashes nor between backslashes: a server
    // that takes backslashes for separators must not be led out of the site either.
    return SitePaths::IsSafeRelativePath(path);
}

std::optional<PublishManifest> PublishManifest::Parse(const std::string& text) {
    if (text.size() > kMaxBytes) return std::nullopt;
    PublishManifest manifest;
    std::size_t pos = 0;
    int version = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) return std::nullopt;  // cut short
        const std::string_view line = std::string_view(text).substr(pos, end - pos);
        pos = end + 1;
        if (version == 0) {
            if (line == kHeader1) {
                version = 1;
            } else if (line == kHeader2) {
                version = 2;
            } else {
                return std::nullopt;
            }
            continue;
        }
        ManifestEntry entry;
        std::string path;
        if (version == 1) {
            const auto f = Fields(line, 3);
            if (f.size() != 3 || !ReadNumber(f[0], entry.size) || !ReadDigest(f[1], entry.sha256))
                return std::nullopt;
            path = f[2];
        } else if (line.substr(0, 2) == "d ") {
            path = line.substr(2);
            if (!IsSafePath(path)) return std::nullopt;
            manifest.m_directories.insert(std::move(path));
            continue;
        } else {
            const auto f = Fields(line, 5);
            if (f.size() != 5 || (f[0] != "f" && f[0] != "p") || !ReadNumber(f[1], entry.size) ||
                !ReadTime(f[2], entry.mtime) || !ReadDigest(f[3], entry.sha256)) {
                return std::nullopt;
            }
            path = f[4];
            entry.inProgress = f[0] == "p";
        }
        if (!IsSafePath(path)) return std::nullopt;
        manifest.m_files[std::move(path)] = std::move(entry);
    }
    if (version == 0) return std::nullopt;  // empty
    return manifest;
}

std::string PublishManifest::Serialize() const {
    std::string text(kHeader2);
    text += '\n';
    for (const std::string& dir : m_directories) {
        text += "d ";
        text += dir;
        text += '\n';
    }
    for (const auto& [path, entry] : m_files) {
        text += entry.inProgress ? "p " : "f ";
        text += std::to_string(entry.size);
        text += ' ';
        text += TimeText(entry.mtime);
        text += ' ';
        text += entry.sha256.empty() ? "-" : entry.sha256;
        text += ' ';
        text += path;
        text += '\n';
    }
    return text;
}

void PublishManifest::SetFile(const std::string& path, const ManifestEntry& entry) {
    if (IsSafePath(path)) m_files[path] = entry;
}

void PublishManifest::AddDirectory(const std::string& path) {
    if (IsSafePath(path)) m_directories.insert(path);
}

const ManifestEntry* PublishManifest::Find(const std::string& path) const {
    const auto it = m_files.find(path);
    return it == m_files.end() ? nullptr : &it->second;
}

}  // namespace foldcraft
