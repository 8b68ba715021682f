#pragma once

#include <QDialog>

namespace foldcraft {
class IUserDialogs;

// The "About Foldcraft" box: picture, who made the program, two links opened in the
// browser through dialogs, and "Additional Information:" with the version, the Qt
// version and its licence. Closes with OK.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    // dialogs must outlive the box.
    CAboutDlg(IUserDialogs& dialogs, QWidget* parent = nullptr);

    // The text of the read-only information field.
    static QString InformationText();
};

}  // namespace foldcraft
