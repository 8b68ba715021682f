#pragma once

#include <QString>
#include <QUrl>

class QWidget;

namespace foldcraft {

class IUserDialogs;

// Every "open in the desktop" of the program: a preview, a document, a published
// start page, a web address, the mail program for Send. A failure is never silent:
// a message box names the file (or address) and offers to copy it.
class DesktopOpener {
public:
    // dialogs must outlive this object.
    explicit DesktopOpener(IUserDialogs& dialogs) : m_dialogs(dialogs) {}

    // Opens a local file or an address in its default program; false (after the
    // message box) when that failed.
    bool Open(QWidget* parent, const QUrl& url) const;
    // Starts the mail program with the file attached; false (after the message box)
    // when that failed.
    bool Mail(QWidget* parent, const QString& path) const;

private:
    IUserDialogs& m_dialogs;
};

}  // namespace foldcraft
