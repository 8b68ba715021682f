#include "document/BuildTreeModel.h"

#include <sys/stat.h>

#include <QFont>
#include <QLocale>
#include <algorithm>

#include "document/LongText.h"
#include "generator/SitePaths.h"
#include "model/FoldcraftDoc.h"

namespace foldcraft {

namespace {

// The position of a pointer in a list of owners; -1 when absent.
template <typename T>
int Find(const std::vector<std::unique_ptr<T>>& list, const CBuildTreeDoc* item) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].get() == item) return static_cast<int>(i);
    return -1;
}

int Size(const auto& list) {
    return static_cast<int>(list.size());
}

}  // namespace

BuildTreeModel::BuildTreeModel(CFoldcraftDoc& doc, QObject* parent)
    : QAbstractItemModel(parent), m_doc(doc) {
    qRegisterMetaType<ItemRef>();
    IndexFolders(Root());
    m_itemCount = static_cast<int>(Root().CountItems());
}

BuildTreeModel::~BuildTreeModel() = default;

CBuildTreeFolder& BuildTreeModel::Root() const {
    return *m_doc.m_pRoot;
}

QModelIndex BuildTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    if (!parent.isValid()) return row == 0 ? createIndex(0, 0, nullptr) : QModelIndex();
    CBuildTreeFolder* folder = FolderOfIndex(parent);
    if (!folder || row >= Size(folder->m_arrFolders) + Size(folder->m_arrDocs)) return {};
    return createIndex(row, 0, folder);
}

QModelIndex BuildTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || !child.internalPointer()) return {};
    return FolderIndex(static_cast<const CBuildTreeFolder*>(child.internalPointer()));
}

int BuildTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return 1;
    if (parent.column() != 0) return 0;
    const CBuildTreeFolder* folder = FolderOfIndex(parent);
    return folder ? Size(folder->m_arrFolders) + Size(folder->m_arrDocs) : 0;
}

int BuildTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool BuildTreeModel::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0;
}

QVariant BuildTreeModel::data(const QModelIndex& index, int role) const {
    const ItemRef ref = ItemAt(index);
    if (!ref) return {};
    switch (role) {
        case Qt::DisplayRole:
            return LongText::Line(QString::fromStdString(ref.item->m_strName));
        case Qt::EditRole:
            return QString::fromStdString(ref.item->m_strName);
        case Qt::DecorationRole:
            return m_iconImages ? QVariant(m_iconImages(IconOf(*ref.item))) : QVariant();
        default:
            break;
    }
    if (!ref.parent ||
        (role != Qt::FontRole && role != Qt::ForegroundRole && role != Qt::ToolTipRole))
        return {};
    const ItemState state = StateOf(ref);
    if (role == Qt::ToolTipRole) return state.ToolTip(QLocale());
    if (role == Qt::ForegroundRole) {
        const auto colour = state.Foreground();
        return colour ? QVariant(*colour) : QVariant();
    }
    if (!state.Italic() && !state.StruckOut()) return {};
    QFont font;  // only what is set here overrides the view's font
    if (state.Italic()) font.setItalic(true);
    if (state.StruckOut()) font.setStrikeOut(true);
    return font;
}

Qt::ItemFlags BuildTreeModel::flags(const QModelIndex& index) const {
    const ItemRef ref = ItemAt(index);
    if (!ref) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!ref.item->IsFolder()) flags |= Qt::ItemNeverHasChildren;
    return flags;
}

ItemRef BuildTreeModel::ItemAt(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return {};
    if (!index.internalPointer()) return {&Root(), nullptr};
    auto* folder = static_cast<CBuildTreeFolder*>(index.internalPointer());
    const int row = index.row();
    const int folders = Size(folder->m_arrFolders);
    if (row < folders) return {folder->m_arrFolders[row].get(), folder};
    if (row - folders < Size(folder->m_arrDocs))
        return {folder->m_arrDocs[row - folders].get(), folder};
    return {};
}

QModelIndex BuildTreeModel::IndexOf(const ItemRef& ref) const {
    if (!ref) return {};
    if (!ref.parent) return ref.item == &Root() ? RootIndex() : QModelIndex();
    if (ref.parent != &Root() && !m_places.contains(ref.parent)) return {};
    const auto place = m_places.constFind(ref.item);
    if (place != m_places.cend())
        return place->parent == ref.parent ? createIndex(place->row, 0, ref.parent) : QModelIndex();
    const int doc = Find(ref.parent->m_arrDocs, ref.item);
    if (doc >= 0) return createIndex(Size(ref.parent->m_arrFolders) + doc, 0, ref.parent);
    return {};
}

CBuildTreeFolder* BuildTreeModel::ParentOf(const CBuildTreeFolder* folder) const {
    const auto it = m_places.constFind(folder);
    return it == m_places.cend() ? nullptr : it->parent;
}

TreeIcon BuildTreeModel::IconOf(const CBuildTreeDoc& item) const {
    if (item.IsFolder())
        return static_cast<const CBuildTreeFolder&>(item).m_bHotspotFolder == 1
                   ? TreeIcon::kHotspotFolder
                   : TreeIcon::kFolder;
    return LookOf(item).icon;
}

ItemState BuildTreeModel::StateOf(const ItemRef& ref) const {
    if (!ref) return {};
    const bool missing = !ref.item->IsFolder() && LookOf(*ref.item).missing;
    return ItemState::Of(*ref.item, Clock::Now(), missing);
}

BuildTreeModel::FileLook BuildTreeModel::LookOf(const CBuildTreeDoc& item) const {
    const auto cached = m_icons.constFind(&item);
    if (cached != m_icons.cend()) return *cached;
    FileLook look;
    if (SitePaths::IsExternalLink(item.m_strLink)) {
        look.icon = TreeIcon::kWebLink;
    } else {
        struct stat info {};
        look.missing = ::stat(item.m_strLink.c_str(), &info) != 0;
        if (!look.missing && info.st_mtime > m_doc.m_timeLastPublish)
            look.icon = TreeIcon::kChangedDocument;
    }
    m_icons.insert(&item, look);
    return look;
}

void BuildTreeModel::InsertFolders(CBuildTreeFolder& parent, int position,
                                   std::vector<std::unique_ptr<CBuildTreeFolder>> folders) {
    if (folders.empty()) return;
    const int count = Size(folders);
    beginInsertRows(FolderIndex(&parent), position, position + count - 1);
    for (auto& folder : folders) {
        m_itemCount += static_cast<int>(folder->CountItems());
        IndexFolders(*folder);
    }
    parent.m_arrFolders.insert(parent.m_arrFolders.begin() + position,
                               std::make_move_iterator(folders.begin()),
                               std::make_move_iterator(folders.end()));
    IndexChildren(parent);
    endInsertRows();
}

void BuildTreeModel::InsertDocs(CBuildTreeFolder& parent, int position,
                                std::vector<std::unique_ptr<CBuildTreeDoc>> docs) {
    if (docs.empty()) return;
    const int first = Size(parent.m_arrFolders) + position;
    beginInsertRows(FolderIndex(&parent), first, first + Size(docs) - 1);
    m_itemCount += Size(docs);
    parent.m_arrDocs.insert(parent.m_arrDocs.begin() + position,
                            std::make_move_iterator(docs.begin()),
                            std::make_move_iterator(docs.end()));
    endInsertRows();
}

std::vector<std::unique_ptr<CBuildTreeFolder>> BuildTreeModel::TakeFolders(CBuildTreeFolder& parent,
                                                                           int position,
                                                                           int count) {
    std::vector<std::unique_ptr<CBuildTreeFolder>> taken;
    if (count <= 0) return taken;
    beginRemoveRows(FolderIndex(&parent), position, position + count - 1);
    const auto first = parent.m_arrFolders.begin() + position;
    taken.assign(std::make_move_iterator(first), std::make_move_iterator(first + count));
    parent.m_arrFolders.erase(first, first + count);
    for (const auto& folder : taken) {
        m_itemCount -= static_cast<int>(folder->CountItems());
        ForgetFolders(*folder);
    }
    IndexChildren(parent);
    endRemoveRows();
    return taken;
}

std::vector<std::unique_ptr<CBuildTreeDoc>> BuildTreeModel::TakeDocs(CBuildTreeFolder& parent,
                                                                     int position, int count) {
    std::vector<std::unique_ptr<CBuildTreeDoc>> taken;
    if (count <= 0) return taken;
    const int first = Size(parent.m_arrFolders) + position;
    beginRemoveRows(FolderIndex(&parent), first, first + count - 1);
    const auto begin = parent.m_arrDocs.begin() + position;
    taken.assign(std::make_move_iterator(begin), std::make_move_iterator(begin + count));
    parent.m_arrDocs.erase(begin, begin + count);
    for (const auto& doc : taken) m_icons.remove(doc.get());
    m_itemCount -= count;
    endRemoveRows();
    return taken;
}

void BuildTreeModel::MoveChild(CBuildTreeFolder& parent, bool folder, int from, int to) {
    if (from == to) return;
    const int offset = folder ? 0 : Size(parent.m_arrFolders);
    const QModelIndex parentIndex = FolderIndex(&parent);
    // Qt counts the destination before the move: moving down one goes before to + 1.
    beginMoveRows(parentIndex, offset + from, offset + from, parentIndex,
                  offset + (to > from ? to + 1 : to));
    auto rotate = [from, to](auto& list) {
        if (to > from)
            std::rotate(list.begin() + from, list.begin() + from + 1, list.begin() + to + 1);
        else
            std::rotate(list.begin() + to, list.begin() + from, list.begin() + from + 1);
    };
    if (folder) {
        rotate(parent.m_arrFolders);
        IndexChildren(parent);
    } else {
        rotate(parent.m_arrDocs);
    }
    endMoveRows();
}

void BuildTreeModel::Reorder(CBuildTreeFolder& top, const std::function<void()>& change) {
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    std::vector<ItemRef> refs;
    refs.reserve(before.size());
    for (const QModelIndex& index : before) refs.push_back(ItemAt(index));
    change();
    IndexFolders(top);
    QModelIndexList after;
    after.reserve(before.size());
    for (const ItemRef& ref : refs) after.push_back(IndexOf(ref));
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

void BuildTreeModel::ChangeFields(const ItemRef& ref, const std::function<void()>& change) {
    change();
    const QModelIndex index = IndexOf(ref);
    if (index.isValid()) emit dataChanged(index, index);
}

void BuildTreeModel::ResetFromDocument() {
    beginResetModel();
    m_places.clear();
    m_icons.clear();
    IndexFolders(Root());
    m_itemCount = static_cast<int>(Root().CountItems());
    m_pending = {};
    endResetModel();
    RequestRebuild({});
}

void BuildTreeModel::RequestRebuild(const ItemRef& select) {
    m_icons.clear();
    emit rebuildRequested(select);
}

QModelIndex BuildTreeModel::FolderIndex(const CBuildTreeFolder* folder) const {
    if (folder == &Root()) return RootIndex();
    const auto it = m_places.constFind(folder);
    if (it == m_places.cend()) return {};
    return createIndex(it->row, 0, it->parent);
}

CBuildTreeFolder* BuildTreeModel::FolderOfIndex(const QModelIndex& index) const {
    const ItemRef ref = ItemAt(index);
    return ref && ref.item->IsFolder() ? static_cast<CBuildTreeFolder*>(ref.item) : nullptr;
}

void BuildTreeModel::IndexFolders(CBuildTreeFolder& folder) {
    std::vector<CBuildTreeFolder*> pending{&folder};
    while (!pending.empty()) {
        CBuildTreeFolder* next = pending.back();
        pending.pop_back();
        IndexChildren(*next);
        for (auto& sub : next->m_arrFolders) pending.push_back(sub.get());
    }
}

void BuildTreeModel::ForgetFolders(const CBuildTreeFolder& folder) {
    std::vector<const CBuildTreeFolder*> pending{&folder};
    while (!pending.empty()) {
        const CBuildTreeFolder* next = pending.back();
        pending.pop_back();
        m_places.remove(next);
        for (const auto& doc : next->m_arrDocs) m_icons.remove(doc.get());
        for (const auto& sub : next->m_arrFolders) pending.push_back(sub.get());
    }
}

void BuildTreeModel::IndexChildren(CBuildTreeFolder& parent) {
    for (int row = 0; row < Size(parent.m_arrFolders); ++row)
        m_places.insert(parent.m_arrFolders[row].get(), Place{&parent, row});
}

}  // namespace foldcraft
