#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "publish/SiteTarget.h"
#include "publish/SftpUploadChannel.h"
#include "publish/SshSession.h"

struct sftp_session_struct;

namespace foldcraft {

struct SftpSiteTargetOptions {
    // How further connections (Twin) log on; the first is given to the constructor.
    SshOptions ssh;
    // The site's root on the server: relative to the log-on directory, or absolute
    // ("" : the log-on directory itself).
    std::string startDir;
    // Files are put over at most this many SFTP sessions at once.
    std::size_t connections = 1;
    // Bytes per SSH_FXP_WRITE, and how many writes may wait for their answers at once
    // (SftpUploadChannel): a file of up to blockSize * writesInFlight bytes costs one
    // round trip to write, however far away the server is.
    std::size_t blockSize = 64 * 1024;
    std::size_t writesInFlight = 16;
    // false: everything goes through libssh's SFTP session, a block at a time and
    // replacing by renames aside (what happens where the server takes no second channel).
    bool pipelined = true;
    std::size_t maxManifestBytes = PublishManifest::kMaxBytes;
    // A file whose put lost the connection is tried at most maxTries times, over a new
    // session each time, waiting retryWaits[n - 1] after the nth try; a target and
    // its twins open at most maxReconnects new sessions in all. note is told of each
    // (a line for the log); sleep waits (empty: the thread sleeps).
    int maxTries = 3;
    std::vector<std::chrono::milliseconds> retryWaits = {std::chrono::seconds(1),
                                                         std::chrono::seconds(2)};
    int maxReconnects = 10;
    std::function<void(const std::string&)> note;
    std::function<void(std::chrono::milliseconds)> sleep;
    std::string host;                   // written into the lock; empty: gethostname()
    std::function<std::int64_t()> now;  // the lock's clock; empty: time()
};

// A site on an SFTP server (libssh), below the starting directory.
//
// A file is written as ".part-RRRRRRRR-N" beside its place (FtpSiteTarget's names, so
// that either target clears the other's leftovers), its writes in flight together
// (SftpUploadChannel), and renamed into place: in one step with
// posix-rename@openssh.com where the server offers it. SFTP's plain rename does not
// replace a file, so elsewhere an old file is first renamed aside, and renamed back
// when the new one cannot take its place. A failed put removes its
// temporary file; a directory listed in the manifest that has gone is made again
// when a file is put there; a put whose connection was lost is tried again over a
// new session (Options).
//
// The lock is FtpSiteTarget::kLockFileName, made with an exclusive create (so two
// runs cannot both win); a stale one (FtpSiteTarget::JudgeLock) is replaced.
//
// Reasons name the path and the kind of failure: "Permission denied: PATH", "No
// such file or directory: PATH", "The server could not store PATH (disk full or over
// quota?)" after a short write, "The connection to the server was lost: ..." (which
// ends the run). No reason holds a password or passphrase. Not thread-safe; a twin
// (Twin, then Connect) has a session of its own.
class SftpSiteTarget : public SiteTarget {
public:
    using Options = SftpSiteTargetOptions;

    // session: logged on (SshSession::Open); the target starts SFTP on it.
    SftpSiteTarget(std::unique_ptr<SshSession> session, Options options);
    ~SftpSiteTarget() override;
    SftpSiteTarget(const SftpSiteTarget&) = delete;
    SftpSiteTarget& operator=(const SftpSiteTarget&) = delete;

    // Whether SFTP runs on the session and the starting directory is a directory
    // (else Error() says why). made true when createStartDir made it.
    bool Ready(bool createStartDir, bool& made);
    const std::string& Error() const { return m_error; }
    // Whether a file is replaced in one step (the server offers
    // posix-rename@openssh.com).
    bool AtomicRename() const { return m_atomicRename; }

    std::unique_ptr<SiteTarget> Twin() const override;
    std::size_t Connections() const override;
    Status Connect() override;

    Lock TakeLock(std::string& holder) override;
    void ReleaseLock() override;
    ManifestText ReadManifest() override;
    Status WriteManifest(const std::string& text) override;
    bool NeedsDigests() const override { return true; }
    bool Holds(const std::string& path, const FileSource& source, const ManifestEntry& wanted,
               const ManifestEntry* recorded) override;
    Status MakeDirectory(const std::string& path, bool& made) override;
    Status PutFile(const std::string& path, const FileSource& source, const ManifestEntry& wanted,
                   std::optional<ManifestEntry>& entry) override;
    Removal RemoveFile(const std::string& path, const ManifestEntry& recorded,
                       std::string& reason) override;
    Status RemoveDirectory(const std::string& path) override;
    void RemoveLeftovers(const std::string& directory) override;

private:
    SftpSiteTarget(Options options, bool twin);
    bool StartSftp();
    std::string Remote(const std::string& path) const;
    // The failure of the last libssh SFTP request on path, as a Status.
    Status Failed(const std::string& path) const;
    // The same for the server's status code.
    Status FailedWith(const std::string& path, int code) const;
    bool Lost() const;
    // Writes bytes from next() (which fills a block and returns its length, 0 at the
    // end, -1 on a read error) to the remote name, created or truncated.
    Status Write(const std::string& remote, const std::string& shown,
                 const std::function<long(char*, std::size_t)>& next,
                 const std::function<void(std::uint64_t)>& onBytes);
    // Renames the stored temporary file over target (remote paths; path and dir as the
    // site names them); the old file is kept until the new one stands.
    Status Replace(const std::string& temporary, const std::string& target, const std::string& path,
                   const std::string& dir);
    // op, tried again over a new session while the connection is lost (see Options);
    // what names it in the log.
    Status Retrying(const std::string& what, const std::function<Status()>& op);
    // A file's or page's bytes to path, through PutRetrying.
    Status PutSource(const std::string& path, const FileSource& source);
    // Put, tried again over a new session while the connection is lost (see Options).
    Status PutRetrying(const std::string& path, const std::function<long(char*, std::size_t)>& next,
                       const std::function<void(std::uint64_t)>& onBytes,
                       const std::function<void()>& rewind);
    // Opens a new session in place of a lost one, within the run's budget; then
    // removes the temporary file the lost one left, if it can.
    bool Reconnect(Status& status);
    // Writes through a temporary name, then renames into place.
    Status Put(const std::string& path, const std::function<long(char*, std::size_t)>& next,
               const std::function<void(std::uint64_t)>& onBytes,
               const std::function<void()>& rewind);
    bool ReadSmall(const std::string& remote, std::size_t limit, std::string& text, bool& found,
                   bool& tooLarge, Status& status);
    bool MakeParents(const std::string& dir);

    Options m_options;
    bool m_twin = false;
    std::unique_ptr<SshSession> m_session;
    sftp_session_struct* m_sftp = nullptr;
    // The channel that puts files; null where the server takes only one (libssh's
    // SFTP session then writes them, one block at a time).
    std::unique_ptr<SftpUploadChannel> m_upload;
    int m_lastCode = 0;  // the server's status code of the last failed write
    bool m_atomicRename = false;
    std::string m_error;
    std::string m_runId;
    unsigned long m_counter = 0;
    std::string m_lockText;
    std::string m_base;       // startDir with a trailing "/", or ""
    std::string m_abandoned;  // the temporary file of a put whose connection was lost
    // New sessions opened so far by this target and its twins.
    std::shared_ptr<std::atomic<int>> m_reconnects = std::make_shared<std::atomic<int>>(0);
};

}  // namespace foldcraft
