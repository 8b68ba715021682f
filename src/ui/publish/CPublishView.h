#pragma once

#include <QPointer>
#include <QWidget>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace foldcraft {
class ProjectDocument;
struct AppServices;

// The view of the Publish tab ("Step Three"): the publish method, the local target
// directory, Publish and "Show what would change". The path is written into the
// project at every keystroke and marks it modified; switching the method does not.
// Publish makes the checks (PublishPress) and opens the Publishing window, the FTP
// dialog or the SFTP dialog. The project file knows two methods: "SFTP server" is
// its FTP (remote) method, and the settings ("SFTPServer"/"Chosen") say that it
// means SFTP. "Show what would change" (local files only: the FTP dialog has its own)
// makes the checks of a dry run and opens the Publishing window on one. Only one
// run works at a time: both buttons are disabled until it has ended.
class CPublishView : public QWidget {
    Q_OBJECT
public:
    CPublishView(ProjectDocument& document, AppServices& services, QWidget* parent = nullptr);

    // Whether a publish run (or the FTP dialog) is open and working.
    bool IsPublishing() const;

    // Refills the controls from the project (after New and Open). Does not mark it
    // modified.
    void OnInitialUpdate();

signals:
    // The Publishing window or the FTP dialog was opened (tests and the main window
    // find it here).
    void publishWindowOpened(QWidget* window);

private:
    static constexpr int kSftpButton = 2;  // its id in the group of methods (not the project's)

    void OnChangePath(const QString& text);
    void OnChoosePath();
    void OnMethodChanged();
    void OnPublish();
    void OnShowChanges();
    void OpenRunWindow(bool dryRun);
    void UpdateEnabled();

    ProjectDocument& m_document;
    AppServices& m_services;
    QRadioButton* m_local;
    QRadioButton* m_ftp;
    QRadioButton* m_sftp;  // the project's FTP method, with the settings' SFTP choice
    QLineEdit* m_path;
    QPushButton* m_choosePath;
    QPushButton* m_publish;
    QPushButton* m_showChanges;
    QPointer<QWidget> m_runWindow;  // the window of the current run, if any
};

}  // namespace foldcraft
