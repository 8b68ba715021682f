#pragma once

#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

class CFoldcraftDoc;

namespace foldcraft::cli {

// The JSON form of a whole project, used by `info` and `from-json` so that
// projects can be scripted and diffed.
//
// Shape: one object with the document's fields in file order (m_bNeverSaved,
// m_timeLastPublish, m_bCreateTitlePage, ..., m_strPublishPath) and then the site
// tree under m_pRoot, last so that the settings stay readable at the top. The
// root and every item are objects with "class" ("CBuildTreeFolder" or
// "CBuildTreeDoc") and their fields by name, the item fields first; folders add
// their own fields and then the lists m_arrFolders, m_arrDocs and m_arrHotspots; each hotspot has
// "class" "CHotspotArea", m_strLink, m_nShape and m_arrCoords. Times are integer seconds since
// 1970-01-01 UTC, colours plain integers (0x00BBGGRR), switches integers. The not-copied list, the
// title and the path are not part of a project file and are left out.
//
// Texts: a text that is valid UTF-8 is a JSON string. A text holding bytes that
// are not valid UTF-8 (older files written in a legacy code page, damaged
// names) is written as {"hex": "<two lower-case hex digits per byte>"}, so every
// byte survives the round trip; from-json accepts that form for any text.
class ProjectJson {
public:
    using Json = nlohmann::ordered_json;

    // Folder levels, the root counting as the first: deeper trees are refused by
    // FromJson, as the project file refuses them, so that every project it builds
    // can be saved and read back.
    static constexpr int kMaxFolderDepth = 1000;

    // The JSON form of doc. Never fails.
    static Json ToJson(const CFoldcraftDoc& doc);
    // ToJson as text: two-space indentation and a final newline. Never fails.
    static std::string ToText(const CFoldcraftDoc& doc);
    // Writes the same text to out item by item, without building the whole JSON
    // form in memory first. False when the stream fails.
    static bool Write(const CFoldcraftDoc& doc, std::ostream& out);

    // Builds doc from a JSON form. The document first takes every New value (as
    // File New gives them); each field present replaces its value, a missing field
    // keeps it (a missing item field takes the default of a new item, a missing
    // m_timePurge lies 365 days after the item's m_timePublish). Unknown fields,
    // wrong types, values out of range and unknown classes are refused: false, with
    // a message naming the field path ("m_pRoot.m_arrDocs[2].m_nFileSize: ...")
    // in error, and doc emptied back to a new project.
    static bool FromJson(const Json& json, CFoldcraftDoc& doc, std::string& error);
    // Parses the text, then FromJson. A text that is not JSON is refused with the
    // parser's reason, a NUL byte with its line and column, a key given twice in
    // one object with its path ("m_pRoot.m_strName: field given twice").
    static bool FromText(std::string_view text, CFoldcraftDoc& doc, std::string& error);

    // Whether text is well-formed UTF-8 (no overlong forms, no surrogates, nothing
    // above U+10FFFF): the texts that are written as JSON strings.
    static bool IsValidUtf8(std::string_view text);
};

}  // namespace foldcraft::cli
