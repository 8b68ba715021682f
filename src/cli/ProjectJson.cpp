#include "cli/ProjectJson.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <ostream>
#include <sstream>
#include <unordered_set>
#include <utility>
#include <vector>

#include "model/Archive.h"
#include "model/BuildTreeFolder.h"
#include "model/FoldcraftDoc.h"

namespace foldcraft::cli {
namespace {

using Json = ProjectJson::Json;

static_assert(ProjectJson::kMaxFolderDepth == CArchive::kMaxFolderDepth,
              "a project built from JSON must be one that the project file can hold");

constexpr const char* kFolderClass = "CBuildTreeFolder";
constexpr const char* kDocClass = "CBuildTreeDoc";
constexpr const char* kHotspotClass = "CHotspotArea";

// A project file holds times as unsigned 32-bit seconds (1970 to 2106).
constexpr std::int64_t kMinTime = 0;
constexpr std::int64_t kMaxTime = std::numeric_limits<std::uint32_t>::max();

// ---------------------------------------------------------------------------
// Project -> JSON

Json TextValue(const std::string& text) {
    if (ProjectJson::IsValidUtf8(text)) return Json(text);
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(text.size() * 2);
    for (const unsigned char c : text) {
        hex.push_back(kDigits[c >> 4]);
        hex.push_back(kDigits[c & 0x0F]);
    }
    Json value = Json::object();
    value["hex"] = std::move(hex);
    return value;
}

void ItemFields(const CBuildTreeDoc& item, Json& out) {
    out["class"] = item.IsFolder() ? kFolderClass : kDocClass;
    out["m_strName"] = TextValue(item.m_strName);
    out["m_strLink"] = TextValue(item.m_strLink);
    out["m_strComment"] = TextValue(item.m_strComment);
    out["m_nFileSize"] = item.m_nFileSize;
    out["m_timeFile"] = item.m_timeFile;
    out["m_timePublish"] = item.m_timePublish;
    out["m_timePurge"] = item.m_timePurge;
    out["m_bPurge"] = item.m_bPurge;
    out["m_bVisible"] = item.m_bVisible;
}

Json HotspotToJson(const CHotspotArea& area) {
    Json out = Json::object();
    out["class"] = kHotspotClass;
    out["m_strLink"] = TextValue(area.m_strLink);
    out["m_nShape"] = area.m_nShape;
    out["m_arrCoords"] = area.m_arrCoords;
    return out;
}

// The folder's own fields (item fields first), without its three lists.
Json FolderScalars(const CBuildTreeFolder& folder) {
    Json out = Json::object();
    ItemFields(folder, out);
    out["m_nFolderButtonStyle"] = folder.m_nFolderButtonStyle;
    out["m_nFileButtonStyle"] = folder.m_nFileButtonStyle;
    out["m_nFolderButtonGraphic"] = folder.m_nFolderButtonGraphic;
    out["m_nFileButtonGraphic"] = folder.m_nFileButtonGraphic;
    out["m_strLabel"] = TextValue(folder.m_strLabel);
    out["m_bShowContentsFor"] = folder.m_bShowContentsFor;
    out["m_bHotspotFolder"] = folder.m_bHotspotFolder;
    out["m_strHotspotImage"] = TextValue(folder.m_strHotspotImage);
    return out;
}

Json FolderToJson(const CBuildTreeFolder& folder);

Json ItemToJson(const CBuildTreeDoc& item) {
    // The document list is typed for documents; a folder that found its way into
    // it is still shown with all its fields.
    if (item.IsFolder()) return FolderToJson(static_cast<const CBuildTreeFolder&>(item));
    Json out = Json::object();
    ItemFields(item, out);
    return out;
}

Json FolderToJson(const CBuildTreeFolder& folder) {
    Json out = FolderScalars(folder);
    Json folders = Json::array();
    for (const auto& sub : folder.m_arrFolders) folders.push_back(FolderToJson(*sub));
    out["m_arrFolders"] = std::move(folders);
    Json docs = Json::array();
    for (const auto& doc : folder.m_arrDocs) docs.push_back(ItemToJson(*doc));
    out["m_arrDocs"] = std::move(docs);
    Json hotspots = Json::array();
    for (const auto& area : folder.m_arrHotspots) hotspots.push_back(HotspotToJson(*area));
    out["m_arrHotspots"] = std::move(hotspots);
    return out;
}

// The document's own fields, without the tree.
Json DocumentScalars(const CFoldcraftDoc& doc) {
    Json out = Json::object();
    out["m_bNeverSaved"] = doc.m_bNeverSaved;
    out["m_timeLastPublish"] = doc.m_timeLastPublish;
    out["m_bCreateTitlePage"] = doc.m_bCreateTitlePage;
    out["m_bCreateSitemap"] = doc.m_bCreateSitemap;
    out["m_bShowRestartButton"] = doc.m_bShowRestartButton;
    out["m_nNavBarPosition"] = doc.m_nNavBarPosition;
    out["m_bShowFileSize"] = doc.m_bShowFileSize;
    out["m_bShowFileDate"] = doc.m_bShowFileDate;
    out["m_bShowComments"] = doc.m_bShowComments;
    out["m_bUseThumbnails"] = doc.m_bUseThumbnails;
    out["m_nThumbWidth"] = doc.m_nThumbWidth;
    out["m_nThumbHeight"] = doc.m_nThumbHeight;
    out["m_nBackgroundPlacement"] = doc.m_nBackgroundPlacement;
    out["m_strBackgroundImage"] = TextValue(doc.m_strBackgroundImage);
    out["m_strFont"] = TextValue(doc.m_strFont);
    out["m_clrBodyBackground"] = doc.m_clrBodyBackground;
    out["m_clrBodyText"] = doc.m_clrBodyText;
    out["m_clrDocumentBackground"] = doc.m_clrDocumentBackground;
    out["m_clrFolderBackground"] = doc.m_clrFolderBackground;
    out["m_clrFolderText"] = doc.m_clrFolderText;
    out["m_clrLink"] = doc.m_clrLink;
    out["m_clrVisitedLink"] = doc.m_clrVisitedLink;
    out["m_strComments"] = TextValue(doc.m_strComments);
    out["m_strFooter"] = TextValue(doc.m_strFooter);
    out["m_strHeader"] = TextValue(doc.m_strHeader);
    out["m_strTitle"] = TextValue(doc.m_strTitle);
    out["m_nPublishMethod"] = doc.m_nPublishMethod;
    out["m_strPublishPath"] = TextValue(doc.m_strPublishPath);
    return out;
}

// ---------------------------------------------------------------------------
// Project -> JSON text, item by item, so that a large project is never held
// twice in memory. The text is exactly what dump(2) gives for ToJson.

class TextWriter {
public:
    explicit TextWriter(std::ostream& out) : m_out(out) {}

    void Document(const CFoldcraftDoc& doc) {
        OpenObject(DocumentScalars(doc), 0);
        Key(2, "m_pRoot");
        Folder(*doc.m_pRoot, 2);
        m_out << "\n}\n";
    }

private:
    // A value whose first line continues the current line and whose other lines
    // are indented by `indent`. Every text in it is valid UTF-8 (TextValue).
    void Value(const Json& value, int indent) {
        std::string text;
        try {
            text = value.dump(2);
        } catch (const Json::exception&) {
            text = value.dump(2, ' ', false, Json::error_handler_t::replace);
        }
        const std::string pad(static_cast<size_t>(indent), ' ');
        size_t start = 0;
        for (size_t nl = text.find('\n'); nl != std::string::npos; nl = text.find('\n', start)) {
            m_out.write(text.data() + start, static_cast<std::streamsize>(nl + 1 - start));
            m_out << pad;
            start = nl + 1;
        }
        m_out.write(text.data() + start, static_cast<std::streamsize>(text.size() - start));
    }

    // An object's fields without its closing line, for more fields to follow.
    void OpenObject(const Json& scalars, int indent) {
        m_out << "{";
        bool first = true;
        for (const auto& [key, value] : scalars.items()) {
            m_out << (first ? "\n" : ",\n");
            first = false;
            m_out << std::string(static_cast<size_t>(indent) + 2, ' ') << Json(key).dump() << ": ";
            Value(value, indent + 2);
        }
    }

    void Key(int indent, const char* key) {
        m_out << ",\n" << std::string(static_cast<size_t>(indent), ' ') << '"' << key << "\": ";
    }

    template <typename Entries, typename WriteEntry>
    void List(const Entries& list, int indent, WriteEntry writeEntry) {
        if (list.empty()) {
            m_out << "[]";
            return;
        }
        const std::string pad(static_cast<size_t>(indent) + 2, ' ');
        m_out << "[\n";
        bool first = true;
        for (const auto& entry : list) {
            if (!first) m_out << ",\n";
            first = false;
            m_out << pad;
            writeEntry(*entry, indent + 2);
        }
        m_out << "\n" << std::string(static_cast<size_t>(indent), ' ') << "]";
    }

    void Folder(const CBuildTreeFolder& folder, int indent) {
        OpenObject(FolderScalars(folder), indent);
        Key(indent + 2, "m_arrFolders");
        List(folder.m_arrFolders, indent + 2,
             [this](const CBuildTreeFolder& sub, int level) { Folder(sub, level); });
        Key(indent + 2, "m_arrDocs");
        List(folder.m_arrDocs, indent + 2, [this](const CBuildTreeDoc& doc, int level) {
            if (doc.IsFolder())
                Folder(static_cast<const CBuildTreeFolder&>(doc), level);
            else
                Value(ItemToJson(doc), level);
        });
        Key(indent + 2, "m_arrHotspots");
        List(folder.m_arrHotspots, indent + 2,
             [this](const CHotspotArea& area, int level) { Value(HotspotToJson(area), level); });
        m_out << "\n" << std::string(static_cast<size_t>(indent), ' ') << "}";
    }

    std::ostream& m_out;
};

// ---------------------------------------------------------------------------
// JSON -> project

// Raised inside this file only; FromJson turns it into a message.
struct JsonFieldError {
    std::string message;
};

// Paths of values in messages read "m_pRoot.m_arrDocs[2].m_strName".
std::string Index(const std::string& base, size_t index) {
    return base + "[" + std::to_string(index) + "]";
}

[[noreturn]] void Fail(const std::string& path, const std::string& what) {
    // Deep in a tree the path is shortened in the middle to stay readable.
    constexpr size_t kHead = 60, kTail = 100;
    std::string shown = path.empty() ? std::string("(top level)") : path;
    if (shown.size() > kHead + kTail + 5)
        shown = shown.substr(0, kHead) + " ... " + shown.substr(shown.size() - kTail);
    throw JsonFieldError{shown + ": " + what};
}

const char* TypeName(const Json& value) {
    switch (value.type()) {
        case Json::value_t::null:
            return "null";
        case Json::value_t::object:
            return "an object";
        case Json::value_t::array:
            return "an array";
        case Json::value_t::string:
            return "a string";
        case Json::value_t::boolean:
            return "a boolean";
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned:
            return "an integer";
        case Json::value_t::number_float:
            return "a number with a fraction or exponent";
        default:
            return "a value of another kind";
    }
}

std::int64_t ReadInteger(const Json& value, const std::string& path, std::int64_t lo,
                         std::int64_t hi, bool acceptBoolean) {
    const std::string range = "an integer from " + std::to_string(lo) + " to " + std::to_string(hi);
    if (acceptBoolean && value.is_boolean()) return value.get<bool>() ? 1 : 0;
    if (value.is_number_unsigned()) {
        const auto v = value.get<std::uint64_t>();
        if (v > static_cast<std::uint64_t>(hi))
            Fail(path, "expected " + range + ", got " + value.dump());
        return static_cast<std::int64_t>(v);
    }
    if (value.is_number_integer()) {
        const auto v = value.get<std::int64_t>();
        if (v < lo || v > hi) Fail(path, "expected " + range + ", got " + value.dump());
        return v;
    }
    Fail(path, std::string("expected ") + range + ", got " + TypeName(value));
}

std::int32_t ReadInt32(const Json& value, const std::string& path) {
    return static_cast<std::int32_t>(ReadInteger(value, path,
                                                 std::numeric_limits<std::int32_t>::min(),
                                                 std::numeric_limits<std::int32_t>::max(), false));
}

// Switches are integers (0 off, 1 on); true and false are taken as 1 and 0.
std::int32_t ReadSwitch(const Json& value, const std::string& path) {
    return static_cast<std::int32_t>(ReadInteger(value, path,
                                                 std::numeric_limits<std::int32_t>::min(),
                                                 std::numeric_limits<std::int32_t>::max(), true));
}

std::uint32_t ReadColor(const Json& value, const std::string& path) {
    return static_cast<std::uint32_t>(
        ReadInteger(value, path, 0, std::numeric_limits<std::uint32_t>::max(), false));
}

Time ReadTime(const Json& value, const std::string& path) {
    return ReadInteger(value, path, kMinTime, kMaxTime, false);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string ReadText(const Json& value, const std::string& path) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_object()) {
        const auto hex = value.find("hex");
        if (value.size() != 1 || hex == value.end())
            Fail(path, "expected a string or {\"hex\": \"...\"}, got an object with other fields");
        if (!hex->is_string())
            Fail(path + ".hex", std::string("expected a string, got ") + TypeName(*hex));
        const auto& digits = hex->get_ref<const std::string&>();
        if (digits.size() % 2 != 0)
            Fail(path + ".hex", "expected an even number of hexadecimal digits");
        std::string bytes;
        bytes.reserve(digits.size() / 2);
        for (size_t i = 0; i < digits.size(); i += 2) {
            const int hi = HexDigit(digits[i]);
            const int lo = HexDigit(digits[i + 1]);
            if (hi < 0 || lo < 0)
                Fail(path + ".hex",
                     "not a hexadecimal digit at position " + std::to_string(hi < 0 ? i : i + 1));
            bytes.push_back(static_cast<char>(hi * 16 + lo));
        }
        return bytes;
    }
    Fail(path, std::string("expected a string, got ") + TypeName(value));
}

const Json& ExpectArray(const Json& value, const std::string& path) {
    if (!value.is_array()) Fail(path, std::string("expected an array, got ") + TypeName(value));
    return value;
}

void ExpectObject(const Json& value, const std::string& path) {
    if (!value.is_object()) Fail(path, std::string("expected an object, got ") + TypeName(value));
}

// "class" of an entry: must name the expected class; may be left out.
void CheckClass(const Json& object, const std::string& path, const char* expected) {
    const auto it = object.find("class");
    if (it == object.end()) return;
    if (!it->is_string())
        Fail(path + ".class", std::string("expected a string, got ") + TypeName(*it));
    const auto& name = it->get_ref<const std::string&>();
    if (name == expected) return;
    if (name == kFolderClass || name == kDocClass || name == kHotspotClass)
        Fail(path + ".class",
             "\"" + name + "\" does not belong here, expected \"" + expected + "\"");
    Fail(path + ".class", "unknown class \"" + name + "\", expected \"" + expected + "\"");
}

class ItemReader {
public:
    // Item fields (rows 1 to 10). Returns true when the key was one of them.
    static bool ItemField(const std::string& key, const Json& value, const std::string& path,
                          CBuildTreeDoc& item, bool& purgeGiven) {
        if (key == "class") return true;  // checked by the caller
        if (key == "m_strName") return item.m_strName = ReadText(value, path), true;
        if (key == "m_strLink") return item.m_strLink = ReadText(value, path), true;
        if (key == "m_strComment") return item.m_strComment = ReadText(value, path), true;
        if (key == "m_nFileSize") return item.m_nFileSize = ReadInt32(value, path), true;
        if (key == "m_timeFile") return item.m_timeFile = ReadTime(value, path), true;
        if (key == "m_timePublish") return item.m_timePublish = ReadTime(value, path), true;
        if (key == "m_timePurge") {
            item.m_timePurge = ReadTime(value, path);
            purgeGiven = true;
            return true;
        }
        if (key == "m_bPurge") return item.m_bPurge = ReadSwitch(value, path), true;
        if (key == "m_bVisible") return item.m_bVisible = ReadSwitch(value, path), true;
        return false;
    }

    static void ReadDoc(const Json& value, const std::string& path, CBuildTreeDoc& item) {
        ExpectObject(value, path);
        CheckClass(value, path, kDocClass);
        bool purgeGiven = false;
        for (const auto& [key, field] : value.items()) {
            const std::string fieldPath = path + "." + key;
            if (!ItemField(key, field, fieldPath, item, purgeGiven))
                Fail(fieldPath, "unknown field");
        }
        if (!purgeGiven) item.m_timePurge = item.m_timePublish + CBuildTreeDoc::kDefaultPurgeSpan;
    }

    static void ReadHotspot(const Json& value, const std::string& path, CHotspotArea& area) {
        ExpectObject(value, path);
        CheckClass(value, path, kHotspotClass);
        for (const auto& [key, field] : value.items()) {
            const std::string fieldPath = path + "." + key;
            if (key == "class") continue;
            if (key == "m_strLink") {
                area.m_strLink = ReadText(field, fieldPath);
            } else if (key == "m_nShape") {
                area.m_nShape = ReadInt32(field, fieldPath);
            } else if (key == "m_arrCoords") {
                const Json& coords = ExpectArray(field, fieldPath);
                area.m_arrCoords.clear();
                area.m_arrCoords.reserve(coords.size());
                for (size_t i = 0; i < coords.size(); ++i)
                    area.m_arrCoords.push_back(ReadInt32(coords[i], Index(fieldPath, i)));
            } else {
                Fail(fieldPath, "unknown field");
            }
        }
    }

    // Reads a folder, the root included; fields left out keep the folder's values.
    static void ReadFolder(const Json& value, const std::string& path, CBuildTreeFolder& folder,
                           int depth) {
        ExpectObject(value, path);
        CheckClass(value, path, kFolderClass);
        if (depth >= ProjectJson::kMaxFolderDepth)
            Fail(path, "folders are nested deeper than " +
                           std::to_string(ProjectJson::kMaxFolderDepth) + " levels");
        bool purgeGiven = false;
        for (const auto& [key, field] : value.items()) {
            const std::string fieldPath = path + "." + key;
            if (ItemField(key, field, fieldPath, folder, purgeGiven)) continue;
            if (key == "m_nFolderButtonStyle") {
                folder.m_nFolderButtonStyle = ReadInt32(field, fieldPath);
            } else if (key == "m_nFileButtonStyle") {
                folder.m_nFileButtonStyle = ReadInt32(field, fieldPath);
            } else if (key == "m_nFolderButtonGraphic") {
                folder.m_nFolderButtonGraphic = ReadInt32(field, fieldPath);
            } else if (key == "m_nFileButtonGraphic") {
                folder.m_nFileButtonGraphic = ReadInt32(field, fieldPath);
            } else if (key == "m_strLabel") {
                folder.m_strLabel = ReadText(field, fieldPath);
            } else if (key == "m_bShowContentsFor") {
                folder.m_bShowContentsFor = ReadSwitch(field, fieldPath);
            } else if (key == "m_bHotspotFolder") {
                folder.m_bHotspotFolder = ReadSwitch(field, fieldPath);
            } else if (key == "m_strHotspotImage") {
                folder.m_strHotspotImage = ReadText(field, fieldPath);
            } else if (key == "m_arrFolders") {
                const Json& list = ExpectArray(field, fieldPath);
                for (size_t i = 0; i < list.size(); ++i) {
                    auto sub = std::make_unique<CBuildTreeFolder>();
                    ReadFolder(list[i], Index(fieldPath, i), *sub, depth + 1);
                    folder.AddFolder(std::move(sub));
                }
            } else if (key == "m_arrDocs") {
                const Json& list = ExpectArray(field, fieldPath);
                for (size_t i = 0; i < list.size(); ++i) {
                    auto doc = std::make_unique<CBuildTreeDoc>();
                    ReadDoc(list[i], Index(fieldPath, i), *doc);
                    folder.AddDoc(std::move(doc));
                }
            } else if (key == "m_arrHotspots") {
                const Json& list = ExpectArray(field, fieldPath);
                for (size_t i = 0; i < list.size(); ++i) {
                    auto area = std::make_unique<CHotspotArea>();
                    ReadHotspot(list[i], Index(fieldPath, i), *area);
                    folder.AddHotspot(std::move(area));
                }
            } else {
                Fail(fieldPath, "unknown field");
            }
        }
        if (!purgeGiven)
            folder.m_timePurge = folder.m_timePublish + CBuildTreeDoc::kDefaultPurgeSpan;
    }
};

// Builds the JSON value as the library's parser does, and refuses a key given twice
// in one object (the parser would keep only the last value), naming its path.
class StrictJsonBuilder {
public:
    explicit StrictJsonBuilder(Json& root) : m_dom(root) {}

    bool null() { return Done(m_dom.null()); }
    bool boolean(bool value) { return Done(m_dom.boolean(value)); }
    bool number_integer(Json::number_integer_t value) { return Done(m_dom.number_integer(value)); }
    bool number_unsigned(Json::number_unsigned_t value) {
        return Done(m_dom.number_unsigned(value));
    }
    bool number_float(Json::number_float_t value, const Json::string_t& text) {
        return Done(m_dom.number_float(value, text));
    }
    bool string(Json::string_t& value) { return Done(m_dom.string(value)); }
    bool binary(Json::binary_t& value) { return Done(m_dom.binary(value)); }
    bool start_object(std::size_t size) {
        m_open.push_back({false, 0, {}, {}});
        return m_dom.start_object(size);
    }
    bool key(Json::string_t& key) {
        Container& object = m_open.back();
        if (!object.keys.insert(key).second) {
            const std::string parent = PathOfOpenValue(m_open.size() - 1);
            Fail(parent.empty() ? key : parent + "." + key, "field given twice");
        }
        object.key = key;
        return m_dom.key(key);
    }
    bool end_object() {
        m_open.pop_back();
        return Done(m_dom.end_object());
    }
    bool start_array(std::size_t size) {
        m_open.push_back({true, 0, {}, {}});
        return m_dom.start_array(size);
    }
    bool end_array() {
        m_open.pop_back();
        return Done(m_dom.end_array());
    }
    template <class Exception>
    bool parse_error(std::size_t position, const std::string& token, const Exception& e) {
        return m_dom.parse_error(position, token, e);
    }

private:
    struct Container {
        bool array;
        size_t index;     // array: the element being read
        std::string key;  // object: the field being read
        std::unordered_set<std::string> keys;
    };

    // A value is complete: an array moves on to its next element.
    bool Done(bool ok) {
        if (!m_open.empty() && m_open.back().array) ++m_open.back().index;
        return ok;
    }

    // The path of the value being read inside the first `levels` open containers.
    std::string PathOfOpenValue(size_t levels) const {
        std::string path;
        for (size_t i = 0; i < levels; ++i) {
            const Container& c = m_open[i];
            if (c.array)
                path = Index(path, c.index);
            else
                path += (path.empty() ? "" : ".") + c.key;
        }
        return path;
    }

    nlohmann::detail::json_sax_dom_parser<Json> m_dom;
    std::vector<Container> m_open;
};

void ReadDocument(const Json& json, CFoldcraftDoc& doc) {
    ExpectObject(json, "");
    for (const auto& [key, value] : json.items()) {
        const std::string& path = key;
        if (key == "m_pRoot") {
            ItemReader::ReadFolder(value, path, *doc.m_pRoot, 0);
        } else if (key == "m_bNeverSaved") {
            doc.m_bNeverSaved = ReadSwitch(value, path);
        } else if (key == "m_timeLastPublish") {
            doc.m_timeLastPublish = ReadTime(value, path);
        } else if (key == "m_bCreateTitlePage") {
            doc.m_bCreateTitlePage = ReadSwitch(value, path);
        } else if (key == "m_bCreateSitemap") {
            doc.m_bCreateSitemap = ReadSwitch(value, path);
        } else if (key == "m_bShowRestartButton") {
            doc.m_bShowRestartButton = ReadSwitch(value, path);
        } else if (key == "m_nNavBarPosition") {
            doc.m_nNavBarPosition = ReadInt32(value, path);
        } else if (key == "m_bShowFileSize") {
            doc.m_bShowFileSize = ReadSwitch(value, path);
        } else if (key == "m_bShowFileDate") {
            doc.m_bShowFileDate = ReadSwitch(value, path);
        } else if (key == "m_bShowComments") {
            doc.m_bShowComments = ReadSwitch(value, path);
        } else if (key == "m_bUseThumbnails") {
            doc.m_bUseThumbnails = ReadSwitch(value, path);
        } else if (key == "m_nThumbWidth") {
            doc.m_nThumbWidth = ReadInt32(value, path);
        } else if (key == "m_nThumbHeight") {
            doc.m_nThumbHeight = ReadInt32(value, path);
        } else if (key == "m_nBackgroundPlacement") {
            doc.m_nBackgroundPlacement = ReadInt32(value, path);
        } else if (key == "m_strBackgroundImage") {
            doc.m_strBackgroundImage = ReadText(value, path);
        } else if (key == "m_strFont") {
            doc.m_strFont = ReadText(value, path);
        } else if (key == "m_clrBodyBackground") {
            doc.m_clrBodyBackground = ReadColor(value, path);
        } else if (key == "m_clrBodyText") {
            doc.m_clrBodyText = ReadColor(value, path);
        } else if (key == "m_clrDocumentBackground") {
            doc.m_clrDocumentBackground = ReadColor(value, path);
        } else if (key == "m_clrFolderBackground") {
            doc.m_clrFolderBackground = ReadColor(value, path);
        } else if (key == "m_clrFolderText") {
            doc.m_clrFolderText = ReadColor(value, path);
        } else if (key == "m_clrLink") {
            doc.m_clrLink = ReadColor(value, path);
        } else if (key == "m_clrVisitedLink") {
            doc.m_clrVisitedLink = ReadColor(value, path);
        } else if (key == "m_strComments") {
            doc.m_strComments = ReadText(value, path);
        } else if (key == "m_strFooter") {
            doc.m_strFooter = ReadText(value, path);
        } else if (key == "m_strHeader") {
            doc.m_strHeader = ReadText(value, path);
        } else if (key == "m_strTitle") {
            doc.m_strTitle = ReadText(value, path);
        } else if (key == "m_nPublishMethod") {
            doc.m_nPublishMethod = ReadInt32(value, path);
        } else if (key == "m_strPublishPath") {
            doc.m_strPublishPath = ReadText(value, path);
        } else {
            Fail(path, "unknown field");
        }
    }
}

}  // namespace

Json ProjectJson::ToJson(const CFoldcraftDoc& doc) {
    Json out = DocumentScalars(doc);
    out["m_pRoot"] = FolderToJson(*doc.m_pRoot);
    return out;
}

std::string ProjectJson::ToText(const CFoldcraftDoc& doc) {
    std::ostringstream out;
    TextWriter(out).Document(doc);
    return std::move(out).str();
}

bool ProjectJson::Write(const CFoldcraftDoc& doc, std::ostream& out) {
    TextWriter(out).Document(doc);
    out.flush();
    return static_cast<bool>(out);
}

bool ProjectJson::FromJson(const Json& json, CFoldcraftDoc& doc, std::string& error) {
    doc.OnNewDocument();
    try {
        ReadDocument(json, doc);
    } catch (const JsonFieldError& e) {
        error = e.message;
        doc.OnNewDocument();
        return false;
    }
    doc.SetModifiedFlag(false);
    return true;
}

bool ProjectJson::FromText(std::string_view text, CFoldcraftDoc& doc, std::string& error) {
    // The parser would take a NUL byte for the end of the text and let what follows
    // through; in a JSON text it can only be an error.
    if (const size_t nul = text.find('\0'); nul != std::string_view::npos) {
        const size_t lineStart = text.rfind('\n', nul);
        const size_t line =
            1 + static_cast<size_t>(std::count(text.begin(), text.begin() + nul, '\n'));
        const size_t column = lineStart == std::string_view::npos ? nul + 1 : nul - lineStart;
        error = "not valid JSON: a NUL byte at line " + std::to_string(line) + ", column " +
                std::to_string(column);
        doc.OnNewDocument();
        return false;
    }
    Json json;
    try {
        StrictJsonBuilder builder(json);
        Json::sax_parse(text.begin(), text.end(), &builder);
    } catch (const JsonFieldError& e) {
        error = e.message;
        doc.OnNewDocument();
        return false;
    } catch (const Json::exception& e) {
        // e.what() reads "[json.exception.parse_error.101] parse error at line 1, ...".
        std::string what = e.what();
        if (const size_t close = what.find("] ");
            what.rfind("[json.exception.", 0) == 0 && close != std::string::npos)
            what.erase(0, close + 2);
        error = "not valid JSON: " + what;
        doc.OnNewDocument();
        return false;
    }
    return FromJson(json, doc, error);
}

bool ProjectJson::IsValidUtf8(std::string_view text) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t length = 0;
        unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0) lo = 0xA0;  // no overlong forms
            if (c == 0xED) hi = 0x9F;  // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0) lo = 0x90;  // no overlong forms
            if (c == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
        } else {
            return false;
        }
        if (n - i < length) return false;
        const auto second = static_cast<unsigned char>(text[i + 1]);
        if (second < lo || second > hi) return false;
        for (size_t k = 2; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if (next < 0x80 || next > 0xBF) return false;
        }
        i += length;
    }
    return true;
}

}  // namespace foldcraft::cli
