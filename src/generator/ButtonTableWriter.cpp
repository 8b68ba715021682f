#include "generator/ButtonTableWriter.h"

#include "generator/PageContext.h"
#include "generator/PageText.h"
#include "generator/SitePaths.h"
#include "model/FoldcraftDoc.h"

namespace foldcraft {

// What differs between the sub-folder table and the document table in the parts
// that both tables share.
struct ButtonTableWriter::TableKind {
    const char* form;
    long long nameWidth;  // of the name cell in every style but Graphic
    const char* nameCell;
    const char* span;         // the name in the Radio buttons style
    const char* previewLink;  // the name in the other styles, in the preview
    const char* siteOpenButton;
    const char* previewOpenButton;
};

namespace {

constexpr const char* kTable =
    "<table align=\"center\" cellpadding=\"2\" cellspacing=\"0\" border=\"0\">\n";
constexpr const char* kRowGap = "<tr><td height=\"5\"></td></tr>\n";
constexpr const char* kTableGap = "<tr><td colspan=\"2\" height=\"15\"></td></tr>\n";

// The name cell's align text and width. Rows in the Text only and Graphic styles
// (and in any unknown style) have no button cell: their name cell is centred, and
// in the Graphic style it is 500 wide.
struct NameCellLayout {
    const char* align;
    long long width;
};

NameCellLayout LayoutFor(std::int32_t style, long long width) {
    switch (style) {
        case CBuildTreeFolder::kStyleDefault:
        case CBuildTreeFolder::kStyleRadio:
            return {"", width};
        case CBuildTreeFolder::kStyleGraphic:
            return {"align=\"center\"", 500};
        default:
            return {"align=\"center\"", width};
    }
}

constexpr ButtonTableWriter::Mode kSite = ButtonTableWriter::Mode::kSite;

}  // namespace

void ButtonTableWriter::WriteFolderTable(const CBuildTreeFolder& folder,
                                         const std::string& folderId) const {
    static constexpr TableKind kFolders = {
        "<form name=\"frmFolders\">\n",
        450,
        "<td class=\"folder\" %s height=\"50\" width=\"%d\">\n",
        "<span class=\"folderlink\">%s</span>\n",
        "<a class=\"folderlink\" href=\"#\">%s</a>\n",
        "<tr>\n<td colspan=\"2\">\n<input type=\"button\" name=\"btnFolders\" value=\"Open "
        "Folder\" onClick=\"location.href = strURLFolder\">\n</td>\n</tr>\n",
        "<tr>\n<td colspan=\"2\">\n<input type=\"button\" name=\"btnFolders\" value=\"Open "
        "Folder\">\n</td>\n</tr>\n"};
    const std::int32_t style = folder.m_nFolderButtonStyle;
    m_file.Format(kFolders.form);
    m_file.Format(kTable);
    for (size_t j = 0; j < folder.m_arrFolders.size(); ++j) {
        const CBuildTreeFolder& sub = *folder.m_arrFolders[j];
        if (!m_ctx.IsActive(sub)) continue;
        const auto position = static_cast<long long>(j);
        m_file.Format("<tr>\n");
        WriteFolderButtonCell(style, folderId, position);
        WriteNameCell(kFolders, style, sub,
                      "<a class=\"folderlink\" href=\"Folder%s-%d.html\">%s</a>\n",
                      {folderId, position, PageFile::Escaped(sub.m_strName)});
        m_file.Format("</td>\n</tr>\n");
        m_file.Format(kRowGap);
    }
    WriteOpenButton(kFolders, style);
    if (m_mode == kSite) m_file.Format(kTableGap);
    m_file.Format("</table>\n</form>");
}

std::string ButtonTableWriter::WriteDocumentTable(const CBuildTreeFolder& folder) const {
    static constexpr TableKind kDocuments = {
        "<form name=\"frmDocuments\">\n",
        370,
        "<td class=\"document\" %s width=\"%d\" height=\"50\">\n",
        "<span class=\"documentlink\">%s</span>\n",
        "<a class=\"documentlink\" href=\"#\">%s</a>\n",
        "<tr>\n<td colspan=\"2\">\n<input type=\"button\" name=\"btnFiles\" value=\"Open "
        "Document\" onClick=\"location.href = strURLFile\">\n</td>\n</tr>\n",
        "<tr>\n<td colspan=\"2\">\n<input type=\"button\" name=\"btnFiles\" value=\"Open "
        "Document\">\n</td>\n</tr>\n"};
    const CFoldcraftDoc& doc = m_ctx.Doc();
    const std::int32_t style = folder.m_nFileButtonStyle;
    m_file.Format(kDocuments.form);
    m_file.Format(kTable);
    if (m_mode != kSite) m_file.Format(kTableGap);
    std::string lastAddress;
    for (const auto& itemPtr : folder.m_arrDocs) {
        const CBuildTreeDoc& item = *itemPtr;
        std::optional<std::string> listed = m_ctx.ListedAddress(item);
        if (!listed) continue;
        m_file.Format("<tr>\n");
        std::string address;
        std::string icon = "images/file.gif";
        if (m_mode == kSite) {
            address = std::move(*listed);
            const std::string pageName = m_ctx.PicturePageName(item);
            // The picture serves as its own thumbnail and the row leads to its page.
            if (!pageName.empty() && WritePicturePage(pageName, address, item.m_strComment)) {
                icon = address;
                address = pageName;
            }
        } else if (doc.m_bUseThumbnails == 1 && SitePaths::IsPictureAddress(item.m_strLink)) {
            icon = SitePaths::ToSlashes(item.m_strLink);  // the local picture itself
        }
        WriteDocumentButtonCell(style, address, icon);
        WriteNameCell(kDocuments, style, item,
                      "<a class=\"documentlink\" href=\"%s\" target=\"_blank\">%s</a>\n",
                      {PageFile::Attribute(address), PageFile::Escaped(item.m_strName)});
        WriteSizeAndDate(style, item);
        m_file.Format("</tr>\n");
        m_file.Format(kRowGap);
        if (m_mode == kSite) lastAddress = std::move(address);
    }
    WriteOpenButton(kDocuments, style);
    m_file.Format("</table>\n</form>\n");
    return lastAddress;
}

void ButtonTableWriter::WriteFolderButtonCell(std::int32_t style, const std::string& folderId,
                                              long long position) const {
    if (style == CBuildTreeFolder::kStyleDefault) {
        m_file.Format("<td width=\"35\" class=\"folder\">\n");
        if (m_mode == kSite) {
            m_file.Format("<a href=\"Folder%s-%d.html\">", {folderId, position});
            m_file.Format(
                "<img src=\"images/folder.gif\" width=\"32\" height=\"32\" "
                "border=\"0\"></a>\n</td>\n");
        } else {
            m_file.Format("<img src=\"images/folder.gif\" width=\"32\" height=\"32\">\n</td>\n");
        }
    } else if (style == CBuildTreeFolder::kStyleRadio) {
        m_file.Format("<td class=\"folder\">\n");
        if (m_mode == kSite) {
            m_file.Format(
                "<input type=\"radio\" name=\"fldrradio\" "
                "onClick=\"strURLFolder='Folder%s-%d.html'\">\n</td>\n",
                {folderId, position});
        } else {
            m_file.Format("<input type=\"radio\" name=\"fldrradio\">\n</td>\n");
        }
    }
}

void ButtonTableWriter::WriteDocumentButtonCell(std::int32_t style, const std::string& address,
                                                const std::string& icon) const {
    const CFoldcraftDoc& doc = m_ctx.Doc();
    if (style == CBuildTreeFolder::kStyleDefault) {
        m_file.Format("<td width=\"%d\" class=\"document\">\n",
                      {static_cast<long long>(doc.m_nThumbWidth) + 3});
        if (m_mode == kSite) {
            m_file.Format("<a href=\"%s\" target=\"_blank\">", {PageFile::Attribute(address)});
            m_file.Format("<img src=\"%s\" width=\"%d\" height=\"%d\" border=\"0\"></a>\n</td>\n",
                          {PageFile::Attribute(icon), doc.m_nThumbWidth, doc.m_nThumbHeight});
        } else {
            m_file.Format("<img src=\"%s\" width=\"%d\" height=\"%d\">\n</td>\n",
                          {PageFile::Attribute(icon), doc.m_nThumbWidth, doc.m_nThumbHeight});
        }
    } else if (style == CBuildTreeFolder::kStyleRadio) {
        m_file.Format("<td class=\"document\">\n");
        if (m_mode == kSite) {
            m_file.Format(
                "<input type=\"radio\" name=\"docradio\" onClick=\"strURLFile='%s'\">\n</td>\n",
                {PageText::InHandler(address)});
        } else {
            m_file.Format("<input type=\"radio\" name=\"docradio\">\n</td>\n");
        }
    }
}

void ButtonTableWriter::WriteNameCell(const TableKind& kind, std::int32_t style,
                                      const CBuildTreeDoc& item, std::string_view siteLink,
                                      std::initializer_list<PageFile::Arg> siteLinkArgs) const {
    const NameCellLayout cell = LayoutFor(style, kind.nameWidth);
    m_file.Format(kind.nameCell, {cell.align, cell.width});
    // The preview shows every name; a published page only the visible ones.
    if (m_mode != kSite || item.m_bVisible == 1) {
        if (style == CBuildTreeFolder::kStyleRadio) {
            m_file.Format(kind.span, {PageFile::Escaped(item.m_strName)});
        } else if (m_mode == kSite) {
            m_file.Format(siteLink, siteLinkArgs);
        } else {
            m_file.Format(kind.previewLink, {PageFile::Escaped(item.m_strName)});
        }
    }
    if (m_ctx.Doc().m_bShowComments == 1) m_file.Format("<br>%s", {item.m_strComment});
}

void ButtonTableWriter::WriteSizeAndDate(std::int32_t style, const CBuildTreeDoc& item) const {
    const CFoldcraftDoc& doc = m_ctx.Doc();
    // Published pages give sizes and dates to documents only; the preview to every
    // row, but never in the Graphic style.
    const bool sized = m_mode == kSite ? !SitePaths::IsExternalLink(item.m_strLink)
                                       : style != CBuildTreeFolder::kStyleGraphic;
    if (style == CBuildTreeFolder::kStyleGraphic) {
        // In the name cell, run together.
        if (sized && doc.m_bShowFileSize == 1) m_file.Format("Size: %d ", {item.m_nFileSize});
        if (sized && doc.m_bShowFileDate == 1) {
            m_file.Format("Date: %s", {PageContext::DateText(item.m_timeFile)});
        }
        m_file.Format("</td>\n");
        return;
    }
    m_file.Format("</td>\n");
    m_file.Format("<td class=\"document\" align=\"right\">");
    if (sized && doc.m_bShowFileSize == 1) m_file.Format("Size: %d<br>", {item.m_nFileSize});
    if (sized && doc.m_bShowFileDate == 1) {
        m_file.Format("Date: %s", {PageContext::DateText(item.m_timeFile)});
    }
    m_file.Format("</td>");
}

void ButtonTableWriter::WriteOpenButton(const TableKind& kind, std::int32_t style) const {
    if (style != CBuildTreeFolder::kStyleRadio) return;
    m_file.Format(m_mode == kSite ? kind.siteOpenButton : kind.previewOpenButton);
}

bool ButtonTableWriter::WritePicturePage(const std::string& pageName, const std::string& address,
                                         const std::string& caption) const {
    PageFile file;
    if (!m_ctx.OpenPage(file, pageName)) return false;
    file.Format("<html>\n<head>\n<title>%s</title>\n",
                {PageFile::Escaped(SitePaths::SiteFileName(address))});
    file.Format("<link rel=\"stylesheet\" href=\"styles.css\">\n");
    file.Format("</head>\n<body>\n");
    file.Format("<p>%s</p>\n", {caption});
    file.Format("<img src=\"%s\">\n", {PageFile::Attribute(address)});
    file.Format("</body>\n</html>\n");
    return file.Close();
}

}  // namespace foldcraft
