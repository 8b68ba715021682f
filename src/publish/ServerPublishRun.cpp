#include "publish/ServerPublishRun.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "model/FoldcraftDoc.h"
#include "publish/SiteContents.h"
#include "publish/SitePages.h"

namespace foldcraft {
namespace {

// The failure lines of the page writers, by step.
constexpr const char* kPagesFailed[SitePages::kStepCount] = {
    "\nCreation of stylesheet failed!\n", "\nCreation of title page failed!\n",
    "\nCreation of sitemap failed!\n", "\nCreation of folder pages failed!\n"};

}  // namespace

ServerPublishRun::ServerPublishRun(CFoldcraftDoc& doc, ILogSink& sink, std::string programFolder,
                                   PauseHook pause, std::string protocol)
    : m_doc(doc),
      m_sink(sink),
      m_programFolder(std::move(programFolder)),
      m_pause(std::move(pause)),
      m_protocol(std::move(protocol)) {}

ServerPublishRun::Result ServerPublishRun::Guarded(const std::function<Result()>& body) {
    m_bError = false;
    m_bStopped = false;
    m_bRemovalsHeldBack = false;
    m_sink.EnableClose(false);
    try {
        return body();
    } catch (...) {
        // No memory: the connections, destroyed, close what is open.
        return FailureEnd("\nError: not enough memory.\n");
    }
}

ServerPublishRun::Result ServerPublishRun::FailureEnd(const std::string& text) {
    Append(text);
    m_bError = true;
    m_sink.EnableClose(true);
    return Result::kFailed;
}

ServerPublishRun::Result ServerPublishRun::FailAfterLogon(const std::string& text) {
    KeepFailureDetail();
    Append(text);
    LogOff();
    m_bError = true;
    m_sink.EnableClose(true);
    return Result::kFailed;
}

bool ServerPublishRun::StopRequested() {
    if (!m_bStopped && m_stop && m_stop()) m_bStopped = true;
    return m_bStopped;
}

void ServerPublishRun::Append(const std::string& text) {
    if (text.empty()) return;
    const std::lock_guard<std::mutex> lock(m_sinkMutex);
    m_sink.AppendText(text);
}

std::optional<ServerPublishRun::Result> ServerPublishRun::RenderPages(SitePages& pages,
                                                                      const RunTime& time) {
    // The header and "Creating temp files..." are shown after the pause that follows
    // them in the log (the sink shows what it is given at once).
    m_doc.m_arrPublishFiles.clear();
    Pause(100);
    Append("Publish status:\n----------------------------------------\n");
    Append("\nCreating temp files...");
    pages.Render(m_doc, time);
    for (int step = 0; step < SitePages::kStepCount; ++step) {
        const auto s = static_cast<SitePages::Step>(step);
        if (pages.Enabled(s) && !pages.Ok(s)) return FailureEnd(kPagesFailed[step]);
    }
    Append("\nSuccesfully created temp files.\n");
    m_sink.Scroll(4);
    Pause(100);
    if (StopRequested()) return FailureEnd(kStoppedLine);
    return std::nullopt;
}

std::string ServerPublishRun::LoggedOffLine() const {
    return "\nLogged off of " + m_protocol + " server.\n";
}

void ServerPublishRun::LoggedOn() {
    Append("\nSuccessfully logged into server.\n");
    m_sink.Scroll(2);
}

ServerPublishRun::Result ServerPublishRun::SyncSite(SiteTarget& site, const SitePages& pages,
                                                    Time now, bool changedOnly) {
    SyncOptions options = m_options;
    options.changedOnly = changedOnly;
    options.lockOnlyForChanges = true;
    options.skipListedDirectories = true;
    SyncRun sync(site, options);
    sync.SetProgressReport([this](const TransferProgress& progress) {
        const std::lock_guard<std::mutex> lock(m_sinkMutex);
        m_sink.ShowTransfer(progress);
    });
    Append("\nCreating directory structure...");
    if (!sync.Start()) return FailAfterLogon(sync.StartFailureLine());
    SiteContents::PlanSync(sync, m_doc, m_programFolder, now, pages);
    if (options.dryRun) {
        Append("\n" + sync.Describe());
        LogOff();
        m_sink.EnableClose(true);
        return Result::kSuccess;
    }
    const bool changes = sync.HasChanges();
    if (changes && !sync.LockForChanges()) return FailAfterLogon(sync.StartFailureLine());
    if (StopRequested()) {
        sync.Abandon();
        return FailAfterLogon(kStoppedLine);
    }
    if (changes && !sync.MakeDirectories()) {
        sync.Abandon();
        return FailAfterLogon("\nCreation of directory structure failed!\n");
    }
    Append(sync.RefusedDirectories() ? kDirectoriesRefused
                                     : "\nSuccessfully created directory structure.\n");
    m_sink.Scroll(2);
    return Upload(sync, pages, changes);
}

ServerPublishRun::Result ServerPublishRun::Upload(SyncRun& sync, const SitePages& pages,
                                                  bool changes) {
    Append("\nCopying files to server...");
    sync.PutFiles([this] { return StopRequested(); });
    if (m_bStopped) {
        // What it did send is recorded; nothing is removed.
        sync.Abandon();
        Append(sync.ConnectionsLine());
        return FailAfterLogon(kStoppedLine);
    }
    std::vector<std::string> pageNames;
    for (int step = 0; step < SitePages::kStepCount; ++step) {
        const auto s = static_cast<SitePages::Step>(step);
        if (!pages.Enabled(s)) continue;
        for (std::string& name : pages.Names(s)) pageNames.push_back(std::move(name));
    }
    sync.PutPages(pageNames);
    if (changes) sync.Finish();
    m_bRemovalsHeldBack = sync.RemovalsHeldBack();

    const bool allCopied = sync.NotCopiedFiles().empty();
    if (allCopied) {
        Append("\nSuccessfully copied files to server\n");
    } else {
        ListNotCopied(sync);
    }
    Append(sync.ConnectionsLine());
    Append(sync.SkippedLine());
    Append(sync.RemovalLines());

    m_sink.Scroll(2);
    LogOff();
    Append(LoggedOffLine());
    m_sink.Scroll(2);
    Pause(100);

    if (allCopied) {
        Append("\n--------------------\nPublish successful!\n");
    } else {
        m_bError = true;
        Append("\n--------------------\nPublish finished.\nSome files were not copied.\n");
    }
    Append(ClosingLines());
    m_sink.Scroll(4);
    m_sink.EnableClose(true);
    return allCopied ? Result::kSuccess : Result::kFilesNotCopied;
}

void ServerPublishRun::ListNotCopied(const SyncRun& sync) {
    Append("\nThe following files were not copied to the server:\n");
    std::vector<std::string> reasons;
    for (const NotCopied& entry : sync.NotCopiedFiles()) {
        m_doc.m_arrPublishFiles.push_back(entry.listedAs);
        const std::string reason = ShownReason(entry.reason);
        const bool fromServer = FromServer(reason);
        Append(SyncRun::Printable(entry.listedAs) +
               (fromServer || reason.empty() ? std::string()
                                             : " (" + SyncRun::Printable(reason) + ")") +
               "\n");
        if (fromServer && std::find(reasons.begin(), reasons.end(), reason) == reasons.end())
            reasons.push_back(reason);
    }
    for (const std::string& reason : reasons)
        Append("\nServer: " + SyncRun::Printable(reason) + "\n");
    Append(NotCopiedHint());
}

}  // namespace foldcraft
