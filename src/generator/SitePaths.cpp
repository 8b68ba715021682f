#include "generator/SitePaths.h"

#include <array>
#include <cctype>

#include "generator/SupportImages.h"

namespace foldcraft::SitePaths {
namespace {
bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}
// Every backslash turned into a slash.
std::string AllSlashes(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '\\') c = '/';
    }
    return out;
}
constexpr bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
constexpr bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}
// The characters of a URL path that need no encoding, "/" included.
constexpr bool KeptInPath(unsigned char c) {
    if (IsAsciiLetter(static_cast<char>(c)) || (c >= '0' && c <= '9')) return true;
    switch (c) {
        case '-':
        case '.':
        case '_':
        case '~':
        case '!':
        case '$':
        case '&':
        case '\'':
        case '(':
        case ')':
        case '*':
        case '+':
        case ',':
        case ';':
        case '=':
        case ':':
        case '@':
        case '/':
            return true;
        default:
            return false;
    }
}
char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}
}  // namespace

bool IsWebLink(std::string_view link) {
    return link.find("://") != std::string_view::npos;
}

bool IsMailLink(std::string_view link) {
    return link.rfind("mailto:", 0) == 0;
}

size_t DrivePrefixLength(std::string_view path) {
    if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':') {
        return path.size() >= 3 && IsSeparator(path[2]) ? 3 : 2;
    }
    const bool posix = IsPosixPath(path);
    size_t n = 0;
    while (n < path.size() && (path[n] == '/' || (!posix && path[n] == '\\'))) ++n;
    return n;
}

std::string ToSlashes(std::string_view text) {
    return IsPosixPath(text) ? std::string(text) : AllSlashes(text);
}

std::string RelativeSitePath(std::string_view path) {
    const std::string_view relative = path.substr(DrivePrefixLength(path));
    return IsPosixPath(path) ? std::string(relative) : AllSlashes(relative);
}

std::string FilesAddress(std::string_view path) {
    const bool posix = IsPosixPath(path);
    const std::string_view relative = path.substr(DrivePrefixLength(path));
    std::string out;
    out.reserve(6 + relative.size());
    out.append("files/");
    out.append(relative);
    if (!posix) {
        for (size_t i = 6; i < out.size(); ++i) {
            if (out[i] == '\\') out[i] = '/';
        }
    }
    return out;
}

std::string ItemAddress(std::string_view link) {
    if (IsExternalLink(link)) return ToSlashes(link);
    return FilesAddress(link);
}

bool IsSafeRelativePath(std::string_view relative) {
    if (relative.empty()) return false;
    size_t start = 0;
    while (true) {
        const size_t end = relative.find('/', start);
        const std::string_view segment = relative.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        // Each piece between backslashes (the whole segment when it holds none).
        size_t pieceStart = 0;
        while (true) {
            const size_t pieceEnd = segment.find('\\', pieceStart);
            const std::string_view piece = segment.substr(
                pieceStart, pieceEnd == std::string_view::npos ? std::string_view::npos
                                                               : pieceEnd - pieceStart);
            if (piece.empty() || piece == "." || piece == "..") return false;
            if (pieceEnd == std::string_view::npos) break;
            pieceStart = pieceEnd + 1;
        }
        for (char c : segment) {
            if (c == '\0' || c == '\r' || c == '\n') return false;
        }
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

bool IsPublishablePath(std::string_view relative) {
    if (relative.size() > kPathMax || !IsSafeRelativePath(relative)) return false;
    size_t segment = 0;
    for (char ch : relative) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsControl(c)) return false;
        segment = c == '/' ? 0 : segment + 1;
        if (segment > kNameMax) return false;
    }
    return true;
}

bool IsPictureAddress(std::string_view address) {
    if (address.size() < 3) return false;
    char tail[3];
    for (size_t i = 0; i < 3; ++i) {
        const auto c = static_cast<unsigned char>(address[address.size() - 3 + i]);
        tail[i] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    const std::string_view lower(tail, 3);
    return lower == "jpg" || lower == "gif";
}

std::string FileName(std::string_view path) {
    const size_t sep = IsPosixPath(path) ? path.rfind('/') : path.find_last_of("/\\");
    return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::string SiteFileName(std::string_view address) {
    const size_t sep = address.rfind('/');
    return std::string(sep == std::string_view::npos ? address : address.substr(sep + 1));
}

std::string EncodedAddress(std::string_view address) {
    std::string out(3 * address.size(), '\0');
    out.resize(static_cast<size_t>(WriteEncodedAddress(out.data(), address) - out.data()));
    return out;
}

char* WriteEncodedAddress(char* out, std::string_view address) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    static constexpr auto kKept = [] {
        std::array<bool, 256> kept{};
        for (int c = 0; c < 256; ++c) kept[c] = KeptInPath(static_cast<unsigned char>(c));
        return kept;
    }();
    const bool external = IsExternalLink(address);
    // A ':' before the first '/' would read as the end of a scheme ("a:b.gif.html"),
    // unless it follows a drive letter ("C:/Pics/cat.jpg").
    const size_t firstSlash = address.find('/');
    const bool drive =
        address.size() >= 3 && IsAsciiLetter(address[0]) && address[1] == ':' && address[2] == '/';
    for (size_t i = 0; i < address.size(); ++i) {
        const auto c = static_cast<unsigned char>(address[i]);
        const bool encode = external ? (c == '"' || c == '<' || c == '>' || IsControl(c))
                                     : (!kKept[c] || (c == ':' && i < firstSlash && !drive));
        if (encode) {
            *out++ = '%';
            *out++ = kHex[c >> 4];
            *out++ = kHex[c & 0xFu];
        } else {
            *out++ = static_cast<char>(c);
        }
    }
    return out;
}

std::string BackgroundImageName(std::string_view path) {
    std::string name = FileName(path);
    for (const SupportImages::Image& image : SupportImages::All()) {
        if (EqualNoCase(name, image.name)) return "background-" + name;
    }
    return name;
}

}  // namespace foldcraft::SitePaths
