#pragma once

namespace foldcraft {

// The merge identities of every undo command (QUndoCommand::id()), in one place so
// that no two kinds of command share one: the stack offers a new command to merge
// with the one before only when both have the same identity, and the command then
// takes the other for one of its own kind. kNoMerge never merges.
enum class UndoMergeId : int {
    kNoMerge = -1,
    // An edit of a tree item's form field (see ItemFieldsCommand).
    kItemFields = 1,
    // Typing in one of the Design step's text fields (see DesignEditCommand).
    kDesignTitle,
    kDesignFont,
    kDesignComments,
    kDesignBackgroundImage,
    kDesignThumbWidth,
    kDesignThumbHeight,
};

}  // namespace foldcraft
