#pragma once

#include <string>
#include <string_view>

namespace foldcraft {

// Lower-cases a UTF-8 text, code point by code point, with the full Unicode
// simple case mapping of the C library's UTF-8 locale (ASCII only when that
// locale is unavailable). Bytes that are not valid UTF-8 are copied unchanged.
std::string ToLowerUtf8(std::string_view text);

// Appends the UTF-8 form of one code point (at most U+10FFFF) to out.
void AppendUtf8(char32_t codePoint, std::string& out);

}  // namespace foldcraft
