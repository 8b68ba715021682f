// Temporary bodies until the page writers land.
#include "generator/SiteGenerator.h"

namespace foldcraft {
bool WriteStyleSheet(const CFoldcraftDoc&, const std::string&) { return false; }
bool WriteTitlePage(const CFoldcraftDoc&, const std::string&) { return false; }
bool WriteSitemap(const CFoldcraftDoc&, const std::string&) { return false; }
bool WriteFolderPages(const CFoldcraftDoc&, const std::string&) { return false; }
bool WritePreviewPage(const CFoldcraftDoc&, const CBuildTreeFolder&, const std::string&) { return false; }
}  // namespace foldcraft
