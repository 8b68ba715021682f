#include "ui/publish/CPublishProgressDlg.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "document/ProjectDocument.h"
#include "publish/LocalPublishRun.h"
#include "ui/common/AppServices.h"
#include "ui/publish/PublishLogView.h"
#include "ui/publish/PublishRunThread.h"
#include "ui/publish/TransferLabel.h"

namespace foldcraft {

CPublishProgressDlg::CPublishProgressDlg(ProjectDocument& document, AppServices& services,
                                         QWidget* parent, bool dryRun)
    : CRunWindow(parent), m_document(document), m_services(services), m_dryRun(dryRun) {
    const QString caption =
        dryRun ? QStringLiteral("What would change") : QStringLiteral("Publishing");
    setWindowTitle(caption);
    setModal(false);

    auto* heading = new QLabel(caption, this);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setAccessibleName(QStringLiteral("Progress"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setFormat(QStringLiteral("%p%"));
    m_progress->setVisible(!dryRun);
    m_transferLine = new TransferLabel(this);
    m_transferLine->setObjectName(QStringLiteral("transferLine"));
    m_transferLine->setVisible(!dryRun);
    m_log = new PublishLogView(this);
    m_log->setObjectName(QStringLiteral("log"));
    m_log->setAccessibleName(QStringLiteral("Publish status"));
    m_result = new QLabel(dryRun ? QStringLiteral("Working out what would change...")
                                 : QStringLiteral("Publishing..."),
                          this);
    m_result->setObjectName(QStringLiteral("result"));
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_showStartPage = new QCheckBox(QStringLiteral("Show start page when window is closed"), this);
    m_showStartPage->setObjectName(QStringLiteral("showStartPage"));
    m_showStartPage->setChecked(true);
    m_showStartPage->setEnabled(false);
    m_showStartPage->setVisible(!dryRun);
    m_close = new QPushButton(QStringLiteral("Close"), this);
    m_close->setObjectName(QStringLiteral("close"));
    m_close->setEnabled(false);
    m_close->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_showStartPage);
    buttons->addStretch();
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_progress);
    layout->addWidget(m_transferLine);
    layout->addWidget(m_log, 1);
    layout->addWidget(m_result);
    layout->addLayout(buttons);
    resize(520, 420);

    connect(m_close, &QPushButton::clicked, this, &CPublishProgressDlg::OnCloseButton);
    connect(&m_document, &ProjectDocument::documentReset, this, [this] {
        if (m_working) m_projectReplaced = true;
    });
}

CPublishProgressDlg::~CPublishProgressDlg() = default;

const QByteArray& CPublishProgressDlg::LogBytes() const {
    return m_log->Bytes();
}

bool CPublishProgressDlg::Start() {
    const std::string programFolder = m_services.programFolder;
    SyncOptions options;
    options.dryRun = m_dryRun;
    PublishRunThread::Job job = [programFolder, options](CFoldcraftDoc& copy, ILogSink& sink,
                                                         const PublishPauseHook& pause,
                                                         const std::function<bool()>&) {
        LocalPublishRun run(copy, sink, programFolder, pause);
        run.SetSyncOptions(options);
        return run.RunLocalPublish();
    };
    std::string error;
    m_thread = PublishRunThread::Create(m_document.Doc(), std::move(job), &error);
    if (!m_thread) {
        m_services.dialogs.Error(this, QStringLiteral("Error: the project cannot be published: %1")
                                           .arg(QString::fromStdString(error)));
        return false;
    }
    GuiLogSink& sink = m_thread->Sink();
    connect(&sink, &GuiLogSink::textAppended, m_log, &PublishLogView::Append);
    connect(&sink, &GuiLogSink::progressChanged, this, [this](int percent) {
        m_stepPercent = percent;
        m_progress->setValue(percent);
    });
    connect(&sink, &GuiLogSink::transferChanged, this, &CPublishProgressDlg::OnTransfer);
    connect(m_thread.get(), &QThread::finished, this, &CPublishProgressDlg::OnRunFinished,
            Qt::QueuedConnection);
    m_working = true;
    m_thread->start();
    return true;
}

int CPublishProgressDlg::BarValue(int stepPercent, const TransferProgress& progress) {
    const int copied = kCopyStartPercent + (kCopyEndPercent - kCopyStartPercent) *
                                               TransferLabel::Percent(progress) / 100;
    return std::max(stepPercent, std::min(copied, kCopyEndPercent - 1));
}

void CPublishProgressDlg::OnTransfer(const TransferProgress& progress) {
    m_progress->setValue(std::max(m_progress->value(), BarValue(m_stepPercent, progress)));
    m_transferLine->Show(progress);
}

void CPublishProgressDlg::OnRunFinished() {
    m_thread->wait();
    m_thread->Sink().Drain();
    if (!m_projectReplaced && !m_dryRun) m_thread->WriteBack(m_document.Doc());
    const PublishResult result = m_thread->Result();
    m_errors = result != PublishResult::kSuccess;
    m_result->setText(QString::fromUtf8(PublishRunThread::ResultText(result, m_dryRun)));
    m_working = false;
    m_close->setEnabled(true);
    m_close->setFocus();
    emit runFinished();
}

void CPublishProgressDlg::OnCloseButton() {
    if (m_working) return;
    if (!m_dryRun && m_showStartPage->isChecked() && m_thread) {
        bool show = true;
        if (m_errors) {
            show = m_services.dialogs.Message(
                       this, QString::fromUtf8(kErrorQuestion), IUserDialogs::Buttons::kYesNo,
                       IUserDialogs::Icon::kQuestion) == IUserDialogs::Answer::kYes;
        }
        if (show) {
            const std::string page = LocalPublishRun::StartPagePath(m_thread->Copy());
            m_services.dialogs.OpenUrl(QUrl::fromLocalFile(QString::fromStdString(page)));
        }
    }
    close();
}

}  // namespace foldcraft
