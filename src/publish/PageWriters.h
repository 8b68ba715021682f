#pragma once

#include <string>

class CFoldcraftDoc;

namespace foldcraft::PageWriters {

// A page writer of the site generator (WriteStyleSheet, WriteTitlePage,
// WriteSitemap, WriteFolderPages): writes into the target directory, true on
// success.
using Writer = bool (*)(const CFoldcraftDoc&, const std::string&);

// Calls writer for doc into targetDir, as both publish runs do. A writer that
// throws (a write error, no memory) has failed like one that returns false, so a
// run always reaches its failure line.
bool Call(Writer writer, const CFoldcraftDoc& doc, const std::string& targetDir);

}  // namespace foldcraft::PageWriters
