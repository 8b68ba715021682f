#include "ui/build/CBuildView.h"

#include "app/AppServices.h"
#include "app/ProjectDocument.h"
#include "ui/build/CBuildTreeView.h"

namespace foldcraft {

CBuildView::CBuildView(ProjectDocument& document, AppServices& services, CBuildTreeView& tree,
                       QWidget* parent)
    : QWidget(parent), m_document(document), m_services(services), m_tree(tree) {}

void CBuildView::Run(BuildCommand) {}

BuildSelection CBuildView::Selection() const { return {}; }

}  // namespace foldcraft
