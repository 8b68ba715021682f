#pragma once

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <atomic>
#include <memory>

#include "ui/common/CRunWindow.h"

namespace foldcraft {

// What the windows that publish to a server (FTP, SFTP, S3) do alike around a run:
// the progress bar follows the bytes, Stop asks the run to end after the files under
// way, and the result line says how it went ("Publishing stopped by the user." after
// a Stop). The subclass makes and places the bar, the result line and the Stop
// button (m_transferBar, m_result, m_stop), and enables its buttons (EnableButtons).
class CServerRunWindow : public CRunWindow {
    Q_OBJECT
protected:
    using CRunWindow::CRunWindow;

    // Starts job (StartRun); the run stops once stopFlag is set. False when nothing
    // was started (the user has been told).
    bool Launch(PublishRunThread::Job job, std::shared_ptr<std::atomic<bool>> stopFlag,
                bool dryRun);
    void OnStop();
    void OnTransfer(const TransferProgress& progress) override;
    void RunEnded(PublishResult result) override;
    // working: a run has started (Publish off, Stop on), or has ended.
    virtual void EnableButtons(bool working) = 0;

    QProgressBar* m_transferBar = nullptr;
    QLabel* m_result = nullptr;
    QPushButton* m_stop = nullptr;
    std::shared_ptr<std::atomic<bool>> m_stopFlag;
    bool m_stopAsked = false;  // Stop was pressed during the run
};

}  // namespace foldcraft
