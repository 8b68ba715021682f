#pragma once

#include <QUndoCommand>
#include <functional>

#include "document/DesignSettings.h"

class CFoldcraftDoc;

namespace foldcraft {
class ProjectDocument;

// One undoable change of the design settings: it holds the settings from before and
// after. Consecutive changes of the same text field merge into one step (typing a
// title is one undo step); a merge that ends where it began drops the step.
class DesignEditCommand : public QUndoCommand {
public:
    // Merge identities: one per text field; kNoMerge for clicks and choices.
    enum Field {
        kNoMerge = -1,
        kTitle = 0x4400,
        kFont,
        kComments,
        kBackgroundImage,
        kThumbWidth,
        kThumbHeight
    };

    DesignEditCommand(ProjectDocument& document, const DesignSettings& before,
                      const DesignSettings& after, Field field);

    // Changes the document's design settings by change and pushes the step onto the
    // document's undo stack (which marks the project modified). Nothing happens
    // when change leaves the settings as they were.
    static void Edit(ProjectDocument& document, Field field,
                     const std::function<void(DesignSettings&)>& change);
    // Runs one of the document's defaults operations as an undoable step.
    static void SetDefaults(ProjectDocument& document, void (CFoldcraftDoc::*defaults)());

    void undo() override;
    void redo() override;
    int id() const override { return m_field; }
    bool mergeWith(const QUndoCommand* other) override;

private:
    ProjectDocument& m_document;
    DesignSettings m_before;
    DesignSettings m_after;
    Field m_field;
};

}  // namespace foldcraft
