#include "ui/build/CSupportFileMessageDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QStyle>

namespace foldcraft {

CSupportFileMessageDlg::CSupportFileMessageDlg(QWidget* parent)
    : QDialog(parent), m_dontShow(new QCheckBox(QStringLiteral("Don't show me this again"), this)) {
    setWindowTitle(QStringLiteral("Foldcraft Info"));
    auto* icon = new QLabel(this);
    const QString bulb = QStringLiteral(":/icons/tip.svg");
    icon->setPixmap((QFile::exists(bulb) ? QIcon(bulb)
                                         : style()->standardIcon(QStyle::SP_MessageBoxInformation))
                        .pixmap(32, 32));
    auto* text = new QLabel(
        QStringLiteral("You have added files which may require other files to work properly. You "
                       "should make sure to add these supporting files as well."),
        this);
    text->setWordWrap(true);
    text->setMinimumWidth(300);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, Qt::AlignTop);
    layout->addWidget(text, 0, 1);
    layout->addWidget(m_dontShow, 1, 1);
    layout->addWidget(buttons, 2, 0, 1, 2);
}

bool CSupportFileMessageDlg::DontShowAgain() const {
    return result() == QDialog::Accepted && m_dontShow->isChecked();
}

}  // namespace foldcraft
