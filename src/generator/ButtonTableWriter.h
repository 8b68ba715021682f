#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "generator/PageFile.h"

class CBuildTreeDoc;
class CBuildTreeFolder;

namespace foldcraft {

class PageContext;

// The two tables of the button layout: a folder's active sub-folders, then its
// listed documents and links (PageContext::IsListed), one row each, drawn in the
// folder's button styles. On a published page (kSite) the rows lead to the
// sub-folders' pages, the documents and the picture pages, the radio buttons work
// through the page's script, names follow each item's visibility, and a picture
// page is written for every picture document listed when thumbnails are on. The
// preview's rows (kPreview) look the same but lead nowhere: every name is shown,
// thumbnails are the local pictures, and nothing else is written.
class ButtonTableWriter {
public:
    enum class Mode { kSite, kPreview };

    // Writes into file, which must stay open while the writer is used.
    ButtonTableWriter(const PageContext& ctx, PageFile& file, Mode mode)
        : m_ctx(ctx), m_file(file), m_mode(mode) {}

    // The sub-folder table. folderId is the identifier of the folder whose page it
    // is; the sub-folder at position j has the page "Folder<folderId>-<j>.html".
    void WriteFolderTable(const CBuildTreeFolder& folder, const std::string& folderId) const;
    // The document table. Returns the address written in its last row (the target
    // of the jump script); empty when no item is listed, and in the preview.
    std::string WriteDocumentTable(const CBuildTreeFolder& folder) const;

    // Writes the picture page pageName into the context's target directory or page
    // set: titled with the picture's file name, it shows the caption and the picture
    // at the site address. False when the name is not a publishable file name or the
    // page cannot be created or written.
    bool WritePicturePage(const std::string& pageName, const std::string& address,
                          const std::string& caption) const;

private:
    struct TableKind;

    void WriteFolderButtonCell(std::int32_t style, const std::string& folderId,
                               long long position) const;
    void WriteDocumentButtonCell(std::int32_t style, const std::string& address,
                                 const std::string& icon) const;
    // The name cell up to its comment (not closed). On a published page a shown
    // name in any style but Radio buttons is written with siteLink and its args.
    void WriteNameCell(const TableKind& kind, std::int32_t style, const CBuildTreeDoc& item,
                       std::string_view siteLink,
                       std::initializer_list<PageFile::Arg> siteLinkArgs) const;
    void WriteSizeAndDate(std::int32_t style, const CBuildTreeDoc& item) const;
    // The "Open" button row of the Radio buttons style, if that is the style.
    void WriteOpenButton(const TableKind& kind, std::int32_t style) const;

    const PageContext& m_ctx;
    PageFile& m_file;
    Mode m_mode;
};

}  // namespace foldcraft
