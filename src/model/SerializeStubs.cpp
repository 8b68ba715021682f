// Temporary bodies until the project file reader and writer land.
#include "model/FoldcraftDoc.h"

void CBuildTreeDoc::Serialize(CArchive&) {}
void CBuildTreeDoc::SerializeItem(CArchive&) {}
void CBuildTreeFolder::Serialize(CArchive&) {}
void CHotspotArea::Serialize(CArchive&) {}
void CFoldcraftDoc::Serialize(CArchive&) {}
