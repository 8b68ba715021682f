#pragma once

#include <QWidget>

namespace foldcraft {
class ProjectDocument;
struct AppServices;

// The view of the Design tab.
class CDesignView : public QWidget {
    Q_OBJECT
public:
    CDesignView(ProjectDocument& document, AppServices& services, QWidget* parent = nullptr);

private:
    ProjectDocument& m_document;
    AppServices& m_services;
};

}  // namespace foldcraft
