#include "model/FoldcraftDoc.h"

#include <utility>

namespace {
constexpr const char* kDefaultFont = "Arial, Helvetica, sans-serif";
}

CFoldcraftDoc::CFoldcraftDoc() : m_pRoot(std::make_unique<CBuildTreeFolder>()) {}

CFoldcraftDoc::~CFoldcraftDoc() { DeleteContents(); }

bool CFoldcraftDoc::OnNewDocument() {
    DeleteContents();
    m_arrPublishFiles.clear();
    m_strDocTitle = "New Document";
    m_strPathName.clear();
    m_bNeverSaved = 1;
    m_timeLastPublish = foldcraft::Clock::Now();
    m_pRoot->m_strName = "Root";
    m_pRoot->m_strLink = "(root)";
    m_pRoot->m_strComment.clear();
    m_pRoot->m_strLabel.clear();

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
