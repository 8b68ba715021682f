#include "ui/build/CBuildTreeView.h"

#include <QUrl>
#include <QVBoxLayout>

#include "document/ProjectDocument.h"
#include "generator/SitePaths.h"
#include "model/BuildTreeDoc.h"
#include "ui/build/BuildTreeIcons.h"
#include "ui/build/SiteTreeView.h"
#include "ui/common/AppServices.h"
#include "ui/common/DesktopOpener.h"

namespace foldcraft {

CBuildTreeView::CBuildTreeView(ProjectDocument& document, AppServices& services, QWidget* parent)
    : QWidget(parent),
      m_document(document),
      m_services(services),
      m_model(document.Tree()),
      m_tree(new SiteTreeView(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);
    m_model.SetIconImages(&TreeIconImage);
    m_tree->setModel(&m_model);
    setFocusProxy(m_tree);

    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &CBuildTreeView::selectionChanged);
    // A selection made without moving the current item (assistive tools select
    // rows that way) moves it too: the current item is the selected one.
    connect(m_tree->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QModelIndexList rows = m_tree->selectionModel()->selectedRows();
        if (rows.size() == 1 && rows.front() != m_tree->currentIndex())
            m_tree->selectionModel()->setCurrentIndex(rows.front(), QItemSelectionModel::NoUpdate);
    });
    connect(&m_model, &BuildTreeModel::rebuildRequested, this, &CBuildTreeView::Rebuild);
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, &CBuildTreeView::ExpandInserted);
    connect(&m_model, &QAbstractItemModel::modelReset, m_tree, &QTreeView::expandAll);
    connect(&document, &ProjectDocument::designChanged, m_tree->viewport(),
            qOverload<>(&QWidget::update));
    connect(m_tree, &SiteTreeView::deletePressed, this, &CBuildTreeView::removeRequested);
    connect(m_tree, &SiteTreeView::renamePressed, this, &CBuildTreeView::renameRequested);
    connect(m_tree, &SiteTreeView::itemDoubleClicked, this, &CBuildTreeView::OpenItem);
    connect(m_tree, &SiteTreeView::filesDropped, this,
            [this](const QStringList& paths, const QModelIndex& target) {
                emit filesDropped(paths, m_model.ItemAt(target));
            });
    m_tree->expandAll();
    Select({});
}

void CBuildTreeView::SetContextMenu(QMenu* menu) {
    m_tree->SetContextMenu(menu);
}

ItemRef CBuildTreeView::Selected() const {
    return m_model.ItemAt(m_tree->currentIndex());
}

void CBuildTreeView::Select(const ItemRef& ref) {
    QModelIndex index = m_model.IndexOf(ref);
    if (!index.isValid()) index = m_model.RootIndex();
    m_tree->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    m_tree->scrollTo(index);
}

void CBuildTreeView::Rebuild(const ItemRef& select) {
    m_tree->viewport()->update();
    Select(select);
}

void CBuildTreeView::ExpandInserted(const QModelIndex& parent, int first, int last) {
    m_tree->expand(parent);
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = m_model.index(row, 0, parent);
        if (m_model.hasChildren(index)) m_tree->expandRecursively(index);
    }
}

void CBuildTreeView::OpenItem(const QModelIndex& index) {
    const ItemRef ref = m_model.ItemAt(index);
    if (!ref || ref.item->IsFolder()) return;
    const std::string& link = ref.item->m_strLink;
    const QString text = QString::fromStdString(link);
    DesktopOpener(m_services.dialogs)
        .Open(this, SitePaths::IsExternalLink(link) ? QUrl(text) : QUrl::fromLocalFile(text));
}

}  // namespace foldcraft
