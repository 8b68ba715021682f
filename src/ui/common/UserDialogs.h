#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

class QWidget;

namespace foldcraft {

// Every question, message box, standard file or colour dialog and "open in the
// desktop" goes through this interface, so that tests answer them without a
// nested event loop. QtUserDialogs is the real one; tests use a recording double.
class IUserDialogs {
public:
    enum class Buttons {
        kOk,
        kOkCancel,
        kYesNo,
        kYesNoCancel,
        kSaveDiscardCancel,
        kRecoverDiscardLater,  // Recover, Discard, Decide Later (kLater, also on Escape)
    };
    enum class Icon { kInformation, kWarning, kError, kQuestion };
    enum class Answer { kOk, kCancel, kYes, kNo, kSave, kDiscard, kRecover, kLater };

    virtual ~IUserDialogs() = default;

    // A message box with the program's name as its caption; returns the button pressed
    // (Escape or the window's close counts as Cancel, or No where there is no Cancel).
    virtual Answer Message(QWidget* parent, const QString& text, Buttons buttons, Icon icon) = 0;

    // Standard file dialogs; an empty result (or list) means Cancel.
    virtual QString OpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter) = 0;
    virtual QStringList OpenFileNames(QWidget* parent, const QString& caption, const QString& dir,
                                      const QString& filter) = 0;
    // Asks itself whether to replace an existing file.
    virtual QString SaveFileName(QWidget* parent, const QString& caption, const QString& proposed,
                                 const QString& filter) = 0;
    virtual QString ExistingDirectory(QWidget* parent, const QString& caption,
                                      const QString& dir) = 0;

    // The colour chooser; nullopt on Cancel.
    virtual std::optional<QColor> Color(QWidget* parent, const QColor& initial) = 0;

    // Opens a file or address in its default program; false when nothing could open
    // it (no opener, or one that failed). Callers go through DesktopOpener, which
    // says so when this fails.
    virtual bool OpenUrl(const QUrl& url) = 0;
    // Starts the desktop's mail program with the file attached; false as OpenUrl.
    virtual bool MailFile(const QString& path) = 0;

    // A warning with OK and a copyButton that puts copyText on the clipboard (and
    // closes the box, as OK does).
    virtual void MessageWithCopy(QWidget* parent, const QString& text, const QString& copyButton,
                                 const QString& copyText) = 0;

    // The Edit Text dialog (a label, a header or a footer); nullopt on Cancel.
    virtual std::optional<QString> EditText(QWidget* parent, const QString& caption,
                                            const QString& text) = 0;

    // Shorthands.
    void Error(QWidget* parent, const QString& text) {
        Message(parent, text, Buttons::kOk, Icon::kWarning);
    }
    void Inform(QWidget* parent, const QString& text) {
        Message(parent, text, Buttons::kOk, Icon::kInformation);
    }
};

// The real dialogs: QMessageBox, QFileDialog, QColorDialog, and xdg-open and
// xdg-email for the desktop's programs.
class QtUserDialogs : public IUserDialogs {
public:
    Answer Message(QWidget* parent, const QString& text, Buttons buttons, Icon icon) override;
    QString OpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                         const QString& filter) override;
    QStringList OpenFileNames(QWidget* parent, const QString& caption, const QString& dir,
                              const QString& filter) override;
    QString SaveFileName(QWidget* parent, const QString& caption, const QString& proposed,
                         const QString& filter) override;
    QString ExistingDirectory(QWidget* parent, const QString& caption, const QString& dir) override;
    std::optional<QColor> Color(QWidget* parent, const QColor& initial) override;
    bool OpenUrl(const QUrl& url) override;
    bool MailFile(const QString& path) override;
    void MessageWithCopy(QWidget* parent, const QString& text, const QString& copyButton,
                         const QString& copyText) override;
    std::optional<QString> EditText(QWidget* parent, const QString& caption,
                                    const QString& text) override;
};

}  // namespace foldcraft
