#pragma once

#include <QWidget>

namespace foldcraft {
class ProjectDocument;
struct AppServices;

// The site tree pane of the Build tab (left column of the splitter).
class CBuildTreeView : public QWidget {
    Q_OBJECT
public:
    CBuildTreeView(ProjectDocument& document, AppServices& services, QWidget* parent = nullptr);

private:
    ProjectDocument& m_document;
    AppServices& m_services;
};

}  // namespace foldcraft
