#include "document/DesignEditCommand.h"

#include "document/ProjectDocument.h"

namespace foldcraft {

DesignEditCommand::DesignEditCommand(ProjectDocument& document, const DesignSettings& before,
                                     const DesignSettings& after, Field field)
    : QUndoCommand(QStringLiteral("Change Design")),
      m_document(document),
      m_before(before),
      m_after(after),
      m_field(field) {}

void DesignEditCommand::Edit(ProjectDocument& document, Field field,
                             const std::function<void(DesignSettings&)>& change) {
    const DesignSettings before = DesignSettings::Read(document.Doc());
    DesignSettings after = before;
    change(after);
    if (after == before) return;
    // The push leaves the stack away from its clean state: the project is modified
    // (unless typing merged back to the saved text).
    document.UndoStack().push(new DesignEditCommand(document, before, after, field));
}

void DesignEditCommand::SetDefaults(ProjectDocument& document, void (CFoldcraftDoc::*defaults)()) {
    // The defaults operation runs on a scratch document, so that the change reaches
    // the project as one undoable step.
    const DesignSettings before = DesignSettings::Read(document.Doc());
    CFoldcraftDoc scratch;
    before.Apply(scratch);
    (scratch.*defaults)();
    const DesignSettings after = DesignSettings::Read(scratch);
    if (after == before) {
        document.MarkModified();  // the operation marks the project modified in any case
        return;
    }
    document.UndoStack().push(new DesignEditCommand(document, before, after, kNoMerge));
    document.MarkModified();
}

void DesignEditCommand::undo() {
    m_before.Apply(m_document.Doc());
    emit m_document.designChanged();
}

void DesignEditCommand::redo() {
    m_after.Apply(m_document.Doc());
    emit m_document.designChanged();
}

bool DesignEditCommand::mergeWith(const QUndoCommand* other) {
    const auto* next = static_cast<const DesignEditCommand*>(other);
    if (m_field == kNoMerge || next->m_field != m_field) return false;
    m_after = next->m_after;
    setObsolete(m_after == m_before);
    return true;
}

}  // namespace foldcraft
