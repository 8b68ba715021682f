#include "ui/publish/CPublishSFTPDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

#include "document/ProjectDocument.h"
#include "publish/FtpSettings.h"
#include "publish/SftpPublishRun.h"
#include "settings/PublishPasswords.h"
#include "ui/common/AppServices.h"
#include "ui/common/PlainCaption.h"
#include "ui/common/PublishLogView.h"
#include "ui/common/TransferLabel.h"

namespace foldcraft {
namespace {

// caption carries its mnemonic ("&Hostname:"); the accessible name is the caption
// without it.
QLineEdit* AddField(QGridLayout* grid, QWidget* parent, const QString& objectName,
                    const QString& caption, int row, int column, int columnSpan = 1) {
    auto* label = new QLabel(caption, parent);
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    edit->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    label->setBuddy(edit);
    grid->addWidget(label, row, column);
    grid->addWidget(edit, row, column + 1, 1, columnSpan);
    return edit;
}

std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

}  // namespace

struct CPublishSFTPDlg::Outcome {
    SshSession::Failure kind = SshSession::Failure::kNone;
    bool noStartDir = false;
    std::string message;  // SftpPublishRun::FailureMessage
    std::string keyType;
    std::string fingerprint;
};

CPublishSFTPDlg::CPublishSFTPDlg(ProjectDocument& document, AppServices& services, QWidget* parent)
    : CServerRunWindow(document, services, parent) {
    setWindowTitle(QStringLiteral("Publish to SFTP server"));
    auto* left = new QVBoxLayout;
    left->addWidget(MakeServerBox());
    left->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(MakeStatusColumn(), 1);
    // CRunWindow made the Status pane before the fields: it follows them when tabbing.
    setTabOrder(m_changedOnly, m_log);
    resize(820, 400);
    ShowStoredSettings();

    connect(m_browseKey, &QPushButton::clicked, this, &CPublishSFTPDlg::OnBrowseKeyFile);
    connect(m_publish, &QPushButton::clicked, this, [this] { OnPublish(false); });
    connect(m_showChanges, &QPushButton::clicked, this, [this] { OnPublish(true); });
    connect(m_stop, &QPushButton::clicked, this, &CPublishSFTPDlg::OnStop);
    connect(m_close, &QPushButton::clicked, this, &CPublishSFTPDlg::close);
}

CPublishSFTPDlg::~CPublishSFTPDlg() = default;

QGroupBox* CPublishSFTPDlg::MakeServerBox() {
    auto* server = new QGroupBox(QStringLiteral("SFTP Server"), this);
    auto* grid = new QGridLayout(server);
    m_host =
        AddField(grid, server, QStringLiteral("serverHost"), QStringLiteral("&Hostname:"), 0, 0);
    m_port = AddField(grid, server, QStringLiteral("serverPort"), QStringLiteral("P&ort:"), 0, 2);
    m_user =
        AddField(grid, server, QStringLiteral("serverUser"), QStringLiteral("&Username:"), 1, 0);
    m_password = AddField(grid, server, QStringLiteral("serverPassword"),
                          QStringLiteral("Pass&word:"), 1, 2);
    m_keyFile =
        AddField(grid, server, QStringLiteral("keyFile"), QStringLiteral("&Key file:"), 2, 0, 2);
    m_browseKey = new QPushButton(QStringLiteral("&Browse..."), server);
    m_browseKey->setObjectName(QStringLiteral("browseKeyFile"));
    m_browseKey->setAccessibleName(QStringLiteral("Browse..."));
    m_browseKey->setAutoDefault(false);
    grid->addWidget(m_browseKey, 2, 3);
    m_passphrase = AddField(grid, server, QStringLiteral("keyPassphrase"),
                            QStringLiteral("Key pa&ssphrase:"), 3, 0, 3);
    m_startDir = AddField(grid, server, QStringLiteral("startDir"),
                          QStringLiteral("Starting &directory:"), 4, 0, 3);
    m_password->setEchoMode(QLineEdit::Password);
    m_passphrase->setEchoMode(QLineEdit::Password);
    m_port->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), m_port));
    const QString connectionsCaption = QString::fromUtf8(FtpSettings::kConnectionsCaption);
    auto* connectionsLabel = new QLabel(QLatin1Char('&') + connectionsCaption, server);
    m_connections = new QSpinBox(server);
    m_connections->setObjectName(QStringLiteral("connections"));
    m_connections->setAccessibleName(connectionsCaption);
    m_connections->setRange(1, SftpSettings::kMaxConnections);
    m_connections->setToolTip(QStringLiteral("How many files are sent at once"));
    connectionsLabel->setBuddy(m_connections);
    grid->addWidget(connectionsLabel, 5, 0);
    grid->addWidget(m_connections, 5, 1);
    m_changedOnly = new QCheckBox(QString::fromUtf8(FtpSettings::kChangedOnlyCaption), server);
    m_changedOnly->setObjectName(QStringLiteral("changedOnly"));
    grid->addWidget(m_changedOnly, 6, 0, 1, 4);
    m_rememberPassword = new QCheckBox(QString::fromUtf8(kRememberCaption), server);
    m_rememberPassword->setObjectName(QStringLiteral("rememberPassword"));
    m_rememberPassword->setToolTip(QStringLiteral("Keep the password and the key passphrase in the keyring"));
    grid->addWidget(m_rememberPassword, 7, 0, 1, 4);
    return server;
}

QVBoxLayout* CPublishSFTPDlg::MakeStatusColumn() {
    auto* statusLabel = new QLabel(QStringLiteral("Status:"), this);
    m_log->setObjectName(QStringLiteral("status"));
    m_log->setAccessibleName(QStringLiteral("Status:"));
    statusLabel->setBuddy(m_log);
    const QString transferCaption = QString::fromUtf8(kTransferCaption);
    auto* transferLabel = new QLabel(transferCaption, this);
    m_transferBar = new QProgressBar(this);
    m_transferBar->setObjectName(QStringLiteral("transferBar"));
    m_transferBar->setAccessibleName(transferCaption);
    m_transferBar->setRange(0, 100);
    m_transferBar->setValue(0);
    m_transferBar->setFormat(QStringLiteral("%p%"));
    m_transferLine->setObjectName(QStringLiteral("transferLine"));
    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("result"));
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_publish = new QPushButton(QStringLiteral("&Publish"), this);
    m_publish->setObjectName(QStringLiteral("publish"));
    m_showChanges = new QPushButton(QStringLiteral("Show what would chan&ge"), this);
    m_showChanges->setObjectName(QStringLiteral("showChanges"));
    m_showChanges->setAccessibleName(PlainCaption(m_showChanges->text()));
    m_stop = new QPushButton(QStringLiteral("S&top"), this);
    m_stop->setObjectName(QStringLiteral("stop"));
    m_stop->setEnabled(false);
    m_close = new QPushButton(QStringLiteral("&Close"), this);
    m_close->setObjectName(QStringLiteral("close"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* button : {m_showChanges, m_publish, m_stop, m_close}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    m_publish->setDefault(true);  // Enter in a field publishes
    auto* transfer = new QHBoxLayout;
    transfer->addWidget(transferLabel);
    transfer->addWidget(m_transferBar, 1);
    auto* column = new QVBoxLayout;
    column->addWidget(statusLabel);
    column->addWidget(m_log, 1);
    column->addLayout(transfer);
    column->addWidget(m_transferLine);
    column->addWidget(m_result);
    column->addLayout(buttons);
    return column;
}

void CPublishSFTPDlg::ShowStoredSettings() {
    // All defaults when a stored value does not read (a Publish press then says which).
    const SftpSettings stored = SftpSettings::Read(m_services.settings).value;
    m_host->setText(QString::fromStdString(stored.strHostName));
    m_port->setText(QString::number(stored.nPort.value_or(SftpSettings::kDefaultPort)));
    m_user->setText(QString::fromStdString(stored.strUser));
    m_keyFile->setText(QString::fromStdString(stored.strKeyFile));
    m_startDir->setText(QString::fromStdString(stored.strStartDir));
    m_connections->setValue(stored.nConnections);
    m_changedOnly->setChecked(stored.bChangedOnly != 0);
    ShowStoredSecrets(stored);
}

void CPublishSFTPDlg::ShowStoredSecrets(const SftpSettings& stored) {
    m_rememberPassword->setVisible(m_services.passwords != nullptr);
    if (!m_services.passwords) return;
    PublishPasswords passwords(m_services.settings, *m_services.passwords);
    const PublishPasswords::Found password = passwords.Secret(PublishPasswords::SftpKey(stored));
    if (password.found) m_password->setText(QString::fromStdString(password.secret));
    const std::string passphraseKey = PublishPasswords::PassphraseKey(stored);
    if (password.keyringAnswered && !passphraseKey.empty()) {
        const PublishPasswords::Found passphrase = passwords.Secret(passphraseKey);
        if (passphrase.found) m_passphrase->setText(QString::fromStdString(passphrase.secret));
    }
    m_rememberPassword->setEnabled(password.keyringAnswered);
    m_rememberPassword->setChecked(password.keyringAnswered);
    if (password.keyringAnswered || m_services.noKeyringSaid) return;
    m_services.noKeyringSaid = true;
    m_services.dialogs.Inform(this, QString::fromUtf8(kNoKeyringMessage) + QStringLiteral("\n\n") +
                                        QString::fromStdString(password.error));
}

void CPublishSFTPDlg::KeepSecrets(const SftpSettings& settings) {
    if (!m_services.passwords || !m_rememberPassword->isEnabled()) return;
    PublishPasswords passwords(m_services.settings, *m_services.passwords);
    const bool remember = m_rememberPassword->isChecked();
    PublishPasswords::KeepResult kept =
        passwords.Keep(PublishPasswords::SftpKey(settings), settings.strPassword, remember);
    const std::string passphraseKey = PublishPasswords::PassphraseKey(settings);
    if (kept.error.empty() && !passphraseKey.empty())
        kept = passwords.Keep(passphraseKey, settings.strPassphrase, remember);
    if (!kept.error.empty()) m_services.dialogs.Error(this, QString::fromStdString(kept.error));
}

SftpSettings CPublishSFTPDlg::FieldSettings() const {
    // The values the dialog does not show (the timeout) keep their stored ones.
    SftpSettings settings = SftpSettings::Read(m_services.settings).value;
    settings.strHostName = Text(m_host);
    settings.nPort =
        m_port->text().isEmpty() ? std::nullopt : std::optional<int>(m_port->text().toInt());
    settings.strUser = Text(m_user);
    settings.strPassword = Text(m_password);
    settings.strKeyFile = Text(m_keyFile);
    settings.strPassphrase = Text(m_passphrase);
    settings.strStartDir = Text(m_startDir);
    settings.nConnections = m_connections->value();
    settings.bChangedOnly = m_changedOnly->isChecked() ? 1 : 0;
    return settings;
}

void CPublishSFTPDlg::OnBrowseKeyFile() {
    const QString chosen = m_services.dialogs.OpenFileName(
        this, QStringLiteral("Key file"), m_keyFile->text(), QStringLiteral("All files (*)"));
    if (!chosen.isEmpty()) m_keyFile->setText(chosen);
}

void CPublishSFTPDlg::OnPublish(bool dryRun) {
    if (IsWorking()) return;
    const auto stored = SftpSettings::Read(m_services.settings);
    if (!stored.Ok()) {
        m_services.dialogs.Error(this, QString::fromStdString(stored.error));
        return;
    }
    const SftpSettings settings = FieldSettings();
    const std::string message = settings.Check();
    if (!message.empty()) {
        m_services.dialogs.Error(this, QString::fromStdString(message));
        return;
    }
    if (!dryRun && !settings.Write(m_services.settings)) {
        m_services.dialogs.Error(this,
                                 QStringLiteral("Warning: the SFTP settings could not be saved."));
    }
    if (!dryRun) KeepSecrets(settings);
    StartSftpRun(settings, dryRun, false);
}

void CPublishSFTPDlg::StartSftpRun(const SftpSettings& settings, bool dryRun, bool createStartDir) {
    const std::string programFolder = m_services.programFolder;
    SyncOptions options;
    options.dryRun = dryRun;
    auto stopFlag = std::make_shared<std::atomic<bool>>(false);
    auto outcome = std::make_shared<Outcome>();
    PublishRunThread::Job job = [programFolder, settings, options, createStartDir, stopFlag,
                                 outcome](CFoldcraftDoc& copy, ILogSink& sink,
                                          const PublishPauseHook& pause,
                                          const std::function<bool()>& stop) {
        SftpPublishRun run(copy, sink, programFolder, settings, pause);
        run.SetSyncOptions(options);
        run.SetCreateStartDirectory(createStartDir);
        run.SetStopHook([stopFlag, stop] { return stopFlag->load() || stop(); });
        const PublishResult result = run.RunSftpPublish();
        // Read on the window's thread once this thread has ended.
        outcome->kind = run.FailureKind();
        outcome->noStartDir = run.StartDirectoryMissing();
        outcome->message = run.FailureMessage();
        outcome->keyType = run.HostKeyType();
        outcome->fingerprint = run.HostKeyFingerprint();
        return result;
    };
    if (!Launch(std::move(job), std::move(stopFlag), dryRun)) return;
    m_outcome = std::move(outcome);
    m_runSettings = settings;
}

void CPublishSFTPDlg::AfterRunFinished(PublishResult result) {
    if (result == PublishResult::kFailed && !m_stopAsked) ReportFailure();
}

void CPublishSFTPDlg::ReportFailure() {
    const Outcome outcome = *m_outcome;
    if (outcome.kind == SshSession::Failure::kHostKeyUnknown) {
        const QString question = QString::fromUtf8(kHostKeyQuestion) +
                                 QStringLiteral("\n\n%1 key fingerprint:\n%2")
                                     .arg(QString::fromStdString(outcome.keyType),
                                          QString::fromStdString(outcome.fingerprint));
        const IUserDialogs::Answer answer = m_services.dialogs.Message(
            this, question, IUserDialogs::Buttons::kYesNo, IUserDialogs::Icon::kQuestion);
        if (answer != IUserDialogs::Answer::kYes) return;
        SftpSettings settings = m_runSettings;
        settings.strTrustFingerprint = outcome.fingerprint;
        StartSftpRun(settings, IsDryRun(), false);
        return;
    }
    if (outcome.message.empty()) return;
    const QString message = QString::fromStdString(outcome.message);
    if (!outcome.noStartDir || IsDryRun()) {
        m_services.dialogs.Message(this, message, IUserDialogs::Buttons::kOk,
                                   IUserDialogs::Icon::kWarning);
        return;
    }
    const IUserDialogs::Answer answer = m_services.dialogs.Message(
        this, message + QStringLiteral("\n\n") + QString::fromUtf8(kCreateStartDirQuestion),
        IUserDialogs::Buttons::kYesNo, IUserDialogs::Icon::kWarning);
    if (answer == IUserDialogs::Answer::kYes) StartSftpRun(m_runSettings, false, true);
}

void CPublishSFTPDlg::EnableButtons(bool working) {
    m_publish->setEnabled(!working);
    m_showChanges->setEnabled(!working);
    m_close->setEnabled(!working);
    m_stop->setEnabled(working);
}

}  // namespace foldcraft
