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

void AppendUtf8(std::string& out, unsigned long code) {
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
    if (code < 0x80) {
        out += static_cast<char>(code);
        return;
    }
    const int extra = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
    static constexpr unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(kLead[extra] | (code >> (6 * extra)));
    for (int k = extra - 1; k >= 0; --k) {
        out += static_cast<char>(0x80 | ((code >> (6 * k)) & 0x3F));
    }
}

// A numeric character reference at the start of rest (the text after "&"): its
// character appended to out and its length returned; 0 when rest starts none.
size_t NumericReference(std::string_view rest, std::string& out) {
    if (rest.empty() || rest[0] != '#') return 0;
    const bool hex = rest.size() > 1 && (rest[1] == 'x' || rest[1] == 'X');
    const size_t first = hex ? 2 : 1;
    size_t k = first;
    unsigned long code = 0;
    for (; k < rest.size(); ++k) {
        const int v =
            hex ? HexValue(rest[k]) : (rest[k] >= '0' && rest[k] <= '9' ? rest[k] - '0' : -1);
        if (v < 0) break;
        if (code <= 0x10FFFF) code = code * (hex ? 16 : 10) + static_cast<unsigned long>(v);
    }
    if (k == first) return 0;
    AppendUtf8(out, code);
    return k < rest.size() && rest[k] == ';' ? k + 1 : k;
}

// The value of an attribute as the browser reads it: character references
// decoded. Numeric references and the named ones a page of ours may hold; "&amp",
// "&lt", "&gt" and "&quot" without the semicolon count too unless a letter, digit or
// "=" follows, as in HTML attribute values.
std::string AttributeValue(std::string_view text) {
    static const std::pair<std::string_view, std::string_view> kNamed[] = {
        {"amp", "&"},   {"lt", "<"},   {"gt", ">"},
        {"quot", "\""}, {"apos", "'"}, {"nbsp", "\xC2\xA0"}};
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        const std::string_view rest = text.substr(i + 1);
        size_t used = NumericReference(rest, out);
        for (const auto& [name, value] : kNamed) {
            if (used != 0) break;
            if (rest.substr(0, name.size()) != name) continue;
            const size_t after = name.size();
            const bool semicolon = after < rest.size() && rest[after] == ';';
            if (!semicolon) {
                const bool legacy = name != "apos" && name != "nbsp";
                const char next = after < rest.size() ? Lower(rest[after]) : '\0';
                const bool alnum = (next >= '0' && next <= '9') || (next >= 'a' && next <= 'z');
                if (!legacy || alnum || next == '=') continue;
            }
            out += value;
            used = after + (semicolon ? 1 : 0);
        }
        if (used == 0) out += '&';
        i += used;
    }
    return out;
}

// A link as the browser's URL parser takes it: no leading or trailing control
// characters or spaces, no tab or line break anywhere.
std::string UrlText(std::string_view link) {
    while (!link.empty() && static_cast<unsigned char>(link.front()) <= 0x20) link.remove_prefix(1);
    while (!link.empty() && static_cast<unsigned char>(link.back()) <= 0x20) link.remove_suffix(1);
    std::string out;
    for (char c : link) {
        if (c != '\t' && c != '\n' && c != '\r') out += c;
    }
    return out;
}

// A path segment percent-decoded; false when it decodes to a separator or a NUL
// byte, which no file name holds.
bool DecodedSegment(std::string_view segment, std::string& out) {
    out.clear();
    for (size_t i = 0; i < segment.size(); ++i) {
        if (segment[i] == '%' && i + 2 < segment.size() && HexValue(segment[i + 1]) >= 0 &&
            HexValue(segment[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(segment[i + 1]) * 16 + HexValue(segment[i + 2]));
            i += 2;
        } else {
            out += segment[i];
        }
    }
    return out.find_first_of(std::string_view("/\0", 2)) == std::string::npos;
}

// The path inside the site that a link's path part names ("a/b.html"), segment by
// segment percent-decoded, "." and ".." (also written "%2e") resolved; false when it
// climbs out of the site or names no file.
bool SitePath(std::string_view link, std::string& path) {
    std::vector<std::string> segments;
    size_t start = 0;
    std::string decoded;
    while (start <= link.size()) {
        size_t end = link.find('/', start);
        if (end == std::string_view::npos) end = link.size();
        const std::string_view segment = link.substr(start, end - start);
        if (!DecodedSegment(segment, decoded)) return false;
        if (decoded == "..") {
            if (segments.empty()) return false;
            segments.pop_back();
        } else if (!decoded.empty() && decoded != ".") {
            segments.push_back(decoded);
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
            if (attr == "href" || attr == "src") links.push_back(AttributeValue(value));
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

bool SiteLinkChecker::IsLocalLink(std::string_view value) {
    const std::string url = UrlText(value);
    std::string_view link = url;
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
    std::string url = UrlText(link);
    // The fragment, then the query, are no part of the file's name.
    url = url.substr(0, url.find('#'));
    url = url.substr(0, url.find('?'));
    for (char& c : url) {
        if (c == '\\') c = '/';
    }
    std::string path;
    return SitePath(url, path) && IsRegularFile(siteDir + "/" + path);
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
