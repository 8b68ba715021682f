#include "document/AddItemsCommand.h"

#include "model/BuildTreeFolder.h"

namespace foldcraft {

AddItemsCommand::AddItemsCommand(BuildTreeModel& model, const QString& text,
                                 CBuildTreeFolder& parent,
                                 std::vector<std::unique_ptr<CBuildTreeFolder>> folders,
                                 std::vector<std::unique_ptr<CBuildTreeDoc>> docs,
                                 const TreeSelection& before, const TreeSelection& after)
    : TreeCommand(model, text, before, after),
      m_parent(parent),
      m_folders(std::move(folders)),
      m_docs(std::move(docs)),
      m_folderCount(static_cast<int>(m_folders.size())),
      m_docCount(static_cast<int>(m_docs.size())) {}

AddItemsCommand::~AddItemsCommand() = default;

void AddItemsCommand::Do() {
    // New items go after the existing ones; a redo puts them back where they were.
    if (m_folderPosition < 0) {
        m_folderPosition = static_cast<int>(m_parent.m_arrFolders.size());
        m_docPosition = static_cast<int>(m_parent.m_arrDocs.size());
    }
    m_model.InsertFolders(m_parent, m_folderPosition, std::move(m_folders));
    m_model.InsertDocs(m_parent, m_docPosition, std::move(m_docs));
    m_folders.clear();
    m_docs.clear();
}

void AddItemsCommand::Undo() {
    m_docs = m_model.TakeDocs(m_parent, m_docPosition, m_docCount);
    m_folders = m_model.TakeFolders(m_parent, m_folderPosition, m_folderCount);
}

}  // namespace foldcraft
