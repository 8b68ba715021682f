#include "ui/build/CNewFolderDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "document/WebLinkRules.h"

namespace foldcraft {

CNewFolderDlg::CNewFolderDlg(QWidget* parent) : QDialog(parent), m_name(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("Add Folder"));
    auto* caption = new QLabel(QStringLiteral("Please enter a name for the new folder:"), this);
    caption->setBuddy(m_name);
    m_name->setAccessibleName(caption->text());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CNewFolderDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CNewFolderDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(m_name);
    layout->addWidget(buttons);
}

QString CNewFolderDlg::Name() const {
    return m_name->text();
}

void CNewFolderDlg::accept() {
    if (WebLinkRules::FolderNameAccepted(m_name->text().toStdString())) QDialog::accept();
}

}  // namespace foldcraft
