#include "publish/SftpSiteTarget.h"

#include <fcntl.h>
#include <libssh/libssh.h>
#include <libssh/sftp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <thread>
#include <utility>
#include <vector>

#include "publish/FileCopy.h"
#include "publish/FtpSiteTarget.h"
#include "publish/UniqueFd.h"

namespace foldcraft {
namespace {

struct FileCloser {
    void operator()(sftp_file file) const { sftp_close(file); }
};
using UniqueSftpFile = std::unique_ptr<sftp_file_struct, FileCloser>;

struct AttributesFree {
    void operator()(sftp_attributes attributes) const { sftp_attributes_free(attributes); }
};
using UniqueAttributes = std::unique_ptr<sftp_attributes_struct, AttributesFree>;

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string ThisHost() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
    return name;
}

}  // namespace

SftpSiteTarget::SftpSiteTarget(Options options, bool twin)
    : m_options(std::move(options)), m_twin(twin), m_runId(FtpSiteTarget::NewRunId()) {
    if (m_options.host.empty()) m_options.host = ThisHost();
    if (!m_options.now)
        m_options.now = [] { return static_cast<std::int64_t>(std::time(nullptr)); };
    if (m_options.blockSize == 0) m_options.blockSize = 32 * 1024;
    std::string dir = m_options.startDir;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    m_base = dir.empty() ? std::string() : dir + (dir == "/" ? "" : "/");
}

SftpSiteTarget::SftpSiteTarget(std::unique_ptr<SshSession> session, Options options)
    : SftpSiteTarget(std::move(options), false) {
    m_session = std::move(session);
    StartSftp();
}

SftpSiteTarget::~SftpSiteTarget() {
    m_upload.reset();
    if (m_sftp) sftp_free(m_sftp);
}

bool SftpSiteTarget::StartSftp() {
    if (!m_session) return false;
    m_sftp = sftp_new(m_session->Handle());
    if (!m_sftp) {
        m_error = "The server offers no SFTP: " + m_session->Error();
        return false;
    }
    if (sftp_init(m_sftp) != SSH_OK) {
        m_error = "The server refused SFTP: " + m_session->Error();
        sftp_free(m_sftp);
        m_sftp = nullptr;
        return false;
    }
    std::string why;
    if (m_options.pipelined)
        m_upload = SftpUploadChannel::Open(m_session->Handle(), m_options.ssh.timeoutSeconds, why);
    m_atomicRename = m_upload && m_upload->OffersPosixRename();
    return true;
}

bool SftpSiteTarget::Ready(bool createStartDir, bool& made) {
    made = false;
    if (!m_sftp) return false;
    if (m_base.empty()) return true;
    const std::string dir = m_base.size() > 1 ? m_base.substr(0, m_base.size() - 1) : m_base;
    UniqueAttributes attributes(sftp_stat(m_sftp, dir.c_str()));
    if (attributes) {
        if (attributes->type == SSH_FILEXFER_TYPE_DIRECTORY) return true;
        m_error = "\"" + dir + "\" is not a directory on the server";
        return false;
    }
    if (createStartDir && sftp_get_error(m_sftp) == SSH_FX_NO_SUCH_FILE) {
        std::size_t slash = dir[0] == '/' ? 1 : 0;
        for (;;) {
            slash = dir.find('/', slash + 1);
            const std::string level = dir.substr(0, slash);
            if (sftp_mkdir(m_sftp, level.c_str(), 0755) == 0) {
                made = true;
            } else {
                UniqueAttributes there(sftp_stat(m_sftp, level.c_str()));
                if (!there || there->type != SSH_FILEXFER_TYPE_DIRECTORY) break;
            }
            if (slash == std::string::npos) return true;
        }
    }
    m_error = Failed(dir).reason;
    return false;
}

std::unique_ptr<SiteTarget> SftpSiteTarget::Twin() const {
    auto twin = std::unique_ptr<SftpSiteTarget>(new SftpSiteTarget(m_options, true));
    twin->m_reconnects = m_reconnects;
    return twin;
}

std::size_t SftpSiteTarget::Connections() const {
    return std::max<std::size_t>(1, m_options.connections);
}

SiteTarget::Status SftpSiteTarget::Connect() {
    if (m_sftp) return Status::Ok();
    SshSession::Opened opened = SshSession::Open(m_options.ssh);
    if (!opened.session) return Status::Failed(opened.detail);
    m_session = std::move(opened.session);
    if (!StartSftp()) return Status::Failed(m_error);
    return Status::Ok();
}

std::string SftpSiteTarget::Remote(const std::string& path) const {
    if (path.empty()) return m_base.empty() ? "." : m_base;
    return m_base + path;
}

bool SftpSiteTarget::Lost() const {
    return !m_sftp || !m_session || !m_session->Connected() || (m_upload && m_upload->Lost());
}

SiteTarget::Status SftpSiteTarget::Failed(const std::string& path) const {
    return FailedWith(path, m_sftp ? sftp_get_error(m_sftp) : SSH_FX_CONNECTION_LOST);
}

SiteTarget::Status SftpSiteTarget::FailedWith(const std::string& path, int code) const {
    if (Lost()) {
        return Status::Failed("The connection to the server was lost" +
                                  (m_session ? ": " + m_session->Error() : std::string()),
                              true);
    }
    switch (code) {
        case SSH_FX_PERMISSION_DENIED:
            return Status::Failed("Permission denied: " + path);
        case SSH_FX_NO_SUCH_FILE:
            return Status::Failed("No such file or directory: " + path);
        case SSH_FX_FILE_ALREADY_EXISTS:
            return Status::Failed("Already exists: " + path);
        case SSH_FX_OP_UNSUPPORTED:
            return Status::Failed("The server does not support this on " + path);
        case SSH_FX_CONNECTION_LOST:
        case SSH_FX_NO_CONNECTION:
            return Status::Failed("The connection to the server was lost: " + m_session->Error(),
                                  true);
        default:
            return Status::Failed("The server failed on " + path + ": " + m_session->Error());
    }
}

// ---------------------------------------------------------------------------
// Reading and writing whole files

bool SftpSiteTarget::ReadSmall(const std::string& remote, std::size_t limit, std::string& text,
                               bool& found, bool& tooLarge, Status& status) {
    text.clear();
    found = true;
    tooLarge = false;
    UniqueSftpFile file(sftp_open(m_sftp, remote.c_str(), O_RDONLY, 0));
    if (!file) {
        if (!Lost() && sftp_get_error(m_sftp) == SSH_FX_NO_SUCH_FILE) {
            found = false;
            return true;
        }
        status = Failed(remote);
        return false;
    }
    UniqueAttributes attributes(sftp_fstat(file.get()));
    if (!attributes) {
        status = Failed(remote);
        return false;
    }
    if (attributes->type != SSH_FILEXFER_TYPE_REGULAR) {
        status = Status::Failed(remote + " is not a regular file on the server");
        return false;
    }
    std::vector<char> buffer(32 * 1024);
    for (;;) {
        const ssize_t got = sftp_read(file.get(), buffer.data(), buffer.size());
        if (got < 0) {
            status = Failed(remote);
            return false;
        }
        if (got == 0) return true;
        text.append(buffer.data(), static_cast<std::size_t>(got));
        if (text.size() > limit) {
            text.clear();
            tooLarge = true;
            return true;
        }
    }
}

SiteTarget::Status SftpSiteTarget::Write(const std::string& remote, const std::string& shown,
                                         const std::function<long(char*, std::size_t)>& next,
                                         const std::function<void(std::uint64_t)>& onBytes) {
    const auto diskFull = [&] {
        return Status::Failed("The server could not store " + shown + " (disk full or over quota?)");
    };
    if (m_upload) {
        const SftpUploadChannel::Result written = m_upload->Write(
            remote, next, onBytes, m_options.blockSize, m_options.writesInFlight);
        m_lastCode = static_cast<int>(written.code);
        if (written.ok) return Status::Ok();
        if (written.readFailed) return Status::Failed(FileCopy::SourceTrouble(EIO));
        if (!written.lost && written.opened && written.code == SSH_FX_FAILURE) return diskFull();
        return FailedWith(shown, m_lastCode);
    }
    UniqueSftpFile file(sftp_open(m_sftp, remote.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
    m_lastCode = file ? 0 : sftp_get_error(m_sftp);
    if (!file) return Failed(shown);
    std::vector<char> block(m_options.blockSize);
    for (;;) {
        const long length = next(block.data(), block.size());
        if (length < 0) return Status::Failed(FileCopy::SourceTrouble(EIO));
        if (length == 0) break;
        const ssize_t written = sftp_write(file.get(), block.data(), static_cast<size_t>(length));
        if (written != length) {
            if (!Lost() && sftp_get_error(m_sftp) == SSH_FX_FAILURE) return diskFull();
            return Failed(shown);
        }
        if (onBytes) onBytes(static_cast<std::uint64_t>(length));
    }
    // The close reports a failure of the last writes on some servers.
    if (sftp_close(file.release()) != SSH_OK) {
        if (!Lost() && sftp_get_error(m_sftp) == SSH_FX_FAILURE) return diskFull();
        return Failed(shown);
    }
    return Status::Ok();
}

bool SftpSiteTarget::MakeParents(const std::string& dir) {
    std::size_t slash = 0;
    bool madeAny = false;
    while (slash != std::string::npos) {
        slash = dir.find('/', slash + 1);
        const std::string level = Remote(dir.substr(0, slash));
        if (sftp_mkdir(m_sftp, level.c_str(), 0755) == 0) madeAny = true;
    }
    return madeAny;
}

SiteTarget::Status SftpSiteTarget::Retrying(const std::string& what,
                                            const std::function<Status()>& op) {
    Status status = op();
    for (int attempt = 1; !status.ok && Lost() && attempt < m_options.maxTries; ++attempt) {
        if (m_options.note) {
            m_options.note("\nTrying " + what + " again (" + std::to_string(attempt + 1) + " of " +
                           std::to_string(m_options.maxTries) + "): " + status.reason + "\n");
        }
        const std::size_t wait = static_cast<std::size_t>(attempt - 1);
        if (wait < m_options.retryWaits.size()) {
            if (m_options.sleep) {
                m_options.sleep(m_options.retryWaits[wait]);
            } else {
                std::this_thread::sleep_for(m_options.retryWaits[wait]);
            }
        }
        if (!Reconnect(status)) return status;
        status = op();
    }
    return status;
}

bool SftpSiteTarget::Reconnect(Status& status) {
    if (++*m_reconnects > m_options.maxReconnects) {
        status = Status::Failed("The connection to the server was lost, and the run has "
                                "reconnected " +
                                    std::to_string(m_options.maxReconnects) + " times already.",
                                true);
        return false;
    }
    m_upload.reset();
    if (m_sftp) sftp_free(m_sftp);
    m_sftp = nullptr;
    m_session.reset();
    const Status opened = Connect();
    if (!opened.ok) {
        status = Status::Failed(
            "The connection to the server was lost and could not be opened again: " + opened.reason,
            true);
        if (m_options.note)
            m_options.note("\nReconnecting to the server failed (" + opened.reason + ").\n");
        return false;
    }
    if (m_options.note) {
        m_options.note("\nReconnected to the server (" + std::to_string(m_reconnects->load()) +
                       " of " + std::to_string(m_options.maxReconnects) + ").\n");
    }
    if (!m_abandoned.empty()) sftp_unlink(m_sftp, m_abandoned.c_str());
    m_abandoned.clear();
    return true;
}

SiteTarget::Status SftpSiteTarget::PutRetrying(const std::string& path,
                                               const std::function<long(char*, std::size_t)>& next,
                                               const std::function<void(std::uint64_t)>& onBytes,
                                               const std::function<void()>& rewind) {
    bool first = true;
    return Retrying(path, [&] {
        if (!first && rewind) rewind();
        first = false;
        return Put(path, next, onBytes, rewind);
    });
}

SiteTarget::Status SftpSiteTarget::Put(const std::string& path,
                                       const std::function<long(char*, std::size_t)>& next,
                                       const std::function<void(std::uint64_t)>& onBytes,
                                       const std::function<void()>& rewind) {
    if (Lost()) return Failed(path);
    const std::string dir = DirectoryOf(path);
    const std::string temporary =
        (dir.empty() ? "" : dir + "/") + FtpSiteTarget::PartName(m_runId, ++m_counter);
    Status status = Write(Remote(temporary), path, next, onBytes);
    if (!status.ok && !status.endsRun && !dir.empty() &&
        m_lastCode == SSH_FX_NO_SUCH_FILE && MakeParents(dir)) {
        // The directory the manifest listed has gone: made again, once.
        if (rewind) rewind();
        status = Write(Remote(temporary), path, next, onBytes);
    }
    if (!status.ok) {
        if (!Lost()) {
            sftp_unlink(m_sftp, Remote(temporary).c_str());
        } else {
            m_abandoned = Remote(temporary);
        }
        return status;
    }
    return Replace(Remote(temporary), Remote(path), path, dir);
}

SiteTarget::Status SftpSiteTarget::Replace(const std::string& temporary, const std::string& target,
                                           const std::string& path, const std::string& dir) {
    if (m_atomicRename) {
        const SftpUploadChannel::Result renamed = m_upload->Rename(temporary, target);
        if (renamed.ok) return Status::Ok();
        const Status status = FailedWith(path, static_cast<int>(renamed.code));
        if (!Lost()) sftp_unlink(m_sftp, temporary.c_str());
        return status;
    }
    if (sftp_rename(m_sftp, temporary.c_str(), target.c_str()) == 0) return Status::Ok();
    // The plain SFTP rename will not replace a file. The old file steps aside under a
    // temporary name of its own, and comes back if the new one cannot take its place:
    // a failure never leaves the site without the file. Only a file steps aside: a
    // directory or link standing there is not the publish's to move.
    const std::string aside =
        Remote((dir.empty() ? "" : dir + "/") + FtpSiteTarget::PartName(m_runId, ++m_counter));
    Status status = Failed(path);
    UniqueAttributes there(Lost() ? nullptr : sftp_lstat(m_sftp, target.c_str()));
    if (there && there->type != SSH_FILEXFER_TYPE_REGULAR)
        status = Status::Failed(path + " is not a file on the server");
    if (there && there->type == SSH_FILEXFER_TYPE_REGULAR &&
        sftp_rename(m_sftp, target.c_str(), aside.c_str()) == 0) {
        if (sftp_rename(m_sftp, temporary.c_str(), target.c_str()) == 0) {
            sftp_unlink(m_sftp, aside.c_str());
            return Status::Ok();
        }
        status = Failed(path);
        if (!Lost()) sftp_rename(m_sftp, aside.c_str(), target.c_str());
    }
    if (!Lost()) sftp_unlink(m_sftp, temporary.c_str());
    return status;
}

// ---------------------------------------------------------------------------
// The lock and the manifest

SiteTarget::Lock SftpSiteTarget::TakeLock(std::string& holder) {
    holder.clear();
    if (Lost()) {
        holder = Failed(FtpSiteTarget::kLockFileName).reason;
        return Lock::kFailed;
    }
    const std::string name = Remote(FtpSiteTarget::kLockFileName);
    const std::string ours =
        FtpSiteTarget::LockText(m_options.host, static_cast<long>(::getpid()), m_options.now());
    for (int attempt = 0; attempt < 2; ++attempt) {
        UniqueSftpFile file(sftp_open(m_sftp, name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644));
        if (file) {
            const bool written = sftp_write(file.get(), ours.data(), ours.size()) ==
                                 static_cast<ssize_t>(ours.size());
            const bool closed = sftp_close(file.release()) == SSH_OK;
            if (!written || !closed) {
                holder = Failed(FtpSiteTarget::kLockFileName).reason;
                sftp_unlink(m_sftp, name.c_str());
                return Lock::kFailed;
            }
            m_lockText = ours;
            return Lock::kTaken;
        }
        if (Lost() || sftp_get_error(m_sftp) == SSH_FX_PERMISSION_DENIED) {
            holder = Failed(FtpSiteTarget::kLockFileName).reason;
            return Lock::kFailed;
        }
        // There is one (OpenSSH answers an exclusive create of an existing file with a
        // plain failure): whose?
        std::string text;
        bool found = false, tooLarge = false;
        Status status;
        if (!ReadSmall(name, FtpSiteTarget::kMaxLockBytes, text, found, tooLarge, status)) {
            holder = status.reason;
            return Lock::kFailed;
        }
        if (!found) continue;  // gone meanwhile: try again
        const FtpSiteTarget::LockState state = FtpSiteTarget::JudgeLock(
            tooLarge ? std::string() : text, m_options.host, m_options.now());
        if (!state.stale || attempt > 0) {
            holder = state.holder;
            return Lock::kHeld;
        }
        // A stale lock: removed, and the exclusive create decides again.
        if (sftp_unlink(m_sftp, name.c_str()) != 0 &&
            sftp_get_error(m_sftp) != SSH_FX_NO_SUCH_FILE) {
            holder = Failed(FtpSiteTarget::kLockFileName).reason;
            return Lock::kFailed;
        }
    }
    holder = std::string(FtpSiteTarget::kLockFileName) + " could not be made";
    return Lock::kFailed;
}

void SftpSiteTarget::ReleaseLock() {
    if (m_lockText.empty() || Lost()) return;
    const std::string name = Remote(FtpSiteTarget::kLockFileName);
    std::string text;
    bool found = false, tooLarge = false;
    Status status;
    // Only our own: one that another run took over (ours had expired) stays.
    if (ReadSmall(name, FtpSiteTarget::kMaxLockBytes, text, found, tooLarge, status) && found &&
        text == m_lockText) {
        sftp_unlink(m_sftp, name.c_str());
    }
    m_lockText.clear();
}

SiteTarget::ManifestText SftpSiteTarget::ReadManifest() {
    ManifestText result;
    if (Lost()) {
        result.found = true;
        result.status = Failed(PublishManifest::kFileName);
        return result;
    }
    bool tooLarge = false;
    if (!ReadSmall(Remote(PublishManifest::kFileName), m_options.maxManifestBytes, result.text,
                   result.found, tooLarge, result.status)) {
        result.found = true;
        result.text.clear();
        return result;
    }
    if (tooLarge) {
        result.status = Status::Failed(std::string("The manifest ") + PublishManifest::kFileName +
                                       " is larger than " +
                                       std::to_string(m_options.maxManifestBytes) + " bytes.");
    }
    return result;
}

SiteTarget::Status SftpSiteTarget::WriteManifest(const std::string& text) {
    FileSource source;
    source.bytes = &text;
    return PutSource(PublishManifest::kFileName, source);
}

// ---------------------------------------------------------------------------
// Files and directories

bool SftpSiteTarget::Holds(const std::string& /*path*/, const FileSource& /*source*/,
                           const ManifestEntry& wanted, const ManifestEntry* recorded) {
    return recorded != nullptr && !recorded->sha256.empty() && recorded->size == wanted.size &&
           recorded->sha256 == wanted.sha256;
}

SiteTarget::Status SftpSiteTarget::MakeDirectory(const std::string& path, bool& made) {
    made = false;
    return Retrying(path, [&] {
        if (Lost()) return Failed(path);
        const std::string remote = Remote(path);
        if (sftp_mkdir(m_sftp, remote.c_str(), 0755) == 0) {
            made = true;
            return Status::Ok();
        }
        Status failed = Failed(path);
        if (failed.endsRun) return failed;
        UniqueAttributes attributes(sftp_lstat(m_sftp, remote.c_str()));
        if (attributes && attributes->type == SSH_FILEXFER_TYPE_DIRECTORY) return Status::Ok();
        if (attributes) return Status::Failed(path + " is not a directory on the server");
        return failed;
    });
}

SiteTarget::Status SftpSiteTarget::PutFile(const std::string& path, const FileSource& source,
                                           const ManifestEntry& wanted,
                                           std::optional<ManifestEntry>& entry) {
    // What was read is recorded: a file changed meanwhile differs next time and goes again.
    entry = wanted;
    return PutSource(path, source);
}

SiteTarget::Status SftpSiteTarget::PutSource(const std::string& path, const FileSource& source) {
    if (source.bytes) {
        const std::string& bytes = *source.bytes;
        std::size_t offset = 0;
        return PutRetrying(path,
            [&](char* into, std::size_t room) {
                const std::size_t n = std::min(room, bytes.size() - offset);
                std::memcpy(into, bytes.data() + offset, n);
                offset += n;
                return static_cast<long>(n);
            },
            source.onBytes, [&] { offset = 0; });
    }
    // A pipe or device must not block the open; only a regular file is sent, and at
    // most the size it had when it was opened.
    UniqueFd file(::open(source.localPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (file.Get() < 0 || ::fstat(file.Get(), &st) != 0)
        return Status::Failed(FileCopy::SourceTrouble(errno));
    if (S_ISDIR(st.st_mode)) return Status::Failed(FileCopy::SourceTrouble(EISDIR));
    if (!S_ISREG(st.st_mode) || ::fcntl(file.Get(), F_SETFL, 0) != 0)
        return Status::Failed(FileCopy::kNotRegular);
    std::uint64_t left = static_cast<std::uint64_t>(st.st_size);
    const std::uint64_t size = left;
    return PutRetrying(path,
        [&](char* into, std::size_t room) -> long {
            std::size_t filled = 0;
            while (filled < room && left > 0) {
                const std::size_t want =
                    static_cast<std::size_t>(std::min<std::uint64_t>(room - filled, left));
                const ssize_t got = ::read(file.Get(), into + filled, want);
                if (got < 0 && errno == EINTR) continue;
                if (got < 0) return -1;
                if (got == 0) {
                    left = 0;  // shorter now than when opened: what there is
                    break;
                }
                filled += static_cast<std::size_t>(got);
                left -= static_cast<std::uint64_t>(got);
            }
            return static_cast<long>(filled);
        },
        source.onBytes,
        [&] {
            left = size;
            ::lseek(file.Get(), 0, SEEK_SET);
        });
}

SiteTarget::Removal SftpSiteTarget::RemoveFile(const std::string& path,
                                               const ManifestEntry& recorded, std::string& reason) {
    reason.clear();
    if (Lost()) {
        reason = Failed(path).reason;
        return Removal::kFailed;
    }
    const std::string remote = Remote(path);
    UniqueAttributes attributes(sftp_lstat(m_sftp, remote.c_str()));
    if (!attributes) {
        if (!Lost() && sftp_get_error(m_sftp) == SSH_FX_NO_SUCH_FILE) return Removal::kGone;
        reason = Failed(path).reason;
        return Removal::kFailed;
    }
    if (attributes->type != SSH_FILEXFER_TYPE_REGULAR) {
        reason = path + " is no longer a file on the server";
        return Removal::kChanged;
    }
    if (attributes->size != recorded.size) {
        reason = path + " has " + std::to_string(attributes->size) + " bytes on the server, " +
                 std::to_string(recorded.size) + " when it was published";
        return Removal::kChanged;
    }
    if (sftp_unlink(m_sftp, remote.c_str()) != 0) {
        reason = Failed(path).reason;
        return Removal::kFailed;
    }
    return Removal::kRemoved;
}

SiteTarget::Status SftpSiteTarget::RemoveDirectory(const std::string& path) {
    if (Lost()) return Failed(path);
    return sftp_rmdir(m_sftp, Remote(path).c_str()) == 0 ? Status::Ok() : Failed(path);
}

void SftpSiteTarget::RemoveLeftovers(const std::string& directory) {
    if (Lost()) return;
    sftp_dir dir = sftp_opendir(m_sftp, Remote(directory).c_str());
    if (!dir) return;
    std::vector<std::string> names;
    while (sftp_attributes attributes = sftp_readdir(m_sftp, dir)) {
        if (attributes->name && attributes->type == SSH_FILEXFER_TYPE_REGULAR)
            names.emplace_back(attributes->name);
        sftp_attributes_free(attributes);
    }
    sftp_closedir(dir);
    const std::string prefix = directory.empty() ? std::string() : directory + "/";
    for (const std::string& name : names) {
        if (FtpSiteTarget::IsLeftover(name, names))
            sftp_unlink(m_sftp, Remote(prefix + name).c_str());
    }
}

}  // namespace foldcraft
