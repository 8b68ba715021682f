#pragma once

#include <string>

namespace foldcraft {

class PageContext;

// Writes "styles.css": the colours, the font list and the background picture of
// the design settings.
class StyleSheetWriter {
public:
    explicit StyleSheetWriter(const PageContext& ctx) : m_ctx(ctx) {}

    // Writes the target directory's "styles.css". False when the file cannot be
    // created or written.
    bool Write() const;

    // The background part of the body rule: empty without a background image or
    // when its path names no directory; else its url under images/ (by
    // SitePaths::BackgroundImageName, encoded), followed by the centring rules when
    // the placement is Center.
    std::string BackgroundText() const;

private:
    const PageContext& m_ctx;
};

}  // namespace foldcraft
