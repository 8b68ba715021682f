#include "ui/build/CButtonStyleDlg.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>
#include <cstring>

#include "generator/SupportImages.h"

namespace foldcraft {

namespace {

constexpr const char* kGraphicFiles[7] = {"black_btn.jpg", "blue_btn.jpg",   "cyan_btn.jpg",
                                          "green_btn.jpg", "orange_btn.jpg", "red_btn.jpg",
                                          "steel_btn.jpg"};

// The picture of one button graphic at 130 x 20, sharp on high-density screens.
QPixmap GraphicPicture(int graphic, qreal pixelRatio) {
    QImage image;
    for (const auto& support : SupportImages::All()) {
        if (std::strcmp(support.name, kGraphicFiles[graphic]) == 0)
            image.loadFromData(support.data, static_cast<int>(support.size));
    }
    if (image.isNull()) return {};
    QPixmap picture = QPixmap::fromImage(
        image.scaled(QSize(130, 20) * pixelRatio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    picture.setDevicePixelRatio(pixelRatio);
    return picture;
}

}  // namespace

CButtonStyleDlg::CButtonStyleDlg(QWidget* parent, const ButtonStyleSettings& settings)
    : QDialog(parent), m_loaded(settings) {
    setWindowTitle(QStringLiteral("Button Styles"));
    auto* layout = new QVBoxLayout(this);
    const char* groupNames[2] = {"Folders", "Files"};
    for (int g = 0; g < 2; ++g) {
        const Group group = static_cast<Group>(g);
        auto* box = new QGroupBox(QString::fromLatin1(groupNames[g]), this);
        auto* column = new QVBoxLayout(box);
        m_styles[g] = new QButtonGroup(box);
        const QString captions[4] = {QStringLiteral("Default (icon with background color)"),
                                     QStringLiteral("Radio buttons with \"Open Document\" button"),
                                     QStringLiteral("Text only"), QStringLiteral("Graphic:")};
        auto* graphicRow = new QHBoxLayout;
        for (int style = 0; style < 4; ++style) {
            auto* radio = new QRadioButton(captions[style], box);
            m_styles[g]->addButton(radio, style);
            if (style < 3)
                column->addWidget(radio);
            else
                graphicRow->addWidget(radio);
        }
        m_picture[g] = new QLabel(box);
        m_picture[g]->setFixedSize(130, 20);
        m_spin[g] = new QSpinBox(box);
        m_spin[g]->setRange(0, 6);
        m_spin[g]->setWrapping(true);
        m_spin[g]->setAccessibleName(QString::fromLatin1(groupNames[g]) + " graphic");
        graphicRow->addWidget(m_picture[g]);
        graphicRow->addWidget(m_spin[g]);
        graphicRow->addStretch(1);
        column->addLayout(graphicRow);
        layout->addWidget(box);
        ShowGraphic(group, 0);
        connect(m_spin[g], &QSpinBox::valueChanged, this,
                [this, group](int value) { NumberChanged(group, value); });
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)
        ->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    buttons->button(QDialogButtonBox::Cancel)
        ->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    // Loading: the numbers first (which selects "Graphic:"), then the stored styles win.
    const int numbers[2] = {settings.folderGraphic, settings.fileGraphic};
    const int styles[2] = {settings.folderStyle, settings.fileStyle};
    for (int g = 0; g < 2; ++g) {
        const Group group = static_cast<Group>(g);
        {
            const QSignalBlocker quiet(m_spin[g]);
            m_spin[g]->setValue(numbers[g] >= 0 && numbers[g] <= 6 ? numbers[g] : 0);
        }
        NumberChanged(group, numbers[g]);
        m_styles[g]->setExclusive(false);
        for (auto* radio : m_styles[g]->buttons())
            radio->setChecked(m_styles[g]->id(radio) == styles[g]);
        m_styles[g]->setExclusive(true);
    }
}

void CButtonStyleDlg::NumberChanged(Group group, int number) {
    m_styles[group]->button(3)->setChecked(true);
    m_number[group] = number;
    if (number >= 0 && number <= 6) ShowGraphic(group, number);
}

void CButtonStyleDlg::ShowGraphic(Group group, int graphic) {
    m_shown[group] = graphic;
    m_picture[group]->setPixmap(GraphicPicture(graphic, devicePixelRatioF()));
    m_picture[group]->setAccessibleName(QString::fromLatin1(kGraphicFiles[graphic]));
}

ButtonStyleSettings CButtonStyleDlg::Result() const {
    // A group with no radio button checked keeps its stored style.
    const int folderStyle = m_styles[kFolders]->checkedId();
    const int fileStyle = m_styles[kFiles]->checkedId();
    return {folderStyle >= 0 ? folderStyle : m_loaded.folderStyle,
            fileStyle >= 0 ? fileStyle : m_loaded.fileStyle, m_number[kFolders], m_number[kFiles]};
}

}  // namespace foldcraft
