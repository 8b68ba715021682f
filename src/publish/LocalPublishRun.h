#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "publish/LogSink.h"
#include "publish/SyncRun.h"

class CFoldcraftDoc;

namespace foldcraft {
class LocalSiteTarget;
class SitePages;

// The local publish run: renders the pages, then syncs the site into the target
// directory (SyncRun on a LocalSiteTarget: only new and changed files are written,
// what the site no longer holds is removed last), reporting every step to a log sink
// (the Publishing window, the command-line tool's stdout, a test recorder).
//
// The caller has made the publish checks (PublishChecks) first; the target is the
// one given, or doc.m_strPublishPath. The run empties doc.m_arrPublishFiles when it
// starts and leaves there the source paths of the files that were not copied; the
// log lists each as "PATH (why)": "missing", "unreadable: ...", a name the site
// cannot hold, ...
class LocalPublishRun {
public:
    using Result = PublishResult;
    using PauseHook = PublishPauseHook;

    // doc and sink must outlive the run. programFolder holds images/ with the
    // support images (missing ones are installed there before they are copied).
    LocalPublishRun(CFoldcraftDoc& doc, ILogSink& sink, std::string programFolder,
                    PauseHook pause = {});

    // Dry run, removal limit, changed files only (the default).
    void SetSyncOptions(const SyncOptions& options) { m_options = options; }

    // Runs the whole publish once into site (the run opens it; a dry run into a
    // directory that cannot be opened plans to copy everything). Never throws: no
    // memory ends the run with kNoMemoryLine. The Close button is enabled at the end
    // in every case. A dry run logs the plan (SyncRun::Describe) and changes nothing.
    Result RunLocalPublish(LocalSiteTarget& site);
    // The same into TargetDirectory(doc.m_strPublishPath).
    Result RunLocalPublish();

    // Set when the run failed or a file was not copied.
    bool ErrorFlag() const { return m_bError; }
    // Whether removals were due and not made (a failure, the limit).
    bool RemovalsHeldBack() const { return m_bRemovalsHeldBack; }

    static constexpr const char* kNoMemoryLine = "\nError: not enough memory.\n";

    // The start page of a published site: "TitlePage.html" when the title page is
    // made, else "Folder0.html". Opening it is the caller's.
    static std::string StartPageName(const CFoldcraftDoc& doc);
    // The publish directory (trailing slashes removed) + "/" + StartPageName.
    static std::string StartPagePath(const CFoldcraftDoc& doc);

    // The publish directory as the run uses it: trailing slashes removed ("/" stays).
    static std::string TargetDirectory(const std::string& publishPath);

private:
    void Append(const std::string& text) {
        if (!text.empty()) m_sink.AppendText(text);
    }
    void Pause(int milliseconds) {
        if (m_pause) m_pause(milliseconds);
    }
    Result FailureEnd(const std::string& text);
    // Starts a run: clears the flags, then calls run, turning no memory into a failure.
    Result Guarded(const std::function<Result()>& run);
    Result Run(LocalSiteTarget& site);
    // The steps of Run after the directories are made.
    Result CopyFiles(SyncRun& sync, const SitePages& pages);
    // Lists the files not copied from the listed-th on (and counts them into listed).
    void ListNotCopied(const SyncRun& sync, std::size_t& listed);
    // Puts the pages, step by step; the failure line of the step that failed, or nullptr.
    const char* PutPages(SyncRun& sync, const SitePages& pages);

    CFoldcraftDoc& m_doc;
    ILogSink& m_sink;
    std::string m_programFolder;
    PauseHook m_pause;
    SyncOptions m_options;
    bool m_bError = false;
    bool m_bRemovalsHeldBack = false;
};

}  // namespace foldcraft
