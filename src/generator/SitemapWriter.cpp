#include "generator/SitemapWriter.h"

#include "generator/PageContext.h"
#include "generator/PageFile.h"
#include "generator/PageText.h"
#include "generator/SitePaths.h"
#include "model/FoldcraftDoc.h"

namespace foldcraft {
namespace {

void WriteSpacers(PageFile& file, int count) {
    for (int i = 0; i < count; ++i) file.Text("<img src=\"images/spacer.gif\" border=\"0\">");
}

void WriteRow(PageFile& file, int spacers, const std::string& address, const char* icon,
              const std::string& name) {
    file.Format("<tr>\n<td>\n");
    WriteSpacers(file, spacers);
    file.Format("<a href=\"%s\"><img src=\"%s\" border=\"0\">%s</a>",
                {PageFile::Attribute(address), icon, PageFile::Escaped(name)});
    file.Format("</td>\n</tr>\n");
}

}  // namespace

bool SitemapWriter::Write() const {
    const CFoldcraftDoc& doc = m_ctx.Doc();
    PageFile file;
    if (!m_ctx.OpenPage(file, "Sitemap.html")) return false;
    file.Format("<html>\n<head>\n<title>Sitemap</title>\n");
    file.Format("<link rel=\"stylesheet\" href=\"styles.css\">\n<style type=\"text/css\">\n<!--\n");
    file.Format("h1 {  font-size: 30pt; font-weight: bold; }\n");
    file.Format(".comments { background-color: %s; ; width: 50%%; }\n",
                {PageContext::ColorToHtml(doc.m_clrDocumentBackground)});
    file.Format("-->\n</style>\n");
    file.Format("</head>\n<body>\n");
    file.Format("<h1>Sitemap</h1>\n");
    file.Format("<table width=\"60%%\" cellpadding=\"1\" cellspacing=\"0\" border=\"0\">\n");
    if (doc.m_pRoot) WriteSitemapRows(file, *doc.m_pRoot, std::string(), 0, 0);
    file.Format("</table>\n");
    PageContext::WriteMakerLineAndEnd(file);
    return file.Close();
}

void SitemapWriter::WriteSitemapRows(PageFile& file, const CBuildTreeFolder& folder,
                                     const std::string& parentId, std::int64_t position,
                                     int depth) const {
    const std::string id = PageContext::FolderId(parentId, position);
    WriteRow(file, depth, PageContext::FolderPageName(id),
             folder.m_bHotspotFolder == 1 ? "images/hsfolder.gif" : "images/cfolder.gif",
             folder.m_strName);

    for (size_t j = 0; j < folder.m_arrFolders.size(); ++j) {
        const CBuildTreeFolder& sub = *folder.m_arrFolders[j];
        if (!m_ctx.IsActive(sub)) continue;
        WriteSitemapRows(file, sub, id, static_cast<std::int64_t>(j), depth + 1);
    }

    // Picture pages exist only where the folder pages write them, under the name
    // given to each document.
    for (const auto& item : folder.m_arrDocs) {
        std::optional<std::string> listed = m_ctx.ListedAddress(*item);
        if (!listed) continue;
        const bool document = !SitePaths::IsExternalLink(item->m_strLink);
        std::string address = m_ctx.PicturePageName(*item);
        if (address.empty()) address = std::move(*listed);
        WriteRow(file, depth + 1, address, document ? "images/doc.gif" : "images/urldoc.gif",
                 item->m_strName);
    }
}

}  // namespace foldcraft
