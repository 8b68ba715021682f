#pragma once

#include <memory>
#include <vector>

#include "document/TreeCommand.h"

namespace foldcraft {

// Appends new sub-folders and documents to one folder (Add Folder, Add Files, Add
// Web Link, a drop of files): one step however many items. The command owns the
// items while they are not in the tree.
class AddItemsCommand : public TreeCommand {
public:
    AddItemsCommand(BuildTreeModel& model, const QString& text, CBuildTreeFolder& parent,
                    std::vector<std::unique_ptr<CBuildTreeFolder>> folders,
                    std::vector<std::unique_ptr<CBuildTreeDoc>> docs, const TreeSelection& before,
                    const TreeSelection& after);
    ~AddItemsCommand() override;

private:
    void Do() override;
    void Undo() override;

    CBuildTreeFolder& m_parent;
    std::vector<std::unique_ptr<CBuildTreeFolder>> m_folders;
    std::vector<std::unique_ptr<CBuildTreeDoc>> m_docs;
    int m_folderCount = 0;
    int m_docCount = 0;
    int m_folderPosition = -1;
    int m_docPosition = -1;
};

}  // namespace foldcraft
