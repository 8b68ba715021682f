#include "ui/build/CNewWebLinkDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

#include "document/WebLinkRules.h"
#include "ui/common/UserDialogs.h"

namespace foldcraft {

CNewWebLinkDlg::CNewWebLinkDlg(IUserDialogs& dialogs, QWidget* parent)
    : QDialog(parent),
      m_dialogs(dialogs),
      m_link(new QLineEdit(QStringLiteral("http://"), this)),
      m_name(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("Add Web Link"));
    m_link->setAccessibleName(QStringLiteral("Link:"));
    m_name->setAccessibleName(QStringLiteral("Name:"));
    m_link->setMinimumWidth(300);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CNewWebLinkDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CNewWebLinkDlg::reject);
    connect(m_link, &QLineEdit::textChanged, this, &CNewWebLinkDlg::LinkChanged);
    connect(m_name, &QLineEdit::textEdited, this, [this] { m_nameTyped = true; });
    auto* layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("Link:"), m_link);
    layout->addRow(QStringLiteral("Name:"), m_name);
    layout->addRow(buttons);
    m_link->setFocus();
    m_link->end(false);
}

QString CNewWebLinkDlg::Link() const {
    return m_link->text();
}
QString CNewWebLinkDlg::Name() const {
    return m_name->text();
}

void CNewWebLinkDlg::LinkChanged(const QString& link) {
    if (m_nameTyped) return;
    const std::string name = WebLinkRules::DerivedName(link.toStdString());
    if (!name.empty()) m_name->setText(QString::fromStdString(name));
}

void CNewWebLinkDlg::accept() {
    const std::string_view message =
        WebLinkRules::CheckLink(m_link->text().toStdString(), m_name->text().toStdString());
    if (message.empty()) {
        QDialog::accept();
        return;
    }
    m_dialogs.Error(this,
                    QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())));
}

}  // namespace foldcraft
