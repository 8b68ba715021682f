#pragma once

#include <QPointer>
#include <memory>

#include "ui/publish/CRunWindow.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace foldcraft {
class ProjectDocument;
class PublishLogView;
class PublishRunThread;
struct AppServices;

// The "Publishing" window: the local publish run of the project, on a worker thread
// and a copy of the project, with a progress bar, the status log, a result line and
// Close. Not modal. While the run works, Close is disabled and Escape and the
// window's close are ignored. Close (enabled at the end) opens the site's start page
// through the dialogs' URL opener, asking first when the run had errors.
//
// dryRun: the "What would change" window. The run plans and logs the plan and
// changes nothing; the project gets nothing back from it, there is no progress bar
// and Close opens no page.
class CPublishProgressDlg : public CRunWindow {
    Q_OBJECT
public:
    CPublishProgressDlg(ProjectDocument& document, AppServices& services, QWidget* parent = nullptr,
                        bool dryRun = false);
    ~CPublishProgressDlg() override;

    // Copies the project and starts the run. False when the project cannot be copied
    // (the user is told; nothing runs). Call once.
    bool Start();

    // The log as the run wrote it (UTF-8).
    const QByteArray& LogBytes() const;

    static constexpr const char* kErrorQuestion =
        "During publish an error(s) was found.  Do you want to view the newly created "
        "website anyway?";

signals:
    // The run has ended and its results are in the project (a dry run's are not).
    void runFinished();

private:
    void OnRunFinished();
    void OnCloseButton();

    ProjectDocument& m_document;
    AppServices& m_services;
    const bool m_dryRun;
    QProgressBar* m_progress;
    PublishLogView* m_log;
    QLabel* m_result;
    QCheckBox* m_showStartPage;
    QPushButton* m_close;
    std::unique_ptr<PublishRunThread> m_thread;
    bool m_errors = false;
    bool m_projectReplaced = false;  // New or Open during the run: nothing is written back
};

}  // namespace foldcraft
