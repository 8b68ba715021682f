#include "document/WebLinkRules.h"

#include "generator/SitePaths.h"

namespace foldcraft::WebLinkRules {

namespace {

std::string_view DropWww(std::string_view rest) {
    return rest.starts_with("www.") ? rest.substr(4) : rest;
}

}  // namespace

std::string DerivedName(std::string_view link) {
    if (link.starts_with("http://")) return std::string(DropWww(link.substr(7)));
    if (link.starts_with("https://")) return std::string(DropWww(link.substr(8)));
    if (link.starts_with("ftp://")) return std::string(link.substr(6));
    if (link.starts_with("mailto:")) return std::string(link.substr(7));
    return {};
}

std::string_view CheckLink(std::string_view link, std::string_view name) {
    if (!SitePaths::IsExternalLink(link)) return kBadLinkMessage;
    if (name.empty()) return kNoNameMessage;
    return {};
}

}  // namespace foldcraft::WebLinkRules
