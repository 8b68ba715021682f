#pragma once

#include <string>
#include <string_view>

namespace foldcraft {

// The rules of the Add Folder and Add Web Link dialogs, without the dialogs.
namespace WebLinkRules {

inline constexpr std::string_view kBadLinkMessage = "Link is improperly formatted.";
inline constexpr std::string_view kNoNameMessage = "Please enter a name for the link.";

// The display name a link suggests: the rest after "http://" or "https://" (with a
// leading "www." dropped), after "ftp://" or after "mailto:"; empty for any other
// link (the tests are case-sensitive). Empty means: leave the name as it is.
std::string DerivedName(std::string_view link);

// The message that keeps the Add Web Link dialog open, or empty when OK may close
// it: the link must contain "://" or begin with "mailto:", and the name must not
// be empty.
std::string_view CheckLink(std::string_view link, std::string_view name);

// Whether the Add Folder dialog may close with this name (any non-empty text).
inline bool FolderNameAccepted(std::string_view name) {
    return !name.empty();
}

}  // namespace WebLinkRules
}  // namespace foldcraft
