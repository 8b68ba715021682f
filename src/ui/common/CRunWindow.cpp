#include "ui/common/CRunWindow.h"

#include <QCloseEvent>

#include "document/ProjectDocument.h"
#include "ui/common/AppServices.h"
#include "ui/common/GuiLogSink.h"
#include "ui/common/PublishLogView.h"
#include "ui/common/TransferLabel.h"

namespace foldcraft {

CRunWindow::CRunWindow(ProjectDocument& document, AppServices& services, QWidget* parent)
    : QDialog(parent),
      m_document(document),
      m_services(services),
      m_log(new PublishLogView(this)),
      m_transferLine(new TransferLabel(this)) {
    connect(&m_document, &ProjectDocument::documentReset, this, [this] {
        if (m_working) m_projectReplaced = true;
    });
}

CRunWindow::~CRunWindow() = default;

const QByteArray& CRunWindow::LogBytes() const {
    return m_log->Bytes();
}

bool CRunWindow::StartRun(PublishRunThread::Job job, bool dryRun) {
    std::string error;
    std::unique_ptr<PublishRunThread> thread =
        PublishRunThread::Create(m_document.Doc(), std::move(job), &error);
    if (!thread) {
        m_services.dialogs.Error(this, QStringLiteral("Error: the project cannot be published: %1")
                                           .arg(QString::fromStdString(error)));
        return false;
    }
    m_thread = std::move(thread);
    m_log->Clear();
    m_transferLine->Clear();
    GuiLogSink& sink = m_thread->Sink();
    connect(&sink, &GuiLogSink::textAppended, m_log, &PublishLogView::Append);
    connect(&sink, &GuiLogSink::progressChanged, this, &CRunWindow::OnStepProgress);
    connect(&sink, &GuiLogSink::transferChanged, this, [this](const TransferProgress& progress) {
        m_transferLine->Show(progress);
        OnTransfer(progress);
    });
    connect(m_thread.get(), &QThread::finished, this, &CRunWindow::FinishRun, Qt::QueuedConnection);
    m_dryRun = dryRun;
    m_projectReplaced = false;
    m_working = true;
    m_thread->start();
    return true;
}

void CRunWindow::InterruptRun() {
    if (m_working) m_thread->requestInterruption();
}

const CFoldcraftDoc* CRunWindow::LastRunCopy() const {
    return m_thread ? &m_thread->Copy() : nullptr;
}

void CRunWindow::OnStepProgress(int) {}

void CRunWindow::OnTransfer(const TransferProgress&) {}

void CRunWindow::AfterRunFinished(PublishResult) {}

void CRunWindow::FinishRun() {
    m_thread->wait();
    m_thread->Sink().Drain();
    if (!m_projectReplaced && !m_dryRun) m_thread->WriteBack(m_document.Doc());
    const PublishResult result = m_thread->Result();
    m_working = false;
    RunEnded(result);
    emit runFinished();
    AfterRunFinished(result);
}

void CRunWindow::reject() {
    if (m_working) return;
    close();
}

void CRunWindow::closeEvent(QCloseEvent* event) {
    if (m_working) {
        event->ignore();
        return;
    }
    setResult(QDialog::Rejected);
    event->accept();
}

}  // namespace foldcraft
