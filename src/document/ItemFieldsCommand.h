#pragma once

#include "document/ItemFields.h"
#include "document/TreeCommand.h"
#include "document/UndoMergeIds.h"

namespace foldcraft {

// An edit of one item's form fields (a name, a date, a switch, the label), as the
// fields before and after. Edits of one field of one item within one editing
// session (typing until the focus leaves) merge into one step; session 0 never merges.
class ItemFieldsCommand : public TreeCommand {
public:
    ItemFieldsCommand(BuildTreeModel& model, const QString& text, const ItemRef& ref,
                      const ItemFields& before, const ItemFields& after, int field, int session,
                      const TreeSelection& selection);

    int id() const override { return static_cast<int>(UndoMergeId::kItemFields); }
    bool mergeWith(const QUndoCommand* other) override;

private:
    void Do() override;
    void Undo() override;

    ItemRef m_ref;
    ItemFields m_before;
    ItemFields m_after;
    int m_field = 0;
    int m_session = 0;
};

}  // namespace foldcraft
