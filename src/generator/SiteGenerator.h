#pragma once

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
// folder. False when either file cannot be written.
bool WritePreviewPage(const CFoldcraftDoc& doc, const CBuildTreeFolder& folder,
                      const std::string& programFolder);

}  // namespace foldcraft
