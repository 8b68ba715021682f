#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace foldcraft {

// The size and SHA-256 (64 lower-case hexadecimal digits) of a file's bytes, as the
// publish manifests record them.
struct FileDigest {
    std::uint64_t size = 0;
    std::string sha256;

    bool operator==(const FileDigest&) const = default;

    // Reads the regular file at path to its end. nullopt when it cannot be opened or
    // read, or is not a regular file.
    static std::optional<FileDigest> Of(const std::string& path);
    // Of a byte string in memory.
    static FileDigest OfBytes(const std::string& bytes);
};

}  // namespace foldcraft
