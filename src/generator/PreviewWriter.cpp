#include "generator/PreviewWriter.h"

#include <filesystem>
#include <system_error>

#include "generator/ButtonTableWriter.h"
#include "generator/HotspotPageWriter.h"
#include "generator/PageContext.h"
#include "generator/PageFile.h"
#include "generator/PageText.h"
#include "generator/SitePaths.h"
#include "generator/StyleSheetWriter.h"
#include "generator/SupportImages.h"
#include "model/FoldcraftDoc.h"

namespace foldcraft {

bool PreviewWriter::Write(const CBuildTreeFolder& folder) const {
    const CFoldcraftDoc& doc = m_ctx.Doc();
    SupportImages::EnsureInstalled(m_ctx.TargetDir());
    CopyBackgroundImage();
    const bool styleWritten = StyleSheetWriter(m_ctx).Write();

    PageFile file;
    if (!m_ctx.OpenPage(file, "temp.html")) return false;
    PageContext::WriteFolderStyle(file, folder, true);
    m_ctx.WriteFolderIntro(file, folder);
    if (folder.m_bHotspotFolder == 1 && !folder.m_strHotspotImage.empty()) {
        WriteImageMap(file, folder);
    } else {
        // Both tables, even when empty.
        const ButtonTableWriter tables(m_ctx, file, ButtonTableWriter::Mode::kPreview);
        tables.WriteFolderTable(folder, std::string());
        tables.WriteDocumentTable(folder);
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

void PreviewWriter::CopyBackgroundImage() const {
    const std::string& image = m_ctx.Doc().m_strBackgroundImage;
    if (image.empty()) return;
    // Where the style sheet looks for it, as on the published site.
    std::error_code error;
    std::filesystem::copy_file(
        image, m_ctx.TargetDir() + "/images/" + SitePaths::BackgroundImageName(image),
        std::filesystem::copy_options::overwrite_existing, error);
}

void PreviewWriter::WriteImageMap(PageFile& file, const CBuildTreeFolder& folder) const {
    file.Format("<img src=\"%s\" usemap=\"#Map\" border=\"0\">\n",
                {PageFile::Attribute(SitePaths::ToSlashes(folder.m_strHotspotImage))});
    file.Format("<map name=\"Map\">\n");
    for (const auto& area : folder.m_arrHotspots) {
        if (!HotspotPageWriter::WriteAreaStart(file, *area)) continue;
        file.Format("\" href=\"#\">\n");
    }
    file.Format("</map>\n<br>\n");
}

}  // namespace foldcraft
