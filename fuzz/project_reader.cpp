// libFuzzer target: reads arbitrary bytes as a project file, both from memory and
// through a small sliding window, then writes back what was read and reads that
// again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "model/Archive.h"
#include "model/FoldcraftDoc.h"
#include "model/ProjectFile.h"

namespace {

// Hands out the input a few bytes at a time.
class ChunkedSource : public ArchiveSource {
public:
    ChunkedSource(std::string_view bytes, size_t chunk) : m_bytes(bytes), m_chunk(chunk) {}
    long long Read(char* data, size_t size) override {
        const size_t n = std::min({size, m_chunk, m_bytes.size() - m_pos});
        if (n > 0) std::memcpy(data, m_bytes.data() + m_pos, n);
        m_pos += n;
        return static_cast<long long>(n);
    }

private:
    std::string_view m_bytes;
    size_t m_chunk;
    size_t m_pos = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    // Fields that a file skips keep an empty item's values, whose dates are "now":
    // a pinned clock keeps the documents compared below equal.
    foldcraft::ScopedClockPin pin(1'700'000'000);
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

    // The windowed reader (used for files) agrees with the in-memory one.
    if (size > 0) {
        const size_t chunk = 1 + data[size - 1] % 13;
        const size_t window = 1 + data[0] % 40;
        ChunkedSource source(input, chunk);
        CArchive ar(source, size, window);
        CFoldcraftDoc streamed;
        bool ok = true;
        try {
            streamed.Serialize(ar);
        } catch (const CArchiveException&) {
            ok = false;
        }
        if (ok != result.Ok()) std::abort();
        if (ok && foldcraft::WriteProjectBytes(streamed) != written) std::abort();
    }
    return 0;
}
