#pragma once

#include <QDialog>

#include "document/TipOfTheDay.h"

class QCheckBox;
class QLabel;

namespace foldcraft {
class ISettingsStore;

// The tip of the day dialog: "Did you know..." with one tip, "&Show Tips on StartUp",
// "&Next Tip" and "&Close". Close writes the check box to the settings; Escape does
// not. Whichever way it ends, the last tip shown is written when it is destroyed.
class CTipDlg : public QDialog {
    Q_OBJECT
public:
    // settings must outlive the dialog.
    CTipDlg(ISettingsStore& settings, QWidget* parent = nullptr);
    ~CTipDlg() override;

    int ShownIndex() const { return m_tips.LastShown(); }
    QString ShownText() const;

private:
    void ShowNextTip();

    TipOfTheDay m_tips;
    QLabel* m_text = nullptr;
    QCheckBox* m_showAtStartUp = nullptr;
};

}  // namespace foldcraft
