#pragma once

#include <string>

class CBuildTreeFolder;
class CHotspotArea;

namespace foldcraft {

class PageContext;
class PageFile;

// Writes the page of one hotspot folder: its picture as a client-side image map
// whose areas lead to the folder's sub-folders, documents and links. Only this one
// page: the walk over the tree is FolderPagesWriter's.
class HotspotPageWriter {
public:
    // Where a hotspot leads.
    struct Target {
        // False when the area is left out: its sub-folder position does not exist,
        // or the sub-folder, document or link it names is not active, or a document's
        // copy would have no publishable path (SitePaths::IsPublishablePath).
        bool linked = true;
        std::string address;
        std::string sizeText;  // "Size: %d " of a local document's file, else empty
        std::string dateText;  // "Date: m/d/y" of a local document's file, else empty
    };

    explicit HotspotPageWriter(const PageContext& ctx) : m_ctx(ctx) {}

    // Writes "Folder<folderId>.html" for the folder. trail is the navigation trail
    // already extended by this folder. False when the page cannot be created or
    // written.
    bool Write(const CBuildTreeFolder& folder, const std::string& folderId,
               const std::string& trail) const;

    // Translates a hotspot's stored link text into its target on the page of the
    // folder with the given identifier. The text is first matched against the
    // folder's current document and link entries ("name (link)"), which keeps links
    // holding parentheses whole; otherwise the text inside its last parentheses is
    // taken: "Folder n" names the sub-folder at position n - 1, a web or mail link is
    // used as it stands, anything else is a local document, whose size and date are
    // read from the file on disk (empty texts when it cannot be read).
    Target ResolveHotspotLink(const CBuildTreeFolder& folder, const std::string& linkText,
                              const std::string& folderId) const;

    // The opening of one area's tag up to and including its coordinates (no closing
    // quote). False for an area whose shape is unknown.
    static bool WriteAreaStart(PageFile& file, const CHotspotArea& area);

private:
    Target DocumentTarget(const std::string& path) const;

    const PageContext& m_ctx;
};

}  // namespace foldcraft
