#pragma once

#include <QWidget>

class QTabWidget;

namespace foldcraft {
class CDesignColorPage;
class CDesignGeneralPage;
class CDesignTextPage;
class ProjectDocument;
struct AppServices;

// The view of the Design tab: the pages General, Text and Colors, which write the
// project's design settings at every change. Each new or opened project fills all
// three pages and brings General to the front; Text and Colors also re-read the
// document each time they are shown, and every page follows undo and redo. The
// document and the services outlive the view.
class CDesignView : public QWidget {
    Q_OBJECT
public:
    CDesignView(ProjectDocument& document, AppServices& services, QWidget* parent = nullptr);

    QTabWidget* Pages() const { return m_pages; }
    CDesignGeneralPage* GeneralPage() const { return m_general; }
    CDesignTextPage* TextPage() const { return m_text; }
    CDesignColorPage* ColorPage() const { return m_colors; }

private:
    void InitialUpdate();
    void DesignChanged();

    ProjectDocument& m_document;
    AppServices& m_services;
    QTabWidget* m_pages = nullptr;
    CDesignGeneralPage* m_general = nullptr;
    CDesignTextPage* m_text = nullptr;
    CDesignColorPage* m_colors = nullptr;
};

}  // namespace foldcraft
