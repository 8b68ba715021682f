#include "app/DocumentLifeCycle.h"

#include <QDir>
#include <QFileInfo>

#include "document/ProjectDocument.h"
#include "document/RecoveryStore.h"
#include "model/ProjectFile.h"
#include "ui/common/AppServices.h"

namespace foldcraft {
namespace {
QString Q(const std::string& text) {
    return QString::fromStdString(text);
}
}  // namespace

DocumentLifeCycle::DocumentLifeCycle(ProjectDocument& document, AppServices& services)
    : m_document(document), m_services(services), m_recent(services.settings) {}

bool DocumentLifeCycle::SaveModified() {
    if (!m_document.Doc().IsModified()) return true;
    const QString text = QStringLiteral("Save changes to %1?").arg(Q(m_document.Doc().GetTitle()));
    switch (m_services.dialogs.Message(m_window, text, IUserDialogs::Buttons::kSaveDiscardCancel,
                                       IUserDialogs::Icon::kQuestion)) {
        case IUserDialogs::Answer::kSave:
            return FileSave();
        case IUserDialogs::Answer::kDiscard:
        case IUserDialogs::Answer::kNo:
            return true;
        default:
            return false;
    }
}

bool DocumentLifeCycle::FileNew() {
    if (!SaveModified()) return false;
    m_document.Doc().OnNewDocument();
    m_document.NotifyReset();
    return true;
}

bool DocumentLifeCycle::FileOpen() {
    const QString current = Q(m_document.Doc().GetPathName());
    const QString dir = current.isEmpty() ? QDir::currentPath() : QFileInfo(current).absolutePath();
    const QString path = m_services.dialogs.OpenFileName(m_window, QStringLiteral("Open"), dir,
                                                         QString::fromLatin1(kFilter));
    if (path.isEmpty()) return false;
    return OpenPath(path);
}

bool DocumentLifeCycle::OpenPath(const QString& path, bool askToSave) {
    if (askToSave && !SaveModified()) return false;
    const std::string file = QFileInfo(path).absoluteFilePath().toStdString();
    const std::string pathBefore = m_document.Doc().GetPathName();
    const bool modifiedBefore = m_document.Doc().IsModified();
    const ProjectFileResult result = LoadProject(m_document.Doc(), file);
    using Status = ProjectFileResult::Status;
    if (result.status == Status::kOk || result.status == Status::kUnsupportedVersion) {
        m_versionRead = result.version;
        m_versionPath = file;
        // A file of another format shows as an empty project under its name; Save
        // asks for a name first, so that the file is not replaced by the empty tree.
        if (!result.Ok()) m_document.Doc().m_bNeverSaved = 1;
        m_recent.Add(file);
        m_document.NotifyReset();
        if (!result.Ok()) m_services.dialogs.Error(m_window, Q(result.message));
        return true;
    }
    m_recent.Remove(file);
    // A file that could not be opened at all leaves the project as it was; any
    // other failure leaves a new one: every view starts again and no undo step may
    // refer to the old tree.
    const bool untouched =
        (result.status == Status::kIoError || result.status == Status::kNotRegularFile) &&
        m_document.Doc().GetPathName() == pathBefore &&
        m_document.Doc().IsModified() == modifiedBefore;
    if (!untouched) m_document.NotifyReset();
    m_services.dialogs.Error(m_window,
                             QStringLiteral("Cannot open %1: %2.").arg(path, Q(result.message)));
    return false;
}

bool DocumentLifeCycle::OpenRecovered(const RecoveryEntry& entry) {
    CFoldcraftDoc& doc = m_document.Doc();
    const ProjectFileResult result = LoadProject(doc, entry.file.toStdString());
    if (!result.Ok()) {
        if (result.status != ProjectFileResult::Status::kIoError &&
            result.status != ProjectFileResult::Status::kNotRegularFile) {
            doc.OnNewDocument();
            m_document.NotifyReset();
        }
        m_services.dialogs.Error(
            m_window,
            QStringLiteral("Cannot recover %1: %2.").arg(entry.info.title, Q(result.message)));
        return false;
    }
    doc.SetPathName(entry.info.neverSaved ? std::string() : entry.info.originalPath.toStdString());
    doc.SetTitle(entry.info.title.toStdString());
    doc.m_bNeverSaved = entry.info.neverSaved ? 1 : 0;
    doc.SetModifiedFlag(true);
    // Nothing was read from the project's own file: Save replaces it as it is now.
    m_versionRead.reset();
    m_versionPath.clear();
    m_document.NotifyReset();
    return true;
}

bool DocumentLifeCycle::FileSave() {
    const CFoldcraftDoc& doc = m_document.Doc();
    if (doc.m_bNeverSaved != 0 || doc.GetPathName().empty()) return FileSaveAs();
    return SaveTo(Q(doc.GetPathName()));
}

bool DocumentLifeCycle::FileSaveAs() {
    const CFoldcraftDoc& doc = m_document.Doc();
    QString proposed = Q(doc.GetTitle());
    if (QFileInfo(proposed).suffix().isEmpty()) proposed += QStringLiteral(".fcd");
    const QString current = Q(doc.GetPathName());
    const QString dir = current.isEmpty() ? QDir::currentPath() : QFileInfo(current).absolutePath();
    QString path =
        m_services.dialogs.SaveFileName(m_window, QStringLiteral("Save As"),
                                        QDir(dir).filePath(proposed), QString::fromLatin1(kFilter));
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".fcd");
    return SaveTo(path);
}

bool DocumentLifeCycle::SaveTo(const QString& path) {
    const std::string file = QFileInfo(path).absoluteFilePath().toStdString();
    const bool wasModified = m_document.Doc().IsModified();
    // Saving over the file that was read: only if nobody has changed it since.
    const bool sameFile = m_versionRead && file == m_versionPath;
    ProjectFileResult result =
        SaveProject(m_document.Doc(), file, sameFile ? &*m_versionRead : nullptr);
    if (result.status == ProjectFileResult::Status::kChangedOnDisk) {
        const QString question = QStringLiteral(
                                     "%1 has been changed by another program since it was opened. "
                                     "Replace it with this project?")
                                     .arg(path);
        if (m_services.dialogs.Message(m_window, question, IUserDialogs::Buttons::kYesNo,
                                       IUserDialogs::Icon::kWarning) != IUserDialogs::Answer::kYes)
            return false;
        result = SaveProject(m_document.Doc(), file);
    }
    if (!result.Ok()) {
        m_services.dialogs.Error(
            m_window, QStringLiteral("Cannot save %1: %2.").arg(path, Q(result.message)));
        return false;
    }
    m_versionRead = result.version;
    m_versionPath = file;
    // The file write cleared the flag by itself; MarkSaved also sets the undo stack's
    // clean state and tells the window, so it must see the flag as it was.
    m_document.Doc().SetModifiedFlag(wasModified);
    m_document.MarkSaved();
    m_document.NotifyTitleChanged();
    m_recent.Add(file);
    return true;
}

}  // namespace foldcraft
