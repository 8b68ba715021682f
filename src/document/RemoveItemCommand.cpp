#include "document/RemoveItemCommand.h"

#include "model/BuildTreeFolder.h"

namespace foldcraft {

RemoveItemCommand::RemoveItemCommand(BuildTreeModel& model, const ItemRef& ref,
                                     const TreeSelection& before, const TreeSelection& after)
    : TreeCommand(model, QStringLiteral("Remove"), before, after),
      m_parent(*ref.parent),
      m_folder(ref.item->IsFolder()) {
    const int row = model.IndexOf(ref).row();
    m_position = m_folder ? row : row - static_cast<int>(m_parent.m_arrFolders.size());
}

RemoveItemCommand::~RemoveItemCommand() = default;

void RemoveItemCommand::Do() {
    if (m_folder)
        m_removedFolder = std::move(m_model.TakeFolders(m_parent, m_position, 1).front());
    else
        m_removedDoc = std::move(m_model.TakeDocs(m_parent, m_position, 1).front());
}

void RemoveItemCommand::Undo() {
    if (m_folder) {
        std::vector<std::unique_ptr<CBuildTreeFolder>> folders;
        folders.push_back(std::move(m_removedFolder));
        m_model.InsertFolders(m_parent, m_position, std::move(folders));
    } else {
        std::vector<std::unique_ptr<CBuildTreeDoc>> docs;
        docs.push_back(std::move(m_removedDoc));
        m_model.InsertDocs(m_parent, m_position, std::move(docs));
    }
}

}  // namespace foldcraft
