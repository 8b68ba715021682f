#pragma once

#include <atomic>
#include <memory>

#include "publish/FtpSettings.h"
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

// The "Publish to FTP server" dialog: the server and firewall settings (read from
// the settings store when it opens, written only by a Publish press whose checks
// pass) and the FTP publish run, on a worker thread and a copy of the project, with
// its log in the Status pane. "Show what would change" makes the same checks on the
// fields, saves nothing, and runs a dry run the same way: it logs on, reads the
// manifest, logs the plan and logs off, and the project gets nothing back from it.
// While a run works, Publish, "Show what would change" and Close are disabled,
// Escape and the window's close are ignored, and Stop ends the run after the file
// under way on each connection. The bar and the line under the Status pane show how
// far the upload has come, in bytes and files, and the file under way.
//
// The password: "Remember password" (on by default) keeps it in the keyring at a
// Publish press, and the field is filled from the keyring when the window opens; a
// password an older version left in the settings file moves into the keyring then,
// with a line in the Status pane (PublishPasswords). Where no keyring service
// answers, the program says so once a run, and the password is kept only when the
// user ticks "Remember password in the settings file (not encrypted)"; otherwise
// the field starts empty and asks for it at each publish.
//
// A run that could not publish at all (server unreachable, login refused, starting
// directory missing, TLS refused, certificate not trusted) says so in a warning
// message box as well, and the Status pane ends with the server's last words
// ("Server: ..."). For a missing starting directory the box asks whether to create it
// and publish; Yes runs the publish again, making the directory first (runFinished
// then comes once for each run).
class CPublishFTPDlg : public CServerRunWindow {
    Q_OBJECT
public:
    CPublishFTPDlg(ProjectDocument& document, AppServices& services, QWidget* parent = nullptr);
    ~CPublishFTPDlg() override;

    // The settings as the fields show them. An empty server port is nullopt (the
    // checks refuse it); an empty firewall port is the default port.
    FtpSettings FieldSettings() const;

    static constexpr const char* kCreateStartDirQuestion = "Create it and publish?";
    static constexpr const char* kTransferCaption = "Sent:";
    static constexpr const char* kRememberCaption = "Remember password";
    static constexpr const char* kRememberInFileCaption =
        "Remember password in the settings file (not encrypted)";
    // Said once a run where no keyring service answers (with the reason after it).
    static constexpr const char* kNoKeyringMessage =
        "No keyring service answered, so passwords cannot be kept in the keyring. "
        "Tick \"Remember password in the settings file (not encrypted)\" to keep one in "
        "the settings file; otherwise it is asked for at each publish.";

private:
    // What the run's thread tells about a failure, read once the thread has ended.
    struct Outcome;

    // The parts of the window, made by the constructor.
    QGroupBox* MakeServerBox();
    QGroupBox* MakeFirewallBox();
    QVBoxLayout* MakeStatusColumn();
    // The stored settings, defaults where none are stored.
    void ShowStoredSettings();
    // The stored password (keyring, or settings file) into the field, and the
    // remember boxes as the keyring allows.
    void ShowStoredPassword(const FtpSettings& stored);
    // After a Publish press: the password kept as the boxes say.
    void KeepPassword(const FtpSettings& settings);

    void OnPublish(bool dryRun);
    // Starts a run with settings (checked): a dry run, or a publish that may make a
    // missing starting directory.
    void StartFtpRun(const FtpSettings& settings, bool dryRun, bool createStartDir);
    void AfterRunFinished(PublishResult result) override;
    void ReportFailure();
    void OnSelchangeFirewallType();
    // Publish, "Show what would change" and Close while no run works; Stop while one does.
    void EnableButtons(bool working) override;

    QLineEdit* m_host;
    QLineEdit* m_port;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QLineEdit* m_startDir;
    QCheckBox* m_passive;
    QSpinBox* m_connections;
    QCheckBox* m_changedOnly;
    QCheckBox* m_tls;
    QLineEdit* m_trustFingerprint;
    QCheckBox* m_rememberPassword;
    QCheckBox* m_rememberInFile;
    QComboBox* m_firewallType;
    QLineEdit* m_firewallHost;
    QLineEdit* m_firewallPort;
    QLineEdit* m_firewallUser;
    QLineEdit* m_firewallPassword;
    QPushButton* m_publish;
    QPushButton* m_showChanges;
    QPushButton* m_close;
    // Stop's answer to the run's connections, which may ask at once.
    std::shared_ptr<Outcome> m_outcome;
    FtpSettings m_runSettings;  // those of the run under way, or the last one
};

}  // namespace foldcraft
