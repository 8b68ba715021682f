#pragma once

#include <string_view>

#include "publish/LogSink.h"

namespace foldcraft::cli {

// A publish run's status log on stdout, byte for byte as the window shows it. The
// progress goes to stderr, and only when stderr is a terminal and the log goes
// elsewhere (on one terminal the growing log shows the progress, and a progress
// line would break its lines).
class StdoutLogSink : public ILogSink {
public:
    // quiet: no log and no progress.
    explicit StdoutLogSink(bool quiet);
    ~StdoutLogSink() override;

    void AppendText(std::string_view text) override;
    void SetProgress(int percent) override;
    void Scroll(int) override {}
    void EnableClose(bool) override {}

    // Ends the progress line and flushes the log. False when the log could not be
    // written.
    bool Finish();

    // The exit status for a run's result once the log is finished: 0 success, 1
    // files not copied, 2 failed or the log could not be written (said on stderr).
    int ExitCodeFor(PublishResult result);

private:
    bool m_quiet;
    bool m_showProgress;
    bool m_onTerminal;
    bool m_progressShown = false;
};

}  // namespace foldcraft::cli
