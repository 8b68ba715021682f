#pragma once

#include <QDialog>

namespace foldcraft {

// A window that shows a publish run: while the run works, Escape and the window
// manager's close are ignored, so the log and the result stay in view until the
// user has seen them; afterwards either closes the window.
class CRunWindow : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

    // Whether a run is working now.
    bool IsWorking() const { return m_working; }

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

    bool m_working = false;
};

}  // namespace foldcraft
