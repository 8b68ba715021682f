#pragma once

#include <vector>

#include "document/TreeCommand.h"

class CBuildTreeDoc;

namespace foldcraft {

// Sorts a folder and every folder below it by name, as one step; undo puts every
// list of the subtree back in its old order.
class SortTreeCommand : public TreeCommand {
public:
    SortTreeCommand(BuildTreeModel& model, CBuildTreeFolder& folder, bool ascending,
                    const TreeSelection& before, const TreeSelection& after);
    ~SortTreeCommand() override;

private:
    struct Order {
        CBuildTreeFolder* folder;
        std::vector<CBuildTreeFolder*> folders;
        std::vector<CBuildTreeDoc*> docs;
    };
    void Do() override;
    void Undo() override;

    CBuildTreeFolder& m_folder;
    bool m_ascending = true;
    std::vector<Order> m_orderBefore;  // taken at the first sort
};

}  // namespace foldcraft
