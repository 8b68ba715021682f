#pragma once

#include <cstdint>
#include <string>

class CBuildTreeFolder;

namespace foldcraft {

class PageContext;
class PageFile;

// Writes "Sitemap.html": one indented table row per active folder and listed
// document and link, each folder followed by its sub-folders' rows and then its own items.
class SitemapWriter {
public:
    explicit SitemapWriter(const PageContext& ctx) : m_ctx(ctx) {}

    // False when the file cannot be created or written.
    bool Write() const;

    // The rows of one folder (identifier from parentId and position) at the given
    // depth, then recursively of its active sub-folders, then of its listed items.
    void WriteSitemapRows(PageFile& file, const CBuildTreeFolder& folder,
                          const std::string& parentId, std::int64_t position, int depth) const;

private:
    const PageContext& m_ctx;
};

}  // namespace foldcraft
