#pragma once

#include <QObject>
#include <QUndoStack>
#include <memory>

#include "model/FoldcraftDoc.h"

namespace foldcraft {
class BuildTreeModel;

// The one project of the run, as the views see it: the model document, its undo
// stack and the signals that keep the views current. The modified flag follows the
// undo stack's clean state: undoing back to the saved state clears it. Edits that
// are not undoable (or happen outside the stack) call MarkModified().
//
// Every change to the project goes through this object: the site tree through its
// tree model (Tree(), which the undo commands call), the design settings through
// SetDesign, never behind a view's back.
class ProjectDocument : public QObject {
    Q_OBJECT
public:
    explicit ProjectDocument(QObject* parent = nullptr);
    ~ProjectDocument() override;

    CFoldcraftDoc& Doc() { return m_doc; }
    const CFoldcraftDoc& Doc() const { return m_doc; }
    QUndoStack& UndoStack() { return m_undo; }
    // The site tree as an item model, for every view that shows it.
    BuildTreeModel& Tree() { return *m_tree; }
    // The design settings (the document's own: they change with it).
    const CDesignSettings& Design() const { return m_doc; }
    // Writes every design setting and tells the views (designChanged). Does not mark
    // the project modified: the undo step that calls it does.
    void SetDesign(const CDesignSettings& design);
    // Where the site is published: the path marks the project modified; the method
    // (CFoldcraftDoc::kPublishLocal or kPublishFtp) is remembered with it but is no
    // edit of its own.
    void SetPublishPath(const std::string& path);
    void SetPublishMethod(std::int32_t method) { m_doc.m_nPublishMethod = method; }

    // Sets the modified flag (and tells the window). The flag stays set until a save
    // or a New/Open, or until the undo stack returns to its clean state.
    void MarkModified();
    // After a save: the flag is cleared and the current undo state becomes the clean one.
    void MarkSaved();
    // After New or Open replaced the contents: the undo history is dropped, the flag
    // follows the document and every view runs its initial update (documentReset).
    void NotifyReset();
    // After the document's title or path changed (caption of the window).
    void NotifyTitleChanged() { emit titleChanged(); }

signals:
    void documentReset();
    void modifiedChanged(bool modified);
    // Any change of the project: an undo step done, undone or redone, or MarkModified.
    void edited();
    void titleChanged();
    // The design settings changed (SetDesign).
    void designChanged();

private:
    CFoldcraftDoc m_doc;
    QUndoStack m_undo;
    std::unique_ptr<BuildTreeModel> m_tree;  // made once m_doc has its root
};

}  // namespace foldcraft
