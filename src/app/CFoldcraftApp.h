#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>

#include "ui/common/AppServices.h"

namespace foldcraft {
class CMainFrame;
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
    };

    CFoldcraftApp(IUserDialogs& dialogs, ISettingsStore& settings, std::string programFolder);
    // The shutdown: the window and the project go, then the program folder's scratch
    // items (_temp, temp.html, styles.css) are removed.
    ~CFoldcraftApp() override;

    // Start-up: the project (new, or the named file opened), the main window shown,
    // the settings problem if any, the splash. False when the named file cannot be
    // opened (the user has been told); the program should then end with a failure
    // status.
    bool InitInstance(const StartOptions& options);

    CMainFrame* MainFrame() const { return m_mainFrame.get(); }
    ProjectDocument& Document() { return *m_document; }
    DocumentLifeCycle& LifeCycle() { return *m_lifeCycle; }
    CSplashWnd* Splash() const { return m_splash.get(); }
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
    std::unique_ptr<CSplashWnd> m_splash;
};

}  // namespace foldcraft
