#pragma once

#include <QStringList>
#include <QWidget>

#include "document/BuildTreeModel.h"

class QMenu;

namespace foldcraft {
class ProjectDocument;
class SiteTreeView;
struct AppServices;

// The site tree pane of the Build tab (left column of the splitter): the project's
// tree, always fully expanded, with the selection the last rebuild chose. A
// double-click on a document or link opens it; other requests (Delete, F2, drops)
// are reported for the Build form to carry out.
class CBuildTreeView : public QWidget {
    Q_OBJECT
public:
    CBuildTreeView(ProjectDocument& document, AppServices& services, QWidget* parent = nullptr);

    // The Build menu, shown as the tree's context menu. Not owned; may be null: the
    // requests that pass the tree's rules then reach this widget's
    // customContextMenuRequested (with Qt::CustomContextMenu set on it).
    void SetContextMenu(QMenu* menu);

    BuildTreeModel& Model() { return m_model; }
    SiteTreeView& Tree() { return *m_tree; }
    // The selected item (empty when none).
    ItemRef Selected() const;
    // Selects the item (the root when it is empty or not in the tree).
    void Select(const ItemRef& ref);

signals:
    void selectionChanged();
    void removeRequested();
    void renameRequested();
    void filesDropped(const QStringList& paths, foldcraft::ItemRef target);

private:
    void Rebuild(const ItemRef& select);
    void ExpandInserted(const QModelIndex& parent, int first, int last);
    void OpenItem(const QModelIndex& index);

    ProjectDocument& m_document;
    AppServices& m_services;
    BuildTreeModel& m_model;
    SiteTreeView* m_tree;
};

}  // namespace foldcraft
