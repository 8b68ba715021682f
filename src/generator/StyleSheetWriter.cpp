#include "generator/StyleSheetWriter.h"

#include "generator/PageContext.h"
#include "generator/PageFile.h"
#include "generator/PageText.h"
#include "generator/SitePaths.h"
#include "model/FoldcraftDoc.h"

namespace foldcraft {

std::string StyleSheetWriter::BackgroundText() const {
    const CFoldcraftDoc& doc = m_ctx.Doc();
    const std::string& image = doc.m_strBackgroundImage;
    // A bare file name (no directory part) is not used.
    if (image.empty() || SitePaths::FileName(image).size() == image.size()) return {};
    std::string text = "background-image: url(" +
                       PageText::InCss("images/" + SitePaths::BackgroundImageName(image)) + ");";
    if (doc.m_nBackgroundPlacement == 1) {
        text += " background-repeat: no-repeat; background-position: center center;";
    }
    return text;
}

bool StyleSheetWriter::Write() const {
    const CFoldcraftDoc& doc = m_ctx.Doc();
    PageFile file;
    if (!m_ctx.OpenPage(file, "styles.css")) return false;
    const std::string link = PageContext::ColorToHtml(doc.m_clrLink);
    const std::string folderText = PageContext::ColorToHtml(doc.m_clrFolderText);
    file.Format(
        "body { %s font-family: %s; color: %s; background-color: %s; text-align: center; }\n",
        {BackgroundText(), doc.m_strFont, PageContext::ColorToHtml(doc.m_clrBodyText),
         PageContext::ColorToHtml(doc.m_clrBodyBackground)});
    file.Format("p { font-size: 10pt; }\n");
    file.Format("a { color: %s; }\n", {link});
    file.Format("a:visited { color: %s; }\n", {PageContext::ColorToHtml(doc.m_clrVisitedLink)});
    file.Format(
        ".folder { color: %s; background-color: %s; font-size: 10pt; font-weight: bold; }\n",
        {folderText, PageContext::ColorToHtml(doc.m_clrFolderBackground)});
    file.Format(".folderlink { color: %s; font-size: 12pt; font-weight: bold; }\n", {folderText});
    file.Format(".folderlink:visited { color: %s; }\n", {folderText});
    file.Format(
        ".document { color: %s; background-color: %s; font-size: 10pt; font-weight: normal; }\n",
        {link, PageContext::ColorToHtml(doc.m_clrDocumentBackground)});
    file.Format(".documentlink { font-size: 12pt; font-weight: bold; }\n");
    return file.Close();
}

}  // namespace foldcraft
