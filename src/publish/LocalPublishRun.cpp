#include "publish/LocalPublishRun.h"

#include <functional>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "model/FoldcraftDoc.h"
#include "publish/LocalSiteTarget.h"
#include "publish/SiteContents.h"
#include "publish/SitePages.h"

namespace foldcraft {
namespace {

// One page-writing step of the run and its log texts.
struct PageStep {
    SitePages::Step step;
    int pause;  // milliseconds before "Creating ..."
    const char* creating;
    const char* failed;
    int progress;
    const char* done;
};

constexpr PageStep kPageSteps[] = {
    {SitePages::kStyleSheet, 100, "\nCreating styles.css...", "\nCreation of styles.css failed!\n",
     40, "\nSuccessfully created styles.css.\n"},
    {SitePages::kTitlePage, 100, "\nCreating title page...", "\nCreation of title page failed!\n",
     50, "\nSuccessfully created title page.\n"},
    {SitePages::kSitemap, 100, "\nCreating sitemap...", "\nCreation of sitemap failed!\n", 50,
     "\nSuccessfully created sitemap.\n"},
    {SitePages::kFolderPages, 300, "\nCreating folder pages...",
     "\nCreation of folder pages failed!\n", 100, "\nSuccessfully created folder pages.\n"},
};

}  // namespace

LocalPublishRun::LocalPublishRun(CFoldcraftDoc& doc, ILogSink& sink, std::string programFolder,
                                 PauseHook pause)
    : m_doc(doc),
      m_sink(sink),
      m_programFolder(std::move(programFolder)),
      m_pause(std::move(pause)) {}

std::string LocalPublishRun::TargetDirectory(const std::string& publishPath) {
    std::string target = publishPath;
    while (target.size() > 1 && target.back() == '/') target.pop_back();
    return target;
}

std::string LocalPublishRun::StartPageName(const CFoldcraftDoc& doc) {
    return doc.m_bCreateTitlePage == 1 ? "TitlePage.html" : "Folder0.html";
}

std::string LocalPublishRun::StartPagePath(const CFoldcraftDoc& doc) {
    std::string target = TargetDirectory(doc.m_strPublishPath);
    if (target.empty() || target.back() != '/') target += '/';
    return target + StartPageName(doc);
}

LocalPublishRun::Result LocalPublishRun::FailureEnd(const std::string& text) {
    Append(text);
    m_bError = true;
    m_sink.EnableClose(true);
    return Result::kFailed;
}

LocalPublishRun::Result LocalPublishRun::RunLocalPublish() {
    return Guarded([this] {
        LocalSiteTarget site(TargetDirectory(m_doc.m_strPublishPath));
        return Run(site);
    });
}

LocalPublishRun::Result LocalPublishRun::RunLocalPublish(LocalSiteTarget& site) {
    return Guarded([this, &site] { return Run(site); });
}

LocalPublishRun::Result LocalPublishRun::Guarded(const std::function<Result()>& run) {
    m_bError = false;
    m_bRemovalsHeldBack = false;
    m_sink.EnableClose(false);
    try {
        return run();
    } catch (const std::bad_alloc&) {
        return FailureEnd(kNoMemoryLine);
    } catch (...) {
        return FailureEnd(kNoMemoryLine);
    }
}

LocalPublishRun::Result LocalPublishRun::Run(LocalSiteTarget& site) {
    const RunTime time = Clock::ForRun();
    // Each "Creating..." text is added to the log, the run waits, and only then is
    // the log shown: the sink shows what it is given at once, so the text goes to it
    // after the pause. The header is first shown with the first of them.
    m_doc.m_arrPublishFiles.clear();
    Pause(100);
    Append("Publish status:\n----------------------------------------\n");
    Append("\nCreating directory structure...");

    SyncOptions options = m_options;
    // A dry run into a directory not made yet plans to copy everything.
    if (!site.Open() && !options.dryRun)
        return FailureEnd("\nCreation of directory structure failed!\n");
    options.sweepAllDirectories = true;
    SyncRun sync(site, options);
    sync.SetProgressReport(
        [this](const TransferProgress& progress) { m_sink.ShowTransfer(progress); });
    if (!sync.Start()) return FailureEnd(sync.StartFailureLine());

    // Everything the site will hold, pages included, is known before anything is
    // written.
    SitePages pages;
    pages.Render(m_doc, time);
    SiteContents::PlanSync(sync, m_doc, m_programFolder, time.now, pages);
    if (options.dryRun) {
        Append("\n" + sync.Describe());
        m_sink.EnableClose(true);
        return Result::kSuccess;
    }

    if (!sync.MakeDirectories()) {
        sync.Abandon();
        return FailureEnd("\nCreation of directory structure failed!\n");
    }
    m_sink.SetProgress(15);
    Append("\nSuccessfully created directory structure.\n");
    m_sink.Scroll(4);
    Pause(100);
    return CopyFiles(sync, pages);
}

LocalPublishRun::Result LocalPublishRun::CopyFiles(SyncRun& sync, const SitePages& pages) {
    Pause(100);
    Append("\nCopying files...");
    sync.PutFiles();
    std::size_t listed = 0;
    if (sync.NotCopiedFiles().empty()) {
        m_sink.SetProgress(30);
        Append("\nSuccessfully copied files\n");
    } else {
        ListNotCopied(sync, listed);
    }
    Append(sync.SkippedLine());

    if (const char* failed = PutPages(sync, pages)) {
        sync.Abandon();
        return FailureEnd(failed);
    }

    // Last, what the site no longer holds.
    sync.Finish();
    ListNotCopied(sync, listed);
    Append(sync.RemovalLines());
    m_bRemovalsHeldBack = sync.RemovalsHeldBack();

    const bool allCopied = sync.NotCopiedFiles().empty();
    if (allCopied) {
        Append("\n--------------------\nPublish successful!\n");
    } else {
        Append("\n--------------------\nPublish finished.\nSome files were not copied.\n");
    }
    m_sink.Scroll(7);
    m_sink.EnableClose(true);
    return allCopied ? Result::kSuccess : Result::kFilesNotCopied;
}

void LocalPublishRun::ListNotCopied(const SyncRun& sync, std::size_t& listed) {
    const auto& notCopied = sync.NotCopiedFiles();
    if (listed == notCopied.size()) return;
    if (listed == 0) Append("\nThe following files were not copied:\n");
    // Each entry is appended on its own: the log grows with the list.
    for (; listed < notCopied.size(); ++listed) {
        const NotCopied& entry = notCopied[listed];
        m_doc.m_arrPublishFiles.push_back(entry.listedAs);
        Append(SyncRun::Printable(entry.listedAs) + " (" + SyncRun::Printable(entry.reason) +
               ")\n");
    }
    m_bError = true;
}

const char* LocalPublishRun::PutPages(SyncRun& sync, const SitePages& pages) {
    // Each writer's pages are announced after its pause.
    for (const PageStep& step : kPageSteps) {
        // Before every step, whether or not it runs.
        m_sink.Scroll(2);
        Pause(100);
        if (!pages.Enabled(step.step)) continue;
        Pause(step.pause);
        Append(step.creating);
        const bool put = sync.PutPages(pages.Names(step.step));
        if (!pages.Ok(step.step) || !put) return step.failed;
        m_sink.SetProgress(step.progress);
        Append(step.done);
    }
    return nullptr;
}

}  // namespace foldcraft
