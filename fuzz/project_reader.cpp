// libFuzzer target: reads arbitrary bytes as a project file, then writes back
// what was read and reads that again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "model/FoldcraftDoc.h"
#include "model/ProjectFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    CFoldcraftDoc doc;
    doc.OnNewDocument();
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const foldcraft::ProjectFileResult result = foldcraft::ReadProjectBytes(doc, input);
    if (result.Ok() != result.message.empty()) std::abort();

    // Whatever was read writes back, and the written file reads back to the same
    // bytes: the writer and the reader agree on every project the reader accepts.
    std::string written;
    if (!foldcraft::WriteProjectBytes(doc, written).Ok()) std::abort();
    CFoldcraftDoc again;
    if (!foldcraft::ReadProjectBytes(again, written).Ok()) std::abort();
    if (foldcraft::WriteProjectBytes(again) != written) std::abort();
    return 0;
}
