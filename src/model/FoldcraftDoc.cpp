#include "model/FoldcraftDoc.h"

#include <utility>

#include "model/Archive.h"

namespace {

// Writes or reads one design setting of the project file.
struct SavedFieldWriter {
    CArchive& ar;
    void operator()(std::int32_t value) const { ar.WriteI32(value); }
    void operator()(std::uint32_t value) const { ar.WriteU32(value); }
    void operator()(const std::string& value) const { ar.WriteText(value); }
};

struct SavedFieldReader {
    CArchive& ar;
    void operator()(std::int32_t& value) const { value = ar.ReadI32(); }
    void operator()(std::uint32_t& value) const { value = ar.ReadU32(); }
    void operator()(std::string& value) const { value = ar.ReadText(); }
};

}  // namespace

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

    static_cast<CDesignSettings&>(*this) = CDesignSettings{};
    m_strHeader = "Customize header text here...";
    m_strFooter = "Customize footer text here...";
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
    ResetGeneral();
}

void CFoldcraftDoc::SetTextDefaults() {
    SetModifiedFlag();
    ResetText();
}

void CFoldcraftDoc::SetColorDefaults() {
    SetModifiedFlag();
    ResetColors();
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
    static_cast<CDesignSettings&>(*this) = std::move(static_cast<CDesignSettings&>(other));
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
        ForEachSavedField(*this, SavedFieldWriter{ar});
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
    ForEachSavedField(*this, SavedFieldReader{ar});
    m_nPublishMethod = ar.ReadI32();
    m_strPublishPath = ar.ReadText();
}
