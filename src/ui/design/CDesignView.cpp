#include "ui/design/CDesignView.h"

#include "app/AppServices.h"
#include "app/ProjectDocument.h"

namespace foldcraft {

CDesignView::CDesignView(ProjectDocument& document, AppServices& services, QWidget* parent)
    : QWidget(parent), m_document(document), m_services(services) {}

}  // namespace foldcraft
