#pragma once

#include <cstdint>
#include <string>

class CFoldcraftDoc;

namespace foldcraft {

// The design settings of a project (what the General, Text and Colors pages edit),
// as one value: the Design step's undo steps keep one copy from before and one from
// after each change.
struct DesignSettings {
    std::int32_t createTitlePage = 0;
    std::int32_t createSitemap = 0;
    std::int32_t showRestartButton = 0;
    std::int32_t navBarPosition = 0;
    std::int32_t showFileSize = 0;
    std::int32_t showFileDate = 0;
    std::int32_t showComments = 0;
    std::int32_t useThumbnails = 0;
    std::int32_t thumbWidth = 0;
    std::int32_t thumbHeight = 0;
    std::int32_t backgroundPlacement = 0;
    std::string backgroundImage;
    std::string font;
    std::string comments;
    std::string footer;
    std::string header;
    std::string title;
    std::uint32_t bodyBackground = 0;
    std::uint32_t bodyText = 0;
    std::uint32_t documentBackground = 0;
    std::uint32_t folderBackground = 0;
    std::uint32_t folderText = 0;
    std::uint32_t link = 0;
    std::uint32_t visitedLink = 0;

    static DesignSettings Read(const CFoldcraftDoc& doc);
    // Writes every design field; the rest of the document is not touched.
    void Apply(CFoldcraftDoc& doc) const;

    bool operator==(const DesignSettings&) const = default;
};

}  // namespace foldcraft
