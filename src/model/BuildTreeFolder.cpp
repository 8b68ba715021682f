#include "model/BuildTreeFolder.h"

#include <algorithm>
#include <utility>

#include "model/Archive.h"
#include "model/TextCase.h"

namespace {

// Stable sort by lower-cased name: the order a bubble sort that only exchanges on
// strict inequality would give, in O(n log n).
template <typename T>
void SortByName(std::vector<std::unique_ptr<T>>& items, bool ascending) {
    if (items.size() < 2) return;
    std::vector<std::pair<std::string, std::unique_ptr<T>>> keyed;
    keyed.reserve(items.size());
    for (auto& item : items)
        keyed.emplace_back(foldcraft::ToLowerUtf8(item->m_strName), std::move(item));
    if (ascending) {
        std::stable_sort(keyed.begin(), keyed.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    } else {
        std::stable_sort(keyed.begin(), keyed.end(),
                         [](const auto& a, const auto& b) { return a.first > b.first; });
    }
    for (size_t i = 0; i < items.size(); ++i) items[i] = std::move(keyed[i].second);
}

}  // namespace

CBuildTreeFolder::~CBuildTreeFolder() {
    ClearChildren();
}

void CBuildTreeFolder::SortChildren(bool ascending) {
    // Folders are visited with an explicit stack, so that no depth of the tree can
    // exhaust the call stack; every folder is sorted before its sub-folders.
    std::vector<CBuildTreeFolder*> pending{this};
    while (!pending.empty()) {
        CBuildTreeFolder* folder = pending.back();
        pending.pop_back();
        SortByName(folder->m_arrFolders, ascending);
        SortByName(folder->m_arrDocs, ascending);
        for (auto& sub : folder->m_arrFolders) pending.push_back(sub.get());
    }
}

void CBuildTreeFolder::ClearChildren() {
    m_arrHotspots.clear();
    m_arrDocs.clear();
    // Sub-folders are taken apart level by level rather than by recursion: a folder
    // is destroyed only once its lists are empty, so destruction never recurses.
    std::vector<std::unique_ptr<CBuildTreeFolder>> pending = std::move(m_arrFolders);
    m_arrFolders.clear();
    while (!pending.empty()) {
        std::unique_ptr<CBuildTreeFolder> folder = std::move(pending.back());
        pending.pop_back();
        folder->m_arrHotspots.clear();
        folder->m_arrDocs.clear();
        for (auto& sub : folder->m_arrFolders) pending.push_back(std::move(sub));
        folder->m_arrFolders.clear();
    }
}

int CBuildTreeFolder::HitTestHotspot(std::int32_t x, std::int32_t y) const {
    for (size_t i = m_arrHotspots.size(); i-- > 0;) {
        if (m_arrHotspots[i]->Contains(x, y)) return static_cast<int>(i);
    }
    return -1;
}

size_t CBuildTreeFolder::CountItems() const {
    size_t count = 0;
    std::vector<const CBuildTreeFolder*> pending{this};
    while (!pending.empty()) {
        const CBuildTreeFolder* folder = pending.back();
        pending.pop_back();
        count += 1 + folder->m_arrDocs.size();
        for (const auto& sub : folder->m_arrFolders) pending.push_back(sub.get());
    }
    return count;
}

CBuildTreeFolder* CBuildTreeFolder::AddFolder(std::unique_ptr<CBuildTreeFolder> folder) {
    m_arrFolders.push_back(std::move(folder));
    return m_arrFolders.back().get();
}

CBuildTreeDoc* CBuildTreeFolder::AddDoc(std::unique_ptr<CBuildTreeDoc> doc) {
    m_arrDocs.push_back(std::move(doc));
    return m_arrDocs.back().get();
}

CHotspotArea* CBuildTreeFolder::AddHotspot(std::unique_ptr<CHotspotArea> area) {
    m_arrHotspots.push_back(std::move(area));
    return m_arrHotspots.back().get();
}

void CBuildTreeFolder::Serialize(CArchive& ar) {
    CArchive::DepthGuard level(ar);
    SerializeItem(ar);
    if (ar.IsStoring()) {
        ar.WriteU32(1);
        SerializeObjectList(ar, m_arrFolders, "CBuildTreeFolder");
        SerializeObjectList(ar, m_arrDocs, "CBuildTreeDoc");
        SerializeObjectList(ar, m_arrHotspots, "CHotspotArea");
        // The item's texts, size, dates and purge switch once more: readers take
        // these copies.
        ar.WriteText(m_strName);
        ar.WriteText(m_strLink);
        ar.WriteText(m_strComment);
        ar.WriteI32(m_nFolderButtonStyle);
        ar.WriteI32(m_nFileButtonStyle);
        ar.WriteI32(m_nFolderButtonGraphic);
        ar.WriteI32(m_nFileButtonGraphic);
        ar.WriteText(m_strLabel);
        ar.WriteI32(m_nFileSize);
        ar.WriteTime(m_timeFile);
        ar.WriteTime(m_timePublish);
        ar.WriteTime(m_timePurge);
        ar.WriteI32(m_bPurge);
        ar.WriteI32(m_bShowContentsFor);
        ar.WriteI32(m_bHotspotFolder);
        ar.WriteText(m_strHotspotImage);
        return;
    }
    if (ar.ReadU32() != 1) return;
    SerializeObjectList(ar, m_arrFolders, "CBuildTreeFolder");
    SerializeObjectList(ar, m_arrDocs, "CBuildTreeDoc");
    SerializeObjectList(ar, m_arrHotspots, "CHotspotArea");
    m_strName = ar.ReadText();
    m_strLink = ar.ReadText();
    m_strComment = ar.ReadText();
    m_nFolderButtonStyle = ar.ReadI32();
    m_nFileButtonStyle = ar.ReadI32();
    m_nFolderButtonGraphic = ar.ReadI32();
    m_nFileButtonGraphic = ar.ReadI32();
    m_strLabel = ar.ReadText();
    m_nFileSize = ar.ReadI32();
    m_timeFile = ar.ReadTime();
    m_timePublish = ar.ReadTime();
    m_timePurge = ar.ReadTime();
    m_bPurge = ar.ReadI32();
    m_bShowContentsFor = ar.ReadI32();
    m_bHotspotFolder = ar.ReadI32();
    m_strHotspotImage = ar.ReadText();
}
