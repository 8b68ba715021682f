#include "generator/SiteGenerator.h"

#include "generator/FolderPagesWriter.h"
#include "generator/PageContext.h"
#include "generator/PreviewWriter.h"
#include "generator/SitemapWriter.h"
#include "generator/StyleSheetWriter.h"
#include "generator/TitlePageWriter.h"

namespace foldcraft {
namespace {

bool StyleSheet(const PageContext& ctx) {
    return StyleSheetWriter(ctx).Write();
}
bool TitlePage(const PageContext& ctx) {
    return TitlePageWriter(ctx).Write();
}
bool Sitemap(const PageContext& ctx) {
    return SitemapWriter(ctx).Write();
}
bool FolderPages(const PageContext& ctx) {
    return FolderPagesWriter(ctx).WriteFolderPages();
}

}  // namespace

bool WriteStyleSheet(const CFoldcraftDoc& doc, const std::string& targetDir) {
    return StyleSheet(PageContext(doc, targetDir));
}
bool WriteTitlePage(const CFoldcraftDoc& doc, const std::string& targetDir) {
    return TitlePage(PageContext(doc, targetDir));
}
bool WriteSitemap(const CFoldcraftDoc& doc, const std::string& targetDir) {
    return Sitemap(PageContext(doc, targetDir));
}
bool WriteFolderPages(const CFoldcraftDoc& doc, const std::string& targetDir) {
    return FolderPages(PageContext(doc, targetDir));
}

bool WriteStyleSheet(const CFoldcraftDoc& doc, const std::string& targetDir, const RunTime& time) {
    return StyleSheet(PageContext(doc, targetDir, time));
}
bool WriteTitlePage(const CFoldcraftDoc& doc, const std::string& targetDir, const RunTime& time) {
    return TitlePage(PageContext(doc, targetDir, time));
}
bool WriteSitemap(const CFoldcraftDoc& doc, const std::string& targetDir, const RunTime& time) {
    return Sitemap(PageContext(doc, targetDir, time));
}
bool WriteFolderPages(const CFoldcraftDoc& doc, const std::string& targetDir, const RunTime& time) {
    return FolderPages(PageContext(doc, targetDir, time));
}

bool RenderStyleSheet(const CFoldcraftDoc& doc, PageSet& out, const RunTime& time) {
    return StyleSheet(PageContext(doc, out, time));
}
bool RenderTitlePage(const CFoldcraftDoc& doc, PageSet& out, const RunTime& time) {
    return TitlePage(PageContext(doc, out, time));
}
bool RenderSitemap(const CFoldcraftDoc& doc, PageSet& out, const RunTime& time) {
    return Sitemap(PageContext(doc, out, time));
}
bool RenderFolderPages(const CFoldcraftDoc& doc, PageSet& out, const RunTime& time) {
    return FolderPages(PageContext(doc, out, time));
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
    return PageContext::CreatedDateText(Clock::Stamp());
}

}  // namespace foldcraft
