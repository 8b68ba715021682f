#pragma once

#include <QDialog>

class QCheckBox;

namespace foldcraft {

// "Foldcraft Info": the notice after adding pages or PDF files, with "Don't show
// me this again".
class CSupportFileMessageDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSupportFileMessageDlg(QWidget* parent = nullptr);
    // Whether the box was ticked when the dialog closed with OK.
    bool DontShowAgain() const;

private:
    QCheckBox* m_dontShow;
};

}  // namespace foldcraft
