#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace foldcraft {

// How a publish run (local or FTP) ended.
enum class PublishResult {
    kSuccess,         // "Publish successful!"
    kFilesNotCopied,  // "Publish finished." / "Some files were not copied."
    kFailed,          // a step failed; the log ends with its failure line
};

// Waits the given number of milliseconds between the steps of a publish run. The GUI
// fills it so the log grows visibly; left empty a run does not wait.
using PublishPauseHook = std::function<void(int milliseconds)>;

// How far the copying of a publish run has come: in bytes and in files, with the
// file under way (its path in the site; empty between files).
struct TransferProgress {
    std::uint64_t bytesDone = 0;
    std::uint64_t bytesTotal = 0;
    std::size_t filesDone = 0;
    std::size_t filesTotal = 0;
    std::string current;

    bool operator==(const TransferProgress&) const = default;
};

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
    // How far the copying has come. Called from the threads that copy (one at a
    // time, never at once), each time a file starts or ends and each time the bytes
    // done pass another thousandth of the total; a sink that shows no such thing
    // ignores it.
    virtual void ShowTransfer(const TransferProgress& progress) { (void)progress; }
};

}  // namespace foldcraft
