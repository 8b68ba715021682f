#include "generator/HotspotPageWriter.h"

#include <sys/stat.h>

#include <cctype>
#include <climits>

#include "generator/PageContext.h"
#include "generator/PageFile.h"
#include "generator/PageText.h"
#include "generator/SitePaths.h"
#include "model/FoldcraftDoc.h"

namespace foldcraft {
namespace {

std::string Trim(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return std::string(text.substr(begin, end - begin));
}

// The text inside the last pair of parentheses, trimmed ("Reports (Folder 3)" gives
// "Folder 3"); the whole text, trimmed, when it holds no parentheses.
std::string CutLinkText(std::string_view text) {
    const size_t close = text.rfind(')');
    if (close != std::string_view::npos) text = text.substr(0, close);
    const size_t open = text.rfind('(');
    if (open != std::string_view::npos) text = text.substr(open + 1);
    return Trim(text);
}

// The decimal number at the start of text (after white space and an optional
// sign), as atoi reads it, saturated to the int range.
long long LeadingNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        if (value < INT_MAX) value = value * 10 + (text[i] - '0');
        ++i;
    }
    return negative ? -value : value;
}

}  // namespace

bool HotspotPageWriter::WriteAreaStart(PageFile& file, const CHotspotArea& area) {
    const char* start;
    switch (area.m_nShape) {
        case CHotspotArea::kRectangle:
            start = "<area shape=\"rect\" coords=\"";
            break;
        case CHotspotArea::kCircle:
            start = "<area shape=\"circle\" coords=\"";
            break;
        case CHotspotArea::kPolygon:
            start = "<area shape=\"poly\" coords=\"";
            break;
        default:
            return false;
    }
    file.Format(start);
    const std::vector<std::int32_t> coords = area.ImageMapCoords();
    if (area.m_nShape == CHotspotArea::kPolygon) {
        for (std::int32_t value : coords) file.Format("%d,", {value});
    } else if (coords.size() == 4) {
        file.Format("%d,%d,%d,%d", {coords[0], coords[1], coords[2], coords[3]});
    } else if (coords.size() == 3) {
        file.Format("%d,%d,%d", {coords[0], coords[1], coords[2]});
    }
    return true;
}

HotspotPageWriter::Target HotspotPageWriter::DocumentTarget(const std::string& path) const {
    Target target;
    target.address = SitePaths::FilesAddress(path);
    // Not copied by the publish: not linked.
    if (!SitePaths::IsPublishablePath(target.address)) return Target{false, {}, {}, {}};
    struct stat st {};
    if (!path.empty() && path.find('\0') == std::string::npos && ::stat(path.c_str(), &st) == 0 &&
        S_ISREG(st.st_mode)) {
        target.sizeText = "Size: " + std::to_string(static_cast<long long>(st.st_size)) + " ";
        const std::string date = PageContext::DateText(static_cast<Time>(st.st_mtime));
        if (!date.empty()) target.dateText = "Date: " + date;
    }
    return target;
}

HotspotPageWriter::Target HotspotPageWriter::ResolveHotspotLink(const CBuildTreeFolder& folder,
                                                                const std::string& linkText,
                                                                const std::string& folderId) const {
    if (linkText.empty()) return {};

    // The folder's current entries first: a link that holds parentheses of its own
    // cannot be recovered from the text inside the last pair.
    for (const auto& item : folder.m_arrDocs) {
        const std::string& link = item->m_strLink;
        if (linkText.size() != item->m_strName.size() + link.size() + 3) continue;
        if (linkText != item->m_strName + " (" + link + ")") continue;
        if (!m_ctx.IsActive(*item)) return Target{false, {}, {}, {}};
        if (SitePaths::IsExternalLink(link)) return Target{true, link, {}, {}};
        return DocumentTarget(link);
    }

    const std::string text = CutLinkText(linkText);
    if (text.rfind("Folder ", 0) == 0) {
        const long long n = LeadingNumber(std::string_view(text).substr(text.find(' ') + 1));
        if (n < 1 || n > static_cast<long long>(folder.m_arrFolders.size()) ||
            !m_ctx.IsActive(*folder.m_arrFolders[static_cast<size_t>(n - 1)])) {
            return Target{false, {}, {}, {}};
        }
        return Target{
            true, PageContext::FolderPageName(PageContext::FolderId(folderId, n - 1)), {}, {}};
    }
    if (SitePaths::IsExternalLink(text)) return Target{true, text, {}, {}};
    return DocumentTarget(text);
}

bool HotspotPageWriter::Write(const CBuildTreeFolder& folder, const std::string& folderId,
                              const std::string& trail) const {
    const CFoldcraftDoc& doc = m_ctx.Doc();
    PageFile file;
    if (!m_ctx.OpenPage(file, PageContext::FolderPageName(folderId))) return false;

    PageContext::WriteFolderStyle(file, folder, false);
    m_ctx.WriteFolderIntro(file, folder);
    m_ctx.WriteTopTrail(file, trail);

    file.Format("<img src=\"%s\" usemap=\"#Map\" border=\"0\">\n",
                {PageFile::Attribute(SitePaths::FilesAddress(folder.m_strHotspotImage))});
    file.Format("<map name=\"Map\">\n");
    for (const auto& area : folder.m_arrHotspots) {
        if (area->m_nShape < CHotspotArea::kRectangle || area->m_nShape > CHotspotArea::kPolygon) {
            continue;  // an unknown shape has no area tag
        }
        const Target target = ResolveHotspotLink(folder, area->m_strLink, folderId);
        if (!target.linked) continue;
        std::string alt;
        std::string title;
        if (!target.sizeText.empty() || !target.dateText.empty()) {
            alt = "alt=\"";
            title = "title=\"";
            if (doc.m_bShowFileSize == 1 && !target.sizeText.empty()) {
                alt += target.sizeText;
                title += target.sizeText;
            }
            if (doc.m_bShowFileDate == 1 && !target.dateText.empty()) {
                alt += target.dateText;
                title += target.dateText;
            }
            alt += '"';
            title += '"';
        }
        WriteAreaStart(file, *area);
        file.Format("\" href=\"%s\" target=\"_blank\" %s %s>\n",
                    {PageFile::Attribute(target.address), alt, title});
    }
    file.Format("</map>\n<br>\n");

    m_ctx.WriteFolderPageEnd(file, trail);
    return file.Close();
}

}  // namespace foldcraft
