#include "document/TreeCommand.h"

namespace foldcraft {

void TreeCommand::redo() {
    Do();
    m_model.SetPending(m_after.pending);
    m_model.RequestRebuild(m_after.selected);
}

void TreeCommand::undo() {
    Undo();
    m_model.SetPending(m_before.pending);
    m_model.RequestRebuild(m_before.selected);
}

}  // namespace foldcraft
