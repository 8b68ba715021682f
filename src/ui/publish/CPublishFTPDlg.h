#pragma once

#include <memory>

#include "publish/FtpSettings.h"
#include "ui/publish/CRunWindow.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace foldcraft {
class ProjectDocument;
class PublishLogView;
class PublishRunThread;
struct AppServices;

// The "Publish to FTP server" dialog: the server and firewall settings (read from
// the settings store when it opens, written only by a Publish press whose checks
// pass) and the FTP publish run, on a worker thread and a copy of the project, with
// its log in the Status pane. "Show what would change" makes the same checks on the
// fields, saves nothing, and runs a dry run the same way: it logs on, reads the
// manifest, logs the plan and logs off, and the project gets nothing back from it.
// While a run works, Publish, "Show what would change" and Close are disabled,
// Escape and the window's close are ignored, and Stop ends the run after the file
// under way.
class CPublishFTPDlg : public CRunWindow {
    Q_OBJECT
public:
    CPublishFTPDlg(ProjectDocument& document, AppServices& services, QWidget* parent = nullptr);
    ~CPublishFTPDlg() override;

    // The settings as the fields show them. An empty server port is nullopt (the
    // checks refuse it); an empty firewall port is the default port.
    FtpSettings FieldSettings() const;
    // The Status pane's log as the run wrote it (UTF-8).
    const QByteArray& LogBytes() const;

signals:
    // A run has ended and its results are in the project (a dry run's are not).
    void runFinished();

private:
    void OnPublish(bool dryRun);
    void OnStop();
    void OnSelchangeFirewallType();
    void OnRunFinished();
    void SetWorking(bool working);

    ProjectDocument& m_document;
    AppServices& m_services;
    QLineEdit* m_host;
    QLineEdit* m_port;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QLineEdit* m_startDir;
    QCheckBox* m_passive;
    QCheckBox* m_changedOnly;
    QCheckBox* m_tls;
    QLineEdit* m_trustFingerprint;
    QComboBox* m_firewallType;
    QLineEdit* m_firewallHost;
    QLineEdit* m_firewallPort;
    QLineEdit* m_firewallUser;
    QLineEdit* m_firewallPassword;
    PublishLogView* m_status;
    QLabel* m_result;
    QPushButton* m_publish;
    QPushButton* m_showChanges;
    QPushButton* m_stop;
    QPushButton* m_close;
    std::unique_ptr<PublishRunThread> m_thread;
    bool m_projectReplaced = false;
    bool m_stopAsked = false;
    bool m_dryRun = false;  // the run under way, or the last one, is a dry run
};

}  // namespace foldcraft
