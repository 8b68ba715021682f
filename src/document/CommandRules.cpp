#include "document/CommandRules.h"

#include <cstddef>

namespace foldcraft {

const std::array<CommandRules::Info, 13>& CommandRules::Commands() {
    static const std::array<Info, 13> kCommands = {{
        {BuildCommand::kAddFolder, "actionAddFolder", "&Folder", "Add Folder", "Add Folder",
         "add-folder"},
        {BuildCommand::kAddFiles, "actionAddFiles", "F&iles", "Add Files", "Add Files to Folder",
         "add-files"},
        {BuildCommand::kAddWebLink, "actionAddWebLink", "&Web Link", "Add Web Link",
         "Add Web Link to Folder", "add-web-link"},
        {BuildCommand::kButtons, "actionButtons", "&Buttons...", "Buttons",
         "Set button settings for current folder", "buttons"},
        {BuildCommand::kHotspots, "actionHotspots", "&Hotspots...", "Hotspots",
         "Set hotspots for current folder", "hotspots"},
        {BuildCommand::kPreview, "actionPreview", "&Preview", "Preview", "Preview folder page",
         "preview"},
        {BuildCommand::kSortAscending, "actionSortAlphabetical", "&Alphabetical",
         "Sort Alphabetical", "Sort tree items in alphabetical order", "sort-ascending"},
        {BuildCommand::kSortDescending, "actionSortReverse", "&Reverse Alphabetical",
         "Reverse Alphabetical", "Sort tree items in reverse alphabetical order",
         "sort-descending"},
        {BuildCommand::kMoveUp, "actionMoveUp", "Move &Up", "Move Up", "Move item up in tree",
         "move-up"},
        {BuildCommand::kMoveDown, "actionMoveDown", "Move &Down", "Move Down",
         "Move item down in tree", "move-down"},
        {BuildCommand::kRemove, "actionRemove", "&Remove", "Remove", "Remove item from tree",
         "remove"},
        {BuildCommand::kRefresh, "actionRefresh", "Re&fresh", "Refresh", "Refresh tree view",
         "refresh"},
        {BuildCommand::kAddFolderFromDisk, "actionAddFolderFromDisk", "Folder from &Disk…",
         "Add Folder from Disk", "Add a folder from disk with everything in it", "add-folder"},
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
        case BuildCommand::kAddFolderFromDisk:
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
