// libFuzzer target: reads arbitrary bytes as the JSON form of a project, as
// `from-json` does. What is refused says why; what is accepted prints back (by the
// streaming writer and by the JSON tree alike) to a text that reads back to the
// same project, and the project saves to a file that reads back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "cli/ProjectJson.h"
#include "model/Clock.h"
#include "model/FoldcraftDoc.h"
#include "model/ProjectFile.h"

using foldcraft::cli::ProjectJson;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Fields left out take a new item's values, whose dates are "now": a pinned
    // clock keeps the documents compared below equal.
    foldcraft::ScopedClockPin pin(1'700'000'000);
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CFoldcraftDoc doc;
    std::string error;
    if (!ProjectJson::FromText(text, doc, error)) {
        if (error.empty()) std::abort();
        return 0;
    }

    const std::string printed = ProjectJson::ToText(doc);
    std::ostringstream streamed;
    if (!ProjectJson::Write(doc, streamed) || streamed.str() != printed) std::abort();
    CFoldcraftDoc again;
    if (!ProjectJson::FromText(printed, again, error) || ProjectJson::ToText(again) != printed) {
        std::abort();
    }
    CFoldcraftDoc fromTree;
    if (!ProjectJson::FromJson(ProjectJson::ToJson(doc), fromTree, error) ||
        ProjectJson::ToText(fromTree) != printed) {
        std::abort();
    }

    std::string bytes;
    if (!foldcraft::WriteProjectBytes(doc, bytes).Ok()) std::abort();
    CFoldcraftDoc read;
    read.OnNewDocument();
    if (!foldcraft::ReadProjectBytes(read, bytes).Ok()) std::abort();
    if (foldcraft::WriteProjectBytes(read) != bytes) std::abort();
    return 0;
}
