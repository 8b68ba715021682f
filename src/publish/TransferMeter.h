#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "publish/LogSink.h"

namespace foldcraft {

// Counts what the copying of a publish run has done, from any number of threads, and
// reports it (TransferProgress) each time a file starts or ends and each time the
// bytes done pass another thousandth of the total: often enough for a progress bar
// to move during a large file, seldom enough not to flood a window. Reports are
// made one at a time, in the thread that caused them.
class TransferMeter {
public:
    using Report = std::function<void(const TransferProgress&)>;

    explicit TransferMeter(Report report = {});
    void SetReport(Report report);
    // Back to nothing planned, nothing done.
    void Reset();

    // Adds files and bytes to the totals.
    void Plan(std::size_t files, std::uint64_t bytes);
    void StartFile(const std::string& path);
    // Bytes of the file under way that went out; a file sent again (a retry) counts
    // again, but the total is never passed.
    void AddBytes(std::uint64_t bytes);
    // A file is done (sent or given up): the bytes it should have added are counted
    // as done whatever was counted for it, so the bar ends at its end.
    void EndFile(std::uint64_t fileBytes, std::uint64_t countedBytes);

    TransferProgress Now() const;

private:
    void ReportLocked(bool always);

    Report m_report;
    mutable std::mutex m_mutex;
    TransferProgress m_progress;
    std::uint64_t m_lastPermille = 0;
};

}  // namespace foldcraft
