#include "ui/publish/CPublishS3Dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "document/ProjectDocument.h"
#include "publish/FtpSettings.h"
#include "publish/S3PublishRun.h"
#include "settings/PublishPasswords.h"
#include "ui/common/AppServices.h"
#include "ui/common/PublishLogView.h"
#include "ui/common/TransferLabel.h"

namespace foldcraft {
namespace {

// A caption with its mnemonic ("&Bucket:") beside control, whose accessible name is
// the caption without it.
void AddRow(QGridLayout* grid, QWidget* parent, QWidget* control, const QString& objectName,
            const QString& caption, int row) {
    auto* label = new QLabel(caption, parent);
    control->setObjectName(objectName);
    control->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    label->setBuddy(control);
    grid->addWidget(label, row, 0);
    grid->addWidget(control, row, 1);
}

QLineEdit* AddField(QGridLayout* grid, QWidget* parent, const QString& objectName,
                    const QString& caption, int row) {
    auto* edit = new QLineEdit(parent);
    AddRow(grid, parent, edit, objectName, caption, row);
    return edit;
}

std::string Text(const QLineEdit* edit) {
    return edit->text().trimmed().toStdString();
}

}  // namespace

CPublishS3Dlg::CPublishS3Dlg(ProjectDocument& document, AppServices& services, QWidget* parent)
    : CServerRunWindow(document, services, parent), m_failure(std::make_shared<std::string>()) {
    setWindowTitle(QStringLiteral("Publish to object storage"));
    auto* left = new QVBoxLayout;
    left->addWidget(MakeStorageBox());
    left->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(MakeStatusColumn(), 1);
    // CRunWindow made the Status pane before the fields: it follows them when tabbing.
    setTabOrder(m_changedOnly, m_log);
    resize(820, 400);
    ShowStoredSettings();

    connect(m_publish, &QPushButton::clicked, this, [this] { OnPublish(false); });
    connect(m_showChanges, &QPushButton::clicked, this, [this] { OnPublish(true); });
    connect(m_stop, &QPushButton::clicked, this, &CPublishS3Dlg::OnStop);
    connect(m_close, &QPushButton::clicked, this, &CPublishS3Dlg::close);
}

CPublishS3Dlg::~CPublishS3Dlg() = default;

QGroupBox* CPublishS3Dlg::MakeStorageBox() {
    auto* box = new QGroupBox(QStringLiteral("Object Storage (S3)"), this);
    auto* grid = new QGridLayout(box);
    m_endpoint = AddField(grid, box, QStringLiteral("endpoint"), QStringLiteral("&Endpoint:"), 0);
    m_endpoint->setPlaceholderText(QStringLiteral("Amazon S3"));
    m_endpoint->setToolTip(QStringLiteral(
        "The storage's address, such as http://127.0.0.1:9000; empty for Amazon S3"));
    m_region = AddField(grid, box, QStringLiteral("region"), QStringLiteral("&Region:"), 1);
    m_bucket = AddField(grid, box, QStringLiteral("bucket"), QStringLiteral("&Bucket:"), 2);
    m_prefix = AddField(grid, box, QStringLiteral("prefix"), QStringLiteral("Pre&fix:"), 3);
    m_prefix->setToolTip(QStringLiteral("The site's folder in the bucket, such as site/"));
    m_addressing = new QComboBox(box);
    m_addressing->addItem(QStringLiteral("Automatic"), -1);
    m_addressing->addItem(QStringLiteral("Path"), 1);
    m_addressing->addItem(QStringLiteral("Host name"), 0);
    AddRow(grid, box, m_addressing, QStringLiteral("addressing"), QStringLiteral("A&ddressing:"),
           4);
    m_accessKey =
        AddField(grid, box, QStringLiteral("accessKey"), QStringLiteral("Access &key:"), 5);
    m_secretKey =
        AddField(grid, box, QStringLiteral("secretKey"), QStringLiteral("Secret ke&y:"), 6);
    m_secretKey->setEchoMode(QLineEdit::Password);
    m_rememberSecret = new QCheckBox(QString::fromUtf8(kRememberCaption), box);
    m_rememberSecret->setObjectName(QStringLiteral("rememberSecret"));
    m_rememberSecret->setToolTip(QStringLiteral("Keep the secret key in the keyring"));
    grid->addWidget(m_rememberSecret, 7, 0, 1, 2);
    m_connections = new QSpinBox(box);
    m_connections->setRange(1, S3Settings::kMaxConnections);
    m_connections->setToolTip(QStringLiteral("How many files are sent at once"));
    AddRow(grid, box, m_connections, QStringLiteral("connections"),
           QLatin1Char('&') + QString::fromUtf8(FtpSettings::kConnectionsCaption), 8);
    m_changedOnly =
        new QCheckBox(QLatin1Char('&') + QString::fromUtf8(FtpSettings::kChangedOnlyCaption), box);
    m_changedOnly->setObjectName(QStringLiteral("changedOnly"));
    grid->addWidget(m_changedOnly, 9, 0, 1, 2);
    return box;
}

QVBoxLayout* CPublishS3Dlg::MakeStatusColumn() {
    auto* statusLabel = new QLabel(QStringLiteral("Status:"), this);
    m_log->setObjectName(QStringLiteral("status"));
    m_log->setAccessibleName(QStringLiteral("Status:"));
    statusLabel->setBuddy(m_log);
    auto* transferLabel = new QLabel(QStringLiteral("Sent:"), this);
    m_transferBar = new QProgressBar(this);
    m_transferBar->setObjectName(QStringLiteral("transferBar"));
    m_transferBar->setAccessibleName(QStringLiteral("Sent:"));
    m_transferBar->setRange(0, 100);
    m_transferBar->setValue(0);
    m_transferBar->setFormat(QStringLiteral("%p%"));
    m_transferLine->setObjectName(QStringLiteral("transferLine"));
    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("result"));
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_publish = new QPushButton(QStringLiteral("&Publish"), this);
    m_publish->setObjectName(QStringLiteral("publish"));
    m_showChanges = new QPushButton(QStringLiteral("Show &what would change"), this);
    m_showChanges->setObjectName(QStringLiteral("showChanges"));
    m_stop = new QPushButton(QStringLiteral("&Stop"), this);
    m_stop->setObjectName(QStringLiteral("stop"));
    m_stop->setEnabled(false);
    m_close = new QPushButton(QStringLiteral("C&lose"), this);
    m_close->setObjectName(QStringLiteral("close"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* button : {m_showChanges, m_publish, m_stop, m_close}) {
        button->setAutoDefault(false);
        button->setAccessibleName(button->text().remove(QLatin1Char('&')));
        buttons->addWidget(button);
    }
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

void CPublishS3Dlg::ShowStoredSettings() {
    // All defaults when a stored value does not read (a Publish press then says which).
    const S3Settings stored = S3Settings::Read(m_services.settings).value;
    m_endpoint->setText(QString::fromStdString(stored.strEndpoint));
    m_region->setText(QString::fromStdString(stored.strRegion));
    m_bucket->setText(QString::fromStdString(stored.strBucket));
    m_prefix->setText(QString::fromStdString(stored.strPrefix));
    m_addressing->setCurrentIndex(m_addressing->findData(stored.nPathStyle));
    m_connections->setValue(stored.nConnections);
    m_changedOnly->setChecked(stored.bChangedOnly != 0);
    m_accessKey->setText(QString::fromStdString(stored.strAccessKey));
    ShowStoredSecret(stored);
}

void CPublishS3Dlg::ShowStoredSecret(const S3Settings& stored) {
    m_rememberSecret->setVisible(m_services.passwords != nullptr);
    if (!m_services.passwords) return;
    PublishPasswords passwords(m_services.settings, *m_services.passwords);
    // With no access key remembered there is nothing to look up, but the keyring is
    // still asked whether it answers (any key will do).
    const std::string key = PublishPasswords::S3Key(stored);
    const PublishPasswords::Found secret = passwords.Secret(key.empty() ? "s3://" : key);
    if (secret.found && !key.empty()) m_secretKey->setText(QString::fromStdString(secret.secret));
    m_rememberSecret->setEnabled(secret.keyringAnswered);
    m_rememberSecret->setChecked(secret.keyringAnswered);
    if (secret.keyringAnswered || m_services.noKeyringSaid) return;
    m_services.noKeyringSaid = true;
    m_services.dialogs.Inform(this, QString::fromUtf8(kNoKeyringMessage) + QStringLiteral("\n\n") +
                                        QString::fromStdString(secret.error));
}

void CPublishS3Dlg::KeepSecret(const S3Settings& settings) {
    if (!m_services.passwords || !m_rememberSecret->isEnabled()) return;
    PublishPasswords passwords(m_services.settings, *m_services.passwords);
    const PublishPasswords::KeepResult kept = passwords.Keep(
        PublishPasswords::S3Key(settings), settings.strSecretKey, m_rememberSecret->isChecked());
    if (!kept.error.empty()) m_services.dialogs.Error(this, QString::fromStdString(kept.error));
}

S3Settings CPublishS3Dlg::FieldSettings() const {
    // The values the dialog does not show (the timeout) keep their stored ones.
    S3Settings settings = S3Settings::Read(m_services.settings).value;
    settings.strEndpoint = Text(m_endpoint);
    settings.strRegion = Text(m_region);
    if (settings.strRegion.empty()) settings.strRegion = S3Settings::kDefaultRegion;
    settings.strBucket = Text(m_bucket);
    settings.strPrefix = Text(m_prefix);
    settings.nPathStyle = m_addressing->currentData().toInt();
    settings.strAccessKey = m_accessKey->text().toStdString();
    settings.strSecretKey = m_secretKey->text().toStdString();
    settings.nConnections = m_connections->value();
    settings.bChangedOnly = m_changedOnly->isChecked() ? 1 : 0;
    return settings;
}

void CPublishS3Dlg::OnPublish(bool dryRun) {
    if (IsWorking()) return;
    const auto stored = S3Settings::Read(m_services.settings);
    if (!stored.Ok()) {
        m_services.dialogs.Error(this, QString::fromStdString(stored.error));
        return;
    }
    const S3Settings settings = FieldSettings();
    const std::string message = settings.Check();
    if (!message.empty()) {
        // The command line's words name its environment variables; here the fields.
        m_services.dialogs.Error(
            this, QString::fromUtf8(message == S3Settings::kNoKeys ? kNoKeys : message.c_str()));
        return;
    }
    if (!dryRun && !settings.Write(m_services.settings)) {
        m_services.dialogs.Error(this,
                                 QStringLiteral("Warning: the S3 settings could not be saved."));
    }
    if (!dryRun) KeepSecret(settings);
    const std::string programFolder = m_services.programFolder;
    SyncOptions options;
    options.dryRun = dryRun;
    auto stopFlag = std::make_shared<std::atomic<bool>>(false);
    auto failure = std::make_shared<std::string>();
    PublishRunThread::Job job = [programFolder, settings, options, stopFlag, failure](
                                    CFoldcraftDoc& copy, ILogSink& sink,
                                    const PublishPauseHook& pause,
                                    const std::function<bool()>& stop) {
        S3PublishRun run(copy, sink, programFolder, settings, pause);
        run.SetSyncOptions(options);
        run.SetStopHook([stopFlag, stop] { return stopFlag->load() || stop(); });
        const PublishResult result = run.RunS3Publish();
        *failure = run.FailureMessage();  // read on the window's thread once this one ended
        return result;
    };
    if (!Launch(std::move(job), std::move(stopFlag), dryRun)) return;
    m_failure = std::move(failure);
}

void CPublishS3Dlg::AfterRunFinished(PublishResult result) {
    if (result != PublishResult::kFailed || m_stopAsked || m_failure->empty()) return;
    m_services.dialogs.Message(this, QString::fromStdString(*m_failure), IUserDialogs::Buttons::kOk,
                               IUserDialogs::Icon::kWarning);
}

void CPublishS3Dlg::EnableButtons(bool working) {
    m_publish->setEnabled(!working);
    m_showChanges->setEnabled(!working);
    m_close->setEnabled(!working);
    m_stop->setEnabled(working);
}

}  // namespace foldcraft
