#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/BuildTreeFolder.h"
#include "model/Clock.h"
#include "model/DesignSettings.h"

// The project document: the site tree, the design settings of the whole site,
// the publish method and path, and the document bookkeeping (title, path,
// modified flag) that a desktop application framework would otherwise keep. The
// design settings are its CDesignSettings part (doc.m_strTitle, ...).
class CFoldcraftDoc : public CDesignSettings {
public:
    enum PublishMethod : std::int32_t { kPublishLocal = 0, kPublishFtp = 1 };

    // An empty root folder and the design defaults; OnNewDocument gives the rest.
    CFoldcraftDoc();
    ~CFoldcraftDoc();
    CFoldcraftDoc(const CFoldcraftDoc&) = delete;
    CFoldcraftDoc& operator=(const CFoldcraftDoc&) = delete;
    // Not the design settings' comparison: a document is not compared as a whole.
    bool operator==(const CFoldcraftDoc&) const = delete;

    // Empties the project and gives every field its New value. Always succeeds.
    bool OnNewDocument();

    // Clears the root's children and the not-copied list. The root's own fields and
    // the design settings keep their values.
    void DeleteContents();

    // The "Set Defaults" operations of the three design pages (see CDesignSettings).
    // Each marks the project modified.
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
    std::int32_t m_nPublishMethod = kPublishLocal;
    std::string m_strPublishPath;

private:
    std::string m_strDocTitle;
    std::string m_strPathName;
    bool m_bModified = false;
};
