// libFuzzer target: reads arbitrary bytes as a publish manifest (it comes back from
// an FTP server or a target directory, so it is foreign input). What parses must
// hold only safe paths and must write back to text that parses to the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "publish/PublishManifest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto manifest = foldcraft::PublishManifest::Parse(text);
    if (!manifest) return 0;
    for (const auto& [path, entry] : manifest->Files()) {
        if (!foldcraft::PublishManifest::IsSafePath(path)) std::abort();
    }
    for (const std::string& dir : manifest->Directories()) {
        if (!foldcraft::PublishManifest::IsSafePath(dir)) std::abort();
    }
    const auto again = foldcraft::PublishManifest::Parse(manifest->Serialize());
    if (!again || again->Files() != manifest->Files() ||
        again->Directories() != manifest->Directories()) {
        std::abort();
    }
    return 0;
}
