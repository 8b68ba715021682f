#pragma once

#include <string>
#include <string_view>

namespace foldcraft {

// The one place that knows how a link or a local path becomes a site address, a
// copy destination or a remote name. Pages, the sitemap, the image map, local
// copies and FTP uploads all go through it, so links and copies always agree.
//
// Separators: a POSIX path (one that begins with "/") has only "/", a backslash in
// it is part of a file name, as on the disk ("/home/u/a\b.txt" is the file "a\b.txt"
// in "/home/u"). Every other path (Windows form "C:\Docs\a.doc", network form
// "\\server\x", relative) takes backslash and slash both as separators. The drive
// prefix of a local path is "X:\" (or "X:/") on a Windows-form path and the leading
// separator(s) on a POSIX or network path.
namespace SitePaths {

// "://" anywhere in the link.
bool IsWebLink(std::string_view link);
// Begins with "mailto:" (case-sensitive).
bool IsMailLink(std::string_view link);
// A web or mail link: never copied, never mirrored, used as it stands.
inline bool IsExternalLink(std::string_view link) {
    return IsWebLink(link) || IsMailLink(link);
}

// Length of the drive prefix of a local path: 3 for "X:\" or "X:/", 2 for a bare
// "X:", otherwise the number of leading separators (0 for a relative path).
size_t DrivePrefixLength(std::string_view path);

// A path that begins with "/": its backslashes are name characters.
inline bool IsPosixPath(std::string_view path) {
    return !path.empty() && path.front() == '/';
}

// The path after its drive prefix, with its separators as slashes ("C:\Docs\a.doc"
// and "/Docs/a.doc" both give "Docs/a.doc"; "/Docs/a\b.doc" gives "Docs/a\b.doc").
std::string RelativeSitePath(std::string_view path);

// The href of an item: "files/" + RelativeSitePath for a document; a web or mail
// link with its backslashes turned into slashes.
std::string ItemAddress(std::string_view link);

// The address of a local file copied under "files/" (hotspot pictures use it too).
// "files/" + RelativeSitePath(path).
std::string FilesAddress(std::string_view path);

// Whether a relative site path is safe to create under a site directory: not empty,
// no empty, "." or ".." segment, does not end in a separator, holds no NUL, CR or LF.
// A backslash is a name character, but no piece between backslashes may be empty,
// "." or "..", so that a server that takes backslashes for separators cannot be led
// out of the site or to its root either.
bool IsSafeRelativePath(std::string_view relative);

// Whether a page or a copy may be published under this relative site path: safe (see
// above), no control character (bytes below 0x20, and 0x7F) anywhere, no segment
// longer than kNameMax bytes, and kPathMax bytes at most in all (leaving room for the
// target directory's own path). Pages and copies that fail it are not written, and
// no page links them.
constexpr size_t kNameMax = 255;
constexpr size_t kPathMax = 1024;
bool IsPublishablePath(std::string_view relative);

// An address whose last three characters are "jpg" or "gif", in any letter case.
bool IsPictureAddress(std::string_view address);

// The part of a local path after its last separator (see above).
std::string FileName(std::string_view path);

// The part of a site address ("files/...", whose backslashes are name characters)
// after its last slash.
std::string SiteFileName(std::string_view address);

// The first-choice picture page name of a picture document at a site address:
// SiteFileName(address) + ".html".
inline std::string PicturePageName(std::string_view address) {
    return SiteFileName(address) + ".html";
}

// A path or link with its separators as slashes: backslashes turned into slashes,
// except in a POSIX path, which is returned as it stands.
std::string ToSlashes(std::string_view text);

// An address as it goes into a page. A web or mail link stays as typed, except that
// '"', '<', '>' and control characters are percent-encoded. Any other address (a
// site path or a local path) is percent-encoded outside the characters a URL keeps
// as they are (letters, digits, "-._~!$&'()*+,;=:@" and "/" as the separator), so
// that "?", "#", "%", spaces and bytes above 0x7F name the file itself: "Q&A #1.txt"
// gives "Q&A%20%231.txt"; a ':' before the first '/' is encoded too (it would read as
// a scheme), except after a drive letter ("C:/"). The copies on disk keep their
// real names.
std::string EncodedAddress(std::string_view address);
// The same written at out, which has room for 3 bytes per byte of address; returns
// the end of what was written.
char* WriteEncodedAddress(char* out, std::string_view address);

// The name under which the background image is copied into images/ and named by the
// stylesheet: its file name, or "background-" + its file name when that would be the
// name of a support image (compared without regard to ASCII case), so that neither
// picture replaces the other.
std::string BackgroundImageName(std::string_view path);

}  // namespace SitePaths
}  // namespace foldcraft
