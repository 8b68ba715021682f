#pragma once

#include <cstdint>
#include <string>

#include "model/Clock.h"

class CBuildTreeDoc;

namespace foldcraft {

// The fields of one tree item that the Build form edits, as a value: the before and
// after of an edit. Folder-only fields are ignored on documents and links.
struct ItemFields {
    std::string name;
    std::string link;
    std::string comment;
    Time publish = 0;
    Time purgeDate = 0;
    std::int32_t purge = 0;
    std::int32_t visible = 1;
    std::int32_t showContentsFor = 0;
    std::string label;

    static ItemFields Read(const CBuildTreeDoc& item);
    void Apply(CBuildTreeDoc& item) const;
    bool operator==(const ItemFields&) const = default;
};

}  // namespace foldcraft
