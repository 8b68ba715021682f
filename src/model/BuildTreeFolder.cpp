#include "model/BuildTreeFolder.h"

#include <algorithm>
#include <utility>

#include "model/TextCase.h"

namespace {

// Stable sort by lower-cased name: the order a bubble sort that only exchanges on
// strict inequality would give, in O(n log n).
template <typename T>
void SortByName(std::vector<std::unique_ptr<T>>& items, bool ascending) {
    if (items.size() < 2) return;
    std::vector<std::pair<std::string, std::unique_ptr<T>>> keyed;
    keyed.reserve(items.size());
    for (auto& item : items) keyed.emplace_back(foldcraft::ToLowerUtf8(item->m_strName), std::move(item));
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

CBuildTreeFolder::~CBuildTreeFolder() { ClearChildren(); }

void CBuildTreeFolder::SortChildren(bool ascending) {
    SortByName(m_arrFolders, ascending);
    SortByName(m_arrDocs, ascending);
    for (auto& folder : m_arrFolders) folder->SortChildren(ascending);
}

void CBuildTreeFolder::ClearChildren() {
    m_arrHotspots.clear();
    m_arrDocs.clear();
    for (auto& folder : m_arrFolders) folder->ClearChildren();
    m_arrFolders.clear();
}

int CBuildTreeFolder::HitTestHotspot(std::int32_t x, std::int32_t y) const {
    for (size_t i = m_arrHotspots.size(); i-- > 0;) {
        if (m_arrHotspots[i]->Contains(x, y)) return static_cast<int>(i);
    }
    return -1;
}

size_t CBuildTreeFolder::CountItems() const {
    size_t count = 1 + m_arrDocs.size();
    for (const auto& folder : m_arrFolders) count += folder->CountItems();
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
