#pragma once

#include <string>

class CBuildTreeFolder;

namespace foldcraft {

class PageContext;

// Writes the page of one folder in the button layout: its active sub-folders and
// then its listed documents and links as rows of two tables, in the folder's button
// styles, and a picture page for every picture document listed when thumbnails are
// on. Only this one page: the walk over the tree is FolderPagesWriter's.
class ButtonPageWriter {
public:
    explicit ButtonPageWriter(const PageContext& ctx) : m_ctx(ctx) {}

    // Writes "Folder<folderId>.html" for the folder. trail is the navigation trail
    // already extended by this folder (unused when the trail is not shown). False
    // when the page cannot be created or written.
    bool Write(const CBuildTreeFolder& folder, const std::string& folderId,
               const std::string& trail) const;

private:
    const PageContext& m_ctx;
};

}  // namespace foldcraft
