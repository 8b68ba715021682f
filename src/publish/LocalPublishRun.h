#pragma once

#include <string>

#include "publish/LogSink.h"
#include "publish/PageWriters.h"

class CFoldcraftDoc;

namespace foldcraft {

// The local publish run: makes the site's directories, copies the files, writes
// the stylesheet and the pages, and reports every step to a log sink (the
// Publishing window, the command-line tool's stdout, a test recorder).
//
// The caller has made the publish checks (PublishChecks) first; the target is
// doc.m_strPublishPath. The run empties doc.m_arrPublishFiles when it starts and
// leaves there the source paths of the files that were not copied.
class LocalPublishRun {
public:
    using Result = PublishResult;
    using PauseHook = PublishPauseHook;

    // doc and sink must outlive the run. programFolder holds images/ with the
    // support images (missing ones are installed there before they are copied).
    LocalPublishRun(CFoldcraftDoc& doc, ILogSink& sink, std::string programFolder,
                    PauseHook pause = {});

    // Runs the whole publish once. Never throws: a page writer that throws counts
    // as one that failed. The Close button is enabled at the end in every case.
    Result RunLocalPublish();

    // Set when the run failed or a file was not copied.
    bool ErrorFlag() const { return m_bError; }

    // The start page of a published site: "TitlePage.html" when the title page is
    // made, else "Folder0.html". Opening it is the caller's.
    static std::string StartPageName(const CFoldcraftDoc& doc);
    // The publish directory (trailing slashes removed) + "/" + StartPageName.
    static std::string StartPagePath(const CFoldcraftDoc& doc);

    // The publish directory as the run uses it: trailing slashes removed ("/" stays).
    static std::string TargetDirectory(const std::string& publishPath);

private:
    void Append(const char* text) { m_sink.AppendText(text); }
    void Pause(int milliseconds) {
        if (m_pause) m_pause(milliseconds);
    }
    Result FailureEnd(const char* text);

    // One page-writing step of the run and its log texts.
    struct PageStep {
        PageWriters::Writer writer;
        bool enabled;
        int pause;  // milliseconds before "Creating ..."
        const char* creating;
        const char* failed;
        int progress;
        const char* done;
    };

    CFoldcraftDoc& m_doc;
    ILogSink& m_sink;
    std::string m_programFolder;
    PauseHook m_pause;
    bool m_bError = false;
};

}  // namespace foldcraft
