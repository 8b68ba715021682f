#include "document/DesignSettings.h"

#include "model/FoldcraftDoc.h"

namespace foldcraft {

DesignSettings DesignSettings::Read(const CFoldcraftDoc& doc) {
    DesignSettings s;
    s.createTitlePage = doc.m_bCreateTitlePage;
    s.createSitemap = doc.m_bCreateSitemap;
    s.showRestartButton = doc.m_bShowRestartButton;
    s.navBarPosition = doc.m_nNavBarPosition;
    s.showFileSize = doc.m_bShowFileSize;
    s.showFileDate = doc.m_bShowFileDate;
    s.showComments = doc.m_bShowComments;
    s.useThumbnails = doc.m_bUseThumbnails;
    s.thumbWidth = doc.m_nThumbWidth;
    s.thumbHeight = doc.m_nThumbHeight;
    s.backgroundPlacement = doc.m_nBackgroundPlacement;
    s.backgroundImage = doc.m_strBackgroundImage;
    s.font = doc.m_strFont;
    s.comments = doc.m_strComments;
    s.footer = doc.m_strFooter;
    s.header = doc.m_strHeader;
    s.title = doc.m_strTitle;
    s.bodyBackground = doc.m_clrBodyBackground;
    s.bodyText = doc.m_clrBodyText;
    s.documentBackground = doc.m_clrDocumentBackground;
    s.folderBackground = doc.m_clrFolderBackground;
    s.folderText = doc.m_clrFolderText;
    s.link = doc.m_clrLink;
    s.visitedLink = doc.m_clrVisitedLink;
    return s;
}

void DesignSettings::Apply(CFoldcraftDoc& doc) const {
    doc.m_bCreateTitlePage = createTitlePage;
    doc.m_bCreateSitemap = createSitemap;
    doc.m_bShowRestartButton = showRestartButton;
    doc.m_nNavBarPosition = navBarPosition;
    doc.m_bShowFileSize = showFileSize;
    doc.m_bShowFileDate = showFileDate;
    doc.m_bShowComments = showComments;
    doc.m_bUseThumbnails = useThumbnails;
    doc.m_nThumbWidth = thumbWidth;
    doc.m_nThumbHeight = thumbHeight;
    doc.m_nBackgroundPlacement = backgroundPlacement;
    doc.m_strBackgroundImage = backgroundImage;
    doc.m_strFont = font;
    doc.m_strComments = comments;
    doc.m_strFooter = footer;
    doc.m_strHeader = header;
    doc.m_strTitle = title;
    doc.m_clrBodyBackground = bodyBackground;
    doc.m_clrBodyText = bodyText;
    doc.m_clrDocumentBackground = documentBackground;
    doc.m_clrFolderBackground = folderBackground;
    doc.m_clrFolderText = folderText;
    doc.m_clrLink = link;
    doc.m_clrVisitedLink = visitedLink;
}

}  // namespace foldcraft
