#include "generator/PageContext.h"

#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <ctime>

#include "generator/PageFile.h"
#include "generator/PageText.h"
#include "generator/SitePaths.h"
#include "model/FoldcraftDoc.h"

namespace foldcraft {
namespace {

constexpr const char* kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};
// The background of graphic buttons by graphic index, the end of the rule that
// ".folder { background-image: url(" or ".document { background-image: url(" begins.
constexpr const char* kGraphicRules[] = {
    "images/black_btn.jpg); }\n", "images/blue_btn.jpg); }\n",   "images/cyan_btn.jpg); }\n",
    "images/green_btn.jpg); }\n", "images/orange_btn.jpg); }\n", "images/red_btn.jpg); }\n",
    "images/steel_btn.jpg); }\n"};

// An index outside 0 to 6 uses the first picture.
const char* GraphicRule(std::int32_t graphic) {
    return graphic >= 0 && graphic <= 6 ? kGraphicRules[graphic] : kGraphicRules[0];
}

constexpr const char* kMonths[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

bool ToLocal(Time time, std::tm& out) {
    const auto t = static_cast<std::time_t>(time);
    if (static_cast<Time>(t) != time) return false;
    return localtime_r(&t, &out) != nullptr;
}

}  // namespace

PageContext::PageContext(const CFoldcraftDoc& doc, std::string targetDir,
                         std::optional<RunTime> time)
    : m_doc(doc), m_targetDir(std::move(targetDir)), m_time(time ? *time : Clock::ForRun()) {}

PageContext::PageContext(const CFoldcraftDoc& doc, PageSet& out, RunTime time)
    : m_doc(doc), m_pages(&out), m_time(time) {}

PageContext::~PageContext() {
    if (m_dirFd >= 0) ::close(m_dirFd);
}

bool PageContext::OpenPage(PageFile& file, std::string_view name) const {
    if (name.find('/') != std::string_view::npos || !SitePaths::IsPublishablePath(name)) {
        return false;
    }
    if (m_pages) return file.OpenInMemory(*m_pages, name);
    if (m_dirFd < 0) {
        if (m_targetDir.empty() || m_targetDir.find('\0') != std::string::npos) return false;
        m_dirFd = ::open(m_targetDir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (m_dirFd < 0) return false;
    }
    return file.OpenAt(m_dirFd, name);
}

bool PageContext::IsActive(const CBuildTreeDoc& item) const {
    return item.IsActiveAt(m_time.now);
}

std::optional<std::string> PageContext::ListedAddress(const CBuildTreeDoc& item) const {
    if (!IsActive(item)) return std::nullopt;
    std::string address = SitePaths::ItemAddress(item.m_strLink);
    if (!SitePaths::IsExternalLink(item.m_strLink) && !SitePaths::IsPublishablePath(address)) {
        return std::nullopt;
    }
    return address;
}

std::string PageContext::FolderId(std::string_view parentId, std::int64_t position) {
    if (parentId.empty()) return "0";
    std::string id(parentId);
    id += '-';
    id += std::to_string(position);
    return id;
}

std::string PageContext::FolderPageName(std::string_view folderId) {
    std::string name = "Folder";
    name += folderId;
    name += ".html";
    return name;
}

std::string PageContext::ColorToHtml(std::uint32_t color) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = "#";
    for (int shift = 0; shift <= 16; shift += 8) {
        const unsigned byte = (color >> shift) & 0xFFu;
        out += kHex[byte >> 4];
        out += kHex[byte & 0xFu];
    }
    return out;
}

std::string PageContext::DateText(Time time) {
    std::tm tm{};
    if (!ToLocal(time, tm)) return {};
    char text[48];
    char* out = std::to_chars(text, text + 12, tm.tm_mon + 1).ptr;
    *out++ = '/';
    out = std::to_chars(out, out + 12, tm.tm_mday).ptr;
    *out++ = '/';
    out = std::to_chars(out, out + 20, tm.tm_year + 1900LL).ptr;
    return std::string(text, out);
}

std::string PageContext::CreatedDateText(Time when) {
    std::tm tm{};
    if (!ToLocal(when, tm)) return {};
    std::string text = kWeekdays[tm.tm_wday % 7];
    text += ", ";
    text += kMonths[tm.tm_mon % 12];
    // Appended piece by piece: GCC 12 misjudges operator+ on temporaries here
    // (-Wrestrict under _FORTIFY_SOURCE).
    for (const std::string& piece :
         {std::string(" "), std::to_string(tm.tm_mday), std::string(", "),
          std::to_string(tm.tm_year + 1900LL), std::string(" at "), std::to_string(tm.tm_hour),
          std::string(":"), std::to_string(tm.tm_min)})
        text += piece;
    return text;
}

bool PageContext::HasPicturePage(const CBuildTreeDoc& item) const {
    if (m_doc.m_bUseThumbnails != 1) return false;
    if (SitePaths::IsExternalLink(item.m_strLink)) return false;
    // The address ends as the link does, so most documents are settled without it.
    if (!SitePaths::IsPictureAddress(item.m_strLink)) return false;
    return SitePaths::IsPictureAddress(SitePaths::ItemAddress(item.m_strLink));
}

std::string PageContext::PicturePageName(const CBuildTreeDoc& item) const {
    if (!m_picturePages) {
        m_picturePages.emplace();
        std::unordered_map<std::string, int> taken;
        // Folder pages, and so picture pages, are written only under an active root.
        if (m_doc.m_pRoot && IsActive(*m_doc.m_pRoot)) {
            NamePicturePages(*m_doc.m_pRoot, *m_picturePages, taken);
        }
    }
    const auto found = m_picturePages->find(&item);
    return found == m_picturePages->end() ? std::string() : found->second;
}

// In the order of the folder pages: a folder's own rows, then each sub-folder, active
// or not (their pages are written too).
void PageContext::NamePicturePages(const CBuildTreeFolder& folder, PicturePageNames& names,
                                   std::unordered_map<std::string, int>& taken) const {
    if (folder.m_bHotspotFolder == 0) {
        for (const auto& item : folder.m_arrDocs) {
            if (!IsActive(*item) || !HasPicturePage(*item)) continue;
            const std::optional<std::string> address = ListedAddress(*item);
            if (!address) continue;
            const std::string file = SitePaths::SiteFileName(*address);
            std::string key;
            for (char c : file) key += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
            const int uses = ++taken[key];
            std::string name =
                uses == 1 ? file + ".html" : file + "-" + std::to_string(uses) + ".html";
            // Too long a name: the row links the picture itself.
            if (SitePaths::IsPublishablePath(name)) names.emplace(item.get(), std::move(name));
        }
    }
    for (const auto& sub : folder.m_arrFolders) NamePicturePages(*sub, names, taken);
}

bool PageContext::TrailShown() const {
    return m_doc.m_nNavBarPosition == CFoldcraftDoc::kNavTop ||
           m_doc.m_nNavBarPosition == CFoldcraftDoc::kNavBottom;
}

std::string PageContext::ExtendTrail(const std::string& parentTrail, bool isRoot,
                                     std::string_view pageName, std::string_view folderName) {
    std::string trail = parentTrail;
    if (!isRoot) trail += " > ";
    trail += "<a href=\"";
    trail += pageName;
    trail += "\">";
    trail += PageText::Escaped(folderName);
    trail += "</a>";
    return trail;
}

void PageContext::WriteHead(PageFile& file, const PageFile::Arg& title) {
    file.Format("<html>\n<head>\n<title>%s</title>\n", {title});
    file.Format("<link rel=\"stylesheet\" href=\"styles.css\">\n<style type=\"text/css\">\n<!--\n");
}

void PageContext::WriteFolderStyle(PageFile& file, const CBuildTreeFolder& folder,
                                   bool graphicRules) {
    WriteHead(file, PageFile::Escaped(folder.m_strName));
    file.Format("h1 { font-size: 20pt; font-weight: bold; }\n");
    if (graphicRules && folder.m_nFolderButtonStyle == CBuildTreeFolder::kStyleGraphic) {
        file.Format(".folder { background-image: url(");
        file.Format(GraphicRule(folder.m_nFolderButtonGraphic));
    }
    if (graphicRules && folder.m_nFileButtonStyle == CBuildTreeFolder::kStyleGraphic) {
        file.Format(".document { background-image: url(");
        file.Format(GraphicRule(folder.m_nFileButtonGraphic));
    }
    file.Format("-->\n</style>\n ");
}

void PageContext::WriteFolderIntro(PageFile& file, const CBuildTreeFolder& folder) const {
    file.Format("</head>\n<body>\n");
    file.Format("<p>%s</p>\n", {m_doc.m_strHeader});
    if (folder.m_bShowContentsFor == 1) {
        file.Format("<h1>Contents for %s</h1>\n", {PageFile::Escaped(folder.m_strName)});
    }
    file.Format("%s\n<br><br>\n", {folder.m_strLabel});
}

void PageContext::WriteTopTrail(PageFile& file, const std::string& trail) const {
    if (m_doc.m_nNavBarPosition == CFoldcraftDoc::kNavTop) WriteTrail(file, trail);
}

void PageContext::WriteFolderPageEnd(PageFile& file, const std::string& trail) const {
    WriteNavigationButtons(file);
    if (m_doc.m_nNavBarPosition == CFoldcraftDoc::kNavBottom) WriteTrail(file, trail);
    file.Format("<p>%s</p>\n", {m_doc.m_strFooter});
    WriteMakerLineAndEnd(file);
}

void PageContext::WriteNavigationButtons(PageFile& file) const {
    if (m_doc.m_bShowRestartButton == 1) {
        file.Format(
            "<a href=\"%s\"><img src=\"images/restart.jpg\" width=\"76\" height=\"26\" "
            "border=\"0\"></a>\n",
            {m_doc.m_bCreateTitlePage == 1 ? "TitlePage.html" : "Folder0.html"});
    }
    if (m_doc.m_bCreateSitemap == 1) {
        file.Format(
            "<a href=\"Sitemap.html\"><img src=\"images/sitemap.jpg\" width=\"76\" "
            "height=\"26\" border=\"0\"></a>\n");
    }
}

void PageContext::WriteTrail(PageFile& file, const std::string& trail) {
    file.Text(trail);
    file.Text("<br><br>");
}

void PageContext::WriteMakerLineAndEnd(PageFile& file) {
    file.Format("<hr>\n<a href=\"%s\"><img src=\"images/logo.gif\" border=\"0\"></a>\n",
                {kMakerHomePage});
    file.Format("</body>\n</html>\n");
}

}  // namespace foldcraft
