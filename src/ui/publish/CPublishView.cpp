#include "ui/publish/CPublishView.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "document/ProjectDocument.h"
#include "ui/common/AppServices.h"
#include "ui/common/PlainCaption.h"
#include "ui/common/StepHeading.h"
#include "ui/publish/CPublishFTPDlg.h"
#include "ui/publish/CPublishProgressDlg.h"
#include "ui/publish/CPublishSFTPDlg.h"
#include "ui/publish/PublishPress.h"

namespace foldcraft {
namespace {

// The project file keeps its two methods (local, FTP); which server the remote method
// means is the user's setting.
constexpr const char* kSftpChosenSection = "SFTPServer";
constexpr const char* kSftpChosenName = "Chosen";

}  // namespace

CPublishView::CPublishView(ProjectDocument& document, AppServices& services, QWidget* parent)
    : QWidget(parent), m_document(document), m_services(services) {
    auto* heading = new StepHeading(
        QStringLiteral("Step Three:"),
        QStringLiteral("Publish is the final step in creating your web site. Publishing gives you "
                       "three choices. You can choose a local directory to publish into or you "
                       "can publish the site to an FTP server or an SFTP server."),
        this);

    auto* group = new QGroupBox(QStringLiteral("Publish Method and Path"), this);
    auto* methodQuestion =
        new QLabel(QStringLiteral("What method would you like to use to publish?"), group);
    m_local = new QRadioButton(QStringLiteral("&Local files"), group);
    m_local->setObjectName(QStringLiteral("localFiles"));
    m_ftp = new QRadioButton(QStringLiteral("E&xport to FTP server"), group);
    m_ftp->setObjectName(QStringLiteral("exportFtp"));
    m_sftp = new QRadioButton(QStringLiteral("SFTP &server"), group);
    m_sftp->setObjectName(QStringLiteral("exportSftp"));
    auto* methods = new QButtonGroup(this);
    methods->addButton(m_local, CFoldcraftDoc::kPublishLocal);
    methods->addButton(m_ftp, CFoldcraftDoc::kPublishFtp);
    methods->addButton(m_sftp, kSftpButton);
    auto* pathQuestion = new QLabel(QStringLiteral("&Where would you like to publish?"), group);
    m_path = new QLineEdit(group);
    m_path->setObjectName(QStringLiteral("publishPath"));
    m_path->setAccessibleName(QStringLiteral("Where would you like to publish?"));
    pathQuestion->setBuddy(m_path);
    m_choosePath = new QPushButton(QStringLiteral("&Choose Path..."), group);
    m_choosePath->setObjectName(QStringLiteral("choosePath"));
    m_publish = new QPushButton(QStringLiteral("Publ&ish"), this);
    m_publish->setObjectName(QStringLiteral("publish"));
    m_showChanges = new QPushButton(QStringLiteral("Sh&ow what would change"), this);
    m_showChanges->setObjectName(QStringLiteral("showChanges"));
    m_showChanges->setAccessibleName(PlainCaption(m_showChanges->text()));

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_path, 1);
    pathRow->addWidget(m_choosePath);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(methodQuestion);
    groupLayout->addWidget(m_local);
    groupLayout->addWidget(m_ftp);
    groupLayout->addWidget(m_sftp);
    groupLayout->addWidget(pathQuestion);
    groupLayout->addLayout(pathRow);
    auto* publishRow = new QHBoxLayout;
    publishRow->addStretch();
    publishRow->addWidget(m_showChanges);
    publishRow->addWidget(m_publish);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(group);
    layout->addLayout(publishRow);
    layout->addStretch();

    OnInitialUpdate();
    connect(m_path, &QLineEdit::textChanged, this, &CPublishView::OnChangePath);
    connect(m_choosePath, &QPushButton::clicked, this, &CPublishView::OnChoosePath);
    connect(methods, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) OnMethodChanged();
    });
    connect(m_publish, &QPushButton::clicked, this, &CPublishView::OnPublish);
    connect(m_showChanges, &QPushButton::clicked, this, &CPublishView::OnShowChanges);
    connect(&m_document, &ProjectDocument::documentReset, this, &CPublishView::OnInitialUpdate);
}

bool CPublishView::IsPublishing() const {
    return !m_runWindow.isNull();
}

void CPublishView::OnInitialUpdate() {
    const CFoldcraftDoc& doc = m_document.Doc();
    const QSignalBlocker pathBlocker(m_path);
    const QSignalBlocker localBlocker(m_local);
    const QSignalBlocker ftpBlocker(m_ftp);
    const QSignalBlocker sftpBlocker(m_sftp);
    m_path->setText(QString::fromStdString(doc.m_strPublishPath));
    const bool sftp = m_services.settings.GetInt(kSftpChosenSection, kSftpChosenName, 0) != 0;
    (doc.m_nPublishMethod == CFoldcraftDoc::kPublishLocal ? m_local
     : sftp                                               ? m_sftp
                                                          : m_ftp)
        ->setChecked(true);
    UpdateEnabled();
}

void CPublishView::OnChangePath(const QString& text) {
    m_document.SetPublishPath(text.toStdString());
}

void CPublishView::OnChoosePath() {
    const QString chosen =
        m_services.dialogs.ExistingDirectory(this, QStringLiteral("Choose Path"), m_path->text());
    if (chosen.isEmpty()) return;
    m_path->setText(chosen);  // writes the project through OnChangePath
    m_document.MarkModified();
}

void CPublishView::OnMethodChanged() {
    // SFTP is the project's remote method; the settings say which server it means.
    m_document.SetPublishMethod(m_local->isChecked() ? CFoldcraftDoc::kPublishLocal
                                                     : CFoldcraftDoc::kPublishFtp);
    if (!m_local->isChecked()) {
        m_services.settings.WriteInt(kSftpChosenSection, kSftpChosenName,
                                     m_sftp->isChecked() ? 1 : 0);
    }
    UpdateEnabled();
}

void CPublishView::UpdateEnabled() {
    const bool local = m_local->isChecked();
    m_path->setEnabled(local);
    m_choosePath->setEnabled(local);
    m_publish->setEnabled(!IsPublishing());
    m_showChanges->setEnabled(local && !IsPublishing());
}

void CPublishView::OnPublish() {
    if (IsPublishing()) return;
    OnMethodChanged();
    switch (PublishPress::Check(m_document, m_services, this)) {
        case PublishPress::Next::kNothing:
            return;
        case PublishPress::Next::kLocalRun:
            OpenRunWindow(false);
            return;
        case PublishPress::Next::kFtpDialog: {
            QDialog* dialog =
                m_sftp->isChecked()
                    ? static_cast<QDialog*>(new CPublishSFTPDlg(m_document, m_services, window()))
                    : new CPublishFTPDlg(m_document, m_services, window());
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            dialog->setWindowModality(Qt::ApplicationModal);
            m_runWindow = dialog;
            connect(dialog, &QObject::destroyed, this, &CPublishView::UpdateEnabled,
                    Qt::QueuedConnection);
            dialog->show();
            dialog->activateWindow();  // the keys go to the new window
            UpdateEnabled();
            emit publishWindowOpened(dialog);
            return;
        }
    }
}

void CPublishView::OnShowChanges() {
    if (IsPublishing()) return;
    OnMethodChanged();
    if (!m_local->isChecked()) return;
    if (PublishPress::Check(m_document, m_services, this, true) == PublishPress::Next::kLocalRun) {
        OpenRunWindow(true);
    }
}

void CPublishView::OpenRunWindow(bool dryRun) {
    auto* window = new CPublishProgressDlg(m_document, m_services, this->window(), dryRun);
    window->setAttribute(Qt::WA_DeleteOnClose);
    m_runWindow = window;
    connect(window, &CPublishProgressDlg::runFinished, this, [this] {
        m_runWindow = nullptr;
        UpdateEnabled();
    });
    connect(window, &QObject::destroyed, this, &CPublishView::UpdateEnabled, Qt::QueuedConnection);
    window->show();
    window->activateWindow();
    UpdateEnabled();
    emit publishWindowOpened(window);
    if (!window->Start()) {
        m_runWindow = nullptr;
        window->close();
        UpdateEnabled();
    }
}

}  // namespace foldcraft
