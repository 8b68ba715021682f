#include "ui/design/CDesignView.h"

#include <QTabWidget>
#include <QVBoxLayout>

#include "document/ProjectDocument.h"
#include "ui/common/AppServices.h"
#include "ui/common/StepHeading.h"
#include "ui/design/CDesignColorPage.h"
#include "ui/design/CDesignGeneralPage.h"
#include "ui/design/CDesignTextPage.h"

namespace foldcraft {

CDesignView::CDesignView(ProjectDocument& document, AppServices& services, QWidget* parent)
    : QWidget(parent), m_document(document), m_services(services) {
    auto* heading = new StepHeading(QStringLiteral("Step Two:"),
                                    QStringLiteral("Define the overall preferences for your web "
                                                   "site. It has three parts - general, text, "
                                                   "and colors."),
                                    this, 1.3);
    m_pages = new QTabWidget(this);
    m_general = new CDesignGeneralPage(document, services.dialogs, m_pages);
    m_text = new CDesignTextPage(document, services.dialogs, m_pages);
    m_colors = new CDesignColorPage(document, services.dialogs, m_pages);
    m_pages->addTab(m_general, QStringLiteral("&General"));
    m_pages->addTab(m_text, QStringLiteral("&Text"));
    m_pages->addTab(m_colors, QStringLiteral("&Colors"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_pages, 1);

    connect(&document, &ProjectDocument::documentReset, this, &CDesignView::InitialUpdate);
    connect(&document, &ProjectDocument::designChanged, this, &CDesignView::DesignChanged);
    InitialUpdate();
}

void CDesignView::InitialUpdate() {
    m_general->Fill(true);
    m_text->Fill();
    m_colors->Fill();
    m_pages->setCurrentWidget(m_general);
}

void CDesignView::DesignChanged() {
    // Undo, redo or another view changed the settings: each page shows them again,
    // leaving fields that already show their value as the user typed them.
    m_general->Fill(false);
    m_text->Fill();
    m_colors->Fill();
}

}  // namespace foldcraft
