#pragma once

namespace foldcraft {

class PageContext;

// Writes "TitlePage.html": the site title, the date of creation, the comments
// text and the link on to the root folder's page.
class TitlePageWriter {
public:
    explicit TitlePageWriter(const PageContext& ctx) : m_ctx(ctx) {}

    // False when the file cannot be created or written.
    bool Write() const;

private:
    const PageContext& m_ctx;
};

}  // namespace foldcraft
