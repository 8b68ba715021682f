#include "model/DirectoryImporter.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <set>
#include <utility>

#include "model/Archive.h"
#include "model/BuildTreeFolder.h"
#include "model/TextCase.h"

namespace foldcraft {
namespace {

// The import stops adding items beyond this many (links inside the directory
// could otherwise multiply a small tree without end).
constexpr size_t kMaxItems = 1'000'000;

using DirId = std::pair<dev_t, ino_t>;

static_assert(DirectoryImporter::kMaxDepth == CArchive::kMaxFolderDepth - 1,
              "an import into the root must be one that the project file can hold");

std::string Join(const std::string& dir, const std::string& name) {
    return dir == "/" ? "/" + name : dir + "/" + name;
}

std::string ErrnoText(int error) {
    return std::strerror(error);
}

// The canonical path of path, or empty with errno set.
std::string RealPath(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return {};
    std::string result(resolved);
    std::free(resolved);
    return result;
}

bool IsInside(const std::string& path, const std::string& root) {
    if (path == root) return true;
    if (root == "/") return !path.empty() && path[0] == '/';
    return path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
           path[root.size()] == '/';
}

// The names in a directory, without "." and "..", in name order. False with errno.
bool ListNames(const std::string& dir, std::vector<std::string>& names) {
    DIR* handle = ::opendir(dir.c_str());
    if (!handle) return false;
    errno = 0;
    while (const dirent* entry = ::readdir(handle)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
        errno = 0;
    }
    const int readError = errno;
    ::closedir(handle);
    if (readError != 0) {
        errno = readError;
        return false;
    }
    std::vector<std::pair<std::string, std::string>> keyed;
    keyed.reserve(names.size());
    for (auto& name : names) keyed.emplace_back(ToLowerUtf8(name), std::move(name));
    std::sort(keyed.begin(), keyed.end());
    names.clear();
    for (auto& [key, name] : keyed) names.push_back(std::move(name));
    return true;
}

class ImportRun {
public:
    ImportRun(const DirectoryImporter::Options& options, std::string realRoot,
              DirectoryImporter::Result& result)
        : m_options(options), m_realRoot(std::move(realRoot)), m_result(result) {
        struct stat st {};
        if (!m_options.excludeFile.empty() && ::stat(m_options.excludeFile.c_str(), &st) == 0) {
            m_hasExclude = true;
            m_exclude = {st.st_dev, st.st_ino};
        }
    }

    // Reads the directory shown as `dir` (with the listed names) into folder.
    void ReadLevel(const std::string& dir, const std::vector<std::string>& names,
                   CBuildTreeFolder& folder, int depth, std::set<DirId>& ancestors) {
        for (const std::string& name : names) {
            if (m_stopped) return;
            if (!m_options.includeHidden && !name.empty() && name[0] == '.') continue;
            const std::string path = Join(dir, name);
            struct stat st {};
            if (::lstat(path.c_str(), &st) != 0) {
                Note(path, "cannot read: " + ErrnoText(errno), true);
                continue;
            }
            if (S_ISLNK(st.st_mode)) {
                const std::string target = RealPath(path);
                if (target.empty()) {
                    const int error = errno;
                    if (error == ENOENT)
                        Note(path, "broken symbolic link", true);
                    else if (error == ELOOP)
                        Note(path, "symbolic link loop", true);
                    else
                        Note(path, "cannot follow symbolic link: " + ErrnoText(error), true);
                    continue;
                }
                if (!IsInside(target, m_realRoot)) {
                    Note(path, "symbolic link leads outside the directory", false);
                    continue;
                }
                if (::stat(target.c_str(), &st) != 0) {
                    Note(path, "cannot read: " + ErrnoText(errno), true);
                    continue;
                }
            }
            if (m_hasExclude && st.st_dev == m_exclude.first && st.st_ino == m_exclude.second) {
                Note(path, "the project file being written", false);
                continue;
            }
            if (S_ISDIR(st.st_mode)) {
                AddFolder(path, name, st, folder, depth, ancestors);
            } else if (S_ISREG(st.st_mode)) {
                AddDocument(path, name, st, folder);
            } else {
                Note(path, "not a regular file or directory", false);
            }
        }
    }

private:
    void AddFolder(const std::string& path, const std::string& name, const struct stat& st,
                   CBuildTreeFolder& parent, int depth, std::set<DirId>& ancestors) {
        const DirId id{st.st_dev, st.st_ino};
        if (ancestors.count(id)) {
            Note(path, "symbolic link leads back into a folder being imported", false);
            return;
        }
        if (depth + 1 > DirectoryImporter::kMaxDepth) {
            Note(path,
                 "folders nested deeper than " + std::to_string(DirectoryImporter::kMaxDepth) +
                     " levels are left out",
                 true);
            return;
        }
        std::vector<std::string> names;
        if (!ListNames(path, names)) {
            Note(path, "cannot read directory: " + ErrnoText(errno), true);
            return;
        }
        if (!Count()) return;
        CBuildTreeFolder* folder =
            parent.AddFolder(std::make_unique<CBuildTreeFolder>(name, "(folder)", ""));
        SetDates(*folder);
        ++m_result.folders;
        ancestors.insert(id);
        ReadLevel(path, names, *folder, depth + 1, ancestors);
        ancestors.erase(id);
    }

    void AddDocument(const std::string& path, const std::string& name, const struct stat& st,
                     CBuildTreeFolder& parent) {
        if (st.st_size == 0) return;
        if (!Count()) return;
        auto doc = std::make_unique<CBuildTreeDoc>(name, path, "");
        constexpr auto kMaxSize = std::numeric_limits<std::int32_t>::max();
        if (st.st_size > kMaxSize) {
            Note(
                path,
                "larger than 2 GiB: its size is recorded as " + std::to_string(kMaxSize) + " bytes",
                true, false);
            doc->m_nFileSize = kMaxSize;
        } else {
            doc->m_nFileSize = static_cast<std::int32_t>(st.st_size);
        }
        doc->m_timeFile = static_cast<Time>(st.st_mtim.tv_sec);
        SetDates(*doc);
        parent.AddDoc(std::move(doc));
        ++m_result.documents;
    }

    void SetDates(CBuildTreeDoc& item) const {
        if (!m_options.publishTime) return;
        item.m_timePublish = *m_options.publishTime;
        item.m_timePurge = item.m_timePublish + CBuildTreeDoc::kDefaultPurgeSpan;
    }

    bool Count() {
        if (m_result.folders + m_result.documents < kMaxItems) return true;
        Note("", "more than " + std::to_string(kMaxItems) + " items: the rest is left out", true);
        m_stopped = true;
        return false;
    }

    void Note(const std::string& path, std::string reason, bool problem, bool skipped = true) {
        m_result.notes.push_back({path, std::move(reason), problem, skipped});
    }

    const DirectoryImporter::Options& m_options;
    std::string m_realRoot;
    DirectoryImporter::Result& m_result;
    bool m_stopped = false;
    bool m_hasExclude = false;
    DirId m_exclude{};
};

}  // namespace

bool DirectoryImporter::Result::HasProblems() const {
    return std::any_of(notes.begin(), notes.end(), [](const Note& note) { return note.problem; });
}

DirectoryImporter::Result DirectoryImporter::Import(const std::string& directory,
                                                    CBuildTreeFolder& target) const {
    Result result;
    if (directory.empty()) {
        result.message = "no directory given";
        return result;
    }
    std::error_code ec;
    std::string shown = std::filesystem::absolute(directory, ec).lexically_normal().string();
    if (ec) {
        result.message = directory + ": " + ec.message();
        return result;
    }
    while (shown.size() > 1 && shown.back() == '/') shown.pop_back();

    const std::string realRoot = RealPath(shown);
    struct stat st {};
    if (realRoot.empty() || ::stat(realRoot.c_str(), &st) != 0) {
        result.message = directory + ": " + ErrnoText(errno);
        return result;
    }
    if (!S_ISDIR(st.st_mode)) {
        result.message = directory + ": not a directory";
        return result;
    }
    std::vector<std::string> names;
    if (!ListNames(shown, names)) {
        result.message = directory + ": cannot read directory: " + ErrnoText(errno);
        return result;
    }

    // Build beside the target and hand the items over at the end.
    CBuildTreeFolder collected;
    std::set<DirId> ancestors{{st.st_dev, st.st_ino}};
    ImportRun(m_options, realRoot, result).ReadLevel(shown, names, collected, 0, ancestors);
    for (auto& folder : collected.m_arrFolders) target.AddFolder(std::move(folder));
    for (auto& doc : collected.m_arrDocs) target.AddDoc(std::move(doc));
    collected.m_arrFolders.clear();
    collected.m_arrDocs.clear();
    result.ok = true;
    return result;
}

}  // namespace foldcraft
