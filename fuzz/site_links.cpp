// libFuzzer target: reads arbitrary bytes as a page of a site, as `check` does: the
// links of its tags, then whether each local one leads to a file of a small site
// made for the run. Every link written back into a tag (quoted, "&" and the quote
// escaped) reads back the same, and no link resolves in an empty site, whatever
// lies above it.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "publish/SiteLinkChecker.h"

using foldcraft::SiteLinkChecker;

namespace {

// <root>/site holds a few pages, an image and the empty directory "empty";
// <root>/outside.html lies beside the site.
class TestSite {
public:
    TestSite() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/foldcraft-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data())) std::abort();
        m_root = pattern;
        const std::filesystem::path site = m_root / "site";
        std::filesystem::create_directories(site / "images");
        std::filesystem::create_directories(site / "empty");
        for (const auto& file : {site / "index.html", site / "Folder0-1.html", site / "a b.html",
                                 site / "images" / "logo.gif", m_root / "outside.html"}) {
            std::ofstream(file) << "x";
        }
        m_site = site.string();
        m_empty = (site / "empty").string();
    }
    ~TestSite() {
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    const std::string& Site() const { return m_site; }
    const std::string& Empty() const { return m_empty; }

private:
    std::filesystem::path m_root;
    std::string m_site;
    std::string m_empty;
};

std::string AsAttribute(const std::string& link) {
    std::string text;
    for (char c : link) {
        if (c == '&') {
            text += "&amp;";
        } else if (c == '"') {
            text += "&quot;";
        } else {
            text += c;
        }
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const TestSite site;
    const std::string_view html(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> links = SiteLinkChecker::ExtractLinks(html);

    std::string page = "<html><body>\n";
    for (const std::string& link : links) page += "<a href=\"" + AsAttribute(link) + "\">x</a>\n";
    page += "</body></html>\n";
    if (SiteLinkChecker::ExtractLinks(page) != links) std::abort();

    for (const std::string& link : links) {
        if (!SiteLinkChecker::IsLocalLink(link)) continue;
        if (SiteLinkChecker::Resolves(site.Empty(), link)) std::abort();
        SiteLinkChecker::Resolves(site.Site(), link);
    }
    return 0;
}
