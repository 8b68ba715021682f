#pragma once

#include <QString>
#include <optional>

#include "document/FolderSettings.h"

class QWidget;
class CBuildTreeFolder;

namespace foldcraft {
class IUserDialogs;

// The Build step's own dialogs, behind one interface so that tests answer them
// without a nested event loop. QtBuildDialogs shows the real ones.
class IBuildDialogs {
public:
    struct WebLink {
        QString link;
        QString name;
    };

    virtual ~IBuildDialogs() = default;
    // The Add Folder dialog: the name on OK, nullopt on Cancel.
    virtual std::optional<QString> AskFolderName(QWidget* parent) = 0;
    // The Add Web Link dialog: link and name on OK, nullopt on Cancel.
    virtual std::optional<WebLink> AskWebLink(QWidget* parent) = 0;
    // The support-file notice; true when "Don't show me this again" was ticked.
    virtual bool SupportFileNotice(QWidget* parent) = 0;
    // The Button Styles dialog on a copy of folder's styles: the edited values on OK,
    // nullopt on Cancel. The folder is not touched: the caller applies the result.
    virtual std::optional<ButtonStyleSettings> EditButtonStyles(QWidget* parent,
                                                                const CBuildTreeFolder& folder) = 0;
    // The Hotspot editor on a copy of folder's hotspot settings; as above.
    virtual std::optional<HotspotSettings> EditHotspots(QWidget* parent,
                                                        const CBuildTreeFolder& folder) = 0;
};

// The real dialogs; their message boxes go through dialogs.
class QtBuildDialogs : public IBuildDialogs {
public:
    explicit QtBuildDialogs(IUserDialogs& dialogs) : m_dialogs(dialogs) {}
    std::optional<QString> AskFolderName(QWidget* parent) override;
    std::optional<WebLink> AskWebLink(QWidget* parent) override;
    bool SupportFileNotice(QWidget* parent) override;
    std::optional<ButtonStyleSettings> EditButtonStyles(QWidget* parent,
                                                        const CBuildTreeFolder& folder) override;
    std::optional<HotspotSettings> EditHotspots(QWidget* parent,
                                                const CBuildTreeFolder& folder) override;

private:
    IUserDialogs& m_dialogs;
};

}  // namespace foldcraft
