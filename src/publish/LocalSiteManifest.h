#pragma once

#include <optional>
#include <string>
#include <unordered_set>

#include "publish/PublishManifest.h"

namespace foldcraft {

// The manifest of a local site: which files under the target directory a publish
// copied there (PublishManifest::kFileName in the target, sizes only, no digests).
// A copy whose size and modification time equal its source's is up to date and is
// not copied again; a file that the manifest lists and that the site no longer
// publishes is removed. Nothing it does not list is ever removed.
//
// One object serves one run: Load, then for each file Publishing (and Copied when it
// was copied), then RemoveUnpublished and Save.
class LocalSiteManifest {
public:
    // targetDir: absolute, without trailing slash.
    explicit LocalSiteManifest(std::string targetDir);

    // Reads the target's manifest. A missing, unreadable or foreign one counts as
    // empty (nothing is then removed).
    void Load();

    // Whether destination is a regular file (not a link, not source itself) with
    // the size and the modification time of source.
    static bool UpToDate(const std::string& source, const std::string& destination);

    // The site publishes relativePath ("files/...", "images/..."). When upToDate,
    // the copy there is counted as skipped and stays listed as ours.
    void Publishing(const std::string& relativePath, bool upToDate);
    // The run copied relativePath there.
    void Copied(const std::string& relativePath);

    // Removes every listed file that the run did not publish, unless a directory on
    // its way below the target is a symbolic link or not a directory. Returns how
    // many went; those that would not go stay listed.
    int RemoveUnpublished();

    // Writes the manifest (a temporary file renamed over the old one). False when it
    // could not be written; the old one then stays.
    bool Save() const;

    std::string Path() const;
    int Skipped() const { return m_nSkipped; }

private:
    bool RemoveInside(const std::string& relativePath) const;

    std::string m_targetDir;
    std::optional<PublishManifest> m_old;
    PublishManifest m_new;
    std::unordered_set<std::string> m_published;
    int m_nSkipped = 0;
};

}  // namespace foldcraft
