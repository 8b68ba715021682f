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
#include "ui/common/DesktopOpener.h"
#include "ui/common/PublishLogView.h"
#include "ui/common/TransferLabel.h"

namespace foldcraft {

CPublishProgressDlg::CPublishProgressDlg(ProjectDocument& document, AppServices& services,
                                         QWidget* parent, bool dryRun)
    : CRunWindow(document, services, parent), m_dryRun(dryRun) {
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
    m_transferLine->setObjectName(QStringLiteral("transferLine"));
    m_transferLine->setVisible(!dryRun);
    m_log->setObjectName(QStringLiteral("log"));
    m_log->setAccessibleName(QStringLiteral("Publish status"));
    m_result = new QLabel(dryRun ? QStringLiteral("Working out what would change...")
                                 : QStringLiteral("Publishing..."),
                          this);
    m_result->setObjectName(QStringLiteral("result"));
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_showStartPage = new QCheckBox(QStringLiteral("&Show start page when window is closed"), this);
    m_showStartPage->setObjectName(QStringLiteral("showStartPage"));
    m_showStartPage->setChecked(true);
    m_showStartPage->setEnabled(false);
    m_showStartPage->setVisible(!dryRun);
    m_close = new QPushButton(QStringLiteral("&Close"), this);
    m_close->setObjectName(QStringLiteral("close"));
    m_close->setEnabled(false);
    m_close->setAutoDefault(false);
    m_close->setDefault(true);  // Enter closes the window once the run has ended

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
}

CPublishProgressDlg::~CPublishProgressDlg() = default;

bool CPublishProgressDlg::Start() {
    const std::string programFolder = m_services.programFolder;
    SyncOptions options;
    options.dryRun = m_dryRun;
    return StartRun(
        [programFolder, options](CFoldcraftDoc& copy, ILogSink& sink, const PublishPauseHook& pause,
                                 const std::function<bool()>&) {
            LocalPublishRun run(copy, sink, programFolder, pause);
            run.SetSyncOptions(options);
            return run.RunLocalPublish();
        },
        m_dryRun);
}

void CPublishProgressDlg::OnStepProgress(int percent) {
    m_stepPercent = percent;
    m_progress->setValue(percent);
}

int CPublishProgressDlg::BarValue(int stepPercent, const TransferProgress& progress) {
    const int copied = kCopyStartPercent + (kCopyEndPercent - kCopyStartPercent) *
                                               TransferLabel::Percent(progress) / 100;
    return std::max(stepPercent, std::min(copied, kCopyEndPercent - 1));
}

void CPublishProgressDlg::OnTransfer(const TransferProgress& progress) {
    m_progress->setValue(std::max(m_progress->value(), BarValue(m_stepPercent, progress)));
}

void CPublishProgressDlg::RunEnded(PublishResult result) {
    m_errors = result != PublishResult::kSuccess;
    m_result->setText(QString::fromUtf8(PublishRunThread::ResultText(result, m_dryRun)));
    m_close->setEnabled(true);
    m_close->setFocus();
}

void CPublishProgressDlg::OnCloseButton() {
    if (IsWorking()) return;
    const CFoldcraftDoc* copy = LastRunCopy();
    if (!m_dryRun && m_showStartPage->isChecked() && copy) {
        bool show = true;
        if (m_errors) {
            show = m_services.dialogs.Message(
                       this, QString::fromUtf8(kErrorQuestion), IUserDialogs::Buttons::kYesNo,
                       IUserDialogs::Icon::kQuestion) == IUserDialogs::Answer::kYes;
        }
        if (show) {
            const std::string page = LocalPublishRun::StartPagePath(*copy);
            DesktopOpener(m_services.dialogs)
                .Open(this, QUrl::fromLocalFile(QString::fromStdString(page)));
        }
    }
    close();
}

}  // namespace foldcraft
