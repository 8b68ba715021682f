#pragma once

#include <string>

class CBuildTreeFolder;

namespace foldcraft {

class PageContext;
class PageFile;

// Writes the page of one folder in the button layout: its active sub-folders and
// then its active documents and links as rows of two tables, in the folder's button
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

    // Writes "<name>.html" for a picture, name being the part of the address after
    // its last separator; the page shows the caption and the picture at the address
    // (backslashes turned into slashes). Returns the page's file name, or an empty
    // text when the page cannot be created or written.
    std::string WritePicturePage(const std::string& address, const std::string& caption) const;

    // The style rule that gives graphic buttons of one kind their background
    // (".folder" or ".document"); an index outside 0 to 6 uses the first picture.
    static void WriteGraphicRule(PageFile& file, const char* selector, int graphic);

private:
    void WriteFolderTable(PageFile& file, const CBuildTreeFolder& folder,
                          const std::string& folderId) const;
    // Returns the address written in the last active row (for the jump script).
    std::string WriteDocumentTable(PageFile& file, const CBuildTreeFolder& folder) const;

    const PageContext& m_ctx;
};

}  // namespace foldcraft
