#include "generator/PageText.h"

#include <algorithm>

#include "generator/SitePaths.h"

namespace foldcraft::PageText {
namespace {

// A JavaScript string literal's own specials: the backslash and both quotes.
std::string ScriptEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\\' || c == '\'' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

}  // namespace

std::string Escaped(std::string_view text) {
    std::string out(kEscapedRoom * text.size(), '\0');
    out.resize(static_cast<size_t>(WriteEscaped(out.data(), text) - out.data()));
    return out;
}

char* WriteEscaped(char* out, std::string_view text) {
    for (char c : text) {
        switch (c) {
            case '&':
                out = std::copy_n("&amp;", 5, out);
                break;
            case '<':
                out = std::copy_n("&lt;", 4, out);
                break;
            case '>':
                out = std::copy_n("&gt;", 4, out);
                break;
            case '"':
                out = std::copy_n("&quot;", 6, out);
                break;
            default:
                *out++ = c;
        }
    }
    return out;
}

std::string Attribute(std::string_view address) {
    std::string out(kAttributeRoom * address.size(), '\0');
    out.resize(static_cast<size_t>(WriteAttribute(out.data(), address) - out.data()));
    return out;
}

char* WriteAttribute(char* out, std::string_view address) {
    char* const start = out;
    char* end = SitePaths::WriteEncodedAddress(out, address);
    // Of the characters Escaped() replaces, the encoding keeps only '&': each widens
    // to "&amp;", moved into place from the back.
    const auto ampersands = static_cast<size_t>(std::count(start, end, '&'));
    if (ampersands == 0) return end;
    char* const widened = end + 4 * ampersands;
    for (char* to = widened; end != start;) {
        const char c = *--end;
        if (c == '&') {
            to -= 5;
            std::copy_n("&amp;", 5, to);
        } else {
            *--to = c;
        }
    }
    return widened;
}

std::string InScript(std::string_view address) {
    // The encoded address holds no '<', so it cannot end the script element.
    return ScriptEscaped(SitePaths::EncodedAddress(address));
}

std::string InHandler(std::string_view address) {
    return Escaped(ScriptEscaped(SitePaths::EncodedAddress(address)));
}

std::string InCss(std::string_view address) {
    std::string out;
    for (char c : SitePaths::EncodedAddress(address)) {
        switch (c) {
            case '(':
                out += "%28";
                break;
            case ')':
                out += "%29";
                break;
            case '\'':
                out += "%27";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace foldcraft::PageText
