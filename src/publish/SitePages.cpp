#include "publish/SitePages.h"

#include <new>

#include "generator/SiteGenerator.h"
#include "model/FoldcraftDoc.h"

namespace foldcraft {

void SitePages::Render(const CFoldcraftDoc& doc, const RunTime& time) {
    using Renderer = bool (*)(const CFoldcraftDoc&, PageSet&, const RunTime&);
    const Renderer renderers[kStepCount] = {&RenderStyleSheet, &RenderTitlePage, &RenderSitemap,
                                            &RenderFolderPages};
    m_enabled[kStyleSheet] = true;
    m_enabled[kTitlePage] = doc.m_bCreateTitlePage == 1;
    m_enabled[kSitemap] = doc.m_bCreateSitemap == 1;
    m_enabled[kFolderPages] = true;
    for (int step = 0; step < kStepCount; ++step) {
        m_sets[step].Clear();
        if (!m_enabled[step]) continue;
        try {
            m_ok[step] = renderers[step](doc, m_sets[step], time);
        } catch (const std::bad_alloc&) {
            throw;  // the run says so: not a page that cannot be written
        } catch (...) {
            m_ok[step] = false;
        }
    }
}

std::vector<std::string> SitePages::Names(Step step) const {
    std::vector<std::string> names;
    for (const PageSet::Page& page : m_sets[step].Pages()) names.push_back(page.name);
    return names;
}

void SitePages::AddTo(std::vector<SiteFile>& files) const {
    for (int step = 0; step < kStepCount; ++step) {
        if (!m_enabled[step]) continue;
        for (const PageSet::Page& page : m_sets[step].Pages()) {
            SiteFile file;
            file.kind = SiteFile::Kind::kPage;
            file.path = page.name;
            file.source.bytes = &page.bytes;
            file.listedAs = page.name;
            files.push_back(std::move(file));
        }
    }
}

}  // namespace foldcraft
