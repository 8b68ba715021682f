#include "ui/design/CDesignColorPage.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "document/ColourText.h"
#include "document/DesignEditCommand.h"
#include "document/ProjectDocument.h"
#include "generator/SiteGenerator.h"
#include "ui/common/PlainCaption.h"
#include "ui/common/UserDialogs.h"
#include "ui/design/CClrButton.h"
#include "ui/design/CDesignColorView.h"

namespace foldcraft {

namespace {

struct Row {
    const char* caption;
    std::uint32_t CDesignSettings::*field;
};

constexpr Row kColourRows[CDesignColorPage::kRows] = {
    {"Body Background:", &CDesignSettings::m_clrBodyBackground},
    {"Folder Background:", &CDesignSettings::m_clrFolderBackground},
    {"Document Background:", &CDesignSettings::m_clrDocumentBackground},
    {"Body Text:", &CDesignSettings::m_clrBodyText},
    {"Folder Text:", &CDesignSettings::m_clrFolderText},
    {"Link:", &CDesignSettings::m_clrLink},
    {"Visited Link:", &CDesignSettings::m_clrVisitedLink}};

QColor FromWord(std::uint32_t colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

std::uint32_t ToWord(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return std::uint32_t(rgb.red()) | std::uint32_t(rgb.green()) << 8 |
           std::uint32_t(rgb.blue()) << 16;
}

}  // namespace

CDesignColorPage::CDesignColorPage(ProjectDocument& document, IUserDialogs& dialogs,
                                   QWidget* parent)
    : QWidget(parent), m_document(document), m_dialogs(dialogs) {
    auto* grid = new QGridLayout;
    for (int row = 0; row < kRows; ++row) {
        const QString caption = QString::fromLatin1(kColourRows[row].caption);
        auto* label = new QLabel(caption, this);
        m_swatches[row] = new CClrButton(QString(), this);
        m_swatches[row]->setAccessibleName(caption);
        m_swatches[row]->setToolTip(QStringLiteral("Choose the colour"));
        m_swatches[row]->setFixedSize(40, 22);
        m_swatches[row]->SetColours(Qt::black, QColor(0xC0, 0xC0, 0xC0));
        label->setBuddy(m_swatches[row]);
        m_texts[row] = new QLineEdit(this);
        m_texts[row]->setAccessibleName(caption);
        m_texts[row]->setToolTip(QStringLiteral("Type a colour as #RRGGBB"));
        m_texts[row]->setMaximumWidth(90);
        grid->addWidget(label, row, 0);
        grid->addWidget(m_swatches[row], row, 1);
        grid->addWidget(m_texts[row], row, 2);
        connect(m_swatches[row], &QPushButton::clicked, this, [this, row] { ChooseColour(row); });
        connect(m_texts[row], &QLineEdit::editingFinished, this, [this, row] { ColourTyped(row); });
    }
    grid->setColumnStretch(3, 1);
    auto* previewLabel = new QLabel(QStringLiteral("Preview:"), this);
    m_preview = new CDesignColorView(m_document.Doc(), this);
    auto* defaults = new QPushButton(QStringLiteral("&Set Defaults"), this);
    defaults->setAccessibleName(PlainCaption(defaults->text()));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(previewLabel);
    layout->addWidget(m_preview);
    layout->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(defaults);
    layout->addLayout(bottom);
    connect(defaults, &QPushButton::clicked, this, &CDesignColorPage::SetDefaults);
}

void CDesignColorPage::Fill() {
    const CDesignSettings& s = m_document.Design();
    for (int row = 0; row < kRows; ++row) {
        const std::uint32_t colour = s.*kColourRows[row].field;
        m_swatches[row]->SetColours(Qt::black, FromWord(colour));
        m_texts[row]->setText(QString::fromStdString(ColorToHtml(colour)));
    }
    m_preview->update();
}

void CDesignColorPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Fill();
}

void CDesignColorPage::ChooseColour(int row) {
    const auto field = kColourRows[row].field;
    const auto chosen = m_dialogs.Color(this, FromWord(m_document.Design().*field));
    if (!chosen || !chosen->isValid()) return;
    SetColour(row, ToWord(*chosen));
}

void CDesignColorPage::ColourTyped(int row) {
    const auto colour = ColourText::Parse(m_texts[row]->text());
    if (colour)
        SetColour(row, *colour);
    else
        Fill();  // refused: the field shows the colour again
}

void CDesignColorPage::SetColour(int row, std::uint32_t colour) {
    const auto field = kColourRows[row].field;
    DesignEditCommand::Edit(m_document, UndoMergeId::kNoMerge,
                            [&](CDesignSettings& s) { s.*field = colour; });
    Fill();
}

void CDesignColorPage::SetDefaults() {
    if (m_dialogs.Message(this, QStringLiteral("Set all colors to their defaults?"),
                          IUserDialogs::Buttons::kOkCancel,
                          IUserDialogs::Icon::kQuestion) != IUserDialogs::Answer::kOk)
        return;
    DesignEditCommand::SetDefaults(m_document, &CDesignSettings::ResetColors);
    Fill();
}

}  // namespace foldcraft
