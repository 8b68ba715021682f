#pragma once

#include <QUndoCommand>

#include "document/BuildTreeModel.h"

namespace foldcraft {

// The tree's selection around a command: what the next rebuild selects (pending)
// and what was shown selected.
struct TreeSelection {
    ItemRef pending;
    ItemRef selected;
};

// Base of the Build step's undoable commands: each changes the tree through the
// model and, after doing or undoing, asks for a rebuild that restores the selection
// of that moment.
class TreeCommand : public QUndoCommand {
public:
    TreeCommand(BuildTreeModel& model, const QString& text, const TreeSelection& before,
                const TreeSelection& after)
        : QUndoCommand(text), m_model(model), m_before(before), m_after(after) {}

    void redo() final;
    void undo() final;

protected:
    virtual void Do() = 0;
    virtual void Undo() = 0;

    BuildTreeModel& m_model;

private:
    TreeSelection m_before;
    TreeSelection m_after;
};

}  // namespace foldcraft
