#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/Clock.h"
#include "publish/SyncPlan.h"

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
// written safely (a "." or ".." segment, no name, a name longer than a file system
// takes, a control character) goes into cannotCopy with the reason, and so does a
// second file for a place already taken. The background image comes first: a
// support image named like it goes to its own name.
class SiteContents {
public:
    static void Collect(const CFoldcraftDoc& doc, const std::string& programFolder, Time now,
                        std::vector<SiteFile>& files, std::vector<NotCopied>& cannotCopy);

    // Whether a relative site path can be written: a safe relative path of at most
    // 1024 bytes whose segments are at most 255 bytes, without control characters.
    static bool IsWritablePath(std::string_view relative);
};

}  // namespace foldcraft
