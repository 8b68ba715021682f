#include "ui/design/CDesignGeneralPage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <algorithm>

#include "document/DesignEditCommand.h"
#include "document/ProjectDocument.h"
#include "ui/common/PlainCaption.h"
#include "ui/common/UserDialogs.h"

namespace foldcraft {

namespace {

// The switch fields of the six option check boxes, in dialog order.
constexpr std::int32_t CDesignSettings::*kOptionFields[6] = {
    &CDesignSettings::m_bShowComments,  &CDesignSettings::m_bShowFileDate,
    &CDesignSettings::m_bShowFileSize,  &CDesignSettings::m_bCreateTitlePage,
    &CDesignSettings::m_bCreateSitemap, &CDesignSettings::m_bShowRestartButton};

// The value of a digits-only field: 0 when empty.
std::int32_t DigitsValue(const QString& text) {
    return text.isEmpty() ? 0 : text.toInt();
}

// Filling a field is not an edit: its change signal stays quiet.
void ShowNumber(QLineEdit* field, std::int32_t value, bool full) {
    if (!full && DigitsValue(field->text()) == value) return;
    const QSignalBlocker quiet(field);
    field->setText(QString::number(value));
}

void ShowText(QLineEdit* field, const std::string& value) {
    const QString text = QString::fromStdString(value);
    if (field->text() == text) return;
    const QSignalBlocker quiet(field);
    field->setText(text);
}

void ShowChecked(QAbstractButton* button, bool on) {
    const QSignalBlocker quiet(button);
    button->setChecked(on);
}

// Checks the button with the given id; none for a value outside the group.
void ShowChoice(QButtonGroup* group, int id) {
    const QSignalBlocker quiet(group);  // the group signals for its buttons itself
    group->setExclusive(false);
    for (auto* button : group->buttons()) ShowChecked(button, group->id(button) == id);
    group->setExclusive(true);
}

QRadioButton* AddRadio(QButtonGroup* group, QWidget* parent, const QString& caption, int id) {
    auto* radio = new QRadioButton(caption, parent);
    group->addButton(radio, id);
    return radio;
}

// The thumbnail sizes the fields accept, in pixels. A larger size stored in a
// project is shown as it is until the field is edited.
constexpr std::int32_t kMinThumbSize = 1;
constexpr std::int32_t kMaxThumbSize = 1024;

QLineEdit* DigitsField(QWidget* parent, const QString& name) {
    auto* field = new QLineEdit(parent);
    field->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), field));
    field->setMaxLength(9);  // a stored value fits a 32-bit integer
    field->setToolTip(QStringLiteral("%1 to %2 pixels").arg(kMinThumbSize).arg(kMaxThumbSize));
    field->setAccessibleName(name);
    field->setMaximumWidth(80);
    return field;
}

}  // namespace

CDesignGeneralPage::CDesignGeneralPage(ProjectDocument& document, IUserDialogs& dialogs,
                                       QWidget* parent)
    : QWidget(parent), m_document(document), m_dialogs(dialogs) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MakeOptions());
    layout->addWidget(MakeImages());
    layout->addWidget(MakeNavigationBar());
    layout->addStretch(1);
    auto* defaults = new QPushButton(QStringLiteral("&Set Defaults"), this);  // last in Tab order
    defaults->setAccessibleName(PlainCaption(defaults->text()));
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(defaults);
    layout->addLayout(bottom);
    connect(defaults, &QPushButton::clicked, this, &CDesignGeneralPage::SetDefaults);
}

QWidget* CDesignGeneralPage::MakeOptions() {
    auto* options = new QGroupBox(QStringLiteral("Options"), this);
    auto* optionsLayout = new QGridLayout(options);
    const QString optionCaptions[6] = {QStringLiteral("Show File && Folder Comments"),
                                       QStringLiteral("Show File Date"),
                                       QStringLiteral("Show File Si&ze"),
                                       QStringLiteral("C&reate Title Page"),
                                       QStringLiteral("Create Sitemap"),
                                       QStringLiteral("Show Restart Button")};
    for (int i = 0; i < 6; ++i) {
        m_options[i] = new QCheckBox(optionCaptions[i], options);
        optionsLayout->addWidget(m_options[i], i % 3, i / 3);
        const auto field = kOptionFields[i];
        // toggled rather than clicked: assistive technology toggles without a click.
        connect(m_options[i], &QCheckBox::toggled, this, [this, field](bool on) {
            DesignEditCommand::Edit(m_document, UndoMergeId::kNoMerge,
                                    [&](CDesignSettings& s) { s.*field = on ? 1 : 0; });
        });
    }

    return options;
}

QWidget* CDesignGeneralPage::MakeImages() {
    auto* images = new QGroupBox(QStringLiteral("Images"), this);
    auto* imagesLayout = new QGridLayout(images);
    auto* backgroundLabel = new QLabel(QStringLiteral("Background Image:"), images);
    m_backgroundImage = new QLineEdit(images);
    m_backgroundImage->setAccessibleName(QStringLiteral("Background Image:"));
    backgroundLabel->setBuddy(m_backgroundImage);
    auto* browse = new QPushButton(QStringLiteral("Bro&wse..."), images);
    m_placement = new QButtonGroup(this);
    auto* tile = AddRadio(m_placement, images, QStringLiteral("T&ile"), 0);
    auto* center = AddRadio(m_placement, images, QStringLiteral("Ce&nter"), 1);
    m_useThumbnails = new QCheckBox(QStringLiteral("Use Thumbn&ails:"), images);
    auto* widthLabel = new QLabel(QStringLiteral("Width"), images);
    m_width = DigitsField(images, QStringLiteral("Width"));
    widthLabel->setBuddy(m_width);
    auto* heightLabel = new QLabel(QStringLiteral("Height"), images);
    m_height = DigitsField(images, QStringLiteral("Height"));
    heightLabel->setBuddy(m_height);
    imagesLayout->addWidget(backgroundLabel, 0, 0);
    imagesLayout->addWidget(m_backgroundImage, 0, 1, 1, 4);
    imagesLayout->addWidget(browse, 0, 5);
    imagesLayout->addWidget(tile, 1, 1);
    imagesLayout->addWidget(center, 1, 2);
    imagesLayout->addWidget(m_useThumbnails, 2, 0);
    imagesLayout->addWidget(widthLabel, 2, 1);
    imagesLayout->addWidget(m_width, 2, 2);
    imagesLayout->addWidget(heightLabel, 2, 3);
    imagesLayout->addWidget(m_height, 2, 4);

    ConnectImages(browse);
    return images;
}

void CDesignGeneralPage::ConnectImages(QPushButton* browse) {
    connect(m_backgroundImage, &QLineEdit::textChanged, this, [this](const QString& text) {
        DesignEditCommand::Edit(
            m_document, UndoMergeId::kDesignBackgroundImage,
            [&](CDesignSettings& s) { s.m_strBackgroundImage = text.toStdString(); });
    });
    connect(browse, &QPushButton::clicked, this, &CDesignGeneralPage::Browse);
    connect(m_placement, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (!on) return;
        DesignEditCommand::Edit(m_document, UndoMergeId::kNoMerge,
                                [&](CDesignSettings& s) { s.m_nBackgroundPlacement = id; });
    });
    connect(m_useThumbnails, &QCheckBox::toggled, this, [this](bool on) {
        DesignEditCommand::Edit(m_document, UndoMergeId::kNoMerge,
                                [&](CDesignSettings& s) { s.m_bUseThumbnails = on ? 1 : 0; });
    });
    ConnectThumbSize(m_width, &CDesignSettings::m_nThumbWidth, UndoMergeId::kDesignThumbWidth);
    ConnectThumbSize(m_height, &CDesignSettings::m_nThumbHeight, UndoMergeId::kDesignThumbHeight);
}

void CDesignGeneralPage::ConnectThumbSize(QLineEdit* edit, std::int32_t CDesignSettings::*field,
                                          UndoMergeId merge) {
    // A size in range is written as it is typed; when the field is left, one out of
    // range is brought into it (an emptied field shows the stored size again).
    connect(edit, &QLineEdit::textChanged, this, [this, field, merge](const QString& text) {
        const std::int32_t value = DigitsValue(text);
        if (value < kMinThumbSize || value > kMaxThumbSize) return;
        DesignEditCommand::Edit(m_document, merge, [&](CDesignSettings& s) { s.*field = value; });
    });
    connect(edit, &QLineEdit::editingFinished, this, [this, edit, field, merge] {
        const QString text = edit->text();
        const std::int32_t stored = m_document.Design().*field;
        if (text == QString::number(stored)) return;  // not edited: kept as stored
        if (!text.isEmpty()) {
            const std::int32_t value = std::clamp(DigitsValue(text), kMinThumbSize, kMaxThumbSize);
            DesignEditCommand::Edit(m_document, merge,
                                    [&](CDesignSettings& s) { s.*field = value; });
        }
        Fill(true);
    });
}

QWidget* CDesignGeneralPage::MakeNavigationBar() {
    auto* navBar = new QGroupBox(QStringLiteral("Navigation Bar"), this);
    auto* navLayout = new QHBoxLayout(navBar);
    m_navBar = new QButtonGroup(this);
    navLayout->addWidget(AddRadio(m_navBar, navBar, QStringLiteral("T&op"), 0));
    navLayout->addWidget(AddRadio(m_navBar, navBar, QStringLiteral("Botto&m"), 1));
    navLayout->addWidget(AddRadio(m_navBar, navBar, QStringLiteral("Disab&led"), 2));
    navLayout->addStretch(1);

    connect(m_navBar, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (!on) return;
        DesignEditCommand::Edit(m_document, UndoMergeId::kNoMerge,
                                [&](CDesignSettings& s) { s.m_nNavBarPosition = id; });
    });
    return navBar;
}

void CDesignGeneralPage::Fill(bool full) {
    const CDesignSettings& s = m_document.Design();
    ShowText(m_backgroundImage, s.m_strBackgroundImage);
    ShowChoice(m_placement, s.m_nBackgroundPlacement);
    ShowChoice(m_navBar, s.m_nNavBarPosition);
    for (int i = 0; i < 6; ++i) ShowChecked(m_options[i], s.*kOptionFields[i] == 1);
    ShowChecked(m_useThumbnails, s.m_bUseThumbnails == 1);
    ShowNumber(m_width, s.m_nThumbWidth, full);
    ShowNumber(m_height, s.m_nThumbHeight, full);
}

void CDesignGeneralPage::Browse() {
    const QString chosen =
        m_dialogs.OpenFileName(this, QStringLiteral("Background Image"),
                               QFileInfo(m_backgroundImage->text()).absolutePath(),
                               QStringLiteral("Web Graphics (*.gif *.jpg *.png);;All Files (*)"));
    if (chosen.isEmpty()) return;
    const QString path = QFileInfo(chosen).absoluteFilePath();
    m_backgroundImage->setText(path);  // written through as a change of the field
}

void CDesignGeneralPage::SetDefaults() {
    if (m_dialogs.Message(this, QStringLiteral("Set all general design options to their defaults?"),
                          IUserDialogs::Buttons::kOkCancel,
                          IUserDialogs::Icon::kQuestion) != IUserDialogs::Answer::kOk)
        return;
    DesignEditCommand::SetDefaults(m_document, &CDesignSettings::ResetGeneral);
    Fill(true);
}

}  // namespace foldcraft
