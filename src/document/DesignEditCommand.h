#pragma once

#include <QUndoCommand>
#include <functional>

#include "document/UndoMergeIds.h"
#include "model/DesignSettings.h"

namespace foldcraft {
class ProjectDocument;

// One undoable change of the design settings: it holds the settings from before and
// after, and writes them through the document. Consecutive changes with the same
// merge identity (typing in one text field) merge into one step; a merge that ends
// where it began drops the step.
class DesignEditCommand : public QUndoCommand {
public:
    DesignEditCommand(ProjectDocument& document, const CDesignSettings& before,
                      const CDesignSettings& after, UndoMergeId merge);

    // Changes the document's design settings by change and pushes the step onto the
    // document's undo stack (which marks the project modified). Nothing happens
    // when change leaves the settings as they were. merge: UndoMergeId::kNoMerge
    // for clicks and choices, a text field's own identity for typing.
    static void Edit(ProjectDocument& document, UndoMergeId merge,
                     const std::function<void(CDesignSettings&)>& change);
    // A page's Set Defaults (reset: CDesignSettings::ResetGeneral, ...) as one
    // undoable step; the project is marked modified even when nothing changed.
    static void SetDefaults(ProjectDocument& document, void (CDesignSettings::*reset)());

    void undo() override;
    void redo() override;
    int id() const override { return static_cast<int>(m_merge); }
    bool mergeWith(const QUndoCommand* other) override;

private:
    ProjectDocument& m_document;
    CDesignSettings m_before;
    CDesignSettings m_after;
    UndoMergeId m_merge;
};

}  // namespace foldcraft
