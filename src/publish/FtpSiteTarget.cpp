#include "publish/FtpSiteTarget.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <random>
#include <utility>

#include "publish/FTPLink.h"
#include "publish/UniqueFd.h"

namespace foldcraft {
namespace {

constexpr const char* kPartPrefix = ".part-";
constexpr std::size_t kRunIdDigits = 8;
// Listings are read whole; one larger than this is not read.
constexpr std::size_t kMaxListingBytes = PublishManifest::kMaxBytes;

bool StartsWith(const std::string& text, const char* head) {
    return text.rfind(head, 0) == 0;
}

// A server reply saying the file is not there (or not one that can be read).
bool NotThereReply(const CFTPLink& link) {
    return link.IsOpen() &&
           (StartsWith(link.m_strLastReply, "550") || StartsWith(link.m_strLastReply, "450"));
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::optional<std::int64_t> Decimal(const std::string& text) {
    if (text.empty() || text.size() > 18) return std::nullopt;
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

struct LockFields {
    std::string host;
    std::int64_t pid = 0;
    std::int64_t time = 0;
};

// The fields of a lock file in exactly the form LockText writes; nullopt otherwise.
std::optional<LockFields> ParseLock(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) return std::nullopt;  // every line ends in LF
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (lines.size() != 4 || lines[0] != "foldcraft-lock 1" || !StartsWith(lines[1], "host ") ||
        !StartsWith(lines[2], "pid ") || !StartsWith(lines[3], "time ")) {
        return std::nullopt;
    }
    LockFields fields;
    fields.host = lines[1].substr(5);
    const std::optional<std::int64_t> pid = Decimal(lines[2].substr(4));
    const std::optional<std::int64_t> time = Decimal(lines[3].substr(5));
    if (fields.host.empty() || !pid || *pid <= 0 || *pid > 0x7FFFFFFF || !time) {
        return std::nullopt;
    }
    fields.pid = *pid;
    fields.time = *time;
    return fields;
}

std::string ThisHost() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
    return name;
}

std::string RandomRunId() {
    std::random_device random;
    char text[kRunIdDigits + 1];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(random()) & 0xFFFFFFFFu);
    return text;
}

}  // namespace

FtpSiteTarget::FtpSiteTarget(CFTPLink& link, bool passive, Options options)
    : m_link(link), m_passive(passive), m_options(std::move(options)), m_runId(RandomRunId()) {
    if (m_options.host.empty()) m_options.host = ThisHost();
    if (!m_options.now)
        m_options.now = [] { return static_cast<std::int64_t>(std::time(nullptr)); };
}

FtpSiteTarget::~FtpSiteTarget() = default;

std::string FtpSiteTarget::LockText(const std::string& host, long pid, std::int64_t time) {
    return "foldcraft-lock 1\nhost " + host + "\npid " + std::to_string(pid) + "\ntime " +
           std::to_string(time) + "\n";
}

bool FtpSiteTarget::IsLeftover(const std::string& name, const std::vector<std::string>& listed) {
    if (!StartsWith(name, kPartPrefix)) return false;
    const std::string rest = name.substr(std::strlen(kPartPrefix));
    // Ours: ".part-" + run id + "-" + counter. Any run's: the lock keeps every other
    // run away while this one works.
    if (rest.size() > kRunIdDigits + 1 && rest[kRunIdDigits] == '-' &&
        std::all_of(rest.begin(), rest.begin() + kRunIdDigits,
                    [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }) &&
        std::all_of(rest.begin() + kRunIdDigits + 1, rest.end(),
                    [](char c) { return c >= '0' && c <= '9'; })) {
        return true;
    }
    // Earlier releases stored NAME as ".part-" + NAME. Such a name may as well be the
    // user's own file, so it goes only while NAME stands beside it: then it was the
    // temporary copy of a file that was published there. One whose upload never
    // finished for the first time stays (it cannot be told from the user's own).
    return !rest.empty() && std::find(listed.begin(), listed.end(), rest) != listed.end();
}

std::string FtpSiteTarget::Reason() const {
    if (m_link.LastReplyFollowsPassword()) return "(the server's reply is not shown)";
    return MaskSecrets(m_link.m_strLastReply, m_options.secrets);
}

std::string FtpSiteTarget::MaskSecrets(std::string text, const std::vector<std::string>& secrets) {
    for (const std::string& secret : secrets) {
        if (secret.empty()) continue;
        std::size_t pos = 0;
        while ((pos = text.find(secret, pos)) != std::string::npos) {
            text.replace(pos, secret.size(), "********");
            pos += 8;
        }
    }
    return text;
}

std::string FtpSiteTarget::TemporaryName(const std::string& path) {
    return DirectoryOf(path) + kPartPrefix + m_runId + "-" + std::to_string(++m_counter);
}

bool FtpSiteTarget::Listed(const std::string& path, bool& known) {
    std::vector<std::string> names;
    bool tooLarge = false;
    if (m_link.ListNames(path, names, kMaxListingBytes, m_passive, tooLarge)) {
        known = true;
        return !names.empty();
    }
    known = tooLarge || NotThereReply(m_link);
    return tooLarge;
}

// ---------------------------------------------------------------------------
// The lock

bool FtpSiteTarget::ReadLock(std::string& text, bool& found, std::string& reason) {
    bool tooLarge = false;
    found = true;
    if (m_link.RetrieveTo(kLockFileName, text, kMaxLockBytes, m_passive, tooLarge)) return true;
    text.clear();
    if (tooLarge) return true;  // not one of ours: held
    const std::string why = Reason();
    if (NotThereReply(m_link)) {
        bool known = false;
        const bool listed = Listed(kLockFileName, known);
        if (known && !listed) {
            found = false;
            return true;
        }
    }
    reason = why;
    return false;
}

SiteTarget::Lock FtpSiteTarget::TakeLock(std::string& holder) {
    holder.clear();
    const auto describe = [](const std::string& text) -> std::string {
        const std::optional<LockFields> fields = ParseLock(text);
        if (!fields) return std::string("an unknown lock file ") + kLockFileName;
        return "host " + fields->host + ", process " + std::to_string(fields->pid);
    };

    std::string text;
    bool found = false;
    if (!ReadLock(text, found, holder)) return Lock::kFailed;
    if (found) {
        // A file of another form is never taken over: it is not ours to judge.
        const std::optional<LockFields> fields = ParseLock(text);
        if (!fields) {
            holder = describe(text);
            return Lock::kHeld;
        }
        const bool processGone = fields->host == m_options.host &&
                                 ::kill(static_cast<pid_t>(fields->pid), 0) != 0 && errno == ESRCH;
        const bool expired = m_options.now() - fields->time > kLockLifetimeSeconds;
        if (!processGone && !expired) {
            holder = describe(text);
            return Lock::kHeld;
        }
    }

    const std::string ours =
        LockText(m_options.host, static_cast<long>(::getpid()), m_options.now());
    const Status stored = Put(kLockFileName, [&](const std::string& name) {
        return m_link.StoreBytes(name, ours, m_passive);
    });
    if (!stored.ok) {
        holder = stored.reason;
        return Lock::kFailed;
    }
    // Another run may have stored its own meanwhile: the last one stored wins.
    if (!ReadLock(text, found, holder)) return Lock::kFailed;
    if (!found) {
        holder = std::string(kLockFileName) + " vanished after it was stored";
        return Lock::kFailed;
    }
    if (text != ours) {
        holder = describe(text);
        return Lock::kHeld;
    }
    m_lockText = ours;
    return Lock::kTaken;
}

void FtpSiteTarget::ReleaseLock() {
    if (m_lockText.empty()) return;
    std::string text;
    bool found = false;
    std::string reason;
    // Only our own: a lock that another run took over (ours had expired) stays.
    if (ReadLock(text, found, reason) && found && text == m_lockText) {
        m_link.DeleteFile(kLockFileName);
    }
    m_lockText.clear();
}

// ---------------------------------------------------------------------------
// The manifest

SiteTarget::ManifestText FtpSiteTarget::ReadManifest() {
    ManifestText result;
    bool tooLarge = false;
    result.found = true;
    if (m_link.RetrieveTo(PublishManifest::kFileName, result.text, m_options.maxManifestBytes,
                          m_passive, tooLarge)) {
        return result;
    }
    result.text.clear();
    if (tooLarge) {
        result.status = Status::Failed(std::string("The manifest ") + PublishManifest::kFileName +
                                       " is larger than " +
                                       std::to_string(m_options.maxManifestBytes) + " bytes.");
        return result;
    }
    result.status = Failed();
    if (NotThereReply(m_link)) {
        bool known = false;
        if (!Listed(PublishManifest::kFileName, known) && known) {
            result.found = false;
            result.status = Status::Ok();
        }
    }
    return result;
}

SiteTarget::Status FtpSiteTarget::WriteManifest(const std::string& text) {
    return Put(PublishManifest::kFileName,
               [&](const std::string& name) { return m_link.StoreBytes(name, text, m_passive); });
}

// ---------------------------------------------------------------------------
// Files and directories

bool FtpSiteTarget::Holds(const std::string& /*path*/, const FileSource& /*source*/,
                          const ManifestEntry& wanted, const ManifestEntry* recorded) {
    return recorded != nullptr && !recorded->sha256.empty() && recorded->size == wanted.size &&
           recorded->sha256 == wanted.sha256;
}

SiteTarget::Status FtpSiteTarget::Failed() const {
    if (m_link.LastCommandWord() == "PORT" || m_link.m_strLastReply.rfind("425", 0) == 0)
        m_dataRefused = true;
    return Status::Failed(Reason());
}

SiteTarget::Status FtpSiteTarget::MakeDirectory(const std::string& path, bool& made) {
    made = false;
    if (!m_link.MakeDirectory(path)) {
        // A directory refused (550, and not there) leaves its files out; any other
        // failure, a lost connection above all, leaves the server unknown: the run ends.
        Status failed = Failed();
        failed.endsRun = !m_link.DirectoryRefused();
        return failed;
    }
    // A 550 for a directory that is there leaves that reply.
    made = StartsWith(m_link.m_strLastReply, "2");
    return Status::Ok();
}

SiteTarget::Status FtpSiteTarget::Put(const std::string& path,
                                      const std::function<bool(const std::string&)>& store) {
    if (!m_renameWorks) return store(path) ? Status::Ok() : Failed();
    const std::string temporary = TemporaryName(path);
    if (!store(temporary)) {
        const Status failed = Failed();
        // A part of the file may have arrived: it must not stay on the server.
        if (m_link.IsOpen() && m_link.LastCommandWord() == "STOR") m_link.DeleteFile(temporary);
        return failed;
    }
    if (m_link.Rename(temporary, path)) return Status::Ok();
    Status failed = Failed();
    if (!m_link.IsOpen()) return failed;
    if (m_link.LastCommandWord() == "RNFR" && StartsWith(m_link.m_strLastReply, "50")) {
        // No renaming on this server (500, 502, 504): plain uploads from here on.
        m_link.DeleteFile(temporary);
        m_renameWorks = false;
        return Put(path, store);
    }
    // Some servers do not rename over an existing file.
    if (m_link.LastCommandWord() == "RNTO" && m_link.DeleteFile(path)) {
        if (m_link.Rename(temporary, path)) return Status::Ok();
        failed = Failed();
    }
    if (m_link.IsOpen()) m_link.DeleteFile(temporary);
    return failed;
}

SiteTarget::Status FtpSiteTarget::PutFile(const std::string& path, const FileSource& source,
                                          const ManifestEntry& wanted,
                                          std::optional<ManifestEntry>& entry) {
    // What was read is recorded: a file changed meanwhile differs next time and goes again.
    entry = wanted;
    if (source.bytes) {
        const std::string& bytes = *source.bytes;
        return Put(path, [&](const std::string& name) {
            return m_link.StoreBytes(name, bytes, m_passive);
        });
    }
    // A pipe or device must not block the open; only a regular file is sent.
    UniqueFd file(::open(source.localPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (file.Get() < 0 || ::fstat(file.Get(), &st) != 0) {
        return Status::Failed("Cannot open " + source.localPath + ": " + std::strerror(errno));
    }
    if (!S_ISREG(st.st_mode) || ::fcntl(file.Get(), F_SETFL, 0) != 0) {
        return Status::Failed("Not a regular file: " + source.localPath);
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (m_options.afterOpen) m_options.afterOpen(source.localPath);
    return Put(path, [&](const std::string& name) {
        // From the start each time: a server without renaming gets a second try.
        if (::lseek(file.Get(), 0, SEEK_SET) != 0) return false;
        return m_link.StoreFrom(name, file.Get(), size, m_passive);
    });
}

SiteTarget::Removal FtpSiteTarget::RemoveFile(const std::string& path,
                                              const ManifestEntry& recorded, std::string& reason) {
    reason.clear();
    // Whether the path is gone, after a 550 to the question of its size.
    const auto goneOrFailed = [&]() {
        reason = Reason();
        bool known = false;
        const bool listed = Listed(path, known);
        return known && !listed ? Removal::kGone : Removal::kFailed;
    };

    std::uint64_t size = 0;
    if (!m_link.FileSize(path, size)) {
        const bool unknownCommand =
            m_link.LastCommandWord() == "SIZE" &&
            (StartsWith(m_link.m_strLastReply, "500") || StartsWith(m_link.m_strLastReply, "502"));
        if (m_link.LastCommandWord() == "SIZE" && NotThereReply(m_link)) return goneOrFailed();
        if (!unknownCommand) {
            reason = Reason();
            return Removal::kFailed;
        }
        // A server without SIZE: its machine listing of the file.
        std::string facts;
        if (!m_link.MachineFacts(path, facts)) {
            if (NotThereReply(m_link)) return goneOrFailed();
            reason = Reason();
            return Removal::kFailed;
        }
        std::optional<std::int64_t> listedSize;
        std::size_t start = 0;
        while (start < facts.size()) {
            std::size_t end = facts.find(';', start);
            if (end == std::string::npos) end = facts.size();
            std::string fact = facts.substr(start, end - start);
            start = end + 1;
            const std::size_t equals = fact.find('=');
            if (equals == std::string::npos) continue;
            std::string name = fact.substr(0, equals);
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            std::string value = fact.substr(equals + 1);
            std::transform(value.begin(), value.end(), value.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (name == "type" && value != "file") {
                reason = path + " is no longer a file on the server";
                return Removal::kChanged;
            }
            if (name == "size") listedSize = Decimal(value);
        }
        if (!listedSize) {
            reason = "The server tells no size of " + path + " (" + facts + ")";
            return Removal::kFailed;
        }
        size = static_cast<std::uint64_t>(*listedSize);
    }
    if (size != recorded.size) {
        reason = path + " has " + std::to_string(size) + " bytes on the server, " +
                 std::to_string(recorded.size) + " when it was published";
        return Removal::kChanged;
    }
    if (!m_link.DeleteFile(path)) {
        reason = Reason();
        return Removal::kFailed;
    }
    return Removal::kRemoved;
}

SiteTarget::Status FtpSiteTarget::RemoveDirectory(const std::string& path) {
    return m_link.Command("RMD " + path) ? Status::Ok() : Failed();
}

void FtpSiteTarget::RemoveLeftovers(const std::string& directory) {
    std::vector<std::string> names;
    bool tooLarge = false;
    if (!m_link.ListNames(directory, names, kMaxListingBytes, m_passive, tooLarge)) return;
    // Some servers list "directory/name", others "name".
    for (std::string& name : names) name = BaseName(name);
    const std::string prefix = directory.empty() ? std::string() : directory + "/";
    for (const std::string& name : names) {
        if (!m_link.IsOpen()) return;
        if (IsLeftover(name, names)) m_link.DeleteFile(prefix + name);
    }
}

}  // namespace foldcraft
