#pragma once

#include <QDialog>
#include <QSize>
#include <optional>

#include "document/FolderSettings.h"
#include "document/HotspotTool.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace foldcraft {
class CHotspotDisplayView;
class IUserDialogs;

// The Hotspots dialog: turns a folder into a hotspot folder, chooses its picture and
// draws the hotspots on it. It works on copies of the folder's settings; Result()
// gives the edited copies (the caller writes them back on OK). The folder must
// outlive the constructor only.
class CHotspotsDlg : public QDialog {
    Q_OBJECT
public:
    CHotspotsDlg(QWidget* parent, IUserDialogs& dialogs, const CBuildTreeFolder& folder);
    ~CHotspotsDlg() override;

    // The edited settings, as OK writes them (tools cancelled first, so an unfinished
    // polygon with fewer than 3 corners is dropped).
    HotspotSettings Result();

    HotspotTool& Tool() { return m_tool; }
    CHotspotDisplayView& Pane() { return *m_pane; }

    // The dialog's size for a picture of the given size on a screen whose available
    // area has the given size; nullopt when the size stays as it is.
    static std::optional<QSize> SizeForPicture(QSize picture, QSize screen);

    // The texts of the link list for a folder: sub-folders, then documents and links.
    static std::vector<std::string> LinkTexts(const CBuildTreeFolder& folder);

    void accept() override;
    void reject() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Building the dialog: its controls, their places, their signals, then the folder's
    // links, flag, picture and areas.
    void CreateControls();
    void LayOutControls();
    void ConnectControls();
    void ShowFolder(const CBuildTreeFolder& folder);
    void HotspotFlagToggled(bool checked);
    void Browse();
    void ToolToggled(HotspotTool::Tool tool, bool on);
    // Loads the picture at the image path (dropping the previous one, the selection
    // and the working list); a picture that cannot be read empties the path.
    void LoadPicture();
    void SizeToPicture();
    void EnableControls(bool on);
    void CancelTools();
    // Shows the tool's state: tool buttons, link list entry, status text.
    void Sync();

    IUserDialogs& m_dialogs;
    HotspotTool m_tool;
    QCheckBox* m_hotspotFolder = nullptr;
    QLabel* m_imageLabel = nullptr;
    QLineEdit* m_imagePath = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    CHotspotDisplayView* m_pane = nullptr;
    QLabel* m_linkLabel = nullptr;
    QComboBox* m_links = nullptr;
    QToolButton* m_rectangle = nullptr;
    QToolButton* m_circle = nullptr;
    QToolButton* m_polygon = nullptr;
    QToolButton* m_delete = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_hint = nullptr;  // how to use the active tool
};

}  // namespace foldcraft
