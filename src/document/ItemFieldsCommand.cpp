#include "document/ItemFieldsCommand.h"

#include "model/BuildTreeDoc.h"

namespace foldcraft {

ItemFieldsCommand::ItemFieldsCommand(BuildTreeModel& model, const QString& text, const ItemRef& ref,
                                     const ItemFields& before, const ItemFields& after, int field,
                                     int session, const TreeSelection& selection)
    : TreeCommand(model, text, selection, selection),
      m_ref(ref),
      m_before(before),
      m_after(after),
      m_field(field),
      m_session(session) {}

bool ItemFieldsCommand::mergeWith(const QUndoCommand* other) {
    // Only a command of this kind has this identity (see UndoMergeIds.h).
    const auto* edit = static_cast<const ItemFieldsCommand*>(other);
    if (m_session == 0 || edit->m_session != m_session || edit->m_field != m_field ||
        edit->m_ref != m_ref)
        return false;
    m_after = edit->m_after;
    setObsolete(m_after == m_before);
    return true;
}

void ItemFieldsCommand::Do() {
    m_model.ChangeFields(m_ref, [this] { m_after.Apply(*m_ref.item); });
}

void ItemFieldsCommand::Undo() {
    m_model.ChangeFields(m_ref, [this] { m_before.Apply(*m_ref.item); });
}

}  // namespace foldcraft
