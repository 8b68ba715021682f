#pragma once

// Small helpers that build site trees for the publish tests.

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "model/BuildTreeFolder.h"
#include "model/Clock.h"
#include "model/FoldcraftDoc.h"
#include "support/TempDir.h"

namespace foldcraft::test {

// The clock value the publish tests pin; items made through these helpers are
// published a day before it.
constexpr Time kPublishNow = 1'700'000'000;

inline CBuildTreeDoc* AddDocument(CBuildTreeFolder& folder, const std::string& name,
                                  const std::string& link, bool active = true) {
    auto doc = std::make_unique<CBuildTreeDoc>(name, link, "");
    doc->m_timePublish = active ? kPublishNow - 86'400 : kPublishNow + 86'400;
    doc->m_timePurge = doc->m_timePublish + CBuildTreeDoc::kDefaultPurgeSpan;
    return folder.AddDoc(std::move(doc));
}

inline CBuildTreeFolder* AddSubFolder(CBuildTreeFolder& folder, const std::string& name,
                                      bool active = true) {
    auto sub = std::make_unique<CBuildTreeFolder>(name, "(folder)", "");
    sub->m_timePublish = active ? kPublishNow - 86'400 : kPublishNow + 86'400;
    sub->m_timePurge = sub->m_timePublish + CBuildTreeDoc::kDefaultPurgeSpan;
    return folder.AddFolder(std::move(sub));
}

// A new project whose root is active at kPublishNow.
inline void NewProject(CFoldcraftDoc& doc) {
    doc.OnNewDocument();
    doc.m_pRoot->m_timePublish = kPublishNow - 86'400;
    doc.m_pRoot->m_timePurge = doc.m_pRoot->m_timePublish + CBuildTreeDoc::kDefaultPurgeSpan;
}

// Every entry below root by its path relative to root: "(directory)", "-> target"
// for a link, else the file's contents; with stamps, each followed by its inode and
// modification time. Entries directly in root named in skip are left out, with all
// below them. Empty when root does not exist.
inline std::map<std::string, std::string> Tree(const std::string& root, bool stamps = false,
                                               const std::set<std::string>& skip = {}) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> all;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); it != decltype(it)(); ++it) {
        const std::string path = it->path().string().substr(root.size() + 1);
        if (it.depth() == 0 && skip.count(path) != 0) {
            it.disable_recursion_pending();
            continue;
        }
        std::string& entry = all[path];
        if (it->is_symlink()) {
            entry = "-> " + fs::read_symlink(it->path()).string();
        } else {
            entry = it->is_directory() ? "(directory)" : ReadFile(it->path());
        }
        struct stat st {};
        if (stamps && ::lstat(it->path().c_str(), &st) == 0) {
            entry += " #" + std::to_string(st.st_ino) + " @" + std::to_string(st.st_mtim.tv_sec) +
                     "." + std::to_string(st.st_mtim.tv_nsec);
        }
    }
    return all;
}

// Sets the file's modification time (and its access time) to sec.
inline void SetFileTime(const std::string& path, std::int64_t sec) {
    const struct timespec times[2] = {{sec, 0}, {sec, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

}  // namespace foldcraft::test
