#include "document/SortTreeCommand.h"

#include <algorithm>
#include <unordered_map>

#include "model/BuildTreeFolder.h"

namespace foldcraft {

namespace {

// Puts the owners of list into the order of wanted (the same pointers).
template <typename T>
void ApplyOrder(std::vector<std::unique_ptr<T>>& list, const std::vector<T*>& wanted) {
    std::unordered_map<T*, std::unique_ptr<T>> owners;
    owners.reserve(list.size());
    for (auto& owner : list) {
        T* raw = owner.get();
        owners.emplace(raw, std::move(owner));
    }
    for (size_t i = 0; i < list.size(); ++i) list[i] = std::move(owners.at(wanted[i]));
}

template <typename T>
std::vector<T*> Pointers(const std::vector<std::unique_ptr<T>>& list) {
    std::vector<T*> raw;
    raw.reserve(list.size());
    for (const auto& owner : list) raw.push_back(owner.get());
    return raw;
}

}  // namespace

SortTreeCommand::SortTreeCommand(BuildTreeModel& model, CBuildTreeFolder& folder, bool ascending,
                                 const TreeSelection& before, const TreeSelection& after)
    : TreeCommand(
          model,
          ascending ? QStringLiteral("Sort Alphabetical") : QStringLiteral("Reverse Alphabetical"),
          before, after),
      m_folder(folder),
      m_ascending(ascending) {}

SortTreeCommand::~SortTreeCommand() = default;

void SortTreeCommand::Do() {
    if (m_orderBefore.empty()) {
        std::vector<CBuildTreeFolder*> pending{&m_folder};
        while (!pending.empty()) {
            CBuildTreeFolder* next = pending.back();
            pending.pop_back();
            m_orderBefore.push_back(
                {next, Pointers(next->m_arrFolders), Pointers(next->m_arrDocs)});
            for (auto& sub : next->m_arrFolders) pending.push_back(sub.get());
        }
    }
    m_model.Reorder(m_folder, [this] { m_folder.SortChildren(m_ascending); });
}

void SortTreeCommand::Undo() {
    m_model.Reorder(m_folder, [this] {
        for (const Order& order : m_orderBefore) {
            ApplyOrder(order.folder->m_arrFolders, order.folders);
            ApplyOrder(order.folder->m_arrDocs, order.docs);
        }
    });
}

}  // namespace foldcraft
