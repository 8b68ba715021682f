#pragma once

#include <string_view>

namespace foldcraft {

// Where a publish run reports: the Publishing window in the GUI, stdout in the
// command-line tool, a recorder in the tests. Calls come from the thread that runs
// the publish; a GUI implementation forwards them to its own thread.
class ILogSink {
public:
    virtual ~ILogSink() = default;

    // Appends text to the status log (it is shown at once).
    virtual void AppendText(std::string_view text) = 0;
    // Moves the progress bar (0 to 100).
    virtual void SetProgress(int percent) = 0;
    // Scrolls the log down by the given number of lines.
    virtual void Scroll(int lines) = 0;
    // Enables or disables the Close button.
    virtual void EnableClose(bool enabled) = 0;
};

}  // namespace foldcraft
