#include "ui/publish/CPublishFTPDlg.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
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
#include "publish/FtpPublishRun.h"
#include "settings/PublishPasswords.h"
#include "ui/common/AppServices.h"
#include "ui/common/PlainCaption.h"
#include "ui/common/PublishLogView.h"
#include "ui/common/TransferLabel.h"

namespace foldcraft {
namespace {

constexpr int kFirewallTypes = 9;

QLineEdit* AddField(QGridLayout* grid, QWidget* parent, const QString& objectName,
                    const QString& caption, int row, int column, int columnSpan = 1) {
    auto* label = new QLabel(caption, parent);
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    edit->setAccessibleName(caption);
    label->setBuddy(edit);
    grid->addWidget(label, row, column);
    grid->addWidget(edit, row, column + 1, 1, columnSpan);
    return edit;
}

void MakePortField(QLineEdit* edit) {
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), edit));
}

std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

}  // namespace

struct CPublishFTPDlg::Outcome {
    FtpConnector::Failure kind = FtpConnector::Failure::kNone;
    std::string message;  // FtpPublishRun::FailureMessage
    std::string detail;   // FtpPublishRun::FailureDetail
};

CPublishFTPDlg::CPublishFTPDlg(ProjectDocument& document, AppServices& services, QWidget* parent)
    : CServerRunWindow(document, services, parent) {
    setWindowTitle(QStringLiteral("Publish to FTP server"));
    auto* left = new QVBoxLayout;
    left->addWidget(MakeServerBox());
    left->addWidget(MakeFirewallBox());
    left->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(MakeStatusColumn(), 1);
    // CRunWindow made the Status pane before the fields: it follows them when tabbing.
    setTabOrder(m_firewallPassword, m_log);
    resize(820, 420);
    ShowStoredSettings();

    // The fingerprint matters only with TLS.
    m_trustFingerprint->setEnabled(m_tls->isChecked());
    connect(m_tls, &QCheckBox::toggled, m_trustFingerprint, &QLineEdit::setEnabled);
    OnSelchangeFirewallType();
    connect(m_firewallType, &QComboBox::currentIndexChanged, this,
            &CPublishFTPDlg::OnSelchangeFirewallType);
    connect(m_publish, &QPushButton::clicked, this, [this] { OnPublish(false); });
    connect(m_showChanges, &QPushButton::clicked, this, [this] { OnPublish(true); });
    connect(m_stop, &QPushButton::clicked, this, &CPublishFTPDlg::OnStop);
    connect(m_close, &QPushButton::clicked, this, &CPublishFTPDlg::close);
}

CPublishFTPDlg::~CPublishFTPDlg() = default;

QGroupBox* CPublishFTPDlg::MakeServerBox() {
    auto* server = new QGroupBox(QStringLiteral("FTP Server"), this);
    auto* grid = new QGridLayout(server);
    m_host =
        AddField(grid, server, QStringLiteral("serverHost"), QStringLiteral("Hostname:"), 0, 0);
    m_port = AddField(grid, server, QStringLiteral("serverPort"), QStringLiteral("Port:"), 0, 2);
    m_user =
        AddField(grid, server, QStringLiteral("serverUser"), QStringLiteral("Username:"), 1, 0);
    m_password =
        AddField(grid, server, QStringLiteral("serverPassword"), QStringLiteral("Password:"), 1, 2);
    m_startDir = AddField(grid, server, QStringLiteral("startDir"),
                          QStringLiteral("Starting directory:"), 2, 0, 3);
    m_password->setEchoMode(QLineEdit::Password);
    MakePortField(m_port);
    m_passive = new QCheckBox(QStringLiteral("Passive mode"), server);
    m_passive->setObjectName(QStringLiteral("passive"));
    grid->addWidget(m_passive, 3, 0, 1, 2);
    m_changedOnly = new QCheckBox(QString::fromUtf8(FtpSettings::kChangedOnlyCaption), server);
    m_changedOnly->setObjectName(QStringLiteral("changedOnly"));
    grid->addWidget(m_changedOnly, 3, 2, 1, 2);
    const QString connectionsCaption = QString::fromUtf8(FtpSettings::kConnectionsCaption);
    auto* connectionsLabel = new QLabel(QLatin1Char('&') + connectionsCaption, server);
    m_connections = new QSpinBox(server);
    m_connections->setObjectName(QStringLiteral("connections"));
    m_connections->setAccessibleName(connectionsCaption);
    m_connections->setRange(1, FtpSettings::kMaxConnections);
    m_connections->setToolTip(QStringLiteral("How many files are sent at once"));
    connectionsLabel->setBuddy(m_connections);
    grid->addWidget(connectionsLabel, 4, 0);
    grid->addWidget(m_connections, 4, 1);
    m_tls = new QCheckBox(QString::fromUtf8(FtpSettings::kSecurityCaption), server);
    m_tls->setObjectName(QStringLiteral("tls"));
    grid->addWidget(m_tls, 5, 0, 1, 4);
    m_trustFingerprint =
        AddField(grid, server, QStringLiteral("trustFingerprint"),
                 QString::fromUtf8(FtpSettings::kTrustFingerprintCaption), 6, 0, 3);
    m_rememberPassword = new QCheckBox(QString::fromUtf8(kRememberCaption), server);
    m_rememberPassword->setObjectName(QStringLiteral("rememberPassword"));
    grid->addWidget(m_rememberPassword, 7, 0, 1, 4);
    m_rememberInFile = new QCheckBox(QString::fromUtf8(kRememberInFileCaption), server);
    m_rememberInFile->setObjectName(QStringLiteral("rememberInSettingsFile"));
    grid->addWidget(m_rememberInFile, 8, 0, 1, 4);
    return server;
}

QGroupBox* CPublishFTPDlg::MakeFirewallBox() {
    auto* firewall = new QGroupBox(QStringLiteral("Firewall"), this);
    auto* grid = new QGridLayout(firewall);
    auto* typeLabel = new QLabel(QStringLiteral("Type:"), firewall);
    m_firewallType = new QComboBox(firewall);
    m_firewallType->setObjectName(QStringLiteral("firewallType"));
    m_firewallType->setAccessibleName(QStringLiteral("Type:"));
    typeLabel->setBuddy(m_firewallType);
    for (int type = 0; type < kFirewallTypes; ++type) {
        m_firewallType->addItem(QString::fromUtf8(FtpSettings::FirewallTypeName(type)));
    }
    grid->addWidget(typeLabel, 0, 0);
    grid->addWidget(m_firewallType, 0, 1, 1, 3);
    m_firewallHost =
        AddField(grid, firewall, QStringLiteral("firewallHost"), QStringLiteral("Hostname:"), 1, 0);
    m_firewallPort =
        AddField(grid, firewall, QStringLiteral("firewallPort"), QStringLiteral("Port:"), 1, 2);
    m_firewallUser =
        AddField(grid, firewall, QStringLiteral("firewallUser"), QStringLiteral("Username:"), 2, 0);
    m_firewallPassword = AddField(grid, firewall, QStringLiteral("firewallPassword"),
                                  QStringLiteral("Password:"), 2, 2);
    m_firewallPassword->setEchoMode(QLineEdit::Password);
    MakePortField(m_firewallPort);
    return firewall;
}

QVBoxLayout* CPublishFTPDlg::MakeStatusColumn() {
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

void CPublishFTPDlg::ShowStoredSettings() {
    // All defaults when a stored value does not read (a Publish press then says which).
    const FtpSettings stored = FtpSettings::Read(m_services.settings).value;
    m_host->setText(QString::fromStdString(stored.strHostName));
    m_port->setText(QString::number(stored.nPort.value_or(FtpSettings::kDefaultPort)));
    m_user->setText(QString::fromStdString(stored.strUser));
    m_startDir->setText(QString::fromStdString(stored.strStartDir));
    m_passive->setChecked(stored.bPassive != 0);
    m_connections->setValue(stored.nConnections);
    m_changedOnly->setChecked(stored.bChangedOnly != 0);
    m_tls->setChecked(stored.nSecurity != FtpSettings::kSecurityPlain);
    m_trustFingerprint->setText(QString::fromStdString(stored.strTrustFingerprint));
    m_firewallHost->setText(QString::fromStdString(stored.strFirewallHost));
    m_firewallPort->setText(QString::number(stored.nFirewallPort));
    m_firewallUser->setText(QString::fromStdString(stored.strFirewallUser));
    m_firewallPassword->setText(QString::fromStdString(stored.strFirewallPassword));
    // A stored type outside the list does not read: stored.nFirewallType is 0 to 8.
    m_firewallType->setCurrentIndex(
        stored.nFirewallType >= 0 && stored.nFirewallType < kFirewallTypes ? stored.nFirewallType
                                                                           : 0);
    ShowStoredPassword(stored);
}

void CPublishFTPDlg::ShowStoredPassword(const FtpSettings& stored) {
    m_rememberPassword->setVisible(m_services.passwords != nullptr);
    m_rememberInFile->setVisible(false);
    if (!m_services.passwords) return;
    PublishPasswords passwords(m_services.settings, *m_services.passwords);
    const PublishPasswords::Found found = passwords.FtpPassword(stored);
    if (found.found) m_password->setText(QString::fromStdString(found.secret));
    if (!found.logLine.empty()) m_log->Append(QByteArray::fromStdString(found.logLine + "\n"));
    m_rememberPassword->setEnabled(found.keyringAnswered);
    m_rememberPassword->setChecked(found.keyringAnswered);
    m_rememberInFile->setVisible(!found.keyringAnswered);
    m_rememberInFile->setChecked(found.inSettingsFile);
    if (found.keyringAnswered || m_services.noKeyringSaid) return;
    m_services.noKeyringSaid = true;
    m_services.dialogs.Inform(this, QString::fromUtf8(kNoKeyringMessage) + QStringLiteral("\n\n") +
                                        QString::fromStdString(found.error));
}

void CPublishFTPDlg::KeepPassword(const FtpSettings& settings) {
    if (!m_services.passwords) return;
    PublishPasswords passwords(m_services.settings, *m_services.passwords);
    const bool inFile = !m_rememberInFile->isHidden() && m_rememberInFile->isChecked();
    const PublishPasswords::KeepResult kept = passwords.KeepFtpPassword(
        settings, (m_rememberPassword->isEnabled() && m_rememberPassword->isChecked()) || inFile,
        inFile);
    // A keyring that has stopped answering since the window opened is worth a word;
    // one that never answered has been spoken of.
    if (!kept.error.empty() && (m_rememberPassword->isEnabled() || inFile))
        m_services.dialogs.Error(this, QString::fromStdString(kept.error));
}

void CPublishFTPDlg::OnSelchangeFirewallType() {
    const bool enabled = m_firewallType->currentIndex() > 0;
    for (QLineEdit* field : {m_firewallHost, m_firewallPort, m_firewallUser, m_firewallPassword}) {
        field->setEnabled(enabled);
    }
}

FtpSettings CPublishFTPDlg::FieldSettings() const {
    // The values the dialog does not show (the timeout) keep their stored ones.
    FtpSettings settings = FtpSettings::Read(m_services.settings).value;
    settings.strHostName = Text(m_host);
    settings.nPort =
        m_port->text().isEmpty() ? std::nullopt : std::optional<int>(m_port->text().toInt());
    settings.strUser = Text(m_user);
    settings.strPassword = Text(m_password);
    settings.strStartDir = Text(m_startDir);
    settings.bPassive = m_passive->isChecked() ? 1 : 0;
    settings.nConnections = m_connections->value();
    settings.bChangedOnly = m_changedOnly->isChecked() ? 1 : 0;
    settings.nSecurity =
        m_tls->isChecked() ? FtpSettings::kSecurityTls : FtpSettings::kSecurityPlain;
    settings.strTrustFingerprint = m_trustFingerprint->text().trimmed().toStdString();
    settings.nFirewallType = m_firewallType->currentIndex();
    settings.strFirewallHost = Text(m_firewallHost);
    settings.nFirewallPort = m_firewallPort->text().isEmpty() ? FtpSettings::kDefaultPort
                                                              : m_firewallPort->text().toInt();
    settings.strFirewallUser = Text(m_firewallUser);
    settings.strFirewallPassword = Text(m_firewallPassword);
    return settings;
}

void CPublishFTPDlg::OnPublish(bool dryRun) {
    if (IsWorking()) return;
    // A stored value that does not read stops the publish: it may be the one that
    // asks for TLS. The fields cannot mend it (the timeout has none), so the message
    // names the key and the value to correct in the settings file.
    const auto stored = FtpSettings::Read(m_services.settings);
    if (!stored.Ok()) {
        m_services.dialogs.Error(this, QString::fromStdString(stored.error));
        return;
    }
    const FtpSettings settings = FieldSettings();
    const std::string message = settings.Check();
    if (!message.empty()) {
        m_services.dialogs.Error(this, QString::fromStdString(message));
        return;
    }
    if (!dryRun && !settings.Write(m_services.settings)) {
        m_services.dialogs.Error(this,
                                 QStringLiteral("Warning: the FTP settings could not be saved."));
    }
    if (!dryRun) KeepPassword(settings);

    StartFtpRun(settings, dryRun, false);
}

void CPublishFTPDlg::StartFtpRun(const FtpSettings& settings, bool dryRun, bool createStartDir) {
    const std::string programFolder = m_services.programFolder;
    SyncOptions options;
    options.dryRun = dryRun;
    auto stopFlag = std::make_shared<std::atomic<bool>>(false);
    auto outcome = std::make_shared<Outcome>();
    PublishRunThread::Job job = [programFolder, settings, options, createStartDir, stopFlag,
                                 outcome](CFoldcraftDoc& copy, ILogSink& sink,
                                          const PublishPauseHook& pause,
                                          const std::function<bool()>& stop) {
        FtpPublishRun run(copy, sink, programFolder, settings, pause);
        run.SetSyncOptions(options);
        run.SetCreateStartDirectory(createStartDir);
        // Asked by every connection, perhaps at once: an atomic, and the thread's
        // interruption flag (also thread-safe) for a window closed under way.
        run.SetStopHook([stopFlag, stop] { return stopFlag->load() || stop(); });
        const PublishResult result = run.RunFtpPublish();
        // Read on the window's thread once this thread has ended.
        outcome->kind = run.FailureKind();
        outcome->message = run.FailureMessage();
        outcome->detail = run.FailureDetail();
        return result;
    };
    if (!Launch(std::move(job), std::move(stopFlag), dryRun)) return;
    m_outcome = std::move(outcome);
    m_runSettings = settings;
}

void CPublishFTPDlg::AfterRunFinished(PublishResult result) {
    if (result == PublishResult::kFailed && !m_stopAsked) ReportFailure();
}

void CPublishFTPDlg::ReportFailure() {
    const Outcome outcome = *m_outcome;
    // The line the command-line tool prints after a failure.
    if (!outcome.detail.empty()) {
        m_log->Append(QByteArray("Server: ") + QByteArray::fromStdString(outcome.detail) + '\n');
    }
    if (outcome.kind == FtpConnector::Failure::kNone || outcome.message.empty()) return;
    const QString message = QString::fromStdString(outcome.message);
    if (outcome.kind != FtpConnector::Failure::kNoStartDirectory || IsDryRun()) {
        m_services.dialogs.Message(this, message, IUserDialogs::Buttons::kOk,
                                   IUserDialogs::Icon::kWarning);
        return;
    }
    const IUserDialogs::Answer answer = m_services.dialogs.Message(
        this, message + QStringLiteral("\n\n") + QString::fromUtf8(kCreateStartDirQuestion),
        IUserDialogs::Buttons::kYesNo, IUserDialogs::Icon::kWarning);
    if (answer == IUserDialogs::Answer::kYes) StartFtpRun(m_runSettings, false, true);
}

void CPublishFTPDlg::EnableButtons(bool working) {
    m_publish->setEnabled(!working);
    m_showChanges->setEnabled(!working);
    m_close->setEnabled(!working);
    m_stop->setEnabled(working);
}

}  // namespace foldcraft
