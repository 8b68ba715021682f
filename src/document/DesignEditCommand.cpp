#include "document/DesignEditCommand.h"

#include "document/ProjectDocument.h"

namespace foldcraft {

DesignEditCommand::DesignEditCommand(ProjectDocument& document, const CDesignSettings& before,
                                     const CDesignSettings& after, UndoMergeId merge)
    : QUndoCommand(QStringLiteral("Change Design")),
      m_document(document),
      m_before(before),
      m_after(after),
      m_merge(merge) {}

void DesignEditCommand::Edit(ProjectDocument& document, UndoMergeId merge,
                             const std::function<void(CDesignSettings&)>& change) {
    const CDesignSettings before = document.Design();
    CDesignSettings after = before;
    change(after);
    if (after == before) return;
    // The push leaves the stack away from its clean state: the project is modified
    // (unless typing merged back to the saved text).
    document.UndoStack().push(new DesignEditCommand(document, before, after, merge));
}

void DesignEditCommand::SetDefaults(ProjectDocument& document, void (CDesignSettings::*reset)()) {
    const CDesignSettings before = document.Design();
    CDesignSettings after = before;
    (after.*reset)();
    if (after != before)
        document.UndoStack().push(
            new DesignEditCommand(document, before, after, UndoMergeId::kNoMerge));
    document.MarkModified();  // the operation marks the project modified in any case
}

void DesignEditCommand::undo() {
    m_document.SetDesign(m_before);
}

void DesignEditCommand::redo() {
    m_document.SetDesign(m_after);
}

bool DesignEditCommand::mergeWith(const QUndoCommand* other) {
    // Only a command of this kind has this identity (see UndoMergeIds.h).
    const auto* next = static_cast<const DesignEditCommand*>(other);
    if (m_merge == UndoMergeId::kNoMerge || next->m_merge != m_merge) return false;
    m_after = next->m_after;
    setObsolete(m_after == m_before);
    return true;
}

}  // namespace foldcraft
