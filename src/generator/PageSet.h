#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace foldcraft {

// Pages rendered in memory instead of written into a directory: each with its name
// relative to the site's root (a plain file name: "Folder0-1.html", "styles.css",
// "cat.jpg.html") and its bytes exactly as the page would stand on disk.
class PageSet {
public:
    struct Page {
        std::string name;
        std::string bytes;
    };

    // Adds a page. A page of a name already present replaces that page's bytes and
    // keeps its position.
    void Add(std::string name, std::string bytes);

    // The pages in the order they were first added.
    const std::vector<Page>& Pages() const { return m_pages; }
    bool Empty() const { return m_pages.empty(); }
    void Clear();

private:
    std::vector<Page> m_pages;
    std::unordered_map<std::string, size_t> m_index;  // name -> position in m_pages
};

}  // namespace foldcraft
