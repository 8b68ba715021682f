#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>

#include "document/AutosaveSchedule.h"
#include "document/Autosaver.h"
#include "ui/common/AppServices.h"

namespace foldcraft {
class CMainFrame;
class CrashRecovery;
class CSplashWnd;
class DocumentLifeCycle;
class ProjectDocument;

// The application: owns the one project, the main window, the splash and the
// start-up and shutdown steps. The dialogs and the settings store come from the
// caller (main, or a test) and must outlive it.
class CFoldcraftApp : public QObject {
    Q_OBJECT
public:
    struct StartOptions {
        QString file;        // project to open; empty = a new project
        bool splash = true;  // show the splash (and then the start-up tip)
        // Why the settings file is not used, said once the window is shown (a
        // warning); empty: nothing to say.
        QString settingsProblem;
        // How often the open project is copied for recovery after a crash, and on
        // which clock (empty: the system's; tests bring their own).
        AutosaveSchedule::Intervals autosave = {};
        Autosaver::Clock autosaveClock = {};
    };

    CFoldcraftApp(IUserDialogs& dialogs, ISettingsStore& settings, std::string programFolder);
    // The shutdown: the window, the project and its recovery copy go, then the program folder's
    // scratch items (_temp, temp.html, styles.css) are removed.
    ~CFoldcraftApp() override;

    // Start-up: the project (new, or the named file opened), the main window shown,
    // the settings problem if any, the offer of recovery files left by programs that
    // are gone (with a program folder), the splash. False when the named file cannot be
    // opened (the user has been told); the program should then end with a failure
    // status.
    bool InitInstance(const StartOptions& options);

    CMainFrame* MainFrame() const { return m_mainFrame.get(); }
    ProjectDocument& Document() { return *m_document; }
    DocumentLifeCycle& LifeCycle() { return *m_lifeCycle; }
    CSplashWnd* Splash() const { return m_splash.get(); }
    // Null without a program folder, or when its recovery folder cannot be used.
    CrashRecovery* Recovery() const { return m_recovery.get(); }
    AppServices& Services() { return m_services; }

    // Help > Tip of the day...: the dialog in any case.
    void ShowTip();
    // After the splash: the dialog when the settings ask for it. The dialog does not
    // block the caller.
    void ShowTipAtStartUp();
    // Help > About Foldcraft...
    void ShowAbout();

private:
    AppServices m_services;
    std::unique_ptr<ProjectDocument> m_document;
    std::unique_ptr<DocumentLifeCycle> m_lifeCycle;
    std::unique_ptr<CMainFrame> m_mainFrame;
    std::unique_ptr<CrashRecovery> m_recovery;
    std::unique_ptr<CSplashWnd> m_splash;
};

}  // namespace foldcraft
