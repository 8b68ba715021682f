#include "publish/SyncPlan.h"

#include <algorithm>
#include <set>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "publish/SyncRun.h"

namespace foldcraft {
namespace {

// The directory a path lies in ("" for the root).
std::string_view DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string_view()
                                      : std::string_view(path).substr(0, slash);
}

// Every directory of the given ones and of their parents.
std::set<std::string> WithParents(const std::unordered_set<std::string_view>& leaves) {
    std::set<std::string> dirs;
    for (const std::string_view leaf : leaves) {
        if (leaf.empty()) continue;
        std::size_t slash = 0;
        while ((slash = leaf.find('/', slash)) != std::string_view::npos) {
            dirs.emplace(leaf.substr(0, slash));
            ++slash;
        }
        dirs.emplace(leaf);
    }
    return dirs;
}

std::size_t Depth(const std::string& path) {
    return static_cast<std::size_t>(std::count(path.begin(), path.end(), '/'));
}

// Parents before children: by depth, then by name.
std::vector<std::string> ParentsFirst(const std::set<std::string>& dirs) {
    std::vector<std::string> list(dirs.begin(), dirs.end());
    std::stable_sort(list.begin(), list.end(), [](const std::string& a, const std::string& b) {
        return Depth(a) < Depth(b);
    });
    return list;
}

void Count(std::string& text, const char* verb, std::size_t n, const char* one, const char* many) {
    text += verb;
    text += std::to_string(n);
    text += ' ';
    text += n == 1 ? one : many;
}

void List(std::string& text, const std::vector<SurveyedFile>& files) {
    for (const SurveyedFile& f : files) text += "  " + f.file.path + "\n";
}

}  // namespace

SyncPlan SyncPlan::Make(std::vector<SurveyedFile> files, const PublishManifest* old,
                        bool changedOnly, bool skipListed) {
    SyncPlan plan;
    // The directories files lie in, each once (a site has far fewer than files).
    std::unordered_set<std::string_view> toMake;
    std::unordered_set<std::string_view> inSite;
    std::unordered_set<std::string_view> published;
    published.reserve(files.size());
    for (SurveyedFile& f : files) {
        const bool keep = changedOnly && f.unchanged;
        const bool page = f.file.kind == SiteFile::Kind::kPage;
        auto& list = page ? (keep ? plan.unchangedPages : plan.pages)
                          : (keep ? plan.unchanged : plan.uploads);
        list.reserve(files.size());
        list.push_back(std::move(f));
        // The strings stay where they are now: the lists were reserved.
        const std::string& path = list.back().file.path;
        published.insert(path);
        inSite.insert(DirectoryOf(path));
        if (!keep) toMake.insert(DirectoryOf(path));
    }
    const std::set<std::string> siteDirectories = WithParents(inSite);
    std::set<std::string> make = WithParents(toMake);
    if (old && skipListed) {
        for (const std::string& dir : old->Directories()) make.erase(dir);
    }
    plan.directories = ParentsFirst(make);
    plan.siteDirectories = ParentsFirst(siteDirectories);
    if (old) {
        plan.listedFiles = old->Files().size();
        for (const auto& [path, entry] : old->Files()) {
            if (published.count(path) != 0 || path == PublishManifest::kFileName) continue;
            plan.removals.push_back({path, entry});
        }
        for (const std::string& dir : old->Directories()) {
            if (siteDirectories.count(dir) == 0) plan.directoryRemovals.push_back(dir);
        }
        // Deepest first, so that a parent is emptied before it is asked to go.
        std::stable_sort(
            plan.directoryRemovals.begin(), plan.directoryRemovals.end(),
            [](const std::string& a, const std::string& b) { return Depth(a) > Depth(b); });
    }
    return plan;
}

std::size_t SyncPlan::DefaultRemovalLimit() const {
    return std::max<std::size_t>(20, listedFiles / 2);
}

std::string SyncPlan::Describe(const std::vector<NotCopied>& notCopied) const {
    std::string text = "Dry run: nothing was changed.\n";
    Count(text, "Would copy ", uploads.size(), "file", "files");
    text += uploads.empty() ? ".\n" : ":\n";
    List(text, uploads);
    Count(text, "Unchanged: ", unchanged.size(), "file.\n", "files.\n");
    Count(text, "Would write ", pages.size(), "page", "pages");
    text += pages.empty() ? ".\n" : ":\n";
    List(text, pages);
    Count(text, "Unchanged: ", unchangedPages.size(), "page.\n", "pages.\n");
    Count(text, "Would remove ", removals.size(), "file", "files");
    text += removals.empty() ? ".\n" : ":\n";
    for (const Removal& r : removals) text += "  " + r.path + "\n";
    if (!directoryRemovals.empty()) {
        Count(text, "Would remove ", directoryRemovals.size(), "directory if empty:\n",
              "directories if empty:\n");
        for (const std::string& d : directoryRemovals) text += "  " + d + "\n";
    }
    if (!notCopied.empty()) {
        Count(text, "Cannot copy ", notCopied.size(), "file:\n", "files:\n");
        // A source's name may hold anything: it is shown as the log shows it.
        for (const NotCopied& n : notCopied) {
            text +=
                "  " + SyncRun::Printable(n.listedAs) + " (" + SyncRun::Printable(n.reason) + ")\n";
        }
    }
    return text;
}

}  // namespace foldcraft
