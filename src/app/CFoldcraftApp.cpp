#include "app/CFoldcraftApp.h"

#include "app/CAboutDlg.h"
#include "app/CMainFrame.h"
#include "app/CSplashWnd.h"
#include "app/CTipDlg.h"
#include "app/CrashRecovery.h"
#include "app/DocumentLifeCycle.h"
#include "document/ProjectDocument.h"
#include "document/TipOfTheDay.h"
#include "model/ProgramFolder.h"

namespace foldcraft {

CFoldcraftApp::CFoldcraftApp(IUserDialogs& dialogs, ISettingsStore& settings,
                             std::string programFolder)
    : m_services{dialogs, settings, std::move(programFolder)},
      m_document(std::make_unique<ProjectDocument>()),
      m_lifeCycle(std::make_unique<DocumentLifeCycle>(*m_document, m_services)) {}

CFoldcraftApp::~CFoldcraftApp() {
    m_splash.reset();
    m_mainFrame.reset();
    m_recovery.reset();  // a clean end: no copy is left to offer
    m_lifeCycle.reset();
    m_document.reset();
    if (!m_services.programFolder.empty()) ProgramFolder::CleanUp(m_services.programFolder);
}

bool CFoldcraftApp::InitInstance(const StartOptions& options) {
    m_mainFrame = std::make_unique<CMainFrame>(*m_document, m_services, *m_lifeCycle);
    m_lifeCycle->SetWindow(m_mainFrame.get());
    connect(m_mainFrame.get(), &CMainFrame::tipRequested, this, &CFoldcraftApp::ShowTip);
    connect(m_mainFrame.get(), &CMainFrame::aboutRequested, this, &CFoldcraftApp::ShowAbout);

    if (!options.file.isEmpty()) {
        m_lifeCycle->SetWindow(nullptr);  // no window yet: the message stands alone
        const bool opened = m_lifeCycle->OpenPath(options.file, false);
        m_lifeCycle->SetWindow(m_mainFrame.get());
        if (!opened) {
            m_mainFrame.reset();
            return false;
        }
    }

    m_mainFrame->RestoreGeometry();
    m_mainFrame->show();
    m_mainFrame->repaint();
    if (!options.settingsProblem.isEmpty())
        m_services.dialogs.Error(m_mainFrame.get(), options.settingsProblem);
    if (!m_services.programFolder.empty()) {
        m_recovery = std::make_unique<CrashRecovery>(*m_document, *m_lifeCycle, m_services.dialogs,
                                                     m_services.programFolder, options.autosave,
                                                     options.autosaveClock);
        if (m_recovery->Start())
            m_recovery->Offer(m_mainFrame.get());
        else
            m_recovery.reset();
    }

    if (options.splash) {
        m_splash = std::make_unique<CSplashWnd>(m_mainFrame.get());
        connect(m_splash.get(), &CSplashWnd::hidden, this, &CFoldcraftApp::ShowTipAtStartUp);
        if (!m_splash->Start()) m_splash.reset();
    }
    return true;
}

void CFoldcraftApp::ShowTip() {
    auto* dialog = new CTipDlg(m_services.settings, m_mainFrame.get());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void CFoldcraftApp::ShowTipAtStartUp() {
    if (TipOfTheDay::WantedAtStartUp(m_services.settings)) ShowTip();
}

void CFoldcraftApp::ShowAbout() {
    auto* dialog = new CAboutDlg(m_services.dialogs, m_mainFrame.get());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

}  // namespace foldcraft
