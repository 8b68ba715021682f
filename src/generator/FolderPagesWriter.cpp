#include "generator/FolderPagesWriter.h"

#include "generator/ButtonPageWriter.h"
#include "generator/HotspotPageWriter.h"
#include "generator/PageContext.h"
#include "model/FoldcraftDoc.h"

namespace foldcraft {

bool FolderPagesWriter::WriteFolderPages() {
    const CFoldcraftDoc& doc = m_ctx.Doc();
    if (!doc.m_pRoot || !m_ctx.IsActive(*doc.m_pRoot)) return m_allWritten;
    WritePage(*doc.m_pRoot, std::string(), std::string(), 0);
    return m_allWritten;
}

void FolderPagesWriter::WritePage(const CBuildTreeFolder& folder, const std::string& trail,
                                  const std::string& parentId, std::int64_t position) {
    if (folder.m_bHotspotFolder != 0) {
        WriteHotspotFolderPage(folder, trail, parentId, position);
    } else {
        WriteFolderPage(folder, trail, parentId, position);
    }
}

std::string FolderPagesWriter::OwnTrail(const CBuildTreeFolder& folder,
                                        const std::string& parentTrail, const std::string& parentId,
                                        const std::string& folderId) const {
    if (!m_ctx.TrailShown()) return parentTrail;
    return PageContext::ExtendTrail(parentTrail, parentId.empty(),
                                    PageContext::FolderPageName(folderId), folder.m_strName);
}

void FolderPagesWriter::Count(bool written) {
    if (written) {
        ++m_pagesWritten;
    } else {
        m_allWritten = false;
    }
}

void FolderPagesWriter::WriteFolderPage(const CBuildTreeFolder& folder, const std::string& trail,
                                        const std::string& parentId, std::int64_t position) {
    const std::string id = PageContext::FolderId(parentId, position);
    const std::string ownTrail = OwnTrail(folder, trail, parentId, id);
    Count(ButtonPageWriter(m_ctx).Write(folder, id, ownTrail));
    WriteSubFolderPages(folder, id, ownTrail);
}

void FolderPagesWriter::WriteHotspotFolderPage(const CBuildTreeFolder& folder,
                                               const std::string& trail,
                                               const std::string& parentId, std::int64_t position) {
    const std::string id = PageContext::FolderId(parentId, position);
    const std::string ownTrail = OwnTrail(folder, trail, parentId, id);
    Count(HotspotPageWriter(m_ctx).Write(folder, id, ownTrail));
    WriteSubFolderPages(folder, id, ownTrail);
}

void FolderPagesWriter::WriteSubFolderPages(const CBuildTreeFolder& folder,
                                            const std::string& folderId, const std::string& trail) {
    for (size_t j = 0; j < folder.m_arrFolders.size(); ++j) {
        WritePage(*folder.m_arrFolders[j], trail, folderId, static_cast<std::int64_t>(j));
    }
}

}  // namespace foldcraft
