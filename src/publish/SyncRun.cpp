#include "publish/SyncRun.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string_view>
#include <thread>
#include <unordered_set>
#include <utility>

#include "publish/FileDigest.h"

namespace foldcraft {
namespace {

std::string Plural(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

SyncRun::SyncRun(SiteTarget& target, SyncOptions options)
    : m_target(target), m_options(std::move(options)) {}

SyncRun::~SyncRun() {
    if (m_locked) m_target.ReleaseLock();
}

std::string SyncRun::Printable(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool SyncRun::Start() {
    if (!m_options.dryRun && !m_options.lockOnlyForChanges) {
        std::string holder;
        if (!TakeLock(holder)) return false;
    }
    return ReadManifest();
}

bool SyncRun::TakeLock(std::string& holder) {
    switch (m_target.TakeLock(holder)) {
        case SiteTarget::Lock::kTaken:
            m_locked = true;
            return true;
        case SiteTarget::Lock::kHeld:
            m_startFailure = "\nAnother publish is writing to this site (" + Printable(holder) +
                             "); nothing was changed. Publish again when it has finished.\n";
            return false;
        case SiteTarget::Lock::kFailed:
            break;
    }
    m_startFailure = "\nThe site cannot be locked for publishing (" + Printable(holder) +
                     "); nothing was changed.\n";
    return false;
}

bool SyncRun::ReadManifest() {
    m_old.reset();
    m_manifestTrouble.clear();
    const SiteTarget::ManifestText read = m_target.ReadManifest();
    m_manifestFound = read.found;
    m_manifestText = read.text;
    if (!read.found) return true;
    if (!read.status.ok) {
        m_manifestTrouble = read.status.reason;
    } else {
        m_old = PublishManifest::Parse(read.text);
        if (!m_old) m_manifestTrouble = "not a list this program wrote";
    }
    return true;
}

bool SyncRun::HasChanges() const {
    if (!m_plan.uploads.empty() || !m_plan.pages.empty() || !m_plan.removals.empty() ||
        !m_plan.directoryRemovals.empty()) {
        return true;
    }
    return !m_old || !(m_new == *m_old);
}

bool SyncRun::LockForChanges() {
    if (m_options.dryRun || m_locked) return true;
    std::string holder;
    if (!TakeLock(holder)) return false;
    const std::string before = m_manifestText;
    const bool foundBefore = m_manifestFound;
    ReadManifest();
    if (m_manifestText != before || m_manifestFound != foundBefore) {
        // Another run published meanwhile: what it left decides.
        m_new = PublishManifest();
        PlanFromInput();
    }
    m_inputFiles.clear();
    m_inputCannotCopy.clear();
    return true;
}

void SyncRun::Survey(SiteTarget& target, SurveyedFile* begin, SurveyedFile* end) const {
    const bool digests = target.NeedsDigests();
    for (SurveyedFile* f = begin; f != end; ++f) {
        if (f->file.source.bytes) {
            const FileDigest digest = FileDigest::OfBytes(*f->file.source.bytes);
            f->wanted.size = digest.size;
            f->wanted.sha256 = digest.sha256;
        } else if (digests) {
            if (const std::optional<FileDigest> digest = FileDigest::Of(f->file.source.localPath)) {
                f->wanted.size = digest->size;
                f->wanted.sha256 = digest->sha256;
            }
        } else {
            struct stat st {};
            if (::stat(f->file.source.localPath.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
                f->wanted.size = static_cast<std::uint64_t>(st.st_size);
                f->wanted.mtime = FileTime{st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
                f->file.source.device = static_cast<std::uint64_t>(st.st_dev);
                f->file.source.inode = static_cast<std::uint64_t>(st.st_ino);
            }
        }
        const ManifestEntry* recorded = m_old ? m_old->Find(f->file.path) : nullptr;
        // A file that was being overwritten in place may have been cut short.
        f->unchanged = m_options.changedOnly && !(recorded && recorded->inProgress) &&
                       target.Holds(f->file.path, f->file.source, f->wanted, recorded);
    }
}

void SyncRun::Plan(std::vector<SiteFile> files, std::vector<NotCopied> cannotCopy) {
    m_inputFiles = std::move(files);
    m_inputCannotCopy = std::move(cannotCopy);
    PlanFromInput();
    if (!m_options.lockOnlyForChanges || m_options.dryRun) {
        m_inputFiles.clear();
        m_inputCannotCopy.clear();
    }
}

void SyncRun::PlanFromInput() {
    m_notCopied = m_inputCannotCopy;
    // A document listed twice in the tree is one file of the site.
    std::vector<SurveyedFile> surveyed;
    surveyed.reserve(m_inputFiles.size());
    std::unordered_set<std::string_view> paths;
    paths.reserve(m_inputFiles.size());
    for (const SiteFile& file : m_inputFiles) {
        if (!paths.insert(file.path).second) continue;
        surveyed.emplace_back();
        surveyed.back().file = file;
    }
    // A large site is surveyed in two halves at once when the target can be asked
    // from two threads: most of the time goes into asking the file system.
    constexpr std::size_t kParallelFrom = 2000;
    std::unique_ptr<SiteTarget> twin;
    if (surveyed.size() >= kParallelFrom && std::thread::hardware_concurrency() > 1)
        twin = m_target.Twin();
    SurveyedFile* const first = surveyed.data();
    SurveyedFile* const last = first + surveyed.size();
    if (!twin) {
        Survey(m_target, first, last);
    } else {
        SurveyedFile* const middle = first + surveyed.size() / 2;
        std::exception_ptr failure;
        std::thread worker([&] {
            try {
                Survey(*twin, middle, last);
            } catch (...) {
                failure = std::current_exception();
            }
        });
        try {
            Survey(m_target, first, middle);
        } catch (...) {
            worker.join();
            throw;
        }
        worker.join();
        if (failure) std::rethrow_exception(failure);
    }
    m_plan = SyncPlan::Make(std::move(surveyed), m_old ? &*m_old : nullptr, m_options.changedOnly,
                            m_options.skipListedDirectories);
    std::uint64_t bytes = 0;
    for (const auto* list : {&m_plan.uploads, &m_plan.pages}) {
        for (const SurveyedFile& f : *list) bytes += f.wanted.size;
    }
    m_meter.Reset();
    m_meter.Plan(m_plan.uploads.size() + m_plan.pages.size(), bytes);

    // What stays as it is stays ours; so does what is to be replaced, until it is: a
    // run that ends before it puts a file (a failure, a stop) still lists the old one.
    m_planned = true;
    for (const auto* list : {&m_plan.unchanged, &m_plan.unchangedPages}) {
        for (const SurveyedFile& f : *list) {
            const ManifestEntry* recorded = m_old ? m_old->Find(f.file.path) : nullptr;
            m_new.SetFile(f.file.path, recorded ? *recorded : f.wanted);
        }
    }
    for (const auto* list : {&m_plan.uploads, &m_plan.pages}) {
        for (const SurveyedFile& f : *list) {
            const ManifestEntry* recorded = m_old ? m_old->Find(f.file.path) : nullptr;
            if (recorded) m_new.SetFile(f.file.path, *recorded);
        }
    }
    if (m_old) {
        const std::set<std::string> inSite(m_plan.siteDirectories.begin(),
                                           m_plan.siteDirectories.end());
        for (const std::string& dir : m_old->Directories()) {
            if (inSite.count(dir) != 0) m_new.AddDirectory(dir);
        }
    }
}

const std::string* SyncRun::RefusedDirectoryOf(const std::string& path) const {
    if (m_refused.empty()) return nullptr;
    std::size_t end = 0;
    while ((end = path.find('/', end)) != std::string::npos) {
        const auto it = m_refused.find(path.substr(0, end));
        if (it != m_refused.end()) return &it->second;
        ++end;
    }
    return nullptr;
}

bool SyncRun::MakeDirectories() {
    if (m_options.dryRun) return true;
    std::set<std::string> made;
    // A target of several connections makes each level of directories over all of
    // them, parents before children.
    if (m_target.Connections() > 1)
        OpenWorkers(std::min(m_target.Connections(), m_plan.uploads.size() + m_plan.pages.size()));
    const auto depth = [](const std::string& dir) {
        return std::count(dir.begin(), dir.end(), '/');
    };
    const std::vector<std::string>& dirs = m_plan.directories;  // parents first
    for (std::size_t start = 0; start < dirs.size();) {
        std::size_t end = start;
        while (end < dirs.size() && depth(dirs[end]) == depth(dirs[start])) ++end;
        std::vector<const std::string*> level;
        for (std::size_t i = start; i < end; ++i) {
            if (RefusedDirectoryOf(dirs[i] + "/") == nullptr) level.push_back(&dirs[i]);
        }
        start = end;
        std::vector<SiteTarget::Status> statuses(level.size());
        std::vector<char> madeNow(level.size(), 0);
        OnEveryConnection(level.size(), [&](SiteTarget& target, std::size_t i) {
            bool madeIt = false;
            statuses[i] = target.MakeDirectory(*level[i], madeIt);
            madeNow[i] = madeIt ? 1 : 0;
        });
        for (std::size_t i = 0; i < level.size(); ++i) {
            const SiteTarget::Status& status = statuses[i];
            if (!status.ok) {
                if (status.endsRun) {
                    m_failure = status.reason;
                    return false;
                }
                m_refused[*level[i]] = status.reason;
            } else if (madeNow[i]) {
                m_new.AddDirectory(*level[i]);
                made.insert(*level[i]);
            }
        }
    }
    // Killed runs' leftovers are cleared where this one writes: a directory made now
    // holds none.
    std::set<std::string> visited = made;
    const auto sweep = [&](const std::string& dir) {
        if (RefusedDirectoryOf(dir + "/") == nullptr && visited.insert(dir).second)
            m_target.RemoveLeftovers(dir);
    };
    sweep(std::string());
    for (const auto* list : {&m_plan.uploads, &m_plan.pages}) {
        for (const SurveyedFile& f : *list) {
            const std::size_t slash = f.file.path.rfind('/');
            sweep(slash == std::string::npos ? std::string() : f.file.path.substr(0, slash));
        }
    }
    if (m_options.sweepAllDirectories) {
        for (const std::string& dir : m_plan.siteDirectories) sweep(dir);
        if (m_old) {
            for (const std::string& dir : m_old->Directories()) sweep(dir);
        }
    }
    return true;
}

void SyncRun::NoteNotCopied(const SurveyedFile& f, const std::string& reason) {
    // The file that was there may still be: it stays listed as ours (Plan).
    m_notCopied.push_back({f.file.listedAs, reason});
}

SyncRun::PutResult SyncRun::TryPut(SiteTarget& target, const SurveyedFile& f) {
    PutResult result;
    if (const std::string* refusal = RefusedDirectoryOf(f.file.path)) {
        result.status = SiteTarget::Status::Failed(*refusal);
        m_meter.EndFile(f.wanted.size, 0);
        return result;
    }
    m_meter.StartFile(f.file.path);
    std::uint64_t counted = 0;
    FileSource source = f.file.source;
    source.onBytes = [this, &counted](std::uint64_t bytes) {
        counted += bytes;
        m_meter.AddBytes(bytes);
    };
    result.status = target.PutFile(f.file.path, source, f.wanted, result.entry);
    if (!result.status.needsInPlace) m_meter.EndFile(f.wanted.size, counted);
    return result;
}

bool SyncRun::Record(const SurveyedFile& f, const PutResult& result) {
    if (!result.status.ok) {
        NoteNotCopied(f, result.status.reason);
        return false;
    }
    if (result.entry) {
        m_new.SetFile(f.file.path, *result.entry);
    } else {
        // The source itself stands there: never ours to remove.
        m_new.RemoveFile(f.file.path);
    }
    return true;
}

void SyncRun::MarkInPlace() {
    for (const auto* list : {&m_plan.uploads, &m_plan.pages}) {
        for (const SurveyedFile& f : *list) {
            if (RefusedDirectoryOf(f.file.path) != nullptr) continue;
            ManifestEntry marked = f.wanted;
            marked.inProgress = true;
            m_new.SetFile(f.file.path, marked);
        }
    }
    // Written even when it fails: a run killed meanwhile then finds no list it can
    // trust, which also sends everything again.
    m_target.WriteManifest(m_new.Serialize());
}

void SyncRun::OpenWorkers(std::size_t want) {
    if (m_workersOpened || want <= 1) return;
    m_workersOpened = true;
    std::vector<std::unique_ptr<SiteTarget>> twins;
    for (std::size_t i = 1; i < want; ++i) {
        std::unique_ptr<SiteTarget> twin = m_target.Twin();
        if (!twin) break;
        twins.push_back(std::move(twin));
    }
    // Each logs on in a thread of its own: a distant server is waited on once.
    std::vector<SiteTarget::Status> connected(twins.size());
    std::vector<std::thread> threads;
    threads.reserve(twins.size());
    for (std::size_t i = 0; i < twins.size(); ++i)
        threads.emplace_back([&, i] { connected[i] = twins[i]->Connect(); });
    for (std::thread& t : threads) t.join();
    std::string why;
    for (std::size_t i = 0; i < twins.size(); ++i) {
        if (connected[i].ok) {
            m_workers.push_back(std::move(twins[i]));
        } else if (why.empty()) {
            why = connected[i].reason;
        }
    }
    const std::size_t have = m_workers.size() + 1;
    if (have < want) {
        m_connectionsLine = "\nThe server took " + std::to_string(have) + " of " +
                            std::to_string(want) + " connections (" + Printable(why) +
                            "); the files went over " + std::to_string(have) + ".\n";
    }
}

bool SyncRun::OnEveryConnection(std::size_t count,
                                const std::function<void(SiteTarget&, std::size_t)>& work,
                                const StopHook& stop) {
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stopped{false};
    std::mutex stopMutex;
    const auto loop = [&](SiteTarget& target) {
        for (;;) {
            if (stopped) return;
            if (stop) {
                const std::lock_guard<std::mutex> lock(stopMutex);
                if (stop()) {
                    stopped = true;
                    return;
                }
            }
            const std::size_t i = next++;
            if (i >= count) return;
            work(target, i);
        }
    };
    std::vector<std::thread> threads;
    const std::size_t helpers = count == 0 ? 0 : std::min(m_workers.size(), count - 1);
    std::vector<std::exception_ptr> failures(helpers);
    for (std::size_t w = 0; w < helpers; ++w) {
        threads.emplace_back([&, w] {
            try {
                loop(*m_workers[w]);
            } catch (...) {
                failures[w] = std::current_exception();
                stopped = true;
            }
        });
    }
    std::exception_ptr mine;
    try {
        loop(m_target);
    } catch (...) {
        mine = std::current_exception();
        stopped = true;
    }
    for (std::thread& t : threads) t.join();
    if (mine) std::rethrow_exception(mine);
    for (const std::exception_ptr& failure : failures) {
        if (failure) std::rethrow_exception(failure);
    }
    return stopped;
}

bool SyncRun::PutMany(const std::vector<const SurveyedFile*>& files, const StopHook& stop) {
    bool all = true;
    std::size_t begin = 0;
    if (!m_firstPutDone && !files.empty()) {
        // The first file alone: it shows whether the target can put files under a
        // temporary name, before several connections put at once.
        if (stop && stop()) return true;
        m_firstPutDone = true;
        PutResult first = TryPut(m_target, *files[0]);
        if (first.status.needsInPlace) {
            MarkInPlace();
            m_target.AllowInPlace();
            first = TryPut(m_target, *files[0]);
        }
        all = Record(*files[0], first);
        begin = 1;
    }
    const std::size_t count = files.size() - begin;
    if (count == 0) return all;

    std::size_t want = m_target.Connections();
    if (want == 0) {
        // A local target: two threads only pay for many files.
        constexpr std::size_t kParallelFrom = 2000;
        want = !stop && count >= kParallelFrom && std::thread::hardware_concurrency() > 1 ? 2 : 1;
    }
    OpenWorkers(std::min(want, count));

    std::vector<std::optional<PutResult>> results(count);
    OnEveryConnection(
        count,
        [&](SiteTarget& target, std::size_t i) { results[i] = TryPut(target, *files[begin + i]); },
        stop);
    // Recorded in the plan's order, as one connection would have.
    for (std::size_t i = 0; i < count; ++i) {
        if (results[i] && !Record(*files[begin + i], *results[i])) all = false;
    }
    return all;
}

void SyncRun::PutFiles(const StopHook& stop) {
    if (m_options.dryRun) return;
    std::vector<const SurveyedFile*> files;
    files.reserve(m_plan.uploads.size());
    for (const SurveyedFile& f : m_plan.uploads) files.push_back(&f);
    PutMany(files, stop);
}

bool SyncRun::PutPages(const std::vector<std::string>& names) {
    if (m_options.dryRun) return true;
    const std::unordered_set<std::string> wanted(names.begin(), names.end());
    std::vector<const SurveyedFile*> files;
    for (const SurveyedFile& f : m_plan.pages) {
        if (wanted.count(f.file.path) != 0) files.push_back(&f);
    }
    return PutMany(files, {});
}

bool SyncRun::WriteManifest() {
    // A re-publish that changed nothing leaves the list as it is.
    if (m_old && m_new == *m_old) return true;
    const SiteTarget::Status status = m_target.WriteManifest(m_new.Serialize());
    if (!status.ok) m_notCopied.push_back({PublishManifest::kFileName, status.reason});
    return status.ok;
}

void SyncRun::Finish(bool stopped) {
    if (m_options.dryRun || m_finished) return;
    m_finished = true;
    m_workers.clear();
    // Until they are gone, the files to remove stay listed: a run killed meanwhile
    // leaves them to the next one.
    for (const SyncPlan::Removal& r : m_plan.removals) m_new.SetFile(r.path, r.recorded);
    for (const std::string& dir : m_plan.directoryRemovals) m_new.AddDirectory(dir);
    const bool written = WriteManifest();

    if (!m_manifestTrouble.empty()) {
        m_removalLines += "\nThe list of files that earlier publishes put here (" +
                          std::string(PublishManifest::kFileName) + ") could not be used (" +
                          Printable(m_manifestTrouble) +
                          "): every file was copied and nothing was removed.\n";
    }
    const bool due = !m_plan.removals.empty() || !m_plan.directoryRemovals.empty();
    if (due && stopped) {
        m_heldBack = true;
    } else if (due && (!written || !m_notCopied.empty())) {
        m_heldBack = true;
        m_removalLines += "\nNothing was removed, because some files were not copied.\n";
    } else if (due) {
        const std::size_t limit = m_options.maxDelete.value_or(m_plan.DefaultRemovalLimit());
        if (m_plan.removals.size() > limit) {
            m_heldBack = true;
            m_removalLines +=
                "\nNothing was removed: " + Plural(m_plan.removals.size(), "file is", "files are") +
                " no longer published, more than the limit of " + std::to_string(limit) +
                ". To remove them, publish again with --max-delete all.\n";
        } else {
            Remove();
            // When this fails the list before the removals stays: the next run finds
            // the removed files gone.
            WriteManifest();
        }
    }
    if (m_locked) {
        m_target.ReleaseLock();
        m_locked = false;
    }
}

void SyncRun::Remove() {
    std::string changed;
    std::string failed;
    for (const SyncPlan::Removal& r : m_plan.removals) {
        std::string reason;
        switch (m_target.RemoveFile(r.path, r.recorded, reason)) {
            case SiteTarget::Removal::kRemoved:
                ++m_removed;
                m_new.RemoveFile(r.path);
                break;
            case SiteTarget::Removal::kGone:
                m_new.RemoveFile(r.path);
                break;
            case SiteTarget::Removal::kChanged:
                // Not ours any more: left, and forgotten, so it is told once.
                m_new.RemoveFile(r.path);
                changed +=
                    "\nNot removed, changed since it was published: " + Printable(r.path) + "\n";
                break;
            case SiteTarget::Removal::kFailed:
                failed +=
                    "\nCould not remove " + Printable(r.path) + ": " + Printable(reason) + "\n";
                break;
        }
    }
    for (const std::string& dir : m_plan.directoryRemovals) {
        m_target.RemoveLeftovers(dir);
        if (m_target.RemoveDirectory(dir).ok) {
            ++m_removedDirectories;
            m_new.RemoveDirectory(dir);
        }
    }
    if (m_removed > 0) {
        m_removalLines +=
            "\nRemoved " + std::to_string(m_removed) + " files that are no longer published.\n";
    }
    if (m_removedDirectories > 0) {
        m_removalLines += "\nRemoved " + Plural(m_removedDirectories, "directory", "directories") +
                          " that the site no longer uses.\n";
    }
    m_removalLines += changed;
    m_removalLines += failed;
}

void SyncRun::Abandon() {
    if (m_options.dryRun || m_finished) return;
    m_finished = true;
    m_workers.clear();
    if (m_locked && m_planned) {
        for (const SyncPlan::Removal& r : m_plan.removals) m_new.SetFile(r.path, r.recorded);
        for (const std::string& dir : m_plan.directoryRemovals) m_new.AddDirectory(dir);
        WriteManifest();
    }
    if (m_locked) {
        m_target.ReleaseLock();
        m_locked = false;
    }
}

std::string SyncRun::SkippedLine() const {
    if (Skipped() == 0) return std::string();
    return "\nSkipped " + Plural(Skipped(), "unchanged file", "unchanged files") + ".\n";
}

std::string SyncRun::RemovalLines() const {
    return m_removalLines;
}

}  // namespace foldcraft
