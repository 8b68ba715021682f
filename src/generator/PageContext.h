#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "generator/PageFile.h"
#include "model/Clock.h"

class CFoldcraftDoc;
class CBuildTreeDoc;
class CBuildTreeFolder;

namespace foldcraft {

class PageSet;

// What every page writer of one run shares: the project, where the pages go (a
// target directory, or a PageSet in memory) and the run's times, read once, so that
// every page of a run agrees on which items are active. Also the texts and page
// parts common to several pages.
// The context refers to the project (and the page set); they must outlive it.
class PageContext {
public:
    // The address of the maker's home page, linked by the logo of the maker line.
    static constexpr std::string_view kMakerHomePage = "https://foldcraft.example/";

    // Pages go into targetDir, which is opened when the first page is written.
    // Without a time, Clock::ForRun() is read now.
    PageContext(const CFoldcraftDoc& doc, std::string targetDir,
                std::optional<RunTime> time = std::nullopt);
    // Pages go into out.
    PageContext(const CFoldcraftDoc& doc, PageSet& out, RunTime time);
    ~PageContext();
    PageContext(const PageContext&) = delete;
    PageContext& operator=(const PageContext&) = delete;

    const CFoldcraftDoc& Doc() const { return m_doc; }
    // Empty in memory.
    const std::string& TargetDir() const { return m_targetDir; }
    // Decides which items are active.
    Time Now() const { return m_time.now; }
    // What the pages say they were made at.
    Time Stamp() const { return m_time.stamp; }

    // Starts the page name (a plain file name) in the target directory or the page
    // set. False, and the page stays closed, when the name is not a publishable file
    // name (SitePaths::IsPublishablePath, no separator), the target directory cannot
    // be opened, or the page cannot be created there.
    bool OpenPage(PageFile& file, std::string_view name) const;

    // Whether the item is inside its publish window at this run's "now".
    bool IsActive(const CBuildTreeDoc& item) const;
    // Whether a document or link is shown on the pages: active, and for a document
    // (not a web or mail link) its copy under "files/" has a publishable path. The
    // publish leaves the others uncopied; no page links them.
    bool IsListed(const CBuildTreeDoc& item) const { return ListedAddress(item).has_value(); }
    // The address of a listed item (SitePaths::ItemAddress); nullopt for one that
    // is not listed.
    std::optional<std::string> ListedAddress(const CBuildTreeDoc& item) const;

    // "0" for the root (empty parent identifier), else parent + "-" + position.
    static std::string FolderId(std::string_view parentId, std::int64_t position);
    // "Folder" + identifier + ".html".
    static std::string FolderPageName(std::string_view folderId);

    // "#RRGGBB" of a 0x00BBGGRR colour word, upper-case hexadecimal.
    static std::string ColorToHtml(std::uint32_t color);
    // "month/day/year" of a time in local time ("3/7/2004"); empty when the time
    // cannot be converted.
    static std::string DateText(Time time);
    // "Monday, January 6, 2025 at 9:5": weekday, date and time of "when" in local time.
    static std::string CreatedDateText(Time when);

    // The name of the picture page that this run's folder pages write for the
    // document, and that every link to it uses; empty when the document gets none
    // (not listed on a written button-layout page, not a picture document, or a
    // page name that is not publishable).
    // The name is the file name of the document's address plus ".html"; when two
    // documents would share a name, the first in the order the folder pages are
    // written keeps it and the later ones get "<file name>-2.html", "-3" and so on
    // (names compared without regard to ASCII case, as some servers compare them).
    // The same tree always gets the same names.
    std::string PicturePageName(const CBuildTreeDoc& item) const;

    // The navigation trail shown on folder pages: whether it is written at all,
    // and the trail of a parent extended by one folder's link (its name as text).
    bool TrailShown() const;
    static std::string ExtendTrail(const std::string& parentTrail, bool isRoot,
                                   std::string_view pageName, std::string_view folderName);

    // "<html>", head and title, the stylesheet link and the opening of the page's
    // own style block.
    static void WriteHead(PageFile& file, const PageFile::Arg& title);
    // The head of a folder page (button layout, image map or preview) up to and
    // including the end of its style block ("-->", "</style>" and a space): the
    // folder's name (as text) as title, the heading rule and, when graphicRules is true, the
    // background rules of the folder's graphic buttons.
    static void WriteFolderStyle(PageFile& file, const CBuildTreeFolder& folder, bool graphicRules);
    // The start of a folder page's body: "</head>", "<body>", the header text, the
    // "Contents for" heading when the folder shows it, and the folder's label.
    void WriteFolderIntro(PageFile& file, const CBuildTreeFolder& folder) const;
    // The trail when the navigation bar is at the top (written after the intro).
    void WriteTopTrail(PageFile& file, const std::string& trail) const;
    // The end of a published folder page: the navigation buttons, the trail when the
    // navigation bar is at the bottom, the footer, the maker line and the end.
    void WriteFolderPageEnd(PageFile& file, const std::string& trail) const;
    // The restart and sitemap buttons of folder pages, as the settings ask.
    void WriteNavigationButtons(PageFile& file) const;
    // The trail followed by "<br><br>".
    static void WriteTrail(PageFile& file, const std::string& trail);
    // The maker line and the end of the page ("</body>", "</html>").
    static void WriteMakerLineAndEnd(PageFile& file);

private:
    // Whether a document listed on a button-layout page gets a picture page in this
    // run: thumbnails on, a local document (not a web or mail link) whose address
    // ends in "jpg" or "gif". Its page name is checked once it is numbered.
    bool HasPicturePage(const CBuildTreeDoc& item) const;

    using PicturePageNames = std::unordered_map<const CBuildTreeDoc*, std::string>;
    void NamePicturePages(const CBuildTreeFolder& folder, PicturePageNames& names,
                          std::unordered_map<std::string, int>& taken) const;

    const CFoldcraftDoc& m_doc;
    std::string m_targetDir;
    PageSet* m_pages = nullptr;  // in memory: where the pages go
    RunTime m_time;
    // The target directory (O_PATH), opened at the first page.
    mutable int m_dirFd = -1;
    // Made on first use; a context serves one run on one thread.
    mutable std::optional<PicturePageNames> m_picturePages;
};

}  // namespace foldcraft
