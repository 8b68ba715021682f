#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "publish/SiteTarget.h"

class CFTPLink;

namespace foldcraft {

class FtpConnector;

// What an FtpSiteTarget is told besides its link.
struct FtpSiteTargetOptions {
    // Texts never shown in a reason (the passwords of the logon).
    std::vector<std::string> secrets;
    // The largest manifest read back (tests make it small).
    std::size_t maxManifestBytes = PublishManifest::kMaxBytes;
    // The host and process written into the lock, and the clock that dates it
    // (seconds since 1970; the real clock, never the program's pinned "now").
    std::string host;  // empty: gethostname()
    std::function<std::int64_t()> now;
    // Called with a local source's path once it is open and measured, before
    // anything is sent (tests change the file there).
    std::function<void(const std::string&)> afterOpen;

    // Opens the further connections (Twin) and a new one when a connection is lost.
    // Without it nothing reconnects and the target has one connection.
    std::shared_ptr<const FtpConnector> connector;
    // Files are put over at most this many connections at once.
    std::size_t connections = 1;
    // A file is tried at most maxTries times when its failures are transient (the
    // connection lost or timed out, a 421, 425, 426, 450 or 451 reply), waiting
    // retryWaits[n - 1] after the nth try; all the connections of a run reconnect
    // at most maxReconnects times in all.
    int maxTries = 3;
    std::vector<std::chrono::milliseconds> retryWaits = {
        std::chrono::seconds(1), std::chrono::seconds(2), std::chrono::seconds(4)};
    int maxReconnects = 10;
    // How a wait is waited (tests: not at all). Empty: the thread sleeps.
    std::function<void(std::chrono::milliseconds)> sleep;
    // Lines for the log: each reconnect, each file tried again, a change of how
    // files are named or stored. Called from any connection's thread, one at a time.
    std::function<void(const std::string&)> note;
};

// A site on an FTP (or FTPS) server, over a logged-on CFTPLink that stands in the
// site's starting directory and stays there.
//
// Nothing passes through local scratch files: the manifest, the lock and every page
// go to and come from memory, and a local file is read from the descriptor opened for
// it, so nothing planted in a staging directory can be read, written or waited on.
//
// Reads are bounded: a manifest larger than its bound is refused as soon as the bound
// is passed (the data connection is closed, the link goes on). An upload sends a file
// as it was when it was opened: at most the size it had then.
//
// A file is stored as ".part-RRRRRRRR-N" beside its place (RRRRRRRR: eight hex digits
// chosen at random for this object, N a counter), then renamed over it. A server that
// refuses the rename (RNFR or RNTO) before any rename of the run worked gets plain
// uploads from then on: a file's put then fails with needsInPlace until
// AllowInPlace(), so that the sync marks the files first. One that will not rename
// over an existing file gets the old file deleted first. A temporary file that a
// failed upload may have left is deleted. A server that refuses names beginning with
// a dot gets "foldcraft-part-RRRRRRRR-N", "foldcraft-lock" and "foldcraft-manifest"
// from the first refusal on (and its manifest is looked for under that name too).
//
// A directory the manifest listed but that has gone is made again when a file put
// there is refused (once). A path the server finds too long (500, 501) is reached
// one directory at a time (CWD, then CDUP back).
//
// With a connector, a transient failure is tried again (Options) and a lost
// connection opened anew, back in the starting directory; Twin() gives a target on a
// connection of its own, opened by Connect(), sharing this one's counts and modes.
//
// The lock is the file kLockFileName in the starting directory (LockText). Every
// failure's reason is the server's reply, the link's own text or a local error, with
// the secrets given masked. Not thread-safe; the link must outlive the target.
class FtpSiteTarget : public SiteTarget {
public:
    static constexpr const char* kLockFileName = ".foldcraft-lock";
    // A lock older than this (by the time written in it) is taken over.
    static constexpr std::int64_t kLockLifetimeSeconds = 24 * 60 * 60;
    // Lock files are small; a larger one is not ours.
    static constexpr std::size_t kMaxLockBytes = 4096;

    using Options = FtpSiteTargetOptions;

    // link: logged on, in the starting directory; passive: the data connection mode.
    FtpSiteTarget(CFTPLink& link, bool passive, Options options = {});
    // The same, owning the link (which a reconnect replaces).
    FtpSiteTarget(std::unique_ptr<CFTPLink> link, bool passive, Options options = {});
    ~FtpSiteTarget() override;
    FtpSiteTarget(const FtpSiteTarget&) = delete;
    FtpSiteTarget& operator=(const FtpSiteTarget&) = delete;

    // The connection in use now (null when a lost one could not be opened again).
    CFTPLink* Link() const { return m_link; }

    std::unique_ptr<SiteTarget> Twin() const override;
    std::size_t Connections() const override;
    Status Connect() override;
    void AllowInPlace() override;

    // Whether a failure came from the server refusing a data connection (PORT
    // refused, or 425: it could not connect back), which passive mode may avoid.
    bool DataConnectionRefused() const { return m_dataRefused; }

    // text with every non-empty secret in it replaced by "********".
    static std::string MaskSecrets(std::string text, const std::vector<std::string>& secrets);

    // "foldcraft-lock 1\nhost HOST\npid PID\ntime SECONDS\n".
    static std::string LockText(const std::string& host, long pid, std::int64_t time);
    // Whether name is a temporary file of Foldcraft's own making among the names
    // listed in its directory: ".part-" or "foldcraft-part-" + 8 hex digits + "-" +
    // digits, or the older ".part-" + NAME while NAME is listed too.
    static bool IsLeftover(const std::string& name, const std::vector<std::string>& listed);

    // A new random part of temporary names (8 hex digits), and the name of the
    // counter-th temporary file of that run: ".part-RUNID-COUNTER" (other targets on
    // servers use the same names, so that IsLeftover knows them).
    static std::string NewRunId();
    static std::string PartName(const std::string& runId, unsigned long counter);
    // What a lock file's text says: its holder as kHeld tells it, and whether it may
    // be taken over (TakeLock's rules; never a file of another form).
    struct LockState {
        std::string holder;
        bool stale = false;
    };
    static LockState JudgeLock(const std::string& text, const std::string& host, std::int64_t now);

    // kHeld's holder: "host NAME, process PID", or for a lock file of another form
    // "an unknown lock file .foldcraft-lock" (which is never removed). A lock is taken
    // over when its process is gone from this host (kill(pid, 0) fails with ESRCH) or
    // it is older than kLockLifetimeSeconds. Ours is stored, then read back: another
    // run that wrote after us has won (kHeld). Two runs whose write and read-back
    // interleave exactly can both win: FTP has no exclusive create.
    Lock TakeLock(std::string& holder) override;
    // Deletes the lock when this object took it and it is still the one stored (a
    // lock that another run took over once ours had expired stays).
    void ReleaseLock() override;

    // Not found only when RETR is refused (550, 450) and the listing of the site's
    // root does not show it; larger than Options::maxManifestBytes: found, failed.
    // Found under "foldcraft-manifest" too (then names without a dot are used).
    ManifestText ReadManifest() override;
    Status WriteManifest(const std::string& text) override;

    bool NeedsDigests() const override { return true; }
    // Only by the manifest: recorded has wanted's size and SHA-256.
    bool Holds(const std::string& path, const FileSource& source, const ManifestEntry& wanted,
               const ManifestEntry* recorded) override;

    Status MakeDirectory(const std::string& path, bool& made) override;
    Status PutFile(const std::string& path, const FileSource& source, const ManifestEntry& wanted,
                   std::optional<ManifestEntry>& entry) override;
    // Asks the server for the size (SIZE; MLST when SIZE is answered 500 or 502) and
    // deletes only when it equals recorded.size. kGone: the size is refused with 550
    // and a listing of the path shows nothing. A server that knows neither command,
    // or any other answer: kFailed, nothing deleted.
    Removal RemoveFile(const std::string& path, const ManifestEntry& recorded,
                       std::string& reason) override;
    Status RemoveDirectory(const std::string& path) override;
    void RemoveLeftovers(const std::string& directory) override;

    // The random part of this object's temporary names (8 hex digits).
    const std::string& RunId() const { return m_runId; }

private:
    struct Shared;
    FtpSiteTarget(std::shared_ptr<Shared> shared, bool passive, Options options);

    // Stores through a temporary name; store(name) sends the bytes to name. file: a
    // file of the site (not the lock nor the manifest).
    Status Put(const std::string& path, const std::function<bool(const std::string&)>& store,
               bool file);
    // Put's second half: the stored temporary file renamed to target (over an old
    // file if need be); a server that refuses renames switches the run to plain uploads
    // and the put is made again that way.
    Status RenameIntoPlace(const std::string& temporary, const std::string& target,
                           const std::string& path,
                           const std::function<bool(const std::string&)>& store, bool file);
    // Put, reaching a path that is too long one directory at a time.
    Status PutAnyLength(const std::string& path,
                        const std::function<bool(const std::string&)>& store, bool file);
    // op, tried again while it fails transiently (reconnecting when the connection
    // went); what: the path, for the log.
    Status Retrying(const std::string& what, const std::function<Status()>& op);
    // A link that is open: the one there is, or a new one (the reconnects of the run
    // allowing). False with the reason in status.
    bool EnsureConnected(Status& status);
    bool Reconnect(Status& status);
    // Makes each directory of dir that is missing ("a/b": "a", then "a/b").
    bool MakeParents(const std::string& dir);
    // Enters dir one directory at a time; Leave goes back up as many.
    bool Enter(const std::string& dir, std::size_t& levels);
    void Leave(std::size_t levels);
    void Note(const std::string& line) const;
    std::string TemporaryName(const std::string& path);
    std::string LockName() const;
    std::string ManifestName() const;
    // The link's last reply (or own text), secrets masked.
    std::string Reason() const;
    Status Failed() const;
    // Whether a listing of path shows anything. False also when it cannot be told
    // (then known is false).
    bool Listed(const std::string& path, bool& known);
    // The lock file's text (found false: there is none). False, with the reason, when
    // it cannot be told; a file larger than kMaxLockBytes is found with no text.
    bool ReadLock(std::string& text, bool& found, std::string& reason);

    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<CFTPLink> m_owned;
    CFTPLink* m_link = nullptr;
    bool m_twin = false;
    bool m_passive;
    Options m_options;
    mutable bool m_dataRefused = false;
    // Whether the last failure (Failed()) was transient, or a path too long.
    mutable bool m_transient = false;
    mutable bool m_tooLong = false;
    std::string m_runId;
    unsigned long m_counter = 0;
    std::string m_lockText;  // what we stored, while we hold the lock
    // Temporary files a lost connection left behind, deleted once one is open again.
    std::vector<std::string> m_abandoned;
};

}  // namespace foldcraft
