#pragma once

#include <atomic>
#include <memory>

#include "publish/S3Settings.h"
#include "ui/common/CRunWindow.h"

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
// Publish press whose checks pass (S3Settings::Write: never the keys, which live in
// the fields for this window only). The run (S3PublishRun) works on a worker thread
// and a copy of the project, with its log in the Status pane; Stop ends it after the
// files under way. A run that fails before anything was sent (the storage cannot be
// reached, the keys or the bucket are refused) is a warning box with its reason.
class CPublishS3Dlg : public CRunWindow {
    Q_OBJECT
public:
    CPublishS3Dlg(ProjectDocument& document, AppServices& services, QWidget* parent = nullptr);
    ~CPublishS3Dlg() override;

    // The settings as the fields show them, with the keys.
    S3Settings FieldSettings() const;

    static constexpr const char* kNoKeys = "You must enter an access key and a secret key.";

private:
    QGroupBox* MakeStorageBox();
    QVBoxLayout* MakeStatusColumn();
    void ShowStoredSettings();

    void OnPublish(bool dryRun);
    void OnTransfer(const TransferProgress& progress) override;
    void RunEnded(PublishResult result) override;
    void AfterRunFinished(PublishResult result) override;
    void OnStop();
    void EnableButtons(bool working);

    QLineEdit* m_endpoint;
    QLineEdit* m_region;
    QLineEdit* m_bucket;
    QLineEdit* m_prefix;
    QComboBox* m_addressing;
    QLineEdit* m_accessKey;
    QLineEdit* m_secretKey;
    QSpinBox* m_connections;
    QCheckBox* m_changedOnly;
    QProgressBar* m_transferBar;
    QLabel* m_result;
    QPushButton* m_publish;
    QPushButton* m_showChanges;
    QPushButton* m_stop;
    QPushButton* m_close;
    std::shared_ptr<std::atomic<bool>> m_stopFlag;
    std::shared_ptr<std::string> m_failure;  // the run's FailureMessage, once it has ended
    bool m_stopAsked = false;
};

}  // namespace foldcraft
