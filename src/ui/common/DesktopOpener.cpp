#include "ui/common/DesktopOpener.h"

#include "ui/common/UserDialogs.h"

namespace foldcraft {

bool DesktopOpener::Open(QWidget* parent, const QUrl& url) const {
    if (m_dialogs.OpenUrl(url)) return true;
    const bool file = url.isLocalFile();
    const QString shown = file ? url.toLocalFile() : url.toString();
    m_dialogs.MessageWithCopy(
        parent,
        (file ? QStringLiteral("No program could open this file:\n\n%1\n\nOpen it yourself: "
                               "the path can be copied.")
              : QStringLiteral("No program could open this address:\n\n%1\n\nOpen it "
                               "yourself: the address can be copied."))
            .arg(shown),
        file ? QStringLiteral("Copy Path") : QStringLiteral("Copy Address"), shown);
    return false;
}

bool DesktopOpener::Mail(QWidget* parent, const QString& path) const {
    if (m_dialogs.MailFile(path)) return true;
    m_dialogs.MessageWithCopy(parent,
                              QStringLiteral("No mail program could be started to send this "
                                             "file:\n\n%1\n\nAttach it to a message yourself: "
                                             "the path can be copied.")
                                  .arg(path),
                              QStringLiteral("Copy Path"), path);
    return false;
}

}  // namespace foldcraft
