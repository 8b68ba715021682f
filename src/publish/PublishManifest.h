#pragma once

#include <map>
#include <optional>
#include <string>

#include "publish/FileDigest.h"

namespace foldcraft {

// What a publish run put on its target: the path of each file (relative to the site's
// root, "/"-separated), with its size and SHA-256. The next run reads it back to send
// only what changed and to remove only what it put there itself.
//
// Text form, one line each, LF ends:
//   Foldcraft manifest 1
//   <size> <sha256> <path>
// where sha256 is "-" when the content is not known (an empty FileDigest::sha256):
// a local publish compares size and modification time instead, and an upload that
// failed after the old file was gone leaves content of unknown bytes.
// A path is never empty and holds no CR, LF, NUL, backslash, "." or ".." segment, and
// no leading "/". Anything else is not one of Foldcraft's manifests.
class PublishManifest {
public:
    static constexpr const char* kFileName = ".foldcraft-manifest";

    // The text of a manifest; nullopt for anything that is not one, in whole or in
    // part (a foreign file must never lead to removals).
    static std::optional<PublishManifest> Parse(const std::string& text);
    std::string Serialize() const;

    // Whether path is one this manifest may hold (see above).
    static bool IsSafePath(const std::string& path);

    // Unsafe paths are not recorded.
    void Set(const std::string& path, const FileDigest& digest);
    void Remove(const std::string& path) { m_entries.erase(path); }
    const FileDigest* Find(const std::string& path) const;
    const std::map<std::string, FileDigest>& Entries() const { return m_entries; }

private:
    std::map<std::string, FileDigest> m_entries;
};

}  // namespace foldcraft
