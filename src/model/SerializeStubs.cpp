// Temporary bodies until the project file reader and writer land.
#include "model/FoldcraftDoc.h"

void CBuildTreeDoc::Serialize(CArchive&) {}
void CBuildTreeDoc::SerializeItem(CArchive&) {}
void CBuildTreeFolder::Serialize(CArchive&) {}
void CHotspotArea::Serialize(CArchive&) {}
void CFoldcraftDoc::Serialize(CArchive&) {}

#include "model/ProjectFile.h"

namespace foldcraft {
ProjectFileResult LoadProject(CFoldcraftDoc&, const std::string&) {
    return {ProjectFileResult::Status::kIoError, "not available yet"};
}
ProjectFileResult SaveProject(CFoldcraftDoc&, const std::string&) {
    return {ProjectFileResult::Status::kIoError, "not available yet"};
}
ProjectFileResult ReadProjectBytes(CFoldcraftDoc&, std::string_view) {
    return {ProjectFileResult::Status::kIoError, "not available yet"};
}
std::string WriteProjectBytes(CFoldcraftDoc&) { return {}; }
}  // namespace foldcraft
