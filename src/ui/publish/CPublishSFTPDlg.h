#pragma once

#include <atomic>
#include <memory>

#include "publish/SftpSettings.h"
#include "ui/publish/CServerRunWindow.h"

class QCheckBox;
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

// The "Publish to SFTP server" dialog, the FTP dialog's twin (CPublishFTPDlg): the
// server, user, key file, starting directory and connections, read from the
// settings store when it opens and written only by a Publish press whose checks pass
// (SftpSettings: never the password or the passphrase). "Remember password" (on by
// default where a keyring answers) keeps the password and the key passphrase in the
// keyring at a Publish press, and both fields are filled from it when the window
// opens (PublishPasswords); where no keyring answers, the program says so once a run
// and they live in the fields for this window only. The run (SftpPublishRun) works on a worker thread and a copy of
// the project, with its log in the Status pane; Stop ends it after the file under
// way on each connection.
//
// A host key not known yet stops the run before anything is sent; the dialog then
// shows the key's type and fingerprint and asks whether to trust it. Yes runs the
// publish again with that fingerprint trusted (kept in the program folder's
// known_hosts by the run); No leaves it there. A changed key is a warning and is
// never offered for trust. Other failures (unreachable, login refused, key file)
// are a warning box; a missing starting directory asks whether to create it.
class CPublishSFTPDlg : public CServerRunWindow {
    Q_OBJECT
public:
    CPublishSFTPDlg(ProjectDocument& document, AppServices& services, QWidget* parent = nullptr);
    ~CPublishSFTPDlg() override;

    // The settings as the fields show them, with the password and the passphrase.
    // An empty port is nullopt (the checks refuse it).
    SftpSettings FieldSettings() const;

    static constexpr const char* kHostKeyQuestion =
        "The server's host key is not known yet. Trust it and publish?";
    static constexpr const char* kCreateStartDirQuestion = "Create it and publish?";
    static constexpr const char* kTransferCaption = "Sent:";
    static constexpr const char* kRememberCaption = "Remember password";
    static constexpr const char* kNoKeyringMessage =
        "No keyring service answered, so the SFTP password and key passphrase are not "
        "remembered: they are asked for at each publish.";

private:
    // What the run's thread tells about a failure, read once the thread has ended.
    struct Outcome;

    QGroupBox* MakeServerBox();
    QVBoxLayout* MakeStatusColumn();
    void ShowStoredSettings();
    // The remembered password and passphrase into their fields.
    void ShowStoredSecrets(const SftpSettings& stored);
    // After a Publish press: both kept as "Remember password" says.
    void KeepSecrets(const SftpSettings& settings);

    void OnPublish(bool dryRun);
    void OnBrowseKeyFile();
    // Starts a run with settings (checked).
    void StartSftpRun(const SftpSettings& settings, bool dryRun, bool createStartDir);
    void AfterRunFinished(PublishResult result) override;
    void ReportFailure();
    void EnableButtons(bool working) override;

    QLineEdit* m_host;
    QLineEdit* m_port;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QLineEdit* m_keyFile;
    QPushButton* m_browseKey;
    QLineEdit* m_passphrase;
    QLineEdit* m_startDir;
    QSpinBox* m_connections;
    QCheckBox* m_changedOnly;
    QCheckBox* m_rememberPassword;
    QPushButton* m_publish;
    QPushButton* m_showChanges;
    QPushButton* m_close;
    std::shared_ptr<Outcome> m_outcome;
    SftpSettings m_runSettings;  // those of the run under way, or the last one
};

}  // namespace foldcraft
