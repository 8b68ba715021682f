#pragma once

#include <atomic>
#include <memory>

#include "publish/S3Settings.h"
#include "ui/publish/CServerRunWindow.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QVBoxLayout;

namespace foldcraft {
class ProjectDocument;
struct AppServices;

// The "Publish to object storage" dialog, the SFTP dialog's twin (CPublishSFTPDlg):
// endpoint (empty: AWS), region, bucket, prefix, addressing, the two keys and the
// connections, read from the settings store when it opens and written only by a
// Publish press whose checks pass (S3Settings::Write: the access key id, never the
// secret key). "Remember secret key" (on by default where a keyring answers) keeps the
// secret in the keyring under "s3://ACCESSKEY@ENDPOINT" at a Publish press, and the
// field is filled from there when the window opens with a remembered access key
// (PublishPasswords); where no keyring answers, the program says so once a run and
// the secret lives in the field for this window only. The run (S3PublishRun) works on
// a worker thread and a copy of the project, with its log in the Status pane; Stop
// ends it after the files under way. A run that fails before anything was sent (the
// storage cannot be reached, the keys or the bucket are refused) is a warning box with
// its reason.
class CPublishS3Dlg : public CServerRunWindow {
    Q_OBJECT
public:
    CPublishS3Dlg(ProjectDocument& document, AppServices& services, QWidget* parent = nullptr);
    ~CPublishS3Dlg() override;

    // The settings as the fields show them, with the keys.
    S3Settings FieldSettings() const;

    static constexpr const char* kNoKeys = "You must enter an access key and a secret key.";
    static constexpr const char* kRememberCaption = "Re&member secret key";
    static constexpr const char* kNoKeyringMessage =
        "No keyring service answered, so the S3 secret key is not remembered: it is asked "
        "for at each publish.";

private:
    QGroupBox* MakeStorageBox();
    QVBoxLayout* MakeStatusColumn();
    void ShowStoredSettings();
    // The remembered secret key into its field.
    void ShowStoredSecret(const S3Settings& stored);
    // After a Publish press: kept as "Remember secret key" says.
    void KeepSecret(const S3Settings& settings);

    void OnPublish(bool dryRun);
    void AfterRunFinished(PublishResult result) override;
    void EnableButtons(bool working) override;

    QLineEdit* m_endpoint;
    QLineEdit* m_region;
    QLineEdit* m_bucket;
    QLineEdit* m_prefix;
    QComboBox* m_addressing;
    QLineEdit* m_accessKey;
    QLineEdit* m_secretKey;
    QSpinBox* m_connections;
    QCheckBox* m_changedOnly;
    QCheckBox* m_rememberSecret;
    QPushButton* m_publish;
    QPushButton* m_showChanges;
    QPushButton* m_close;
    std::shared_ptr<std::string> m_failure;  // the run's FailureMessage, once it has ended
};

}  // namespace foldcraft
