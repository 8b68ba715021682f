#pragma once

#include <cstdint>
#include <string>

class CFoldcraftDoc;
class CBuildTreeFolder;

namespace foldcraft {

// The page writers of a project. Each is given the target directory without a
// trailing separator, creates its file (replacing an existing one) and writes it
// with CR LF line ends. Items are listed only when active at the moment of writing.
//
// WriteStyleSheet, WriteTitlePage and WriteSitemap return false when their file
// cannot be created or written. WriteFolderPages writes the root folder's page and
// every page below it; it returns false when any folder page could not be written
// (the other pages are still written).
bool WriteStyleSheet(const CFoldcraftDoc& doc, const std::string& targetDir);
bool WriteTitlePage(const CFoldcraftDoc& doc, const std::string& targetDir);
bool WriteSitemap(const CFoldcraftDoc& doc, const std::string& targetDir);
bool WriteFolderPages(const CFoldcraftDoc& doc, const std::string& targetDir);

// The preview of one folder: "temp.html" and a fresh "styles.css" in the program
// folder, whose "images" directory receives any missing support image. False when
// temp.html or styles.css cannot be written (missing support images are not an error).
bool WritePreviewPage(const CFoldcraftDoc& doc, const CBuildTreeFolder& folder,
                      const std::string& programFolder);

// The web form of a 0x00BBGGRR colour word: "#" and red, green, blue as two
// upper-case hexadecimal digits each (0x339933 gives "#339933", 0xFF0000 "#0000FF").
std::string ColorToHtml(std::uint32_t color);

// The created-on text of the current local time, as the title page shows it:
// "Monday, January 6, 2025 at 9:5".
std::string GetCreatedDateText();

}  // namespace foldcraft
