#pragma once

#include <cstdint>
#include <string>

#include "model/Clock.h"

class CFoldcraftDoc;
class CBuildTreeFolder;

namespace foldcraft {

class PageSet;

// The page writers of a project. Each is given the target directory without a
// trailing separator, creates its file (replacing an existing one) and writes it
// with CR LF line ends. Items are listed only when active at the run's "now"; the
// title page's creation date is the run's stamp. Without a RunTime, Clock::ForRun()
// is read by each call; a run that writes several pages reads it once and passes it
// to every writer.
//
// WriteStyleSheet, WriteTitlePage and WriteSitemap return false when their file
// cannot be created or written. WriteFolderPages writes the root folder's page and
// every page below it (picture pages included); it returns false when any folder
// page could not be written (the other pages are still written).
bool WriteStyleSheet(const CFoldcraftDoc& doc, const std::string& targetDir);
bool WriteTitlePage(const CFoldcraftDoc& doc, const std::string& targetDir);
bool WriteSitemap(const CFoldcraftDoc& doc, const std::string& targetDir);
bool WriteFolderPages(const CFoldcraftDoc& doc, const std::string& targetDir);
bool WriteStyleSheet(const CFoldcraftDoc& doc, const std::string& targetDir, const RunTime& time);
bool WriteTitlePage(const CFoldcraftDoc& doc, const std::string& targetDir, const RunTime& time);
bool WriteSitemap(const CFoldcraftDoc& doc, const std::string& targetDir, const RunTime& time);
bool WriteFolderPages(const CFoldcraftDoc& doc, const std::string& targetDir, const RunTime& time);

// The same pages rendered into out instead of a directory: the same names (plain
// file names, relative to the site's root), the same bytes and the same results as
// the Write functions at the same RunTime. A page already in out under the same
// name is replaced. Nothing is written to disk; a page whose name is not publishable
// fails as it would on disk.
bool RenderStyleSheet(const CFoldcraftDoc& doc, PageSet& out, const RunTime& time);
bool RenderTitlePage(const CFoldcraftDoc& doc, PageSet& out, const RunTime& time);
bool RenderSitemap(const CFoldcraftDoc& doc, PageSet& out, const RunTime& time);
// Folder pages and picture pages.
bool RenderFolderPages(const CFoldcraftDoc& doc, PageSet& out, const RunTime& time);

// The preview of one folder: "temp.html" and a fresh "styles.css" in the program
// folder, whose "images" directory receives any missing support image. False when
// temp.html or styles.css cannot be written (missing support images are not an error).
bool WritePreviewPage(const CFoldcraftDoc& doc, const CBuildTreeFolder& folder,
                      const std::string& programFolder);

// The web form of a 0x00BBGGRR colour word: "#" and red, green, blue as two
// upper-case hexadecimal digits each (0x339933 gives "#339933", 0xFF0000 "#0000FF").
std::string ColorToHtml(std::uint32_t color);

// The created-on text of Clock::Stamp() in local time, as the title page shows it:
// "Monday, January 6, 2025 at 9:5".
std::string GetCreatedDateText();

}  // namespace foldcraft
