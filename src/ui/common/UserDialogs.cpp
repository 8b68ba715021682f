#include "ui/common/UserDialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>

#include "ui/common/CTextEditDlg.h"

namespace foldcraft {

IUserDialogs::Answer QtUserDialogs::Message(QWidget* parent, const QString& text, Buttons buttons,
                                            Icon icon) {
    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("Foldcraft"));
    box.setText(text);
    switch (icon) {
        case Icon::kInformation:
            box.setIcon(QMessageBox::Information);
            break;
        case Icon::kWarning:
            box.setIcon(QMessageBox::Warning);
            break;
        case Icon::kError:
            box.setIcon(QMessageBox::Critical);
            break;
        case Icon::kQuestion:
            box.setIcon(QMessageBox::Question);
            break;
    }
    switch (buttons) {
        case Buttons::kOk:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case Buttons::kOkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case Buttons::kYesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case Buttons::kYesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        case Buttons::kSaveDiscardCancel:
            box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
            break;
        case Buttons::kRecoverDiscardLater: {
            QPushButton* recover =
                box.addButton(QStringLiteral("&Recover"), QMessageBox::AcceptRole);
            QPushButton* discard =
                box.addButton(QStringLiteral("&Discard"), QMessageBox::DestructiveRole);
            QPushButton* later =
                box.addButton(QStringLiteral("Decide &Later"), QMessageBox::RejectRole);
            box.setDefaultButton(recover);
            box.setEscapeButton(later);
            box.exec();
            if (box.clickedButton() == recover) return Answer::kRecover;
            if (box.clickedButton() == discard) return Answer::kDiscard;
            return Answer::kLater;
        }
    }
    switch (box.exec()) {
        case QMessageBox::Ok:
            return Answer::kOk;
        case QMessageBox::Yes:
            return Answer::kYes;
        case QMessageBox::No:
            return Answer::kNo;
        case QMessageBox::Save:
            return Answer::kSave;
        case QMessageBox::Discard:
            return Answer::kDiscard;
        default:
            return buttons == Buttons::kYesNo ? Answer::kNo : Answer::kCancel;
    }
}

QString QtUserDialogs::OpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QStringList QtUserDialogs::OpenFileNames(QWidget* parent, const QString& caption,
                                         const QString& dir, const QString& filter) {
    return QFileDialog::getOpenFileNames(parent, caption, dir, filter);
}

QString QtUserDialogs::SaveFileName(QWidget* parent, const QString& caption,
                                    const QString& proposed, const QString& filter) {
    return QFileDialog::getSaveFileName(parent, caption, proposed, filter);
}

QString QtUserDialogs::ExistingDirectory(QWidget* parent, const QString& caption,
                                         const QString& dir) {
    return QFileDialog::getExistingDirectory(parent, caption, dir);
}

std::optional<QColor> QtUserDialogs::Color(QWidget* parent, const QColor& initial) {
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid()) return std::nullopt;
    return chosen;
}

namespace {

// Runs one of the desktop's openers. They hand the file over and end at once with
// their status; one that is still running after a few seconds (a browser started
// in the foreground) is taken to work and left to end on its own.
bool RunOpener(const QString& program, const QStringList& arguments) {
    auto* process = new QProcess(qApp);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->start(program, arguments);
    if (!process->waitForStarted()) {
        delete process;
        return false;
    }
    if (!process->waitForFinished(3000)) return process->state() == QProcess::Running;
    return process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
}

}  // namespace

bool QtUserDialogs::OpenUrl(const QUrl& url) {
    return RunOpener(QStringLiteral("xdg-open"), {url.toString(QUrl::FullyEncoded)});
}

bool QtUserDialogs::MailFile(const QString& path) {
    return RunOpener(QStringLiteral("xdg-email"), {QStringLiteral("--attach"), path});
}

void QtUserDialogs::MessageWithCopy(QWidget* parent, const QString& text, const QString& copyButton,
                                    const QString& copyText) {
    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("Foldcraft"));
    box.setIcon(QMessageBox::Warning);
    box.setText(text);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPushButton* copy = box.addButton(copyButton, QMessageBox::ActionRole);
    box.addButton(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    if (box.clickedButton() == copy) QGuiApplication::clipboard()->setText(copyText);
}

std::optional<QString> QtUserDialogs::EditText(QWidget* parent, const QString& caption,
                                               const QString& text) {
    CTextEditDlg dialog(parent);
    dialog.setWindowTitle(caption);
    dialog.SetText(text);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Text();
}

}  // namespace foldcraft
