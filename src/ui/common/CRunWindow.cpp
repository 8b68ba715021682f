#include "ui/common/CRunWindow.h"

#include <QCloseEvent>

namespace foldcraft {

void CRunWindow::reject() {
    if (m_working) return;
    close();
}

void CRunWindow::closeEvent(QCloseEvent* event) {
    if (m_working) {
        event->ignore();
        return;
    }
    setResult(QDialog::Rejected);
    event->accept();
}

}  // namespace foldcraft
