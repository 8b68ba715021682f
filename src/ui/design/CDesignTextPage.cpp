#include "ui/design/CDesignTextPage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "document/DesignEditCommand.h"
#include "document/LongText.h"
#include "document/ProjectDocument.h"
#include "ui/common/PlainCaption.h"
#include "ui/common/UserDialogs.h"

namespace foldcraft {

namespace {

QPlainTextEdit* TextBox(QWidget* parent, const QString& name, bool readOnly) {
    auto* box = new QPlainTextEdit(parent);
    box->setAccessibleName(name);
    box->setReadOnly(readOnly);
    box->setTabChangesFocus(true);
    box->setMaximumHeight(readOnly ? 60 : 80);
    return box;
}

// Texts from other systems may end lines with CR LF; the boxes show them as one
// line break each (a box would take the CR for a second one).
QString BoxText(const std::string& value) {
    QString text = QString::fromStdString(value);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

// A read-only box shows a long text cut short (LongText); the box that edits its
// text whole wraps a long line anywhere, which takes time in step with its length.
void ShowText(QPlainTextEdit* box, const std::string& value) {
    QString text = BoxText(value);
    if (box->isReadOnly()) {
        text = LongText::Box(text);
    } else {
        box->setWordWrapMode(LongText::HasLongLine(text) ? QTextOption::WrapAnywhere
                                                         : QTextOption::WrapAtWordBoundaryOrAnywhere);
    }
    if (box->toPlainText() != text) box->setPlainText(text);
}

}  // namespace

CDesignTextPage::CDesignTextPage(ProjectDocument& document, IUserDialogs& dialogs, QWidget* parent)
    : QWidget(parent), m_document(document), m_dialogs(dialogs) {
    m_title = new QLineEdit(this);
    m_title->setAccessibleName(QStringLiteral("Title:"));
    m_font = new QComboBox(this);
    m_font->setEditable(true);
    m_font->setInsertPolicy(QComboBox::NoInsert);
    m_font->setAccessibleName(QStringLiteral("Font:"));
    QStringList fonts{QStringLiteral("Arial, Helvetica, sans-serif"),
                      QStringLiteral("Courier New, Courier, mono"),
                      QStringLiteral("Georgia, Times New Roman, Times, serif"),
                      QStringLiteral("Times New Roman, Times, serif"),
                      QStringLiteral("Verdana, Arial, Helvetica, sans-serif")};
    fonts.sort();
    m_font->addItems(fonts);
    m_comments = TextBox(this, QStringLiteral("Comments:"), false);
    m_header = TextBox(this, QStringLiteral("Header:"), true);
    m_footer = TextBox(this, QStringLiteral("Footer:"), true);
    auto* editHeader = new QPushButton(QStringLiteral("Ed&it..."), this);
    editHeader->setAccessibleDescription(QStringLiteral("Edit Header"));
    auto* editFooter = new QPushButton(QStringLiteral("Edit..."), this);
    editFooter->setAccessibleDescription(QStringLiteral("Edit Footer"));
    auto* defaults = new QPushButton(QStringLiteral("&Set Defaults"), this);
    defaults->setAccessibleName(PlainCaption(defaults->text()));

    auto* grid = new QGridLayout;
    const std::pair<const char*, QWidget*> rows[] = {{"Title:", m_title},
                                                     {"Font:", m_font},
                                                     {"Comments:", m_comments},
                                                     {"Header:", m_header},
                                                     {"Footer:", m_footer}};
    int row = 0;
    for (const auto& [caption, field] : rows) {
        auto* label = new QLabel(QString::fromLatin1(caption), this);
        label->setBuddy(field);
        grid->addWidget(label, row, 0, Qt::AlignTop);
        grid->addWidget(field, row, 1);
        ++row;
    }
    grid->addWidget(editHeader, 3, 2, Qt::AlignTop);
    grid->addWidget(editFooter, 4, 2, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(defaults);
    layout->addLayout(bottom);

    connect(m_title, &QLineEdit::textChanged, this, [this](const QString& text) {
        DesignEditCommand::Edit(m_document, UndoMergeId::kDesignTitle,
                                [&](CDesignSettings& s) { s.m_strTitle = text.toStdString(); });
    });
    // Typing and choosing an entry both change the edit text.
    connect(m_font, &QComboBox::editTextChanged, this, [this](const QString& text) {
        DesignEditCommand::Edit(m_document, UndoMergeId::kDesignFont,
                                [&](CDesignSettings& s) { s.m_strFont = text.toStdString(); });
    });
    connect(m_comments, &QPlainTextEdit::textChanged, this, [this] {
        const std::string text = m_comments->toPlainText().toStdString();
        DesignEditCommand::Edit(m_document, UndoMergeId::kDesignComments,
                                [&](CDesignSettings& s) { s.m_strComments = text; });
    });
    connect(editHeader, &QPushButton::clicked, this, [this] { EditHeaderOrFooter(true); });
    connect(editFooter, &QPushButton::clicked, this, [this] { EditHeaderOrFooter(false); });
    connect(defaults, &QPushButton::clicked, this, &CDesignTextPage::SetDefaults);
}

void CDesignTextPage::Fill() {
    // A hidden page is filled when it is shown: a long comment takes a while to lay out.
    if (!isVisible()) return;
    const CDesignSettings& s = m_document.Design();
    const QString title = QString::fromStdString(s.m_strTitle);
    if (m_title->text() != title) {
        const QSignalBlocker quiet(m_title);
        m_title->setText(title);
    }
    const QString font = QString::fromStdString(s.m_strFont);
    if (m_font->currentText() != font) {
        const QSignalBlocker quiet(m_font);
        m_font->setCurrentIndex(m_font->findText(font));
        m_font->setEditText(font);
    }
    {
        const QSignalBlocker quiet(m_comments);
        ShowText(m_comments, s.m_strComments);
    }
    ShowText(m_header, s.m_strHeader);
    ShowText(m_footer, s.m_strFooter);
}

void CDesignTextPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Fill();
}

void CDesignTextPage::EditHeaderOrFooter(bool header) {
    const CDesignSettings& design = m_document.Design();
    const auto text = m_dialogs.EditText(
        this, header ? QStringLiteral("Edit Header") : QStringLiteral("Edit Footer"),
        BoxText(header ? design.m_strHeader : design.m_strFooter));
    if (!text) return;
    const std::string value = text->toStdString();
    DesignEditCommand::Edit(m_document, UndoMergeId::kNoMerge, [&](CDesignSettings& s) {
        (header ? s.m_strHeader : s.m_strFooter) = value;
    });
    ShowText(header ? m_header : m_footer, value);
}

void CDesignTextPage::SetDefaults() {
    if (m_dialogs.Message(this, QStringLiteral("Set all text fields to their defaults?"),
                          IUserDialogs::Buttons::kOkCancel,
                          IUserDialogs::Icon::kQuestion) != IUserDialogs::Answer::kOk)
        return;
    DesignEditCommand::SetDefaults(m_document, &CDesignSettings::ResetText);
    Fill();
}

}  // namespace foldcraft
