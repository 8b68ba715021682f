#pragma once

#include <QDialog>

#include "document/FolderSettings.h"

class QButtonGroup;
class QLabel;
class QSpinBox;

namespace foldcraft {

// The Button Styles dialog: per group (Folders, Files) four radio buttons for the
// style and, for "Graphic:", the picture of the chosen button graphic with a spin
// control 0 to 6 that wraps. Changing the number selects "Graphic:". It works on a
// copy; Result() gives the values that OK stores. A graphic number outside 0 to 6
// shows graphic 0 and is kept unless the user changes it; a style outside 0 to 3
// checks no radio button and is kept unless the user chooses one.
class CButtonStyleDlg : public QDialog {
    Q_OBJECT
public:
    enum Group { kFolders = 0, kFiles = 1 };

    CButtonStyleDlg(QWidget* parent, const ButtonStyleSettings& settings);

    ButtonStyleSettings Result() const;

    // The graphic whose picture a group shows (0 to 6).
    int ShownGraphic(Group group) const { return m_shown[group]; }
    QSpinBox* Spin(Group group) const { return m_spin[group]; }
    QButtonGroup* Styles(Group group) const { return m_styles[group]; }

private:
    void NumberChanged(Group group, int number);
    void ShowGraphic(Group group, int graphic);

    ButtonStyleSettings m_loaded;
    QButtonGroup* m_styles[2] = {};
    QSpinBox* m_spin[2] = {};
    QLabel* m_picture[2] = {};
    int m_number[2] = {0, 0};
    int m_shown[2] = {0, 0};
};

}  // namespace foldcraft
