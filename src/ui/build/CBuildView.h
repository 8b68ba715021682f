#pragma once

#include <QWidget>

#include "ui/build/BuildCommand.h"

namespace foldcraft {
class ProjectDocument;
class CBuildTreeView;
struct AppServices;

// The item property form of the Build tab (right column of the splitter). The main
// window forwards the Build commands here and asks it for the selection.
class CBuildView : public QWidget {
    Q_OBJECT
public:
    CBuildView(ProjectDocument& document, AppServices& services, CBuildTreeView& tree,
               QWidget* parent = nullptr);

    // Carries out one Build command on the tree's selection.
    void Run(BuildCommand command);
    // The selection as the enable rules see it.
    BuildSelection Selection() const;

signals:
    // The selection or the tree changed: the window re-reads the enable rules.
    void selectionChanged();

private:
    ProjectDocument& m_document;
    AppServices& m_services;
    CBuildTreeView& m_tree;
};

}  // namespace foldcraft
