#include "model/SettingsStore.h"

#include <charconv>
#include <climits>
#include <cstdio>

namespace foldcraft {
namespace {

bool ParseInt(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

// The stored text for a message: quoted, control characters and non-ASCII bytes as
// \xNN, at most 40 bytes of it.
std::string Quoted(const std::string& text) {
    constexpr size_t kShown = 40;
    std::string out = "\"";
    for (size_t i = 0; i < text.size() && i < kShown; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += text.size() > kShown ? "\"..." : "\"";
    return out;
}

std::string Key(const std::string& section, const std::string& name) {
    return "setting " + section + "/" + name;
}

std::string NotOneText(const std::string& section, const std::string& name) {
    return "Error: " + Key(section, name) +
           " holds a list of values (an unquoted comma?), not one value; put the value in "
           "double quotes.";
}

}  // namespace

int ISettingsStore::GetInt(const std::string& section, const std::string& name,
                           int defaultValue) const {
    const Stored stored = Lookup(section, name);
    int value = 0;
    if (stored.kind != Stored::Kind::kText || !ParseInt(stored.text, value)) return defaultValue;
    return value;
}

std::string ISettingsStore::GetString(const std::string& section, const std::string& name,
                                      const std::string& defaultValue) const {
    const Stored stored = Lookup(section, name);
    return stored.kind == Stored::Kind::kText ? stored.text : defaultValue;
}

ISettingsStore::Checked<int> ISettingsStore::ReadInt(const std::string& section,
                                                     const std::string& name, int defaultValue,
                                                     int min, int max) const {
    const Stored stored = Lookup(section, name);
    if (stored.kind == Stored::Kind::kMissing) return {defaultValue, {}};
    if (stored.kind == Stored::Kind::kNotText) return {0, NotOneText(section, name)};
    int value = 0;
    if (ParseInt(stored.text, value) && value >= min && value <= max) return {value, {}};
    const std::string wanted =
        static_cast<long long>(max) - min == 1 ? std::to_string(min) + " or " + std::to_string(max)
        : min == INT_MIN && max == INT_MAX
            ? "a whole number"
            : "a whole number from " + std::to_string(min) + " to " + std::to_string(max);
    return {0, "Error: " + Key(section, name) + " has the value " + Quoted(stored.text) +
                   ", which is not " + wanted + "."};
}

ISettingsStore::Checked<std::string> ISettingsStore::ReadString(
    const std::string& section, const std::string& name, const std::string& defaultValue) const {
    const Stored stored = Lookup(section, name);
    switch (stored.kind) {
        case Stored::Kind::kMissing:
            return {defaultValue, {}};
        case Stored::Kind::kText:
            return {stored.text, {}};
        case Stored::Kind::kNotText:
            break;
    }
    return {{}, NotOneText(section, name)};
}

}  // namespace foldcraft
