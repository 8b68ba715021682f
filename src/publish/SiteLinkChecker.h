#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace foldcraft {

// Checks a published site before it is uploaded: reads every page ("*.html"
// directly in the site directory, where all pages of a site lie) and reports each
// local href or src that does not lead to an existing file of the site.
class SiteLinkChecker {
public:
    struct BrokenLink {
        std::string page;  // the page's file name, such as "Folder0-1.html"
        std::string link;  // the attribute value, character references decoded
    };

    struct Result {
        bool ok = true;                  // false when the site directory or a page cannot be read
        std::string error;               // why, when !ok
        size_t pages = 0;                // pages read
        size_t links = 0;                // local links checked
        std::vector<BrokenLink> broken;  // by page name, then in page order
    };

    // The values of every href and src attribute of the page's tags, in order, as
    // the browser reads them: character references ("&amp;", "&#63;") decoded.
    // Comments and the contents of script and style elements are skipped.
    static std::vector<std::string> ExtractLinks(std::string_view html);

    // Whether a link points into the site: false for "", "#...", "//host/...", and
    // anything with a scheme ("http:", "https:", "mailto:", "javascript:", ...).
    static bool IsLocalLink(std::string_view link);

    // Whether a local link (an attribute value as ExtractLinks gives it), followed
    // from a page that lies directly in siteDir, names an existing regular file
    // inside siteDir, taking the link as a browser does: white space and control
    // characters around it and tabs and line breaks in it dropped, everything from
    // "#" (the fragment) and then from "?" (the query) cut off, backslashes read as
    // slashes, each path segment percent-decoded, "." and ".." (also written with
    // "%2e") resolved. A leading "/" means the site's top. A link that climbs out of
    // the site, or whose segment decodes to a slash or NUL, is broken.
    static bool Resolves(const std::string& siteDir, std::string_view link);

    // Checks every page of the site.
    static Result CheckSite(const std::string& siteDir);
};

}  // namespace foldcraft
