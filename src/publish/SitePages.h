#pragma once

#include <string>
#include <vector>

#include "generator/PageSet.h"
#include "model/Clock.h"
#include "publish/SyncPlan.h"

class CFoldcraftDoc;

namespace foldcraft {

// The pages of one publish run, rendered in memory before anything is written, so
// that the sync plans them with the other files and writes only those that changed.
// One set per page writer, in the order a run reports them.
class SitePages {
public:
    enum Step { kStyleSheet, kTitlePage, kSitemap, kFolderPages, kStepCount };

    // Renders every page the project asks for (the title page and the sitemap only
    // when switched on). A writer that fails leaves its step not Ok; the others are
    // still rendered. Throws std::bad_alloc when the pages do not fit in memory.
    void Render(const CFoldcraftDoc& doc, const RunTime& time);

    bool Enabled(Step step) const { return m_enabled[step]; }
    bool Ok(Step step) const { return m_ok[step]; }
    // The names of the step's pages.
    std::vector<std::string> Names(Step step) const;
    // Adds every page rendered (a failed step's other pages too) to files; the pages stay
    // owned here and must outlive files.
    void AddTo(std::vector<SiteFile>& files) const;

private:
    PageSet m_sets[kStepCount];
    bool m_enabled[kStepCount] = {};
    bool m_ok[kStepCount] = {};
};

}  // namespace foldcraft
