#pragma once

#include <QWidget>

namespace foldcraft {
class ProjectDocument;
struct AppServices;

// The view of the Publish tab.
class CPublishView : public QWidget {
    Q_OBJECT
public:
    CPublishView(ProjectDocument& document, AppServices& services, QWidget* parent = nullptr);

private:
    ProjectDocument& m_document;
    AppServices& m_services;
};

}  // namespace foldcraft
