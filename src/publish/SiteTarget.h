#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "publish/PublishManifest.h"

namespace foldcraft {

// Where the bytes of a file to publish come from: a local file (a document, an
// image), read up to the size it had when it was opened, or bytes in memory (a page).
struct FileSource {
    std::string localPath;
    const std::string* bytes = nullptr;  // when set, localPath is not used; not owned
    // The local file's device and inode when known (0: not known), so that a target
    // can tell the source itself from a copy without asking again.
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    // Told of the bytes as they go out (a file sent again is told again); may be empty.
    std::function<void(std::uint64_t)> onBytes;

    static FileSource Local(std::string path) {
        FileSource source;
        source.localPath = std::move(path);
        return source;
    }
};

// One place a site is published to: a local directory, a server. A sync (SyncRun)
// needs only these few operations, so a new kind of target implements just them.
//
// Every path is relative to the site's root, "/"-separated, and a
// PublishManifest::IsSafePath path; the sync makes a directory before it puts a file
// into it. Nothing a target does may reach outside the site's root: a local target
// never follows a symbolic link below it.
//
// Failures are values: an operation that fails says why in a text fit for the log
// (a server's reply, a system error). A target whose connection is lost fails every
// later operation at once. Not thread-safe.
class SiteTarget {
public:
    struct Status {
        bool ok = true;
        std::string reason;    // why it failed; empty when ok
        bool endsRun = false;  // the target cannot take the site at all (it is gone,
                               // a link stands where a directory must be, the
                               // connection is lost): the run stops
        // PutFile only: the target cannot put a file under a temporary name and must
        // overwrite it in place, which it does only once AllowInPlace() was called
        // (the sync first marks the files to come in its manifest)
        bool needsInPlace = false;
        static Status Ok() { return {}; }
        static Status Failed(std::string why, bool ends = false) {
            return {false, std::move(why), ends};
        }
    };

    virtual ~SiteTarget() = default;

    // Takes the target's lock, so that no second publish writes into it until
    // ReleaseLock (or the end of this process). kHeld: another run holds it, and
    // holder says which ("host NAME, process PID"); kFailed: the lock could not be
    // taken for another reason (in holder). Nothing else is written before it.
    enum class Lock { kTaken, kHeld, kFailed };
    virtual Lock TakeLock(std::string& holder) = 0;
    virtual void ReleaseLock() = 0;

    // The manifest's text. found false (and text empty) when there is none. A
    // manifest that cannot be read, is not a regular file or is larger than
    // PublishManifest::kMaxBytes is found with ok false: the sync then trusts none.
    struct ManifestText {
        bool found = false;
        Status status;
        std::string text;
    };
    virtual ManifestText ReadManifest() = 0;
    // Writes the manifest under a temporary name, then renames it into place.
    virtual Status WriteManifest(const std::string& text) = 0;

    // Whether the sync needs each source's SHA-256 to ask Holds (a server cannot be
    // asked for a file's time, so its manifest's digests decide).
    virtual bool NeedsDigests() const = 0;
    // Whether the file at path already holds what wanted describes, so that it need
    // not be put again. recorded: what the manifest says was put there (or null).
    // A local target compares a copy's size and time with its source's, or for a
    // page (wanted without mtime) the digest and the recorded size and time.
    // A source that is itself the file at path (a site published into its own
    // documents) is never held: PutFile then leaves it and does not record it.
    virtual bool Holds(const std::string& path, const FileSource& source,
                       const ManifestEntry& wanted, const ManifestEntry* recorded) = 0;

    // A second object for the same target, whose Holds and PutFile may be called on
    // another thread while this one's are (the sync surveys and copies a large site
    // in two halves). It takes no lock and does nothing else, and must not outlive
    // this one. nullptr: everything is asked from one thread.
    virtual std::unique_ptr<SiteTarget> Twin() const { return nullptr; }

    // Makes the directory (its parent exists). made tells whether it was made now
    // (false: it was there already, which is no failure).
    virtual Status MakeDirectory(const std::string& path, bool& made) = 0;
    // Puts source at path: under a temporary name in the same directory, then
    // renamed over whatever stood there, so a failed put leaves the old file. entry
    // receives what the manifest is to record (wanted, completed with what the
    // target knows: a local file's time); it stays empty when the source itself
    // stands at path, which is not the publish's to record.
    virtual Status PutFile(const std::string& path, const FileSource& source,
                           const ManifestEntry& wanted, std::optional<ManifestEntry>& entry) = 0;

    // After a put failed with needsInPlace: files are overwritten in place from now on.
    virtual void AllowInPlace() {}

    // How many connections the files may be put over at once (Twin() for each
    // beyond the first, which must then Connect()). 0: the target does not say, and
    // the sync decides by the number of files.
    virtual std::size_t Connections() const { return 0; }
    // A twin made for putting files opens its own connection here, in the thread
    // that will use it. A failure (the server takes no more connections) leaves the
    // twin unused.
    virtual Status Connect() { return Status::Ok(); }

    // Removes the file at path only while it still matches recorded (its size, and
    // its time where recorded; a server's size by its own answer).
    enum class Removal {
        kRemoved,
        kGone,     // nothing there any more: nothing to do
        kChanged,  // something else stands there now: left alone
        kFailed,   // could not be removed (reason)
    };
    virtual Removal RemoveFile(const std::string& path, const ManifestEntry& recorded,
                               std::string& reason) = 0;
    // Removes the directory when it is empty; a directory that holds anything stays.
    virtual Status RemoveDirectory(const std::string& path) = 0;

    // Removes the temporary files that killed runs left in the directory ("" is the
    // root): only names of Foldcraft's own making, only when their run is over.
    virtual void RemoveLeftovers(const std::string& directory) = 0;
};

}  // namespace foldcraft
