#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;

namespace foldcraft {
class IUserDialogs;
class ProjectDocument;

// The Text page of the Design step: title, font, comments, and the header and
// footer (edited through the Edit Text dialog). Written into the document at every
// change; re-read from the document each time the page is shown. The document and
// the dialogs outlive the page.
class CDesignTextPage : public QWidget {
    Q_OBJECT
public:
    CDesignTextPage(ProjectDocument& document, IUserDialogs& dialogs, QWidget* parent = nullptr);

    // Shows the document's values; a field that already shows its value is left
    // alone (so typing is not disturbed). Does nothing while the page is hidden (it
    // fills when shown). Never marks the project modified.
    void Fill();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void EditHeaderOrFooter(bool header);
    void SetDefaults();

    ProjectDocument& m_document;
    IUserDialogs& m_dialogs;
    QLineEdit* m_title = nullptr;
    QComboBox* m_font = nullptr;
    QPlainTextEdit* m_comments = nullptr;
    QPlainTextEdit* m_header = nullptr;
    QPlainTextEdit* m_footer = nullptr;
};

}  // namespace foldcraft
