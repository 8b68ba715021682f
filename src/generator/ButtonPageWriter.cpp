#include "generator/ButtonPageWriter.h"

#include "generator/ButtonTableWriter.h"
#include "generator/PageContext.h"
#include "generator/PageFile.h"
#include "generator/PageText.h"
#include "model/FoldcraftDoc.h"

namespace foldcraft {

bool ButtonPageWriter::Write(const CBuildTreeFolder& folder, const std::string& folderId,
                             const std::string& trail) const {
    PageFile file;
    if (!m_ctx.OpenPage(file, PageContext::FolderPageName(folderId))) return false;

    PageContext::WriteFolderStyle(file, folder, true);
    file.Format("<script>\nvar strURLFolder=\"#\";\nvar strURLFile=\"#\";\n</script>\n");
    m_ctx.WriteFolderIntro(file, folder);
    m_ctx.WriteTopTrail(file, trail);

    const ButtonTableWriter tables(m_ctx, file, ButtonTableWriter::Mode::kSite);
    if (!folder.m_arrFolders.empty()) tables.WriteFolderTable(folder, folderId);
    std::string lastAddress;
    if (!folder.m_arrDocs.empty()) lastAddress = tables.WriteDocumentTable(folder);

    // A folder that holds nothing but one listed document or link, and shows no
    // label, goes straight on to it.
    if (folder.m_arrFolders.empty() && folder.m_arrDocs.size() == 1 && folder.m_strLabel.empty() &&
        m_ctx.IsListed(*folder.m_arrDocs.front())) {
        file.Format("<script>\n");
        file.Format("location.href = \"%s\";\n", {PageText::InScript(lastAddress)});
        file.Format("</script>\n");
    }

    m_ctx.WriteFolderPageEnd(file, trail);
    return file.Close();
}

}  // namespace foldcraft
