#pragma once

#include <QDialog>

class QLineEdit;

namespace foldcraft {

// "Add Folder": asks for the name of a new folder. OK closes only with a name.
class CNewFolderDlg : public QDialog {
    Q_OBJECT
public:
    explicit CNewFolderDlg(QWidget* parent = nullptr);
    QString Name() const;
    void accept() override;

private:
    QLineEdit* m_name;
};

}  // namespace foldcraft
