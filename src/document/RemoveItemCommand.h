#pragma once

#include <memory>

#include "document/TreeCommand.h"

namespace foldcraft {

// Takes one item (with everything below it) out of its folder. The command owns the
// removed subtree until it is undone or the command is dropped; undo puts it back
// at its old position.
class RemoveItemCommand : public TreeCommand {
public:
    // ref must be in the tree and not the root.
    RemoveItemCommand(BuildTreeModel& model, const ItemRef& ref, const TreeSelection& before,
                      const TreeSelection& after);
    ~RemoveItemCommand() override;

private:
    void Do() override;
    void Undo() override;

    CBuildTreeFolder& m_parent;
    bool m_folder = false;
    int m_position = 0;
    std::unique_ptr<CBuildTreeFolder> m_removedFolder;
    std::unique_ptr<CBuildTreeDoc> m_removedDoc;
};

}  // namespace foldcraft
