#include "ui/common/CTextEditDlg.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "document/LongText.h"

namespace foldcraft {

CTextEditDlg::CTextEditDlg(QWidget* parent) : QDialog(parent), m_text(new QPlainTextEdit(this)) {
    setWindowTitle(QStringLiteral("Edit Text"));
    setSizeGripEnabled(true);
    m_text->setAccessibleName(QStringLiteral("Text"));
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text->setTabChangesFocus(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text, 1);
    layout->addWidget(buttons);
    setMinimumSize(250, 150);
    resize(400, 250);
}

void CTextEditDlg::SetText(const QString& text) {
    // A long word wraps at word boundaries in time that grows with its square.
    m_text->setWordWrapMode(LongText::HasLongLine(text) ? QTextOption::WrapAnywhere
                                                        : QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_text->setPlainText(text);
}

QString CTextEditDlg::Text() const {
    return m_text->toPlainText();
}

void CTextEditDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_text->setFocus();
    m_text->selectAll();
    m_text->ensureCursorVisible();
}

}  // namespace foldcraft
