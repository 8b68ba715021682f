#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "publish/PublishManifest.h"
#include "publish/SiteTarget.h"

namespace foldcraft {

// One file of the site to publish.
struct SiteFile {
    enum class Kind { kImage, kDocument, kPage };
    Kind kind = Kind::kDocument;
    std::string path;      // relative to the site's root: "files/Docs/a.doc", "Folder0.html"
    FileSource source;     // the local file, or the page's bytes
    std::string listedAs;  // how the list of files not copied names it: the source path
                           // of a document or image, the name of a page
};

// A file of the site that cannot be published, and why.
struct NotCopied {
    std::string listedAs;
    std::string reason;
};

// A file of the site as the sync found it before planning: what it is to be on the
// target (its size, its source's time, its digest where the target needs one) and
// whether the target holds that already.
struct SurveyedFile {
    SiteFile file;
    ManifestEntry wanted;
    bool unchanged = false;
};

// What a sync will do, computed before anything is written, from the site to publish
// and the target's manifest. No I/O of its own.
//
// Order of the work: the directories, then new and changed documents and images,
// then the pages, then the manifest, then the removals, so that a reader of the live
// site never meets a page that links a file not yet there. Only what the manifest
// lists is ever removed: files the site no longer holds, then directories the
// publish made that it no longer needs (deepest first, and only when empty).
class SyncPlan {
public:
    struct Removal {
        std::string path;
        ManifestEntry recorded;
    };

    // old: the target's manifest, or null when it has none or none to trust (then
    // nothing is removed). Files whose survey found them unchanged are left alone
    // unless changedOnly is false. skipListed: the directories old lists are not
    // among those to make.
    static SyncPlan Make(std::vector<SurveyedFile> files, const PublishManifest* old,
                         bool changedOnly, bool skipListed = false);

    // The directories to make, parents first: those of the files to put.
    std::vector<std::string> directories;
    // Documents and images to put, and those already there.
    std::vector<SurveyedFile> uploads;
    std::vector<SurveyedFile> unchanged;
    // Pages to put, and those already there.
    std::vector<SurveyedFile> pages;
    std::vector<SurveyedFile> unchangedPages;
    // Every directory the site's files lie in (those to keep).
    std::vector<std::string> siteDirectories;
    std::vector<Removal> removals;
    std::vector<std::string> directoryRemovals;
    // How many files the old manifest lists (the base of the removal limit).
    std::size_t listedFiles = 0;

    // The removal limit when none is given: half of the files listed, at least 20.
    std::size_t DefaultRemovalLimit() const;

    // The plan as --dry-run prints it.
    std::string Describe(const std::vector<NotCopied>& notCopied) const;
};

}  // namespace foldcraft
