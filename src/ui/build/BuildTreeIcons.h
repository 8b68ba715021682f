#pragma once

#include <QIcon>

#include "document/BuildTreeModel.h"

namespace foldcraft {

// The picture of one kind of tree item (16 x 16 in the tree). The pictures are made
// once and shared.
QIcon TreeIconImage(TreeIcon kind);

}  // namespace foldcraft
