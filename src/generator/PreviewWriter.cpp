#include "generator/PreviewWriter.h"

#include "generator/ButtonPageWriter.h"
#include "generator/HotspotPageWriter.h"
#include "generator/PageContext.h"
#include "generator/PageFile.h"
#include "generator/SitePaths.h"
#include "generator/StyleSheetWriter.h"
#include "generator/SupportImages.h"
#include "model/FoldcraftDoc.h"

namespace foldcraft {

bool PreviewWriter::Write(const CBuildTreeFolder& folder) const {
    const CFoldcraftDoc& doc = m_ctx.Doc();
    SupportImages::EnsureInstalled(m_ctx.TargetDir());
    const bool styleWritten = StyleSheetWriter(m_ctx).Write();

    PageFile file;
    if (!file.Open(m_ctx.PagePath("temp.html"))) return false;
    PageContext::WriteHead(file, folder.m_strName);
    file.Format("h1 { font-size: 20pt; font-weight: bold; }\n");
    if (folder.m_nFolderButtonStyle == CBuildTreeFolder::kStyleGraphic) {
        ButtonPageWriter::WriteGraphicRule(file, ".folder", folder.m_nFolderButtonGraphic);
    }
    if (folder.m_nFileButtonStyle == CBuildTreeFolder::kStyleGraphic) {
        ButtonPageWriter::WriteGraphicRule(file, ".document", folder.m_nFileButtonGraphic);
    }
    file.Format("-->\n</style>\n ");
    file.Format("</head>\n<body>\n");
    file.Format("<p>%s</p>\n", {doc.m_strHeader});
    if (folder.m_bShowContentsFor == 1) {
        file.Format("<h1>Contents for %s</h1>\n", {folder.m_strName});
    }
    file.Format("%s\n<br><br>\n", {folder.m_strLabel});
    if (folder.m_bHotspotFolder == 1 && !folder.m_strHotspotImage.empty()) {
        WriteImageMap(file, folder);
    } else {
        WriteFolderTable(file, folder);
        WriteDocumentTable(file, folder);
    }
    if (doc.m_bShowRestartButton == 1) {
        file.Format("<img src=\"images/restart.jpg\" width=\"76\" height=\"26\" border=\"0\">");
    }
    if (doc.m_bCreateSitemap == 1) {
        file.Format(
            "<img src=\"images/sitemap.jpg\" width=\"76\" height=\"26\" border=\"0\">\n<br>\n");
    }
    file.Format("<p>%s</p>\n", {doc.m_strFooter});
    PageContext::WriteMakerLineAndEnd(file);
    return file.Close() && styleWritten;
}

void PreviewWriter::WriteImageMap(PageFile& file, const CBuildTreeFolder& folder) const {
    file.Format("<img src=\"%s\" usemap=\"#Map\" border=\"0\">\n",
                {SitePaths::ToSlashes(folder.m_strHotspotImage)});
    file.Format("<map name=\"Map\">\n");
    for (const auto& area : folder.m_arrHotspots) {
        if (!HotspotPageWriter::WriteAreaStart(file, *area)) continue;
        file.Format("\" href=\"#\">\n");
    }
    file.Format("</map>\n<br>\n");
}

void PreviewWriter::WriteFolderTable(PageFile& file, const CBuildTreeFolder& folder) const {
    const CFoldcraftDoc& doc = m_ctx.Doc();
    const std::int32_t style = folder.m_nFolderButtonStyle;
    file.Format("<form name=\"frmFolders\">\n");
    file.Format("<table align=\"center\" cellpadding=\"2\" cellspacing=\"0\" border=\"0\">\n");
    int width = 450;
    const char* align = "";
    for (const auto& subPtr : folder.m_arrFolders) {
        const CBuildTreeFolder& sub = *subPtr;
        if (!m_ctx.IsActive(sub)) continue;
        file.Format("<tr>\n");
        switch (style) {
            case CBuildTreeFolder::kStyleDefault:
                file.Format("<td width=\"35\" class=\"folder\">\n");
                file.Format("<img src=\"images/folder.gif\" width=\"32\" height=\"32\">\n</td>\n");
                break;
            case CBuildTreeFolder::kStyleRadio:
                file.Format("<td class=\"folder\">\n");
                file.Format("<input type=\"radio\" name=\"fldrradio\">\n</td>\n");
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
        if (style == CBuildTreeFolder::kStyleRadio) {
            file.Format("<span class=\"folderlink\">%s</span>\n", {sub.m_strName});
        } else {
            file.Format("<a class=\"folderlink\" href=\"#\">%s</a>\n", {sub.m_strName});
        }
        if (doc.m_bShowComments == 1) file.Format("<br>%s", {sub.m_strComment});
        file.Format("</td>\n</tr>\n");
        file.Format("<tr><td height=\"5\"></td></tr>\n");
    }
    if (style == CBuildTreeFolder::kStyleRadio) {
        file.Format(
            "<tr>\n<td colspan=\"2\">\n<input type=\"button\" name=\"btnFolders\" value=\"Open "
            "Folder\">\n</td>\n</tr>\n");
    }
    file.Format("</table>\n</form>");
}

void PreviewWriter::WriteDocumentTable(PageFile& file, const CBuildTreeFolder& folder) const {
    const CFoldcraftDoc& doc = m_ctx.Doc();
    const std::int32_t style = folder.m_nFileButtonStyle;
    file.Format("<form name=\"frmDocuments\">\n");
    file.Format("<table align=\"center\" cellpadding=\"2\" cellspacing=\"0\" border=\"0\">\n");
    file.Format("<tr><td colspan=\"2\" height=\"15\"></td></tr>\n");
    int width = 370;
    const char* align = "";
    for (const auto& itemPtr : folder.m_arrDocs) {
        const CBuildTreeDoc& item = *itemPtr;
        if (!m_ctx.IsActive(item)) continue;
        file.Format("<tr>\n");
        std::string icon = "images/file.gif";
        if (doc.m_bUseThumbnails == 1 && SitePaths::IsPictureAddress(item.m_strLink)) {
            icon = SitePaths::ToSlashes(item.m_strLink);
        }
        switch (style) {
            case CBuildTreeFolder::kStyleDefault:
                file.Format("<td width=\"%d\" class=\"document\">\n",
                            {static_cast<long long>(doc.m_nThumbWidth) + 3});
                file.Format("<img src=\"%s\" width=\"%d\" height=\"%d\">\n</td>\n",
                            {icon, doc.m_nThumbWidth, doc.m_nThumbHeight});
                break;
            case CBuildTreeFolder::kStyleRadio:
                file.Format("<td class=\"document\">\n");
                file.Format("<input type=\"radio\" name=\"docradio\">\n</td>\n");
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
        if (style == CBuildTreeFolder::kStyleRadio) {
            file.Format("<span class=\"documentlink\">%s</span>\n", {item.m_strName});
        } else {
            file.Format("<a class=\"documentlink\" href=\"#\">%s</a>\n", {item.m_strName});
        }
        if (doc.m_bShowComments == 1) file.Format("<br>%s", {item.m_strComment});
        file.Format("</td>\n");
        if (style != CBuildTreeFolder::kStyleGraphic) {
            file.Format("<td class=\"document\" align=\"right\">");
            if (doc.m_bShowFileSize == 1) file.Format("Size: %d<br>", {item.m_nFileSize});
            if (doc.m_bShowFileDate == 1) {
                file.Format("Date: %s", {PageContext::DateText(item.m_timeFile)});
            }
            file.Format("</td>");
        }
        file.Format("</tr>\n");
        file.Format("<tr><td height=\"5\"></td></tr>\n");
    }
    if (style == CBuildTreeFolder::kStyleRadio) {
        file.Format(
            "<tr>\n<td colspan=\"2\">\n<input type=\"button\" name=\"btnFiles\" value=\"Open "
            "Document\">\n</td>\n</tr>\n");
    }
    file.Format("</table>\n</form>\n");
}

}  // namespace foldcraft
