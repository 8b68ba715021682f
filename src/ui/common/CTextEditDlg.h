#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace foldcraft {

// "Edit Text": one multi-line text with OK and Cancel, for labels, headers and
// footers. Resizable; the text follows the dialog's size down to 250 x 150.
class CTextEditDlg : public QDialog {
    Q_OBJECT
public:
    explicit CTextEditDlg(QWidget* parent = nullptr);
    // Sets the text; it opens selected, with the caret in view.
    void SetText(const QString& text);
    QString Text() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPlainTextEdit* m_text;
};

}  // namespace foldcraft
