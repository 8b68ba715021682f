#pragma once

#include "publish/LogSink.h"
#include "ui/common/CRunWindow.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace foldcraft {
class ProjectDocument;
struct AppServices;

// The "Publishing" window: the local publish run of the project, on a worker thread
// and a copy of the project, with a progress bar, the status log, a result line and
// Close. The bar follows the run's steps and, while the files are copied, their
// bytes; the line under it tells the files and bytes copied and the file under way.
// Not modal. While the run works, Close is disabled and Escape and the window's
// close are ignored. Close (enabled at the end) opens the site's start page
// through the dialogs' URL opener, asking first when the run had errors.
//
// dryRun: the "What would change" window. The run plans and logs the plan and
// changes nothing; the project gets nothing back from it, there is no progress bar
// nor copy line, and Close opens no page.
class CPublishProgressDlg : public CRunWindow {
    Q_OBJECT
public:
    CPublishProgressDlg(ProjectDocument& document, AppServices& services, QWidget* parent = nullptr,
                        bool dryRun = false);
    ~CPublishProgressDlg() override;

    // Copies the project and starts the run. False when the project cannot be copied
    // (the user is told; nothing runs). Call once.
    bool Start();

    static constexpr const char* kErrorQuestion =
        "During publish an error(s) was found.  Do you want to view the newly created "
        "website anyway?";

    // Where LocalPublishRun puts the bar before and after copying the files: the copy
    // moves it through the steps between (never onto the second, which says that the
    // copy is done).
    static constexpr int kCopyStartPercent = 15;
    static constexpr int kCopyEndPercent = 30;

private:
    void OnStepProgress(int percent) override;
    void OnTransfer(const TransferProgress& progress) override;
    void RunEnded(PublishResult result) override;
    void OnCloseButton();
    // The bar's value for the step percent last reported and the copy's progress.
    static int BarValue(int stepPercent, const TransferProgress& progress);

    const bool m_dryRun;
    QProgressBar* m_progress;
    int m_stepPercent = 0;  // the run's last SetProgress
    QLabel* m_result;
    QCheckBox* m_showStartPage;
    QPushButton* m_close;
    bool m_errors = false;
};

}  // namespace foldcraft
