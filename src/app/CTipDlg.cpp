#include "app/CTipDlg.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "model/Clock.h"

namespace foldcraft {

CTipDlg::CTipDlg(ISettingsStore& settings, QWidget* parent) : QDialog(parent), m_tips(settings) {
    setObjectName(QStringLiteral("tipDialog"));
    setWindowTitle(QStringLiteral("Tip of the Day"));
    m_tips.Choose(Clock::Now());

    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setAutoFillBackground(true);
    QPalette white = frame->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    frame->setPalette(white);

    auto* picture = new QLabel(frame);
    picture->setPixmap(QIcon(QStringLiteral(":/icons/tip.svg")).pixmap(32, 32));
    picture->setAccessibleName(QStringLiteral("Tip"));
    auto* heading = new QLabel(QStringLiteral("Did you know..."), frame);
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.3);
    heading->setFont(headingFont);

    m_text = new QLabel(frame);
    m_text->setObjectName(QStringLiteral("tipText"));
    m_text->setWordWrap(true);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_text->setMinimumSize(320, 110);
    m_text->setFont(QFont(QStringLiteral("Arial"), 11, QFont::Normal));
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    auto* head = new QHBoxLayout;
    head->addWidget(picture);
    head->addWidget(heading, 1);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addLayout(head);
    frameLayout->addWidget(m_text, 1);

    m_showAtStartUp = new QCheckBox(QStringLiteral("&Show Tips on StartUp"), this);
    m_showAtStartUp->setChecked(m_tips.ShowAtStartUp());
    auto* next = new QPushButton(QIcon(QStringLiteral(":/icons/tip-next.svg")),
                                 QStringLiteral("&Next Tip"), this);
    auto* close = new QPushButton(QIcon(QStringLiteral(":/icons/tip-close.svg")),
                                  QStringLiteral("&Close"), this);
    close->setDefault(true);
    connect(next, &QPushButton::clicked, this, &CTipDlg::ShowNextTip);
    connect(close, &QPushButton::clicked, this, [this] {
        m_tips.Close(m_showAtStartUp->isChecked());
        accept();
    });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_showAtStartUp, 1);
    buttons->addWidget(next);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame, 1);
    layout->addLayout(buttons);

    // The dialog's own start chooses again, so the tip shown differs from the first.
    ShowNextTip();
}

CTipDlg::~CTipDlg() = default;

QString CTipDlg::ShownText() const {
    return m_text->text();
}

void CTipDlg::ShowNextTip() {
    const int index = m_tips.Choose(Clock::Now());
    m_text->setText(QString::fromUtf8(TipOfTheDay::Tips()[static_cast<size_t>(index)]));
}

}  // namespace foldcraft
