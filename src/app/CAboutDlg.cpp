#include "app/CAboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/common/DesktopOpener.h"
#include "ui/common/UserDialogs.h"

namespace foldcraft {
namespace {
QLabel* LinkLabel(IUserDialogs& dialogs, const QString& text, const QString& address,
                  QWidget* parent) {
    auto* label = new QLabel(QStringLiteral("<a href=\"%1\" style=\"color:#0000FF\">%2</a>")
                                 .arg(address.toHtmlEscaped(), text.toHtmlEscaped()),
                             parent);
    label->setAccessibleName(text);
    label->setCursor(Qt::PointingHandCursor);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->setOpenExternalLinks(false);
    QObject::connect(label, &QLabel::linkActivated, label, [&dialogs, label](const QString& link) {
        DesktopOpener(dialogs).Open(label->window(), QUrl(link));
    });
    return label;
}
}  // namespace

QString CAboutDlg::InformationText() {
    return QStringLiteral(
               "\n\nVersion: 1.2\n\nBuilt with Qt %1, running on Qt %2.\nQt is used under the "
               "terms of the GNU Lesser General Public License version 3.")
        .arg(QLatin1String(QT_VERSION_STR), QLatin1String(qVersion()));
}

CAboutDlg::CAboutDlg(IUserDialogs& dialogs, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(QStringLiteral("About Foldcraft"));

    auto* picture = new QLabel(this);
    picture->setPixmap(QIcon(QStringLiteral(":/icons/foldcraft.svg")).pixmap(64, 64));
    picture->setAccessibleName(QStringLiteral("Foldcraft"));
    auto* maker = new QLabel(QStringLiteral("Foldcraft was developed by Halvard."), this);
    auto* home = LinkLabel(dialogs, QStringLiteral("Halvard home page"),
                           QStringLiteral("https://halvard.example.org/"), this);
    auto* page = LinkLabel(dialogs, QStringLiteral("Foldcraft home page"),
                           QStringLiteral("https://halvard.example.org/foldcraft/"), this);
    auto* heading = new QLabel(QStringLiteral("Additional Information:"), this);
    auto* information = new QPlainTextEdit(InformationText(), this);
    information->setObjectName(QStringLiteral("aboutInformation"));
    information->setAccessibleName(QStringLiteral("Additional Information:"));
    information->setReadOnly(true);
    QPalette palette = information->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    information->setPalette(palette);
    heading->setBuddy(information);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(maker);
    texts->addWidget(home);
    texts->addWidget(page);
    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addLayout(texts, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(heading);
    layout->addWidget(information, 1);
    layout->addWidget(buttons);
    resize(420, 320);
}

}  // namespace foldcraft
