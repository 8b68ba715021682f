#pragma once

#include <QAbstractItemModel>
#include <QHash>
#include <QIcon>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "document/ItemState.h"
#include "model/Clock.h"

class CBuildTreeDoc;
class CBuildTreeFolder;
class CFoldcraftDoc;

namespace foldcraft {
class ProjectDocument;

// One item of the site tree together with the folder that holds it (none for the
// root). The model has no parent pointers, so whoever remembers an item remembers
// its folder too. Neither pointer is owned.
struct ItemRef {
    CBuildTreeDoc* item = nullptr;
    CBuildTreeFolder* parent = nullptr;

    bool operator==(const ItemRef&) const = default;
    explicit operator bool() const { return item != nullptr; }
};

// The kinds of tree item, in the order of the tree's icons.
enum class TreeIcon { kFolder, kHotspotFolder, kDocument, kWebLink, kChangedDocument };

// The site tree of the project as a Qt item model. It refers into the project's
// model and copies nothing: an index's internal pointer is the folder that holds
// the item, and its row is the position among that folder's sub-folders followed
// by its documents. The only state of its own is a table of where each folder sits
// (for parent()), what was read of the documents' files since the last rebuild
// (icon, missing), and the pending selection. Each row's font, colour and tooltip
// show its ItemState (the root's none).
//
// Every change to the shape of the tree goes through the operations below, which
// tell the views before and after. The project document owns the model.
class BuildTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    BuildTreeModel(CFoldcraftDoc& doc, QObject* parent = nullptr);
    ~BuildTreeModel() override;

    CFoldcraftDoc& Doc() const { return m_doc; }
    CBuildTreeFolder& Root() const;

    // QAbstractItemModel.
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Item and index lookups. ItemAt of an invalid index is an empty ref.
    ItemRef ItemAt(const QModelIndex& index) const;
    // The index of an item; invalid when the item is not (or no longer) in the tree.
    // Folders are found at once, documents by a search of their folder.
    QModelIndex IndexOf(const ItemRef& ref) const;
    QModelIndex RootIndex() const { return index(0, 0); }
    // The folder that holds folder (none for the root or an unknown folder).
    CBuildTreeFolder* ParentOf(const CBuildTreeFolder* folder) const;
    // Whether the item is still part of the tree (no pointer is followed that may dangle).
    bool Contains(const ItemRef& ref) const { return IndexOf(ref).isValid(); }
    // The number of items of the tree, the root included.
    int ItemCount() const { return m_itemCount; }

    // The icon kind of an item. A document's file is looked at once per rebuild.
    TreeIcon IconOf(const CBuildTreeDoc& item) const;
    // The state the row of ref shows, at the clock's time; whether a document's file
    // is missing is looked at once per rebuild (so Refresh looks again).
    ItemState StateOf(const ItemRef& ref) const;
    // The pictures of the icons (the decoration of each row), given by the view that
    // shows them; without them rows have none.
    void SetIconImages(std::function<QIcon(TreeIcon)> images) { m_iconImages = std::move(images); }

    // Structural changes. Positions are within one list of the parent (folders or
    // documents); each call tells the views before and after.
    void InsertFolders(CBuildTreeFolder& parent, int position,
                       std::vector<std::unique_ptr<CBuildTreeFolder>> folders);
    void InsertDocs(CBuildTreeFolder& parent, int position,
                    std::vector<std::unique_ptr<CBuildTreeDoc>> docs);
    // Takes count items out of the parent's list and hands them to the caller.
    std::vector<std::unique_ptr<CBuildTreeFolder>> TakeFolders(CBuildTreeFolder& parent,
                                                               int position, int count);
    std::vector<std::unique_ptr<CBuildTreeDoc>> TakeDocs(CBuildTreeFolder& parent, int position,
                                                         int count);
    // Moves one item of a list from one position to another.
    void MoveChild(CBuildTreeFolder& parent, bool folder, int from, int to);
    // Runs change, which may reorder the lists of top and of any folder below it
    // (but neither add nor remove items), as one layout change.
    void Reorder(CBuildTreeFolder& top, const std::function<void()>& change);
    // Runs change, which edits the fields of one item, and tells the views.
    void ChangeFields(const ItemRef& ref, const std::function<void()>& change);
    // After the whole project was replaced (New, Open).
    void ResetFromDocument();

    // The pending selection: the item that the next rebuild selects.
    const ItemRef& Pending() const { return m_pending; }
    void SetPending(const ItemRef& ref) { m_pending = ref; }
    // Rebuild: the icons are read afresh and the views select `select` (the root when
    // it is empty or gone). Commands ask for it after each change.
    void RequestRebuild(const ItemRef& select);

signals:
    void rebuildRequested(foldcraft::ItemRef select);

private:
    struct Place {
        CBuildTreeFolder* parent = nullptr;
        int row = 0;
    };
    QModelIndex FolderIndex(const CBuildTreeFolder* folder) const;
    CBuildTreeFolder* FolderOfIndex(const QModelIndex& index) const;
    // Records where every folder of folder's subtree sits, or forgets them all.
    void IndexFolders(CBuildTreeFolder& folder);
    void ForgetFolders(const CBuildTreeFolder& folder);
    // Records the rows of the direct sub-folders of parent.
    void IndexChildren(CBuildTreeFolder& parent);

    CFoldcraftDoc& m_doc;
    QHash<const CBuildTreeDoc*, Place> m_places;  // every folder but the root
    // What a rebuild read of a document's file.
    struct FileLook {
        TreeIcon icon = TreeIcon::kDocument;
        bool missing = false;
    };
    FileLook LookOf(const CBuildTreeDoc& item) const;

    mutable QHash<const CBuildTreeDoc*, FileLook> m_icons;
    Time m_lastPublishAtRead = 0;
    int m_itemCount = 1;
    ItemRef m_pending;
    std::function<QIcon(TreeIcon)> m_iconImages;
};

}  // namespace foldcraft

Q_DECLARE_METATYPE(foldcraft::ItemRef)
