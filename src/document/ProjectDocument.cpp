#include "document/ProjectDocument.h"

#include "document/BuildTreeModel.h"

namespace foldcraft {

ProjectDocument::ProjectDocument(QObject* parent) : QObject(parent) {
    m_doc.OnNewDocument();
    m_tree = std::make_unique<BuildTreeModel>(m_doc);
    connect(this, &ProjectDocument::documentReset, m_tree.get(),
            &BuildTreeModel::ResetFromDocument);
    connect(&m_undo, &QUndoStack::cleanChanged, this, [this](bool clean) {
        if (m_doc.IsModified() == !clean) return;
        m_doc.SetModifiedFlag(!clean);
        emit modifiedChanged(!clean);
    });
    connect(&m_undo, &QUndoStack::indexChanged, this, &ProjectDocument::edited);
}

ProjectDocument::~ProjectDocument() = default;

void ProjectDocument::SetDesign(const CDesignSettings& design) {
    static_cast<CDesignSettings&>(m_doc) = design;
    emit designChanged();
}

void ProjectDocument::SetPublishPath(const std::string& path) {
    MarkModified();
    m_doc.m_strPublishPath = path;
}

void ProjectDocument::MarkModified() {
    const bool was = m_doc.IsModified();
    m_doc.SetModifiedFlag(true);
    if (!was) emit modifiedChanged(true);
    emit edited();
}

void ProjectDocument::MarkSaved() {
    const bool was = m_doc.IsModified();
    m_doc.SetModifiedFlag(false);
    m_undo.setClean();
    if (was) emit modifiedChanged(false);
}

void ProjectDocument::NotifyReset() {
    // Clearing the stack makes it clean, which would clear the flag: the document's
    // own flag stands.
    const bool modified = m_doc.IsModified();
    m_undo.clear();
    m_doc.SetModifiedFlag(modified);
    emit documentReset();
    emit modifiedChanged(m_doc.IsModified());
    emit titleChanged();
}

}  // namespace foldcraft
