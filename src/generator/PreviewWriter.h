#pragma once

#include <string>

class CBuildTreeFolder;

namespace foldcraft {

class PageContext;
class PageFile;

// Writes the preview of one folder's page into the program folder: "temp.html"
// beside a fresh "styles.css", with the support images ensured in its "images"
// directory and the background image copied there under the name the style sheet
// uses. The preview's links lead nowhere ("#"); it shows every active item's
// name, refers to pictures at their local paths and carries no navigation trail,
// scripts or picture pages. The context's target directory is the program folder.
class PreviewWriter {
public:
    explicit PreviewWriter(const PageContext& ctx) : m_ctx(ctx) {}

    // False when "styles.css" or "temp.html" cannot be written. A support image
    // or background image that cannot be copied does not make it fail (the page
    // shows without it).
    bool Write(const CBuildTreeFolder& folder) const;

private:
    void CopyBackgroundImage() const;
    void WriteImageMap(PageFile& file, const CBuildTreeFolder& folder) const;

    const PageContext& m_ctx;
};

}  // namespace foldcraft
