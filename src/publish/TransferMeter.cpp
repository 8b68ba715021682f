#include "publish/TransferMeter.h"

#include <algorithm>
#include <utility>

namespace foldcraft {

TransferMeter::TransferMeter(Report report) : m_report(std::move(report)) {}

void TransferMeter::SetReport(Report report) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_report = std::move(report);
}

void TransferMeter::Reset() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_progress = {};
    m_lastPermille = 0;
}

void TransferMeter::Plan(std::size_t files, std::uint64_t bytes) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_progress.filesTotal += files;
    m_progress.bytesTotal += bytes;
    ReportLocked(true);
}

void TransferMeter::StartFile(const std::string& path) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_progress.current = path;
    ReportLocked(true);
}

void TransferMeter::AddBytes(std::uint64_t bytes) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_progress.bytesDone = std::min(m_progress.bytesTotal, m_progress.bytesDone + bytes);
    ReportLocked(false);
}

void TransferMeter::EndFile(std::uint64_t fileBytes, std::uint64_t countedBytes) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (fileBytes > countedBytes) {
        m_progress.bytesDone =
            std::min(m_progress.bytesTotal, m_progress.bytesDone + (fileBytes - countedBytes));
    }
    m_progress.filesDone = std::min(m_progress.filesTotal, m_progress.filesDone + 1);
    if (m_progress.filesDone == m_progress.filesTotal) m_progress.current.clear();
    ReportLocked(true);
}

TransferProgress TransferMeter::Now() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_progress;
}

void TransferMeter::ReportLocked(bool always) {
    const std::uint64_t total = m_progress.bytesTotal;
    const std::uint64_t permille =
        total == 0 ? 0 : static_cast<std::uint64_t>(m_progress.bytesDone * 1000.0 / total);
    if (!always && permille == m_lastPermille) return;
    m_lastPermille = permille;
    if (m_report) m_report(m_progress);
}

}  // namespace foldcraft
