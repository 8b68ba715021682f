#pragma once

#include <cstdint>
#include <string>

class CBuildTreeFolder;

namespace foldcraft {

class PageContext;

// The walk that writes every folder page of the site, depth first, each folder
// before its sub-folders: button-layout pages by ButtonPageWriter, image-map pages
// of hotspot folders by HotspotPageWriter. Every sub-folder's page is written,
// active or not (nothing links to inactive ones).
class FolderPagesWriter {
public:
    explicit FolderPagesWriter(const PageContext& ctx) : m_ctx(ctx) {}

    // Writes the pages of the whole tree; nothing when the root is not active.
    // A page that cannot be created or written does not stop the walk: every other
    // page is still written, and the result is false.
    bool WriteFolderPages();

    // One folder's page in the button layout, then the pages below it. The trail is
    // the parent's (empty for the root); the root has an empty parent identifier and
    // position 0.
    void WriteFolderPage(const CBuildTreeFolder& folder, const std::string& trail,
                         const std::string& parentId, std::int64_t position);
    // The same for a hotspot folder's image-map page.
    void WriteHotspotFolderPage(const CBuildTreeFolder& folder, const std::string& trail,
                                const std::string& parentId, std::int64_t position);

    // False once any page of this walk could not be written.
    bool AllWritten() const { return m_allWritten; }
    // The number of folder pages written so far.
    std::int64_t PagesWritten() const { return m_pagesWritten; }

private:
    void WritePage(const CBuildTreeFolder& folder, const std::string& trail,
                   const std::string& parentId, std::int64_t position);
    void WriteSubFolderPages(const CBuildTreeFolder& folder, const std::string& folderId,
                             const std::string& trail);
    std::string OwnTrail(const CBuildTreeFolder& folder, const std::string& parentTrail,
                         const std::string& parentId, const std::string& folderId) const;
    void Count(bool written);

    const PageContext& m_ctx;
    bool m_allWritten = true;
    std::int64_t m_pagesWritten = 0;
};

}  // namespace foldcraft
