#pragma once

#include <string>
#include <string_view>

namespace foldcraft {

// How names and addresses are written into a page, by where they stand. Names of
// items (and of picture files) are plain text; addresses are encoded by
// SitePaths::EncodedAddress and then made safe for the place they go into. The
// texts the user writes as page content (title, comments, header, footer, labels,
// item comments) do not come here: they are written as they stand, HTML allowed.
namespace PageText {

// Plain text for an element's content or a quoted attribute: '&', '<', '>' and '"'
// written as "&amp;", "&lt;", "&gt;" and "&quot;".
std::string Escaped(std::string_view text);

// An address for a double-quoted href or src attribute.
std::string Attribute(std::string_view address);

// Escaped and Attribute written at out, which has room for kEscapedRoom or
// kAttributeRoom bytes per byte of the text; they return the end of what was written.
constexpr size_t kEscapedRoom = 6;    // '"' gives "&quot;"
constexpr size_t kAttributeRoom = 5;  // '&' gives "&amp;", anything encoded "%XX"
char* WriteEscaped(char* out, std::string_view text);
char* WriteAttribute(char* out, std::string_view address);

// An address inside a double-quoted JavaScript string of a script element.
std::string InScript(std::string_view address);

// An address inside a single-quoted JavaScript string of a double-quoted event
// attribute (onClick="x='...'").
std::string InHandler(std::string_view address);

// An address inside an unquoted CSS url(...).
std::string InCss(std::string_view address);

}  // namespace PageText
}  // namespace foldcraft
