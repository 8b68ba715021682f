#include "generator/PageSet.h"

#include <utility>

namespace foldcraft {

void PageSet::Add(std::string name, std::string bytes) {
    const auto [found, added] = m_index.try_emplace(name, m_pages.size());
    if (!added) {
        m_pages[found->second].bytes = std::move(bytes);
        return;
    }
    m_pages.push_back(Page{std::move(name), std::move(bytes)});
}

void PageSet::Clear() {
    m_pages.clear();
    m_index.clear();
}

}  // namespace foldcraft
