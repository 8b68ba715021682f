#include "publish/SiteLinkChecker.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace foldcraft {
namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool StartsWithNoCase(std::string_view text, size_t at, std::string_view prefix) {
    if (text.size() - at < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (Lower(text[at + i]) != prefix[i]) return false;
    }
    return true;
}

// Position of the first case-insensitive occurrence of needle (lower case) from at.
size_t FindNoCase(std::string_view text, std::string_view needle, size_t at) {
    for (size_t i = at; i + needle.size() <= text.size(); ++i) {
        if (StartsWithNoCase(text, i, needle)) return i;
    }
    return std::string_view::npos;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string EntityDecoded(std::string_view text) {
    static const std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#39;", '\''}};
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        bool replaced = false;
        if (text[i] == '&') {
            for (const auto& [entity, c] : kEntities) {
                if (text.substr(i, entity.size()) == entity) {
                    out += c;
                    i += entity.size() - 1;
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) out += text[i];
    }
    return out;
}

// The link's path inside the site ("a/b.html"), or false when it climbs out.
bool SitePath(std::string_view link, std::string& path) {
    std::vector<std::string> segments;
    size_t start = 0;
    while (start <= link.size()) {
        size_t end = link.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = link.size();
        const std::string_view segment = link.substr(start, end - start);
        if (segment == "..") {
            if (segments.empty()) return false;
            segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.emplace_back(segment);
        }
        start = end + 1;
    }
    path.clear();
    for (const auto& s : segments) {
        if (!path.empty()) path += '/';
        path += s;
    }
    return !path.empty();
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::vector<std::string> SiteLinkChecker::ExtractLinks(std::string_view html) {
    std::vector<std::string> links;
    size_t i = 0;
    while ((i = html.find('<', i)) != std::string_view::npos) {
        if (html.compare(i, 4, "<!--") == 0) {
            const size_t end = html.find("-->", i + 4);
            if (end == std::string_view::npos) break;
            i = end + 3;
            continue;
        }
        ++i;
        // The tag name.
        size_t nameStart = i;
        while (i < html.size() && !IsSpace(html[i]) && html[i] != '>' && html[i] != '/') ++i;
        std::string tag;
        for (size_t k = nameStart; k < i; ++k) tag += Lower(html[k]);
        if (tag.empty() || !((tag[0] >= 'a' && tag[0] <= 'z'))) continue;  // "</x>", "<!x>", "< "
        // The attributes, up to the closing '>'.
        while (i < html.size() && html[i] != '>') {
            if (IsSpace(html[i]) || html[i] == '/') {
                ++i;
                continue;
            }
            const size_t attrStart = i;
            while (i < html.size() && !IsSpace(html[i]) && html[i] != '=' && html[i] != '>') ++i;
            std::string attr;
            for (size_t k = attrStart; k < i; ++k) attr += Lower(html[k]);
            while (i < html.size() && IsSpace(html[i])) ++i;
            if (i >= html.size() || html[i] != '=') continue;
            ++i;
            while (i < html.size() && IsSpace(html[i])) ++i;
            std::string value;
            if (i < html.size() && (html[i] == '"' || html[i] == '\'')) {
                const char quote = html[i++];
                const size_t end = html.find(quote, i);
                const size_t stop = end == std::string_view::npos ? html.size() : end;
                value.assign(html.substr(i, stop - i));
                i = end == std::string_view::npos ? html.size() : end + 1;
            } else {
                const size_t valueStart = i;
                while (i < html.size() && !IsSpace(html[i]) && html[i] != '>') ++i;
                value.assign(html.substr(valueStart, i - valueStart));
            }
            if (attr == "href" || attr == "src") links.push_back(std::move(value));
        }
        if (i < html.size()) ++i;  // past '>'
        // Script and style contents are not markup.
        if (tag == "script" || tag == "style") {
            const size_t end = FindNoCase(html, "</" + tag, i);
            if (end == std::string_view::npos) break;
            i = end;
        }
    }
    return links;
}

bool SiteLinkChecker::IsLocalLink(std::string_view link) {
    size_t start = 0;
    while (start < link.size() && IsSpace(link[start])) ++start;
    link.remove_prefix(start);
    if (link.empty() || link[0] == '#') return false;
    if (link.size() >= 2 && (link[0] == '/' || link[0] == '\\') &&
        (link[1] == '/' || link[1] == '\\'))
        return false;  // another host
    // A scheme: a letter, then letters, digits, '+', '-' or '.', then ':'.
    const char first = Lower(link[0]);
    if (first >= 'a' && first <= 'z') {
        for (size_t i = 1; i < link.size(); ++i) {
            const char c = Lower(link[i]);
            if (c == ':') return false;
            if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
                  c == '.'))
                break;
        }
    }
    return true;
}

bool SiteLinkChecker::Resolves(const std::string& siteDir, std::string_view link) {
    // Browsers ignore white space around an address.
    while (!link.empty() && IsSpace(link.front())) link.remove_prefix(1);
    while (!link.empty() && IsSpace(link.back())) link.remove_suffix(1);
    const size_t cut = link.find_first_of("?#");
    if (cut != std::string_view::npos) link = link.substr(0, cut);
    const std::string candidates[] = {std::string(link), PercentDecoded(link), EntityDecoded(link),
                                      PercentDecoded(EntityDecoded(link))};
    for (const std::string& candidate : candidates) {
        std::string path;
        if (!SitePath(candidate, path)) continue;
        if (IsRegularFile(siteDir + "/" + path)) return true;
    }
    return false;
}

SiteLinkChecker::Result SiteLinkChecker::CheckSite(const std::string& siteDir) {
    Result result;
    DIR* dir = ::opendir(siteDir.c_str());
    if (!dir) {
        result.ok = false;
        result.error = "cannot read the directory " + siteDir;
        return result;
    }
    std::vector<std::string> pages;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() > 5 && name.compare(name.size() - 5, 5, ".html") == 0 &&
            IsRegularFile(siteDir + "/" + name)) {
            pages.push_back(name);
        }
    }
    ::closedir(dir);
    std::sort(pages.begin(), pages.end());

    for (const std::string& page : pages) {
        std::ifstream in(siteDir + "/" + page, std::ios::binary);
        if (!in) {
            result.ok = false;
            result.error = "cannot read " + siteDir + "/" + page;
            continue;
        }
        const std::string html((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        ++result.pages;
        for (const std::string& link : ExtractLinks(html)) {
            if (!IsLocalLink(link)) continue;
            ++result.links;
            if (!Resolves(siteDir, link)) result.broken.push_back({page, link});
        }
    }
    return result;
}

}  // namespace foldcraft
