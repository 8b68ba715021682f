#include "generator/SiteGenerator.h"

#include "generator/FolderPagesWriter.h"
#include "generator/PageContext.h"
#include "generator/PreviewWriter.h"
#include "generator/SitemapWriter.h"
#include "generator/StyleSheetWriter.h"
#include "generator/TitlePageWriter.h"
#include "model/Clock.h"

namespace foldcraft {

bool WriteStyleSheet(const CFoldcraftDoc& doc, const std::string& targetDir) {
    const PageContext ctx(doc, targetDir);
    return StyleSheetWriter(ctx).Write();
}

bool WriteTitlePage(const CFoldcraftDoc& doc, const std::string& targetDir) {
    const PageContext ctx(doc, targetDir);
    return TitlePageWriter(ctx).Write();
}

bool WriteSitemap(const CFoldcraftDoc& doc, const std::string& targetDir) {
    const PageContext ctx(doc, targetDir);
    return SitemapWriter(ctx).Write();
}

bool WriteFolderPages(const CFoldcraftDoc& doc, const std::string& targetDir) {
    const PageContext ctx(doc, targetDir);
    return FolderPagesWriter(ctx).WriteFolderPages();
}

bool WritePreviewPage(const CFoldcraftDoc& doc, const CBuildTreeFolder& folder,
                      const std::string& programFolder) {
    const PageContext ctx(doc, programFolder);
    return PreviewWriter(ctx).Write(folder);
}

std::string ColorToHtml(std::uint32_t color) {
    return PageContext::ColorToHtml(color);
}

std::string GetCreatedDateText() {
    return PageContext::CreatedDateText(Clock::Now());
}

}  // namespace foldcraft
