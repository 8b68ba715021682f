#pragma once

#include <QPersistentModelIndex>
#include <QStringList>
#include <QTreeView>

class QMenu;

namespace foldcraft {

// The tree control of the Build step: a plain QTreeView that keeps the right
// button from moving the selection, lets a context menu request through only when
// an item is selected and it comes from the pointer inside the pane or from the
// keyboard (the Menu key, Shift+F10: the menu then shows at the current item), then
// shows the menu given or passes the request on to its parent widget, and reports
// the Delete and F2 keys, double-clicks and dropped files instead of acting on them.
class SiteTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit SiteTreeView(QWidget* parent = nullptr);

    void SetContextMenu(QMenu* menu) { m_menu = menu; }
    // The item highlighted as the target of a drag (invalid when none).
    QModelIndex DropTarget() const { return m_dropTarget; }

signals:
    void deletePressed();
    void renamePressed();
    void itemDoubleClicked(const QModelIndex& index);
    void filesDropped(const QStringList& paths, const QModelIndex& target);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

private:
    void SetDropTarget(const QModelIndex& index);

    QMenu* m_menu = nullptr;
    QPersistentModelIndex m_dropTarget;
};

// The local file paths of a drag, in the order given; empty when it carries none.
QStringList LocalFilePaths(const QMimeData* data);

}  // namespace foldcraft
