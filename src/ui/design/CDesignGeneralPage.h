#pragma once

#include <QWidget>
#include <cstdint>

#include "document/UndoMergeIds.h"

struct CDesignSettings;
class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;

namespace foldcraft {
class IUserDialogs;
class ProjectDocument;

// The General page of the Design step: options, background image, thumbnails and
// the navigation bar, each written into the document at every change (as an undo
// step). The document and the dialogs outlive the page.
class CDesignGeneralPage : public QWidget {
    Q_OBJECT
public:
    CDesignGeneralPage(ProjectDocument& document, IUserDialogs& dialogs, QWidget* parent = nullptr);

    // Shows the document's values. A full fill rewrites every field; otherwise a
    // field whose text already means the stored value keeps it as typed ("0048").
    // Never marks the project modified.
    void Fill(bool full);

private:
    // The page's three groups, each built with its fields wired to the document.
    QWidget* MakeOptions();
    QWidget* MakeImages();
    void ConnectImages(QPushButton* browse);
    void ConnectThumbSize(QLineEdit* edit, std::int32_t CDesignSettings::*field, UndoMergeId merge);
    QWidget* MakeNavigationBar();
    void Browse();
    void SetDefaults();

    ProjectDocument& m_document;
    IUserDialogs& m_dialogs;
    QCheckBox* m_options[6] = {};
    QCheckBox* m_useThumbnails = nullptr;
    QLineEdit* m_backgroundImage = nullptr;
    QLineEdit* m_width = nullptr;
    QLineEdit* m_height = nullptr;
    QButtonGroup* m_placement = nullptr;
    QButtonGroup* m_navBar = nullptr;
};

}  // namespace foldcraft
