#include "document/MoveItemCommand.h"

#include "model/BuildTreeFolder.h"

namespace foldcraft {

MoveItemCommand::MoveItemCommand(BuildTreeModel& model, const ItemRef& ref, bool up,
                                 const TreeSelection& before, const TreeSelection& after)
    : TreeCommand(model, up ? QStringLiteral("Move Up") : QStringLiteral("Move Down"), before,
                  after),
      m_parent(*ref.parent),
      m_folder(ref.item->IsFolder()) {
    const int row = model.IndexOf(ref).row();
    m_from = m_folder ? row : row - static_cast<int>(m_parent.m_arrFolders.size());
    m_to = up ? m_from - 1 : m_from + 1;
}

void MoveItemCommand::Do() {
    m_model.MoveChild(m_parent, m_folder, m_from, m_to);
}

void MoveItemCommand::Undo() {
    m_model.MoveChild(m_parent, m_folder, m_to, m_from);
}

}  // namespace foldcraft
