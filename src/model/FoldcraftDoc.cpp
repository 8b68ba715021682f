#include "model/FoldcraftDoc.h"

#include <utility>

#include "model/Archive.h"

namespace {
constexpr const char* kDefaultFont = "Arial, Helvetica, sans-serif";
}

CFoldcraftDoc::CFoldcraftDoc() : m_pRoot(std::make_unique<CBuildTreeFolder>()) {}

CFoldcraftDoc::~CFoldcraftDoc() {
    DeleteContents();
}

bool CFoldcraftDoc::OnNewDocument() {
    DeleteContents();
    m_arrPublishFiles.clear();
    m_strDocTitle = "New Document";
    m_strPathName.clear();
    m_bNeverSaved = 1;
    m_timeLastPublish = foldcraft::Clock::Stamp();
    // The root is reset in place (it is never replaced): every field takes its
    // default, so nothing of the previous project (button styles, hotspot
    // picture, dates) leaks into the new one.
    *m_pRoot = CBuildTreeFolder("Root", "(root)", "");

    SetGeneralDefaults();
    SetTextDefaults();
    m_strHeader = "Customize header text here...";
    m_strFooter = "Customize footer text here...";
    SetColorDefaults();
    m_nPublishMethod = kPublishLocal;
    m_strPublishPath.clear();
    m_bModified = false;
    return true;
}

void CFoldcraftDoc::DeleteContents() {
    m_pRoot->ClearChildren();
    m_arrPublishFiles.clear();
}

void CFoldcraftDoc::SetGeneralDefaults() {
    SetModifiedFlag();
    m_bCreateTitlePage = 1;
    m_bCreateSitemap = 1;
    m_bShowRestartButton = 1;
    m_nNavBarPosition = kNavTop;
    m_bShowFileSize = 0;
    m_bShowFileDate = 0;
    m_bShowComments = 1;
    m_bUseThumbnails = 1;
    m_nThumbWidth = 48;
    m_nThumbHeight = 48;
    m_nBackgroundPlacement = 0;
    m_strBackgroundImage.clear();
}

void CFoldcraftDoc::SetTextDefaults() {
    SetModifiedFlag();
    m_strFont = kDefaultFont;
    m_strTitle = "My Title";
    m_strComments = "My Comments";
    m_strHeader.clear();
    m_strFooter.clear();
}

void CFoldcraftDoc::SetColorDefaults() {
    SetModifiedFlag();
    m_clrBodyBackground = 0xFFFFFF;
    m_clrBodyText = 0x000000;
    m_clrDocumentBackground = 0x00FF00;
    m_clrFolderBackground = 0x339933;
    m_clrFolderText = 0xFFFFFF;
    m_clrLink = 0xFF0000;
    m_clrVisitedLink = 0xFF00FF;
}

void CFoldcraftDoc::SetPathName(std::string path) {
    m_strPathName = std::move(path);
    // The title is the file's name, as a document framework shows it.
    const size_t slash = m_strPathName.find_last_of("/\\");
    m_strDocTitle = slash == std::string::npos ? m_strPathName : m_strPathName.substr(slash + 1);
}

void CFoldcraftDoc::TakeSavedFields(CFoldcraftDoc& other) {
    m_bNeverSaved = other.m_bNeverSaved;
    m_timeLastPublish = other.m_timeLastPublish;
    *m_pRoot = std::move(*other.m_pRoot);
    m_bCreateTitlePage = other.m_bCreateTitlePage;
    m_bCreateSitemap = other.m_bCreateSitemap;
    m_bShowRestartButton = other.m_bShowRestartButton;
    m_nNavBarPosition = other.m_nNavBarPosition;
    m_bShowFileSize = other.m_bShowFileSize;
    m_bShowFileDate = other.m_bShowFileDate;
    m_bShowComments = other.m_bShowComments;
    m_bUseThumbnails = other.m_bUseThumbnails;
    m_nThumbWidth = other.m_nThumbWidth;
    m_nThumbHeight = other.m_nThumbHeight;
    m_nBackgroundPlacement = other.m_nBackgroundPlacement;
    m_strBackgroundImage = std::move(other.m_strBackgroundImage);
    m_strFont = std::move(other.m_strFont);
    m_strComments = std::move(other.m_strComments);
    m_strFooter = std::move(other.m_strFooter);
    m_strHeader = std::move(other.m_strHeader);
    m_strTitle = std::move(other.m_strTitle);
    m_clrBodyBackground = other.m_clrBodyBackground;
    m_clrBodyText = other.m_clrBodyText;
    m_clrDocumentBackground = other.m_clrDocumentBackground;
    m_clrFolderBackground = other.m_clrFolderBackground;
    m_clrFolderText = other.m_clrFolderText;
    m_clrLink = other.m_clrLink;
    m_clrVisitedLink = other.m_clrVisitedLink;
    m_nPublishMethod = other.m_nPublishMethod;
    m_strPublishPath = std::move(other.m_strPublishPath);
}

void CFoldcraftDoc::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteU32(1);
        m_pRoot->Serialize(ar);
        // A saved project has always been saved: files hold 0 here.
        ar.WriteU32(0);
        ar.WriteTime(m_timeLastPublish);
        ar.WriteI32(m_bCreateTitlePage);
        ar.WriteI32(m_bCreateSitemap);
        ar.WriteI32(m_bShowRestartButton);
        ar.WriteI32(m_nNavBarPosition);
        ar.WriteI32(m_bShowFileSize);
        ar.WriteI32(m_bShowFileDate);
        ar.WriteI32(m_bShowComments);
        ar.WriteI32(m_bUseThumbnails);
        ar.WriteI32(m_nThumbWidth);
        ar.WriteI32(m_nThumbHeight);
        ar.WriteI32(m_nBackgroundPlacement);
        ar.WriteText(m_strBackgroundImage);
        ar.WriteText(m_strFont);
        ar.WriteU32(m_clrBodyBackground);
        ar.WriteU32(m_clrBodyText);
        ar.WriteU32(m_clrDocumentBackground);
        ar.WriteU32(m_clrFolderBackground);
        ar.WriteU32(m_clrFolderText);
        ar.WriteU32(m_clrLink);
        ar.WriteU32(m_clrVisitedLink);
        ar.WriteText(m_strComments);
        ar.WriteText(m_strFooter);
        ar.WriteText(m_strHeader);
        ar.WriteText(m_strTitle);
        ar.WriteI32(m_nPublishMethod);
        ar.WriteText(m_strPublishPath);
        return;
    }
    if (ar.ReadU32() != 1) {
        throw CArchiveException(CArchiveException::Kind::kUnsupportedVersion,
                                "Error: unsupported Foldcraft file format.");
    }
    m_pRoot->Serialize(ar);
    m_bNeverSaved = ar.ReadI32();
    m_timeLastPublish = ar.ReadTime();
    m_bCreateTitlePage = ar.ReadI32();
    m_bCreateSitemap = ar.ReadI32();
    m_bShowRestartButton = ar.ReadI32();
    m_nNavBarPosition = ar.ReadI32();
    m_bShowFileSize = ar.ReadI32();
    m_bShowFileDate = ar.ReadI32();
    m_bShowComments = ar.ReadI32();
    m_bUseThumbnails = ar.ReadI32();
    m_nThumbWidth = ar.ReadI32();
    m_nThumbHeight = ar.ReadI32();
    m_nBackgroundPlacement = ar.ReadI32();
    m_strBackgroundImage = ar.ReadText();
    m_strFont = ar.ReadText();
    m_clrBodyBackground = ar.ReadU32();
    m_clrBodyText = ar.ReadU32();
    m_clrDocumentBackground = ar.ReadU32();
    m_clrFolderBackground = ar.ReadU32();
    m_clrFolderText = ar.ReadU32();
    m_clrLink = ar.ReadU32();
    m_clrVisitedLink = ar.ReadU32();
    m_strComments = ar.ReadText();
    m_strFooter = ar.ReadText();
    m_strHeader = ar.ReadText();
    m_strTitle = ar.ReadText();
    m_nPublishMethod = ar.ReadI32();
    m_strPublishPath = ar.ReadText();
}
