#include "document/CommandRules.h"

#include <cstddef>

namespace foldcraft {

const std::array<CommandRules::Info, 12>& CommandRules::Commands() {
    static const std::array<Info, 12> kCommands = {{
        {BuildCommand::kAddFolder, "Folder", "Add Folder", "add-folder"},
        {BuildCommand::kAddFiles, "Files", "Add Files to Folder", "add-files"},
        {BuildCommand::kAddWebLink, "Web Link", "Add Web Link to Folder", "add-web-link"},
        {BuildCommand::kButtons, "Buttons...", "Set button settings for current folder", "buttons"},
        {BuildCommand::kHotspots, "Hotspots...", "Set hotspots for current folder", "hotspots"},
        {BuildCommand::kPreview, "Preview", "Preview folder page", "preview"},
        {BuildCommand::kSortAscending, "Alphabetical", "Sort tree items in alphabetical order",
         "sort-ascending"},
        {BuildCommand::kSortDescending, "Reverse Alphabetical",
         "Sort tree items in reverse alphabetical order", "sort-descending"},
        {BuildCommand::kMoveUp, "Move Up", "Move item up in tree", "move-up"},
        {BuildCommand::kMoveDown, "Move Down", "Move item down in tree", "move-down"},
        {BuildCommand::kRemove, "Remove", "Remove item from tree", "remove"},
        {BuildCommand::kRefresh, "Refresh", "Refresh tree view", "refresh"},
    }};
    return kCommands;
}

const CommandRules::Info& CommandRules::InfoOf(BuildCommand command) {
    return Commands()[static_cast<std::size_t>(command)];
}

bool CommandRules::IsEnabled(BuildCommand command, StepTab tab, const BuildSelection& selection) {
    if (tab != StepTab::kBuild) return false;
    switch (command) {
        case BuildCommand::kAddFolder:
        case BuildCommand::kAddFiles:
        case BuildCommand::kAddWebLink:
        case BuildCommand::kButtons:
        case BuildCommand::kHotspots:
        case BuildCommand::kPreview:
            return selection.any && selection.folder;
        case BuildCommand::kSortAscending:
        case BuildCommand::kSortDescending:
        case BuildCommand::kRefresh:
            return true;
        case BuildCommand::kMoveUp:
            return selection.any && selection.previousSameKind;
        case BuildCommand::kMoveDown:
            return selection.any && selection.nextSameKind;
        case BuildCommand::kRemove:
            return selection.any && !selection.root;
    }
    return false;
}

bool CommandRules::IsNewEnabled(const BuildSelection& selection) {
    return selection.treeItemCount >= 2;
}

}  // namespace foldcraft
