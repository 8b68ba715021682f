#pragma once

namespace foldcraft {

// The Build commands of the main window's menu, toolbar and the tree's context menu.
enum class BuildCommand {
    kAddFolder,
    kAddFiles,
    kAddWebLink,
    kButtons,
    kHotspots,
    kPreview,
    kSortAscending,
    kSortDescending,
    kMoveUp,
    kMoveDown,
    kRemove,
    kRefresh,
    kAddFolderFromDisk,
};

// What the enable rules need to know of the tree's selection.
struct BuildSelection {
    bool any = false;               // an item is selected
    bool folder = false;            // it is a folder
    bool root = false;              // it is the root
    bool previousSameKind = false;  // it has a previous sibling of the same kind
    bool nextSameKind = false;      // it has a next sibling of the same kind
    int treeItemCount = 1;          // items the tree shows, the root included
};

}  // namespace foldcraft
