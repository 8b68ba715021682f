#pragma once

#include <string>
#include <vector>

#include "model/Clock.h"
#include "publish/SyncPlan.h"

namespace foldcraft {
class SitePages;
class SyncRun;
}  // namespace foldcraft

class CFoldcraftDoc;
class CBuildTreeFolder;

namespace foldcraft {

// What a site publishes besides its pages, and where each file goes:
//   images/<name>            the background image (SitePaths::BackgroundImageName of
//                            it), then the support images from the program folder
//   files/<relative path>    every hotspot picture and every document active at now,
//                            in active folders, where relative path is
//                            SitePaths::RelativeSitePath of the source: exactly the
//                            address the pages link to
// Web and mail links are never copied. A file whose place is not a path that can be
// written safely (SitePaths::IsPublishablePath: a "." or ".." segment, no name, a
// name longer than a file system takes, a control character; the pages do not link
// such a file either) goes into cannotCopy with the reason, and so does a
// second file for a place already taken. The background image comes first: a
// support image named like it goes to its own name.
class SiteContents {
public:
    // Collects the files and adds the pages, then plans the sync of them.
    static void PlanSync(SyncRun& sync, const CFoldcraftDoc& doc, const std::string& programFolder,
                         Time now, const SitePages& pages);

    static void Collect(const CFoldcraftDoc& doc, const std::string& programFolder, Time now,
                        std::vector<SiteFile>& files, std::vector<NotCopied>& cannotCopy);
};

}  // namespace foldcraft
