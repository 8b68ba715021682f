#include "ui/publish/CServerRunWindow.h"

#include <utility>

#include "ui/common/TransferLabel.h"

namespace foldcraft {

bool CServerRunWindow::Launch(PublishRunThread::Job job,
                              std::shared_ptr<std::atomic<bool>> stopFlag, bool dryRun) {
    if (!StartRun(std::move(job), dryRun)) return false;
    m_stopFlag = std::move(stopFlag);
    m_transferBar->setValue(0);
    m_result->setText(dryRun ? QStringLiteral("Working out what would change...")
                             : QStringLiteral("Publishing..."));
    m_stopAsked = false;
    EnableButtons(true);
    return true;
}

void CServerRunWindow::OnTransfer(const TransferProgress& progress) {
    m_transferBar->setValue(TransferLabel::Percent(progress));
}

void CServerRunWindow::OnStop() {
    if (!IsWorking()) return;
    m_stopFlag->store(true);
    // Cuts short a pause between the steps.
    InterruptRun();
    m_stopAsked = true;
    m_stop->setEnabled(false);
    m_result->setText(QStringLiteral("Stopping after the files under way..."));
}

void CServerRunWindow::RunEnded(PublishResult result) {
    m_result->setText(m_stopAsked && result == PublishResult::kFailed
                          ? (IsDryRun() ? QStringLiteral("Stopped by the user.")
                                        : QStringLiteral("Publishing stopped by the user."))
                          : QString::fromUtf8(PublishRunThread::ResultText(result, IsDryRun())));
    EnableButtons(false);
}

}  // namespace foldcraft
