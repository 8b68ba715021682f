#pragma once

#include <QDialog>

class QLineEdit;

namespace foldcraft {
class IUserDialogs;

// "Add Web Link": asks for a link and its name. The name follows the link until
// the user types into it; OK checks both and says what is wrong.
class CNewWebLinkDlg : public QDialog {
    Q_OBJECT
public:
    explicit CNewWebLinkDlg(IUserDialogs& dialogs, QWidget* parent = nullptr);
    QString Link() const;
    QString Name() const;
    void accept() override;

private:
    void LinkChanged(const QString& link);

    IUserDialogs& m_dialogs;
    QLineEdit* m_link;
    QLineEdit* m_name;
    bool m_nameTyped = false;
};

}  // namespace foldcraft
