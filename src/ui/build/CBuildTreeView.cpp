#include "ui/build/CBuildTreeView.h"

#include "app/AppServices.h"
#include "app/ProjectDocument.h"

namespace foldcraft {

CBuildTreeView::CBuildTreeView(ProjectDocument& document, AppServices& services, QWidget* parent)
    : QWidget(parent), m_document(document), m_services(services) {}

}  // namespace foldcraft
