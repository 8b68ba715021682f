#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace foldcraft {

// A file's modification time to the nanosecond, as a local target records it.
struct FileTime {
    std::int64_t sec = 0;
    std::int64_t nsec = 0;
    bool operator==(const FileTime&) const = default;
};

// What a manifest records of one file that a publish put on its target.
struct ManifestEntry {
    std::uint64_t size = 0;
    std::optional<FileTime> mtime;  // local targets: the file's time once it was there
    std::string sha256;             // 64 lower-case hex digits; empty: not known
    // Being written in place (a server that cannot rename): what stands there may be
    // cut short, so it is never taken as holding this.
    bool inProgress = false;
    bool operator==(const ManifestEntry&) const = default;
};

// What a publish run put on its target: every file (documents, images, pages, the
// stylesheet) and every directory it made, by its path relative to the site's root
// ("/"-separated). The next run reads it back to send only what changed and to
// remove only what it put there itself, and only while it is still as it was put.
//
// Text form, LF line ends:
//   Foldcraft manifest 2
//   d <path>                              a directory the publish made
//   f <size> <mtime> <sha256> <path>      a file; mtime "SEC.NSEC" or "-", sha256 or "-"
//   p <size> <mtime> <sha256> <path>      a file being overwritten in place: it may
//                                         be cut short, so the next run sends it again
// Version 1 (written by earlier releases: "<size> <sha256> <path>" lines, files only)
// is read too.
//
// A path is one the publish itself could have written (IsSafePath). A text with any
// other path, a line of another form, or more than kMaxBytes is not a manifest this
// program trusts: Parse refuses it whole, and the run then copies everything and
// removes nothing.
class PublishManifest {
public:
    static constexpr const char* kFileName = ".foldcraft-manifest";
    static constexpr std::size_t kMaxBytes = std::size_t{64} << 20;
    // The longest path and path segment a manifest holds.
    static constexpr std::size_t kMaxPath = 1024;
    static constexpr std::size_t kMaxSegment = 255;

    // The text of a manifest; nullopt for anything that is not one, in whole or in part.
    static std::optional<PublishManifest> Parse(const std::string& text);
    // Always version 2.
    std::string Serialize() const;

    // Relative, not empty, no empty, "." or ".." segment (nor such a piece between
    // backslashes: SitePaths::IsSafeRelativePath), no "~" at the start, no wildcard
    // ("*", "?", "["), no control character, within kMaxPath and kMaxSegment.
    static bool IsSafePath(const std::string& path);

    // Unsafe paths are not recorded.
    void SetFile(const std::string& path, const ManifestEntry& entry);
    void RemoveFile(const std::string& path) { m_files.erase(path); }
    void AddDirectory(const std::string& path);
    void RemoveDirectory(const std::string& path) { m_directories.erase(path); }

    const ManifestEntry* Find(const std::string& path) const;
    const std::map<std::string, ManifestEntry>& Files() const { return m_files; }
    const std::set<std::string>& Directories() const { return m_directories; }

    bool operator==(const PublishManifest&) const = default;

private:
    std::map<std::string, ManifestEntry> m_files;
    std::set<std::string> m_directories;
};

}  // namespace foldcraft
