#pragma once

#include <optional>
#include <string>

#include "publish/SiteTarget.h"
#include "publish/UniqueFd.h"

namespace foldcraft {

// A site in a local directory.
//
// The target directory itself may be a symbolic link (the user chose it); nothing
// below it is followed. Every directory is entered one part at a time from the
// target (openat with O_NOFOLLOW), and every write, rename and removal is made
// relative to the directory so entered (openat, renameat, unlinkat), so no
// operation reaches outside the target through a link that stands in the site, or
// that is put there while the run works. Files are written under temporary names
// of TempFileName's scheme (which carry the writing process) and renamed into place.
//
// The lock is flock() on ".foldcraft-lock" in the target, which names the run's
// host and process while the run works; the file goes when the lock is released,
// and the lock ends with the process at the latest.
class LocalSiteTarget : public SiteTarget {
public:
    static constexpr const char* kLockName = ".foldcraft-lock";

    // targetDir: absolute, without trailing slash.
    explicit LocalSiteTarget(std::string targetDir);

    // Whether the target directory can be entered at all.
    bool Open();

    Lock TakeLock(std::string& holder) override;
    void ReleaseLock() override;
    ManifestText ReadManifest() override;
    Status WriteManifest(const std::string& text) override;
    bool NeedsDigests() const override { return false; }
    bool Holds(const std::string& path, const FileSource& source, const ManifestEntry& wanted,
               const ManifestEntry* recorded) override;
    std::unique_ptr<SiteTarget> Twin() const override;
    Status MakeDirectory(const std::string& path, bool& made) override;
    Status PutFile(const std::string& path, const FileSource& source, const ManifestEntry& wanted,
                   std::optional<ManifestEntry>& entry) override;
    Removal RemoveFile(const std::string& path, const ManifestEntry& recorded,
                       std::string& reason) override;
    Status RemoveDirectory(const std::string& path) override;
    void RemoveLeftovers(const std::string& directory) override;

    // Opens the directory relative (below the target, "/"-separated; "" is the target)
    // one part at a time without following links; an empty, "." or ".." part is
    // refused. -1 with reason when it cannot. The descriptor of the last directory
    // opened is kept for the next call, unless fresh. Only the survey (Holds) takes
    // the kept one: whatever writes or removes enters afresh, so a directory moved
    // away and replaced by a link since the plan is not written into.
    int Directory(const std::string& relative, std::string& reason, bool fresh = false);

private:
    // Writes bytes to name in the directory dirFd, through a temporary file.
    Status WriteBytes(int dirFd, const std::string& name, const std::string& bytes,
                      ManifestEntry* entry);

    std::string m_targetDir;
    UniqueFd m_root;
    std::string m_lastName;
    UniqueFd m_last;
    UniqueFd m_lock;
    bool m_missing = false;  // the last Directory() failed for a missing part
    // The directory m_last was entered afresh for by PutFile, while no other call
    // has used m_last since.
    std::optional<std::string> m_putDir;
    // A directory that a look (not fresh) found missing; cleared by every fresh walk.
    std::string m_missingDir;
};

}  // namespace foldcraft
