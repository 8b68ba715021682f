#include "publish/FtpSiteTarget.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <random>
#include <thread>
#include <utility>

#include "publish/FTPLink.h"
#include "publish/FileCopy.h"
#include "publish/FtpConnector.h"
#include "publish/SyncRun.h"
#include "publish/UniqueFd.h"

namespace foldcraft {
namespace {

constexpr const char* kPartPrefix = ".part-";
constexpr const char* kDotlessPartPrefix = "foldcraft-part-";
constexpr const char* kDotlessLockName = "foldcraft-lock";
constexpr const char* kDotlessManifestName = "foldcraft-manifest";
constexpr std::size_t kRunIdDigits = 8;
// A path longer than this is reached one directory at a time without trying it
// whole: some servers answer a long command line twice ("500 Command too long.",
// then a reply to its rest), which would put the replies out of step.
constexpr std::size_t kLongPath = 1000;
// Listings are read whole; one larger than this is not read.
constexpr std::size_t kMaxListingBytes = PublishManifest::kMaxBytes;

bool StartsWith(const std::string& text, const char* head) {
    return text.rfind(head, 0) == 0;
}

bool ReplyIs(const CFTPLink& link, std::initializer_list<const char*> codes) {
    for (const char* code : codes) {
        if (StartsWith(link.m_strLastReply, code)) return true;
    }
    return false;
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

// What a target and its twins share: the run's reconnects, and what the server was
// found to refuse.
struct FtpSiteTarget::Shared {
    std::mutex mutex;
    int reconnects = 0;
    std::atomic<bool> renameWorked{false};
    std::atomic<bool> renameRefused{false};
    std::atomic<bool> inPlaceAllowed{false};
    std::atomic<bool> dotless{false};
    std::atomic<bool> dotWorked{false};  // a name with a dot was stored: never dotless
    std::function<void(const std::string&)> note;
};

FtpSiteTarget::FtpSiteTarget(std::shared_ptr<Shared> shared, bool passive, Options options)
    : m_shared(std::move(shared)),
      m_passive(passive),
      m_options(std::move(options)),
      m_runId(RandomRunId()) {
    if (m_options.host.empty()) m_options.host = ThisHost();
    if (!m_options.now)
        m_options.now = [] { return static_cast<std::int64_t>(std::time(nullptr)); };
    if (!m_shared) {
        m_shared = std::make_shared<Shared>();
        m_shared->note = m_options.note;
    }
}

FtpSiteTarget::FtpSiteTarget(CFTPLink& link, bool passive, Options options)
    : FtpSiteTarget(std::shared_ptr<Shared>(), passive, std::move(options)) {
    m_link = &link;
}

FtpSiteTarget::FtpSiteTarget(std::unique_ptr<CFTPLink> link, bool passive, Options options)
    : FtpSiteTarget(std::shared_ptr<Shared>(), passive, std::move(options)) {
    m_owned = std::move(link);
    m_link = m_owned.get();
}

FtpSiteTarget::~FtpSiteTarget() {
    // A twin's connection is its own to end; the first is the run's.
    if (m_twin && m_link && m_link->IsOpen()) m_link->Logoff();
}

std::unique_ptr<SiteTarget> FtpSiteTarget::Twin() const {
    if (!m_options.connector) return nullptr;
    std::unique_ptr<FtpSiteTarget> twin(new FtpSiteTarget(m_shared, m_passive, m_options));
    twin->m_twin = true;
    return twin;
}

std::size_t FtpSiteTarget::Connections() const {
    return m_options.connector ? std::max<std::size_t>(1, m_options.connections) : 1;
}

SiteTarget::Status FtpSiteTarget::Connect() {
    if (m_link && m_link->IsOpen()) return Status::Ok();
    if (!m_options.connector) return Status::Failed("no way to connect");
    FtpConnector::Opened opened = m_options.connector->Open();
    if (!opened.link) return Status::Failed(opened.detail);
    m_owned = std::move(opened.link);
    m_link = m_owned.get();
    return Status::Ok();
}

void FtpSiteTarget::AllowInPlace() {
    m_shared->inPlaceAllowed = true;
}

void FtpSiteTarget::Note(const std::string& line) const {
    const std::lock_guard<std::mutex> lock(m_shared->mutex);
    if (m_shared->note) m_shared->note(line);
}

std::string FtpSiteTarget::LockName() const {
    return m_shared->dotless ? kDotlessLockName : kLockFileName;
}

std::string FtpSiteTarget::ManifestName() const {
    return m_shared->dotless ? kDotlessManifestName : PublishManifest::kFileName;
}

bool FtpSiteTarget::Reconnect(Status& status) {
    int number = 0;
    {
        const std::lock_guard<std::mutex> lock(m_shared->mutex);
        if (m_shared->reconnects >= m_options.maxReconnects) {
            status = Status::Failed(
                "The connection to the server was lost, and the run has "
                "reconnected " +
                std::to_string(m_options.maxReconnects) + " times already.");
            return false;
        }
        number = ++m_shared->reconnects;
    }
    FtpConnector::Opened opened = m_options.connector->Open();
    if (!opened.link) {
        status = Status::Failed(
            "The connection to the server was lost and could not be opened "
            "again: " +
            opened.detail);
        Note("\nReconnecting to the server failed (" + SyncRun::Printable(opened.detail) + ").\n");
        return false;
    }
    m_owned = std::move(opened.link);
    m_link = m_owned.get();
    for (const std::string& name : m_abandoned) m_link->DeleteFile(name);
    m_abandoned.clear();
    Note("\nReconnected to the server (" + std::to_string(number) + " of " +
         std::to_string(m_options.maxReconnects) + ").\n");
    return true;
}

bool FtpSiteTarget::EnsureConnected(Status& status) {
    if (m_link && m_link->IsOpen()) return true;
    // Without a connector the link's own failure ("Network error.") says it.
    if (!m_options.connector) {
        if (m_link) return true;
        status = Status::Failed("not connected", true);
        return false;
    }
    return Reconnect(status);
}

SiteTarget::Status FtpSiteTarget::Retrying(const std::string& what,
                                           const std::function<Status()>& op) {
    Status status;
    for (int attempt = 1;; ++attempt) {
        if (!EnsureConnected(status)) return status;
        status = op();
        if (status.ok || status.needsInPlace || !m_transient || !m_options.connector ||
            attempt >= m_options.maxTries) {
            return status;
        }
        Note("\nTrying " + what + " again (" + std::to_string(attempt + 1) + " of " +
             std::to_string(m_options.maxTries) + "): " + SyncRun::Printable(status.reason) + "\n");
        const std::size_t wait = static_cast<std::size_t>(attempt - 1);
        if (wait < m_options.retryWaits.size()) {
            const std::chrono::milliseconds pause = m_options.retryWaits[wait];
            if (m_options.sleep) {
                m_options.sleep(pause);
            } else {
                std::this_thread::sleep_for(pause);
            }
        }
        // 421: the server is closing this connection.
        if (m_link && m_link->IsOpen() && ReplyIs(*m_link, {"421"}))
            m_link->CloseControlConnection();
    }
}

std::string FtpSiteTarget::NewRunId() {
    return RandomRunId();
}

std::string FtpSiteTarget::PartName(const std::string& runId, unsigned long counter) {
    return kPartPrefix + runId + "-" + std::to_string(counter);
}

FtpSiteTarget::LockState FtpSiteTarget::JudgeLock(const std::string& text, const std::string& host,
                                                  std::int64_t now) {
    LockState state;
    // A file of another form is never taken over: it is not ours to judge.
    const std::optional<LockFields> fields = ParseLock(text);
    if (!fields) {
        state.holder = std::string("an unknown lock file ") + kLockFileName;
        return state;
    }
    state.holder = "host " + fields->host + ", process " + std::to_string(fields->pid);
    const bool processGone =
        fields->host == host && ::kill(static_cast<pid_t>(fields->pid), 0) != 0 && errno == ESRCH;
    state.stale = processGone || now - fields->time > kLockLifetimeSeconds;
    return state;
}

std::string FtpSiteTarget::LockText(const std::string& host, long pid, std::int64_t time) {
    return "foldcraft-lock 1\nhost " + host + "\npid " + std::to_string(pid) + "\ntime " +
           std::to_string(time) + "\n";
}

bool FtpSiteTarget::IsLeftover(const std::string& name, const std::vector<std::string>& listed) {
    const bool dotless = StartsWith(name, kDotlessPartPrefix);
    if (!dotless && !StartsWith(name, kPartPrefix)) return false;
    const std::string rest = name.substr(std::strlen(dotless ? kDotlessPartPrefix : kPartPrefix));
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
    if (m_link->LastReplyFollowsPassword()) return "(the server's reply is not shown)";
    return MaskSecrets(m_link->m_strLastReply, m_options.secrets);
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
    return DirectoryOf(path) + (m_shared->dotless ? kDotlessPartPrefix : kPartPrefix) + m_runId +
           "-" + std::to_string(++m_counter);
}

bool FtpSiteTarget::Listed(const std::string& path, bool& known) {
    std::vector<std::string> names;
    bool tooLarge = false;
    if (m_link->ListNames(path, names, kMaxListingBytes, m_passive, tooLarge)) {
        known = true;
        return !names.empty();
    }
    known = tooLarge || NotThereReply(*m_link);
    return tooLarge;
}

// ---------------------------------------------------------------------------
// The lock

bool FtpSiteTarget::ReadLock(std::string& text, bool& found, std::string& reason) {
    bool tooLarge = false;
    found = true;
    if (m_link->RetrieveTo(LockName(), text, kMaxLockBytes, m_passive, tooLarge)) return true;
    text.clear();
    if (tooLarge) return true;  // not one of ours: held
    const std::string why = Reason();
    if (NotThereReply(*m_link)) {
        bool known = false;
        const bool listed = Listed(LockName(), known);
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
    Status connected;
    if (!EnsureConnected(connected)) {
        holder = connected.reason;
        return Lock::kFailed;
    }
    const auto describe = [this](const std::string& text) {
        return JudgeLock(text, m_options.host, m_options.now()).holder;
    };

    std::string text;
    bool found = false;
    if (!ReadLock(text, found, holder)) return Lock::kFailed;
    if (found) {
        const LockState state = JudgeLock(text, m_options.host, m_options.now());
        if (!state.stale) {
            holder = state.holder;
            return Lock::kHeld;
        }
    }

    const std::string ours =
        LockText(m_options.host, static_cast<long>(::getpid()), m_options.now());
    const Status stored = Put(
        LockName(),
        [&](const std::string& name) { return m_link->StoreBytes(name, ours, m_passive); }, false);
    if (!stored.ok) {
        holder = stored.reason;
        return Lock::kFailed;
    }
    // Another run may have stored its own meanwhile: the last one stored wins.
    if (!ReadLock(text, found, holder)) return Lock::kFailed;
    if (!found) {
        holder = LockName() + " vanished after it was stored";
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
    Status connected;
    if (EnsureConnected(connected) && ReadLock(text, found, reason) && found &&
        text == m_lockText) {
        m_link->DeleteFile(LockName());
    }
    m_lockText.clear();
}

// ---------------------------------------------------------------------------
// The manifest

SiteTarget::ManifestText FtpSiteTarget::ReadManifest() {
    ManifestText result;
    if (!EnsureConnected(result.status)) {
        result.found = true;
        return result;
    }
    bool tooLarge = false;
    result.found = true;
    if (m_link->RetrieveTo(ManifestName(), result.text, m_options.maxManifestBytes, m_passive,
                           tooLarge)) {
        return result;
    }
    result.text.clear();
    if (tooLarge) {
        result.status = Status::Failed("The manifest " + ManifestName() + " is larger than " +
                                       std::to_string(m_options.maxManifestBytes) + " bytes.");
        return result;
    }
    result.status = Failed();
    if (!NotThereReply(*m_link)) return result;
    // Refused: not there, or not readable. The listing of the site's root tells
    // which, and shows the list of a server that refuses names beginning with a dot.
    std::vector<std::string> names;
    if (!m_link->ListNames(std::string(), names, kMaxListingBytes, m_passive, tooLarge)) {
        if (!NotThereReply(*m_link)) return result;
        names.clear();  // an empty directory, to some servers
    }
    for (std::string& name : names) name = BaseName(name);
    const auto listed = [&](const std::string& name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    if (listed(ManifestName())) return result;
    if (!m_shared->dotless && listed(kDotlessManifestName)) {
        m_shared->dotless = true;
        return ReadManifest();
    }
    result.found = false;
    result.status = Status::Ok();
    return result;
}

SiteTarget::Status FtpSiteTarget::WriteManifest(const std::string& text) {
    return Retrying(ManifestName(), [&] {
        return Put(
            ManifestName(),
            [&](const std::string& name) { return m_link->StoreBytes(name, text, m_passive); },
            false);
    });
}

// ---------------------------------------------------------------------------
// Files and directories

bool FtpSiteTarget::Holds(const std::string& /*path*/, const FileSource& /*source*/,
                          const ManifestEntry& wanted, const ManifestEntry* recorded) {
    return recorded != nullptr && !recorded->sha256.empty() && recorded->size == wanted.size &&
           recorded->sha256 == wanted.sha256;
}

SiteTarget::Status FtpSiteTarget::Failed() const {
    if (m_link->LastCommandWord() == "PORT" || StartsWith(m_link->m_strLastReply, "425"))
        m_dataRefused = true;
    // A connection that went (closed, timed out) or a reply that says "not now".
    m_transient = !m_link->IsOpen() || ReplyIs(*m_link, {"421", "425", "426", "450", "451"});
    m_tooLong = m_link->IsOpen() && ReplyIs(*m_link, {"500", "501"});
    return Status::Failed(Reason());
}

bool FtpSiteTarget::Enter(const std::string& dir, std::size_t& levels) {
    levels = 0;
    std::size_t start = 0;
    while (start < dir.size()) {
        std::size_t slash = dir.find('/', start);
        if (slash == std::string::npos) slash = dir.size();
        if (slash > start) {
            if (!m_link->Command("CWD " + dir.substr(start, slash - start))) return false;
            ++levels;
        }
        start = slash + 1;
    }
    return true;
}

void FtpSiteTarget::Leave(std::size_t levels) {
    for (std::size_t i = 0; i < levels; ++i) {
        if (!m_link->Command("CDUP")) {
            // Lost where it stands: the next operation opens a connection anew, which
            // starts in the starting directory again.
            m_link->CloseControlConnection();
            return;
        }
    }
}

SiteTarget::Status FtpSiteTarget::MakeDirectory(const std::string& path, bool& made) {
    made = false;
    return Retrying(path, [&] {
        const bool nested = path.find('/') != std::string::npos;
        const bool tooLong = nested && path.size() > kLongPath;
        bool ok = !tooLong && m_link->MakeDirectory(path);
        if (!ok && nested && (tooLong || (m_link->IsOpen() && ReplyIs(*m_link, {"500", "501"})))) {
            // Too long for one command: one level at a time.
            std::size_t levels = 0;
            ok = Enter(DirectoryOf(path), levels) && m_link->MakeDirectory(BaseName(path));
            const std::string reply = m_link->m_strLastReply;
            const bool refused = m_link->DirectoryRefused();
            Leave(levels);
            if (m_link->IsOpen()) m_link->m_strLastReply = reply;
            if (!ok && refused) {
                Status failed = Failed();
                return failed;
            }
        }
        if (!ok) {
            // A directory refused (550, and not there) leaves its files out; any
            // other failure, a lost connection above all, leaves the server unknown.
            Status failed = Failed();
            failed.endsRun = !m_link->DirectoryRefused() && !m_transient;
            return failed;
        }
        // A 550 for a directory that is there leaves that reply.
        made = StartsWith(m_link->m_strLastReply, "2");
        return Status::Ok();
    });
}

bool FtpSiteTarget::MakeParents(const std::string& dir) {
    bool madeAny = false;
    std::size_t slash = 0;
    while (slash != std::string::npos) {
        slash = dir.find('/', slash + 1);
        if (!m_link->MakeDirectory(dir.substr(0, slash))) return false;
        if (StartsWith(m_link->m_strLastReply, "2")) madeAny = true;
    }
    return madeAny;
}

SiteTarget::Status FtpSiteTarget::Put(const std::string& path,
                                      const std::function<bool(const std::string&)>& store,
                                      bool file) {
    // The lock and the manifest go under the names of the mode in force.
    const auto finalName = [&] {
        if (file || !m_shared->dotless || BaseName(path)[0] != '.') return path;
        return DirectoryOf(path) + BaseName(path).substr(1);
    };
    if (m_shared->renameRefused) {
        // No renaming on this server: files are overwritten in place, once the sync
        // has marked them.
        if (file && !m_shared->inPlaceAllowed) {
            Status status = Status::Failed("The server cannot rename files.");
            status.needsInPlace = true;
            return status;
        }
        return store(finalName()) ? Status::Ok() : Failed();
    }
    std::string temporary = TemporaryName(path);
    bool madeParents = false;
    while (!store(temporary)) {
        Status failed = Failed();
        // A part of the file may have arrived: it must not stay on the server (nor
        // after a lost connection: then once a new one is open).
        if (m_link->IsOpen() && m_link->LastCommandWord() == "STOR" &&
            !ReplyIs(*m_link, {"550", "553"})) {
            m_link->DeleteFile(temporary);
        } else if (!m_link->IsOpen()) {
            m_abandoned.push_back(temporary);
        }
        if (!m_link->IsOpen() || m_link->LastCommandWord() != "STOR" ||
            !StartsWith(failed.reason, "5")) {
            return failed;
        }
        const std::string refusal = failed.reason;
        if (!m_shared->dotless && !m_shared->dotWorked && BaseName(temporary)[0] == '.') {
            // Perhaps the dot: try once without one.
            m_shared->dotless = true;
            const std::string other = TemporaryName(path);
            if (store(other)) {
                Note("\nThe server refused a name beginning with a dot (" +
                     SyncRun::Printable(refusal) + "); names without one are used from now on.\n");
                temporary = other;
                break;
            }
            m_shared->dotless = false;
            if (!m_link->IsOpen()) return Failed();
        }
        const std::string dir = DirectoryOf(path);
        if (madeParents || dir.empty() || !ReplyIs(*m_link, {"550", "553"})) return failed;
        // The directory listed in the manifest may have gone: made again, once.
        madeParents = true;
        if (!MakeParents(dir.substr(0, dir.size() - 1))) return failed;
    }
    if (BaseName(temporary)[0] == '.') m_shared->dotWorked = true;
    return RenameIntoPlace(temporary, finalName(), path, store, file);
}

SiteTarget::Status FtpSiteTarget::RenameIntoPlace(
    const std::string& temporary, const std::string& target, const std::string& path,
    const std::function<bool(const std::string&)>& store, bool file) {
    if (m_link->Rename(temporary, target)) {
        m_shared->renameWorked = true;
        return Status::Ok();
    }
    Status failed = Failed();
    if (!m_link->IsOpen()) return failed;
    // Some servers do not rename over an existing file.
    if (m_link->LastCommandWord() == "RNTO" && m_link->DeleteFile(target)) {
        if (m_link->Rename(temporary, target)) {
            m_shared->renameWorked = true;
            return Status::Ok();
        }
        failed = Failed();
        if (!m_link->IsOpen()) return failed;
    }
    m_link->DeleteFile(temporary);
    if (!m_shared->renameWorked && m_link->IsOpen()) {
        // Refused before any rename worked: this server does not rename (or not
        // files of ours); plain uploads from here on.
        if (!m_shared->renameRefused.exchange(true)) {
            Note("\nThe server refused to rename an uploaded file (" +
                 SyncRun::Printable(failed.reason) +
                 "); files are uploaded in place from now on.\n");
        }
        return Put(path, store, file);
    }
    return failed;
}

SiteTarget::Status FtpSiteTarget::PutAnyLength(const std::string& path,
                                               const std::function<bool(const std::string&)>& store,
                                               bool file) {
    const bool nested = path.find('/') != std::string::npos;
    Status status;
    if (!nested || path.size() <= kLongPath) {
        status = Put(path, store, file);
        if (status.ok || !m_tooLong || !nested || !m_link->IsOpen()) return status;
    }
    std::size_t levels = 0;
    if (!Enter(DirectoryOf(path), levels)) {
        status = Failed();
        Leave(levels);
        return status;
    }
    status = Put(BaseName(path), store, file);
    Leave(levels);
    return status;
}

SiteTarget::Status FtpSiteTarget::PutFile(const std::string& path, const FileSource& source,
                                          const ManifestEntry& wanted,
                                          std::optional<ManifestEntry>& entry) {
    // What was read is recorded: a file changed meanwhile differs next time and goes again.
    entry = wanted;
    const auto counting = [&](const std::function<Status()>& put) {
        if (m_link) m_link->SetSentHook(source.onBytes);
        Status status = Retrying(SyncRun::Printable(path), [&] {
            if (m_link) m_link->SetSentHook(source.onBytes);
            return put();
        });
        if (m_link) m_link->SetSentHook({});
        return status;
    };
    if (source.bytes) {
        const std::string& bytes = *source.bytes;
        return counting([&] {
            return PutAnyLength(
                path,
                [&](const std::string& name) { return m_link->StoreBytes(name, bytes, m_passive); },
                true);
        });
    }
    // A pipe or device must not block the open; only a regular file is sent.
    UniqueFd file(::open(source.localPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (file.Get() < 0 || ::fstat(file.Get(), &st) != 0)
        return Status::Failed(FileCopy::SourceTrouble(errno));
    if (S_ISDIR(st.st_mode)) return Status::Failed(FileCopy::SourceTrouble(EISDIR));
    if (!S_ISREG(st.st_mode) || ::fcntl(file.Get(), F_SETFL, 0) != 0) {
        return Status::Failed(FileCopy::kNotRegular);
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (m_options.afterOpen) m_options.afterOpen(source.localPath);
    return counting([&] {
        return PutAnyLength(
            path,
            [&](const std::string& name) {
                // From the start each time: a second try sends the whole file again.
                if (::lseek(file.Get(), 0, SEEK_SET) != 0) return false;
                return m_link->StoreFrom(name, file.Get(), size, m_passive);
            },
            true);
    });
}

SiteTarget::Removal FtpSiteTarget::RemoveFile(const std::string& path,
                                              const ManifestEntry& recorded, std::string& reason) {
    reason.clear();
    Status connected;
    if (!EnsureConnected(connected)) {
        reason = connected.reason;
        return Removal::kFailed;
    }
    // Whether the path is gone, after a 550 to the question of its size.
    const auto goneOrFailed = [&]() {
        reason = Reason();
        bool known = false;
        const bool listed = Listed(path, known);
        return known && !listed ? Removal::kGone : Removal::kFailed;
    };

    std::uint64_t size = 0;
    if (!m_link->FileSize(path, size)) {
        const bool unknownCommand =
            m_link->LastCommandWord() == "SIZE" && (StartsWith(m_link->m_strLastReply, "500") ||
                                                    StartsWith(m_link->m_strLastReply, "502"));
        if (m_link->LastCommandWord() == "SIZE" && NotThereReply(*m_link)) return goneOrFailed();
        if (!unknownCommand) {
            reason = Reason();
            return Removal::kFailed;
        }
        // A server without SIZE: its machine listing of the file.
        std::string facts;
        if (!m_link->MachineFacts(path, facts)) {
            if (NotThereReply(*m_link)) return goneOrFailed();
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
    if (!m_link->DeleteFile(path)) {
        reason = Reason();
        return Removal::kFailed;
    }
    return Removal::kRemoved;
}

SiteTarget::Status FtpSiteTarget::RemoveDirectory(const std::string& path) {
    Status connected;
    if (!EnsureConnected(connected)) return connected;
    return m_link->Command("RMD " + path) ? Status::Ok() : Failed();
}

void FtpSiteTarget::RemoveLeftovers(const std::string& directory) {
    Status connected;
    if (!EnsureConnected(connected)) return;
    std::vector<std::string> names;
    bool tooLarge = false;
    if (!m_link->ListNames(directory, names, kMaxListingBytes, m_passive, tooLarge)) return;
    // Some servers list "directory/name", others "name".
    for (std::string& name : names) name = BaseName(name);
    const std::string prefix = directory.empty() ? std::string() : directory + "/";
    for (const std::string& name : names) {
        if (!m_link->IsOpen()) return;
        if (IsLeftover(name, names)) m_link->DeleteFile(prefix + name);
    }
}

}  // namespace foldcraft
