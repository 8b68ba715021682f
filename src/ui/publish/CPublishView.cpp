#include "ui/publish/CPublishView.h"

#include "app/AppServices.h"
#include "app/ProjectDocument.h"

namespace foldcraft {

CPublishView::CPublishView(ProjectDocument& document, AppServices& services, QWidget* parent)
    : QWidget(parent), m_document(document), m_services(services) {}

}  // namespace foldcraft
