#pragma once

#include <QString>
#include <optional>
#include <string>

#include "document/RecentFileList.h"
#include "model/ProjectFile.h"

class QWidget;

namespace foldcraft {
struct RecoveryEntry;
class ProjectDocument;
struct AppServices;

// New, Open, Save, Save As and the offer to save changes, on the one project of the
// run. Questions and file choices go through the services' dialogs, owned by the
// window set with SetWindow. Each call returns whether it went through; false means
// the user cancelled or the operation failed (after telling the user why).
class DocumentLifeCycle {
public:
    static constexpr char kFilter[] = "Foldcraft Files (*.fcd)";

    // document and services must outlive this object.
    DocumentLifeCycle(ProjectDocument& document, AppServices& services);

    void SetWindow(QWidget* window) { m_window = window; }
    RecentFileList& Recent() { return m_recent; }

    // The offer to save unsaved changes: true when the project may be replaced or
    // the program closed (no changes, Save succeeded, or Don't Save); false on
    // Cancel or a failed save, with everything as it was.
    bool SaveModified();

    // File New: the offer to save, then a new project.
    bool FileNew();
    // File Open: the file dialog, then OpenPath (with the offer to save).
    bool FileOpen();
    // Opens path (after the offer to save unless askToSave is false). A file in
    // another format is reported and opens as an empty project (true) that Save
    // does not write over the file without asking for a name. A file that cannot
    // be read is reported; false. Files that open join the recent list, files that
    // fail leave it.
    bool OpenPath(const QString& path, bool askToSave = true);
    // Opens a recovery file as the project it is a copy of: that project's path and
    // title (none, for a project never saved), modified, so that Save writes the
    // project's own file (or asks for a name). A copy that cannot be read is
    // reported; false.
    bool OpenRecovered(const RecoveryEntry& entry);
    // File Save: in place, or as Save As when the project was never saved. A file
    // changed by someone else since it was read is replaced only after asking.
    bool FileSave();
    // File Save As: the file dialog with the title as the proposed name, then the save.
    bool FileSaveAs();

private:
    bool SaveTo(const QString& path);

    ProjectDocument& m_document;
    AppServices& m_services;
    RecentFileList m_recent;
    QWidget* m_window = nullptr;
    // The version of the project file last read or written, and its path.
    std::optional<ProjectFileVersion> m_versionRead;
    std::string m_versionPath;
};

}  // namespace foldcraft
