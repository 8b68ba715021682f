#include "generator/ButtonPageWriter.h"

#include "generator/PageContext.h"
#include "generator/PageFile.h"
#include "generator/SitePaths.h"
#include "model/FoldcraftDoc.h"

namespace foldcraft {
namespace {

constexpr const char* kGraphicRules[] = {
    "images/black_btn.jpg); }\n", "images/blue_btn.jpg); }\n",   "images/cyan_btn.jpg); }\n",
    "images/green_btn.jpg); }\n", "images/orange_btn.jpg); }\n", "images/red_btn.jpg); }\n",
    "images/steel_btn.jpg); }\n"};

}  // namespace

void ButtonPageWriter::WriteGraphicRule(PageFile& file, const char* selector, int graphic) {
    if (graphic < 0 || graphic > 6) graphic = 0;
    file.Format("%s { background-image: url(", {selector});
    file.Format(kGraphicRules[graphic]);
}

bool ButtonPageWriter::Write(const CBuildTreeFolder& folder, const std::string& folderId,
                             const std::string& trail) const {
    const CFoldcraftDoc& doc = m_ctx.Doc();
    PageFile file;
    if (!file.Open(m_ctx.PagePath(PageContext::FolderPageName(folderId)))) return false;

    PageContext::WriteHead(file, folder.m_strName);
    file.Format("h1 { font-size: 20pt; font-weight: bold; }\n");
    if (folder.m_nFolderButtonStyle == CBuildTreeFolder::kStyleGraphic) {
        WriteGraphicRule(file, ".folder", folder.m_nFolderButtonGraphic);
    }
    if (folder.m_nFileButtonStyle == CBuildTreeFolder::kStyleGraphic) {
        WriteGraphicRule(file, ".document", folder.m_nFileButtonGraphic);
    }
    file.Format("-->\n</style>\n ");
    file.Format("<script>\nvar strURLFolder=\"#\";\nvar strURLFile=\"#\";\n</script>\n");
    file.Format("</head>\n<body>\n");
    file.Format("<p>%s</p>\n", {doc.m_strHeader});
    if (folder.m_bShowContentsFor == 1) {
        file.Format("<h1>Contents for %s</h1>\n", {folder.m_strName});
    }
    file.Format("%s\n<br><br>\n", {folder.m_strLabel});
    if (doc.m_nNavBarPosition == CFoldcraftDoc::kNavTop) PageContext::WriteTrail(file, trail);

    if (!folder.m_arrFolders.empty()) WriteFolderTable(file, folder, folderId);
    std::string lastAddress;
    if (!folder.m_arrDocs.empty()) lastAddress = WriteDocumentTable(file, folder);

    // A folder that holds nothing but one active document or link, and shows no
    // label, goes straight on to it.
    if (folder.m_arrFolders.empty() && folder.m_arrDocs.size() == 1 && folder.m_strLabel.empty() &&
        m_ctx.IsActive(*folder.m_arrDocs.front())) {
        file.Format("<script>\n");
        file.Format("location.href = \"%s\";\n", {lastAddress});
        file.Format("</script>\n");
    }

    m_ctx.WriteNavigationButtons(file);
    if (doc.m_nNavBarPosition == CFoldcraftDoc::kNavBottom) PageContext::WriteTrail(file, trail);
    file.Format("<p>%s</p>\n", {doc.m_strFooter});
    PageContext::WriteMakerLineAndEnd(file);
    return file.Close();
}

void ButtonPageWriter::WriteFolderTable(PageFile& file, const CBuildTreeFolder& folder,
                                        const std::string& folderId) const {
    const CFoldcraftDoc& doc = m_ctx.Doc();
    const std::int32_t style = folder.m_nFolderButtonStyle;
    file.Format("<form name=\"frmFolders\">\n");
    file.Format("<table align=\"center\" cellpadding=\"2\" cellspacing=\"0\" border=\"0\">\n");
    int width = 450;
    const char* align = "";
    for (size_t j = 0; j < folder.m_arrFolders.size(); ++j) {
        const CBuildTreeFolder& sub = *folder.m_arrFolders[j];
        if (!m_ctx.IsActive(sub)) continue;
        const auto position = static_cast<long long>(j);
        file.Format("<tr>\n");
        switch (style) {
            case CBuildTreeFolder::kStyleDefault:
                file.Format("<td width=\"35\" class=\"folder\">\n");
                file.Format("<a href=\"Folder%s-%d.html\">", {folderId, position});
                file.Format(
                    "<img src=\"images/folder.gif\" width=\"32\" height=\"32\" "
                    "border=\"0\"></a>\n</td>\n");
                break;
            case CBuildTreeFolder::kStyleRadio:
                file.Format("<td class=\"folder\">\n");
                file.Format(
                    "<input type=\"radio\" name=\"fldrradio\" "
                    "onClick=\"strURLFolder='Folder%s-%d.html'\">\n</td>\n",
                    {folderId, position});
                break;
            case CBuildTreeFolder::kStyleGraphic:
                width = 500;
                align = "align=\"center\"";
                break;
            default:
                align = "align=\"center\"";
                break;
        }
        file.Format("<td class=\"folder\" %s height=\"50\" width=\"%d\">\n", {align, width});
        if (sub.m_bVisible == 1) {
            if (style == CBuildTreeFolder::kStyleRadio) {
                file.Format("<span class=\"folderlink\">%s</span>\n", {sub.m_strName});
            } else {
                file.Format("<a class=\"folderlink\" href=\"Folder%s-%d.html\">%s</a>\n",
                            {folderId, position, sub.m_strName});
            }
        }
        if (doc.m_bShowComments == 1) file.Format("<br>%s", {sub.m_strComment});
        file.Format("</td>\n</tr>\n");
        file.Format("<tr><td height=\"5\"></td></tr>\n");
    }
    if (style == CBuildTreeFolder::kStyleRadio) {
        file.Format(
            "<tr>\n<td colspan=\"2\">\n<input type=\"button\" name=\"btnFolders\" value=\"Open "
            "Folder\" onClick=\"location.href = strURLFolder\">\n</td>\n</tr>\n");
    }
    file.Format("<tr><td colspan=\"2\" height=\"15\"></td></tr>\n");
    file.Format("</table>\n</form>");
}

std::string ButtonPageWriter::WriteDocumentTable(PageFile& file,
                                                 const CBuildTreeFolder& folder) const {
    const CFoldcraftDoc& doc = m_ctx.Doc();
    const std::int32_t style = folder.m_nFileButtonStyle;
    file.Format("<form name=\"frmDocuments\">\n");
    file.Format("<table align=\"center\" cellpadding=\"2\" cellspacing=\"0\" border=\"0\">\n");
    int width = 370;
    const char* align = "";
    std::string address;
    for (const auto& itemPtr : folder.m_arrDocs) {
        const CBuildTreeDoc& item = *itemPtr;
        if (!m_ctx.IsActive(item)) continue;
        file.Format("<tr>\n");
        const bool document = !SitePaths::IsExternalLink(item.m_strLink);
        address = SitePaths::ItemAddress(item.m_strLink);
        std::string icon = "images/file.gif";
        if (m_ctx.HasPicturePage(item)) {
            // The picture serves as its own thumbnail and the row leads to its page.
            const std::string page = WritePicturePage(address, item.m_strComment);
            if (!page.empty()) {
                icon = address;
                address = page;
            }
        }
        switch (style) {
            case CBuildTreeFolder::kStyleDefault:
                file.Format("<td width=\"%d\" class=\"document\">\n",
                            {static_cast<long long>(doc.m_nThumbWidth) + 3});
                file.Format("<a href=\"%s\" target=\"_blank\">", {address});
                file.Format("<img src=\"%s\" width=\"%d\" height=\"%d\" border=\"0\"></a>\n</td>\n",
                            {icon, doc.m_nThumbWidth, doc.m_nThumbHeight});
                break;
            case CBuildTreeFolder::kStyleRadio:
                file.Format("<td class=\"document\">\n");
                file.Format(
                    "<input type=\"radio\" name=\"docradio\" onClick=\"strURLFile='%s'\">\n</td>\n",
                    {address});
                break;
            case CBuildTreeFolder::kStyleGraphic:
                width = 500;
                align = "align=\"center\"";
                break;
            default:
                align = "align=\"center\"";
                break;
        }
        file.Format("<td class=\"document\" %s width=\"%d\" height=\"50\">\n", {align, width});
        if (item.m_bVisible == 1) {
            if (style == CBuildTreeFolder::kStyleRadio) {
                file.Format("<span class=\"documentlink\">%s</span>\n", {item.m_strName});
            } else {
                file.Format("<a class=\"documentlink\" href=\"%s\" target=\"_blank\">%s</a>\n",
                            {address, item.m_strName});
            }
        }
        if (doc.m_bShowComments == 1) file.Format("<br>%s", {item.m_strComment});
        if (style == CBuildTreeFolder::kStyleGraphic && document) {
            if (doc.m_bShowFileSize == 1) file.Format("Size: %d ", {item.m_nFileSize});
            if (doc.m_bShowFileDate == 1) {
                file.Format("Date: %s", {PageContext::DateText(item.m_timeFile)});
            }
        }
        file.Format("</td>\n");
        if (style != CBuildTreeFolder::kStyleGraphic) {
            file.Format("<td class=\"document\" align=\"right\">");
            if (document) {
                if (doc.m_bShowFileSize == 1) file.Format("Size: %d<br>", {item.m_nFileSize});
                if (doc.m_bShowFileDate == 1) {
                    file.Format("Date: %s", {PageContext::DateText(item.m_timeFile)});
                }
            }
            file.Format("</td>");
        }
        file.Format("</tr>\n");
        file.Format("<tr><td height=\"5\"></td></tr>\n");
    }
    if (style == CBuildTreeFolder::kStyleRadio) {
        file.Format(
            "<tr>\n<td colspan=\"2\">\n<input type=\"button\" name=\"btnFiles\" value=\"Open "
            "Document\" onClick=\"location.href = strURLFile\">\n</td>\n</tr>\n");
    }
    file.Format("</table>\n</form>\n");
    return address;
}

std::string ButtonPageWriter::WritePicturePage(const std::string& address,
                                               const std::string& caption) const {
    const std::string name = SitePaths::FileName(address);
    const std::string pageName = name + ".html";
    if (name.empty() || !SitePaths::IsSafeRelativePath(pageName)) return {};
    PageFile file;
    if (!file.Open(m_ctx.PagePath(pageName))) return {};
    file.Format("<html>\n<head>\n<title>%s</title>\n", {name});
    file.Format("<link rel=\"stylesheet\" href=\"styles.css\">\n");
    file.Format("</head>\n<body>\n");
    file.Format("<p>%s</p>\n", {caption});
    file.Format("<img src=\"%s\">\n", {SitePaths::ToSlashes(address)});
    file.Format("</body>\n</html>\n");
    if (!file.Close()) return {};
    return pageName;
}

}  // namespace foldcraft
