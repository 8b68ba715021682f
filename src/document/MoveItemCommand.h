#pragma once

#include "document/TreeCommand.h"

namespace foldcraft {

// Moves one item up or down by one place within its folder's list.
class MoveItemCommand : public TreeCommand {
public:
    // ref must be in the tree and have a neighbour of its own kind on that side.
    MoveItemCommand(BuildTreeModel& model, const ItemRef& ref, bool up, const TreeSelection& before,
                    const TreeSelection& after);

private:
    void Do() override;
    void Undo() override;

    CBuildTreeFolder& m_parent;
    bool m_folder = false;
    int m_from = 0;
    int m_to = 0;
};

}  // namespace foldcraft
