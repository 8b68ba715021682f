#include "cli/StdoutLogSink.h"

#include <unistd.h>

#include <cstdio>

#include "cli/CliCommands.h"

namespace foldcraft::cli {

StdoutLogSink::StdoutLogSink(bool quiet)
    : m_quiet(quiet),
      m_showProgress(!quiet && ::isatty(2) && !::isatty(1)),
      m_onTerminal(::isatty(1) != 0) {}

StdoutLogSink::~StdoutLogSink() {
    Finish();
}

void StdoutLogSink::AppendText(std::string_view text) {
    if (m_quiet) return;
    std::fwrite(text.data(), 1, text.size(), stdout);
    // On a terminal the log shows as it grows; into a file or pipe it is buffered.
    if (m_onTerminal) std::fflush(stdout);
}

void StdoutLogSink::SetProgress(int percent) {
    if (!m_showProgress) return;
    std::fprintf(stderr, "\rProgress: %3d%%", percent);
    std::fflush(stderr);
    m_progressShown = true;
}

bool StdoutLogSink::Finish() {
    if (m_progressShown) {
        std::fputc('\n', stderr);
        m_progressShown = false;
    }
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

int StdoutLogSink::ExitCodeFor(PublishResult result) {
    if (!Finish()) {
        std::fputs("Error: cannot write to standard output\n", stderr);
        return kExitFailure;
    }
    switch (result) {
        case PublishResult::kSuccess:
            return kExitOk;
        case PublishResult::kFilesNotCopied:
            return kExitProblems;
        case PublishResult::kFailed:
            break;
    }
    return kExitFailure;
}

}  // namespace foldcraft::cli
