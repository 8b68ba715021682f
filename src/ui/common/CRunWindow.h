#pragma once

#include <QByteArray>
#include <QDialog>
#include <memory>

#include "publish/LogSink.h"
#include "ui/common/PublishRunThread.h"

class CFoldcraftDoc;

namespace foldcraft {
class ProjectDocument;
class PublishLogView;
class TransferLabel;
struct AppServices;

// A window that shows a publish run (local or FTP). StartRun runs a job on a copy of
// the project in a PublishRunThread; the log reaches the window's log view and the
// files' progress its transfer line while the run works. When the thread has ended,
// the rest of the log is shown, what the run changed is written back into the
// project (never a dry run's, nor when New or Open replaced the project meanwhile),
// and the subclass shows the result (RunEnded) before runFinished is emitted.
//
// While a run works, Escape and the window manager's close are ignored, so the log
// and the result stay in view until the user has seen them; afterwards either
// closes the window.
class CRunWindow : public QDialog {
    Q_OBJECT
public:
    ~CRunWindow() override;

    // Whether a run is working now.
    bool IsWorking() const { return m_working; }
    // The log as the runs wrote it (UTF-8), with what the window added to it.
    const QByteArray& LogBytes() const;

signals:
    // A run has ended and its results are in the project (a dry run's are not).
    void runFinished();

protected:
    // Makes the log view and the transfer line (children of the window, for the
    // subclass to name and place). document and services must outlive the window.
    CRunWindow(ProjectDocument& document, AppServices& services, QWidget* parent);

    // Clears the log and the transfer line, copies the project and starts job on the
    // copy. False when the project cannot be copied: the user is told (an error box)
    // and nothing runs. dryRun: nothing is written back afterwards.
    bool StartRun(PublishRunThread::Job job, bool dryRun);
    // Asks the run under way to stop: the job's stop question turns true, and a pause
    // between the steps is cut short. Nothing when no run works.
    void InterruptRun();
    // The copy of the project that the last run worked on; null before the first run.
    const CFoldcraftDoc* LastRunCopy() const;
    // Whether the run under way, or the last one, is a dry run.
    bool IsDryRun() const { return m_dryRun; }

    // The run's step progress (ILogSink::SetProgress), as it arrives.
    virtual void OnStepProgress(int percent);
    // The files' progress, after the transfer line has shown it.
    virtual void OnTransfer(const TransferProgress& progress);
    // The run has ended, its whole log is shown and its results are in the project;
    // IsWorking() is false already. Shows the result.
    virtual void RunEnded(PublishResult result) = 0;
    // After runFinished was emitted: questions about the run, which may start another.
    virtual void AfterRunFinished(PublishResult result);

    void reject() override;
    void closeEvent(QCloseEvent* event) override;

    ProjectDocument& m_document;
    AppServices& m_services;
    PublishLogView* const m_log;
    TransferLabel* const m_transferLine;

private:
    // On the window's thread once the run's thread has ended.
    void FinishRun();

    std::unique_ptr<PublishRunThread> m_thread;
    bool m_working = false;
    bool m_dryRun = false;           // the run under way, or the last one, is a dry run
    bool m_projectReplaced = false;  // New or Open during the run: nothing is written back
};

}  // namespace foldcraft
