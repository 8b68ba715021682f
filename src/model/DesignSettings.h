#pragma once

#include <cstdint>
#include <string>

// The design settings of the whole site, in the three groups of the Design step's
// pages (General, Text, Colors). Each member's initialiser is its default: what the
// page's "Set Defaults" gives it. A new setting is one member here, in its group,
// plus its place in ForEachSavedField (its place in the project file).

// The General page: what the pages show, the background, thumbnails, navigation bar.
struct CDesignGeneral {
    enum NavBarPosition : std::int32_t { kNavTop = 0, kNavBottom = 1, kNavDisabled = 2 };

    std::int32_t m_bCreateTitlePage = 1;
    std::int32_t m_bCreateSitemap = 1;
    std::int32_t m_bShowRestartButton = 1;
    std::int32_t m_nNavBarPosition = kNavTop;
    std::int32_t m_bShowFileSize = 0;
    std::int32_t m_bShowFileDate = 0;
    std::int32_t m_bShowComments = 1;
    std::int32_t m_bUseThumbnails = 1;
    std::int32_t m_nThumbWidth = 48;
    std::int32_t m_nThumbHeight = 48;
    std::int32_t m_nBackgroundPlacement = 0;
    std::string m_strBackgroundImage;

    bool operator==(const CDesignGeneral&) const = default;
};

// The Text page: title, comments, header, footer and the font.
struct CDesignText {
    std::string m_strFont = "Arial, Helvetica, sans-serif";
    std::string m_strComments = "My Comments";
    std::string m_strFooter;
    std::string m_strHeader;
    std::string m_strTitle = "My Title";

    bool operator==(const CDesignText&) const = default;
};

// The Colors page: colours as 0x00BBGGRR.
struct CDesignColors {
    std::uint32_t m_clrBodyBackground = 0xFFFFFF;
    std::uint32_t m_clrBodyText = 0x000000;
    std::uint32_t m_clrDocumentBackground = 0x00FF00;
    std::uint32_t m_clrFolderBackground = 0x339933;
    std::uint32_t m_clrFolderText = 0xFFFFFF;
    std::uint32_t m_clrLink = 0xFF0000;
    std::uint32_t m_clrVisitedLink = 0xFF00FF;

    bool operator==(const CDesignColors&) const = default;
};

// All design settings as one value (the project document is one, and the Design
// step's undo steps keep a copy from before and after each change).
struct CDesignSettings : CDesignGeneral, CDesignText, CDesignColors {
    bool operator==(const CDesignSettings&) const = default;

    // One group back to its defaults; the others keep their values.
    void ResetGeneral() { static_cast<CDesignGeneral&>(*this) = CDesignGeneral{}; }
    void ResetText() { static_cast<CDesignText&>(*this) = CDesignText{}; }
    void ResetColors() { static_cast<CDesignColors&>(*this) = CDesignColors{}; }

    // Calls visit(member) for every setting, in the order of the project file (where
    // they follow the last-publish time). Settings is CDesignSettings, const or not.
    template <typename Settings, typename Visit>
    static void ForEachSavedField(Settings& s, Visit&& visit) {
        visit(s.m_bCreateTitlePage);
        visit(s.m_bCreateSitemap);
        visit(s.m_bShowRestartButton);
        visit(s.m_nNavBarPosition);
        visit(s.m_bShowFileSize);
        visit(s.m_bShowFileDate);
        visit(s.m_bShowComments);
        visit(s.m_bUseThumbnails);
        visit(s.m_nThumbWidth);
        visit(s.m_nThumbHeight);
        visit(s.m_nBackgroundPlacement);
        visit(s.m_strBackgroundImage);
        visit(s.m_strFont);
        visit(s.m_clrBodyBackground);
        visit(s.m_clrBodyText);
        visit(s.m_clrDocumentBackground);
        visit(s.m_clrFolderBackground);
        visit(s.m_clrFolderText);
        visit(s.m_clrLink);
        visit(s.m_clrVisitedLink);
        visit(s.m_strComments);
        visit(s.m_strFooter);
        visit(s.m_strHeader);
        visit(s.m_strTitle);
    }
};
