#pragma once

#include <QPointer>
#include <QWidget>

#include "document/ProjectTargets.h"
#include "ui/common/AppServices.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace foldcraft {
class ProjectDocument;

// The view of the Publish tab ("Step Three"): the publish method, the local target
// directory, Publish and "Show what would change". The path is written into the
// project at every keystroke and marks it modified; switching the method does not.
// Publish makes the checks (PublishPress) and opens the Publishing window or the FTP,
// SFTP or object storage dialog. The project file knows two methods, local and FTP
// (remote: SFTP and S3 are kept there as FTP); the method and target last used with
// the project are remembered by ProjectTargets under its file's path, win over the
// file's when the project is opened, and are what the dialogs read and write.
// "Show what would change" (local files only: the dialogs have their own)
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
    // Ids in the group of methods (not the project's).
    static constexpr int kSftpButton = 2;
    static constexpr int kS3Button = 3;

    void OnChangePath(const QString& text);
    void OnChoosePath();
    void OnMethodChanged();
    void OnTitleChanged();
    ProjectTargets::Method ChosenMethod() const;
    void OnPublish();
    void OnShowChanges();
    void OpenRunWindow(bool dryRun);
    void UpdateEnabled();

    ProjectDocument& m_document;
    AppServices& m_services;
    ProjectTargets m_targets;      // over m_services.settings
    AppServices m_dialogServices;  // m_services with m_targets as the settings
    QRadioButton* m_local;
    QRadioButton* m_ftp;
    QRadioButton* m_sftp;  // the project file's FTP method
    QRadioButton* m_s3;    // the project file's FTP method
    QLineEdit* m_path;
    QPushButton* m_choosePath;
    QPushButton* m_publish;
    QPushButton* m_showChanges;
    QPointer<QWidget> m_runWindow;  // the window of the current run, if any
};

}  // namespace foldcraft
