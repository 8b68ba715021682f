#include "generator/PageText.h"

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
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string Attribute(std::string_view address) {
    return Escaped(SitePaths::EncodedAddress(address));
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
