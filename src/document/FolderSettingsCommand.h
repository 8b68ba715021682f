#pragma once

#include "document/TreeCommand.h"
#include "model/BuildTreeFolder.h"

namespace foldcraft {

// Replaces a folder's settings of one kind (button styles, hotspots) by the result
// of a dialog, as one step. Settings is a value type; Apply writes it to a folder.
template <typename Settings, void (*Apply)(CBuildTreeFolder&, const Settings&)>
class FolderSettingsCommand : public TreeCommand {
public:
    FolderSettingsCommand(BuildTreeModel& model, const QString& text, const ItemRef& ref,
                          Settings before, Settings after, const TreeSelection& selectionBefore,
                          const TreeSelection& selectionAfter)
        : TreeCommand(model, text, selectionBefore, selectionAfter),
          m_ref(ref),
          m_before(std::move(before)),
          m_after(std::move(after)) {}

private:
    void Do() override { Write(m_after); }
    void Undo() override { Write(m_before); }
    void Write(const Settings& settings) {
        m_model.ChangeFields(m_ref,
                             [&] { Apply(static_cast<CBuildTreeFolder&>(*m_ref.item), settings); });
    }

    ItemRef m_ref;
    Settings m_before;
    Settings m_after;
};

}  // namespace foldcraft
