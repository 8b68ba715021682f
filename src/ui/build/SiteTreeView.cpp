#include "ui/build/SiteTreeView.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>

namespace foldcraft {

QStringList LocalFilePaths(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    return paths;
}

SiteTreeView::SiteTreeView(QWidget* parent) : QTreeView(parent) {
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // One column: items, not rows, so that an assistive tool's selection of a tree
    // item selects that item (row numbers of a tree are per parent).
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setRootIsDecorated(true);
    setItemsExpandable(true);
    setAnimated(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setAccessibleName(QStringLiteral("Site tree"));
}

void SiteTreeView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

void SiteTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && event->button() == Qt::LeftButton) emit itemDoubleClicked(index);
    QTreeView::mouseDoubleClickEvent(event);
}

void SiteTreeView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        emit deletePressed();
        return;
    }
    if (event->key() == Qt::Key_F2 && event->modifiers() == Qt::NoModifier) {
        emit renamePressed();
        return;
    }
    // The Menu key (where the platform has not made it a context menu request) and
    // Shift+F10 ask for the context menu as the keyboard does.
    if ((event->key() == Qt::Key_Menu && event->modifiers() == Qt::NoModifier) ||
        (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(), QPoint());
        contextMenuEvent(&request);
        return;
    }
    QTreeView::keyPressEvent(event);
}

void SiteTreeView::contextMenuEvent(QContextMenuEvent* event) {
    // A pointer request inside the pane, or a keyboard one, with an item selected shows
    // the menu; the keyboard's at the current item.
    event->accept();
    const QModelIndex current = currentIndex();
    const bool keyboard = event->reason() == QContextMenuEvent::Keyboard;
    const bool pointerInside =
        event->reason() == QContextMenuEvent::Mouse && viewport()->rect().contains(event->pos());
    if (!current.isValid() || !(keyboard || pointerInside)) return;
    QPoint global = event->globalPos();
    if (keyboard) {
        scrollTo(current);
        const QRect item = visualRect(current).intersected(viewport()->rect());
        global = viewport()->mapToGlobal(QPoint(item.left(), item.bottom()));
    }
    if (m_menu)
        m_menu->popup(global);
    else
        event->ignore();  // the pane's owner shows its menu (customContextMenuRequested)
}

void SiteTreeView::dragEnterEvent(QDragEnterEvent* event) {
    if (LocalFilePaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    SetDropTarget(indexAt(event->position().toPoint()));
}

void SiteTreeView::dragMoveEvent(QDragMoveEvent* event) {
    if (LocalFilePaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    SetDropTarget(indexAt(event->position().toPoint()));
}

void SiteTreeView::dragLeaveEvent(QDragLeaveEvent* event) {
    SetDropTarget({});
    event->accept();
}

void SiteTreeView::dropEvent(QDropEvent* event) {
    const QStringList paths = LocalFilePaths(event->mimeData());
    const QModelIndex target = indexAt(event->position().toPoint());
    SetDropTarget({});
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit filesDropped(paths, target);
}

void SiteTreeView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
    if (index.isValid() && index == m_dropTarget) {
        QColor color = palette().color(QPalette::Highlight);
        color.setAlpha(90);
        painter->fillRect(option.rect, color);
    }
    QTreeView::drawRow(painter, option, index);
}

void SiteTreeView::SetDropTarget(const QModelIndex& index) {
    if (index == m_dropTarget) return;
    m_dropTarget = index;
    viewport()->update();
}

}  // namespace foldcraft
