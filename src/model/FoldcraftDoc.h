#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/BuildTreeFolder.h"
#include "model/Clock.h"

// The project document: the site tree, the design settings of the whole site,
// the publish method and path, and the document bookkeeping (title, path,
// modified flag) that a desktop application framework would otherwise keep.
class CFoldcraftDoc {
public:
    enum NavBarPosition : std::int32_t { kNavTop = 0, kNavBottom = 1, kNavDisabled = 2 };
    enum PublishMethod : std::int32_t { kPublishLocal = 0, kPublishFtp = 1 };

    // An empty root folder and empty texts; OnNewDocument gives the real values.
    CFoldcraftDoc();
    ~CFoldcraftDoc();
    CFoldcraftDoc(const CFoldcraftDoc&) = delete;
    CFoldcraftDoc& operator=(const CFoldcraftDoc&) = delete;

    // Empties the project and gives every field its New value. Always succeeds.
    bool OnNewDocument();

    // Clears the root's children and the not-copied list. The root's own fields and
    // the design settings keep their values.
    void DeleteContents();

    // The "Set Defaults" operations of the three design pages. Each marks the
    // project modified first.
    void SetGeneralDefaults();
    void SetTextDefaults();
    void SetColorDefaults();

    // Writes the whole project file when ar is storing (m_bNeverSaved is written as
    // 0), reads it into this document when loading. A loading archive throws
    // CArchiveException (kUnsupportedVersion when the version word is not 1, having
    // read nothing else); the document may then be partly read. See
    // model/ProjectFile.h for the entry points that open and save whole files.
    void Serialize(CArchive& ar);

    // Takes over everything a project file holds (rows 3 to 30 and the root's fields
    // and children) from other, whose root is left without children. The root
    // object itself stays the same; title, path, flags and the not-copied list stay.
    void TakeSavedFields(CFoldcraftDoc& other);

    // The framework's document bookkeeping.
    const std::string& GetTitle() const { return m_strDocTitle; }
    void SetTitle(std::string title) { m_strDocTitle = std::move(title); }
    // Full path of the project file; empty until saved or opened.
    const std::string& GetPathName() const { return m_strPathName; }
    void SetPathName(std::string path);
    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }

    std::vector<std::string> m_arrPublishFiles;
    std::int32_t m_bNeverSaved = 1;
    foldcraft::Time m_timeLastPublish = 0;
    std::unique_ptr<CBuildTreeFolder> m_pRoot;
    std::int32_t m_bCreateTitlePage = 1;
    std::int32_t m_bCreateSitemap = 1;
    std::int32_t m_bShowRestartButton = 1;
    std::int32_t m_nNavBarPosition = kNavTop;
    std::int32_t m_bShowFileSize = 0;
    std::int32_t m_bShowFileDate = 0;
    std::int32_t m_bShowComments = 1;
    std::int32_t m_bUseThumbnails = 1;
    std::int32_t m_nThumbWidth = 48;
    std::int32_t m_nThumbHeight = 48;
    std::int32_t m_nBackgroundPlacement = 0;
    std::string m_strBackgroundImage;
    std::string m_strFont;
    std::string m_strComments;
    std::string m_strFooter;
    std::string m_strHeader;
    std::string m_strTitle;
    std::uint32_t m_clrBodyBackground = 0xFFFFFF;
    std::uint32_t m_clrBodyText = 0x000000;
    std::uint32_t m_clrDocumentBackground = 0x00FF00;
    std::uint32_t m_clrFolderBackground = 0x339933;
    std::uint32_t m_clrFolderText = 0xFFFFFF;
    std::uint32_t m_clrLink = 0xFF0000;
    std::uint32_t m_clrVisitedLink = 0xFF00FF;
    std::int32_t m_nPublishMethod = kPublishLocal;
    std::string m_strPublishPath;

private:
    std::string m_strDocTitle;
    std::string m_strPathName;
    bool m_bModified = false;
};
