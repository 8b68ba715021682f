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
#include "ui/publish/CPublishS3Dlg.h"
#include "ui/publish/CPublishSFTPDlg.h"
#include "ui/publish/PublishPress.h"

namespace foldcraft {

CPublishView::CPublishView(ProjectDocument& document, AppServices& services, QWidget* parent)
    : QWidget(parent),
      m_document(document),
      m_services(services),
      m_targets(services.settings),
      m_dialogServices{.dialogs = services.dialogs,
                       .settings = m_targets,
                       .programFolder = services.programFolder,
                       .passwords = services.passwords} {
    auto* heading = new StepHeading(
        QStringLiteral("Step Three:"),
        QStringLiteral("Publish is the final step in creating your web site. Publishing gives you "
                       "four choices. You can choose a local directory to publish into or you "
                       "can publish the site to an FTP server, an SFTP server or a bucket of "
                       "object storage (S3)."),
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
    m_s3 = new QRadioButton(QStringLiteral("Object storage (S&3)"), group);
    m_s3->setObjectName(QStringLiteral("exportS3"));
    auto* methods = new QButtonGroup(this);
    methods->addButton(m_local, CFoldcraftDoc::kPublishLocal);
    methods->addButton(m_ftp, CFoldcraftDoc::kPublishFtp);
    methods->addButton(m_sftp, kSftpButton);
    methods->addButton(m_s3, kS3Button);
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
    groupLayout->addWidget(m_s3);
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
    connect(&m_document, &ProjectDocument::titleChanged, this, &CPublishView::OnTitleChanged);
}

bool CPublishView::IsPublishing() const {
    return !m_runWindow.isNull();
}

void CPublishView::OnInitialUpdate() {
    CFoldcraftDoc& doc = m_document.Doc();
    const QSignalBlocker pathBlocker(m_path);
    const QSignalBlocker localBlocker(m_local);
    const QSignalBlocker ftpBlocker(m_ftp);
    const QSignalBlocker sftpBlocker(m_sftp);
    const QSignalBlocker s3Blocker(m_s3);
    m_targets.SetProject(doc.m_bNeverSaved != 0 ? std::string() : doc.GetPathName());
    // A recovered copy's own directory is newer than the one remembered.
    const auto remembered = m_targets.LocalPath();
    if (remembered && !doc.IsModified()) doc.m_strPublishPath = *remembered;
    m_path->setText(QString::fromStdString(doc.m_strPublishPath));
    const ProjectTargets::Method method = m_targets.InitialMethod(doc.m_nPublishMethod);
    switch (method) {
        case ProjectTargets::Method::kLocal:
            m_local->setChecked(true);
            break;
        case ProjectTargets::Method::kFtp:
            m_ftp->setChecked(true);
            break;
        case ProjectTargets::Method::kSftp:
            m_sftp->setChecked(true);
            break;
        case ProjectTargets::Method::kS3:
            m_s3->setChecked(true);
            break;
    }
    m_document.SetPublishMethod(method == ProjectTargets::Method::kLocal
                                    ? CFoldcraftDoc::kPublishLocal
                                    : CFoldcraftDoc::kPublishFtp);
    // The first opening records the choice (the retired SFTP flag is read only then).
    if (!m_targets.HasRecord()) m_targets.Remember(method, doc.m_strPublishPath);
    UpdateEnabled();
}

void CPublishView::OnTitleChanged() {
    // Saved: the record follows the file's name and the directory the file now holds
    // (typing one records nothing until a Publish press or a save).
    const CFoldcraftDoc& doc = m_document.Doc();
    m_targets.SetProject(doc.m_bNeverSaved != 0 ? std::string() : doc.GetPathName());
    m_targets.Remember(ChosenMethod(), doc.m_strPublishPath);
}

ProjectTargets::Method CPublishView::ChosenMethod() const {
    if (m_local->isChecked()) return ProjectTargets::Method::kLocal;
    if (m_sftp->isChecked()) return ProjectTargets::Method::kSftp;
    if (m_s3->isChecked()) return ProjectTargets::Method::kS3;
    return ProjectTargets::Method::kFtp;
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
    // SFTP and S3 are the project file's remote method; the project's record says which.
    m_document.SetPublishMethod(m_local->isChecked() ? CFoldcraftDoc::kPublishLocal
                                                     : CFoldcraftDoc::kPublishFtp);
    m_targets.Remember(ChosenMethod(), m_document.Doc().m_strPublishPath);
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
            QDialog* dialog = nullptr;
            if (m_sftp->isChecked()) {
                dialog = new CPublishSFTPDlg(m_document, m_dialogServices, window());
            } else if (m_s3->isChecked()) {
                dialog = new CPublishS3Dlg(m_document, m_dialogServices, window());
            } else {
                dialog = new CPublishFTPDlg(m_document, m_dialogServices, window());
            }
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
