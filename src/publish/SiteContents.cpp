#include "publish/SiteContents.h"

#include <unordered_map>

#include "generator/SitePaths.h"
#include "generator/SupportImages.h"
#include "model/FoldcraftDoc.h"
#include "publish/SitePages.h"
#include "publish/SyncRun.h"

namespace foldcraft {
namespace {

class Collector {
public:
    Collector(std::vector<SiteFile>& files, std::vector<NotCopied>& cannotCopy)
        : m_files(files), m_cannot(cannotCopy) {}

    void Add(SiteFile::Kind kind, const std::string& path, const std::string& source) {
        if (!SitePaths::IsPublishablePath(path)) {
            m_cannot.push_back({source, "its name cannot be written on the site"});
            return;
        }
        const auto [it, added] = m_taken.emplace(path, source);
        if (!added) {
            // Two items of one file publish it once; two sources for one place
            // would replace each other.
            if (it->second != source)
                m_cannot.push_back({source, "another file is published as " + path});
            return;
        }
        SiteFile file;
        file.kind = kind;
        file.path = path;
        file.source.localPath = source;
        file.listedAs = source;
        m_files.push_back(std::move(file));
    }

    void AddFolder(const CBuildTreeFolder& folder, Time now) {
        if (folder.m_bHotspotFolder != 0 && !folder.m_strHotspotImage.empty()) {
            Add(SiteFile::Kind::kImage,
                "files/" + SitePaths::RelativeSitePath(folder.m_strHotspotImage),
                folder.m_strHotspotImage);
        }
        for (const auto& doc : folder.m_arrDocs) {
            if (!doc->IsActiveAt(now) || SitePaths::IsExternalLink(doc->m_strLink)) continue;
            Add(SiteFile::Kind::kDocument, "files/" + SitePaths::RelativeSitePath(doc->m_strLink),
                doc->m_strLink);
        }
        for (const auto& sub : folder.m_arrFolders) {
            if (sub->IsActiveAt(now)) AddFolder(*sub, now);
        }
    }

private:
    std::vector<SiteFile>& m_files;
    std::vector<NotCopied>& m_cannot;
    std::unordered_map<std::string, std::string> m_taken;  // path -> source
};

}  // namespace

void SiteContents::Collect(const CFoldcraftDoc& doc, const std::string& programFolder, Time now,
                           std::vector<SiteFile>& files, std::vector<NotCopied>& cannotCopy) {
    Collector collector(files, cannotCopy);
    // Missing built-in images are written first; one that still cannot be read is
    // listed when it is copied.
    SupportImages::EnsureInstalled(programFolder);
    if (!doc.m_strBackgroundImage.empty()) {
        collector.Add(SiteFile::Kind::kImage,
                      "images/" + SitePaths::FileName(
                                      SitePaths::BackgroundImageName(doc.m_strBackgroundImage)),
                      doc.m_strBackgroundImage);
    }
    for (const SupportImages::Image& image : SupportImages::All()) {
        const std::string name = image.name;
        collector.Add(SiteFile::Kind::kImage, "images/" + name, programFolder + "/images/" + name);
    }
    if (doc.m_pRoot) collector.AddFolder(*doc.m_pRoot, now);
}

void SiteContents::PlanSync(SyncRun& sync, const CFoldcraftDoc& doc,
                            const std::string& programFolder, Time now, const SitePages& pages) {
    std::vector<SiteFile> files;
    std::vector<NotCopied> cannotCopy;
    Collect(doc, programFolder, now, files, cannotCopy);
    pages.AddTo(files);
    sync.Plan(std::move(files), std::move(cannotCopy));
}

}  // namespace foldcraft
