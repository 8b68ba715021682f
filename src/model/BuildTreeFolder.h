#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/BuildTreeDoc.h"
#include "model/HotspotArea.h"

// One folder of the site tree. It owns its hotspots, its sub-folders and its
// documents and links; destroying a folder destroys all of them.
class CBuildTreeFolder : public CBuildTreeDoc {
public:
    enum ButtonStyle : std::int32_t {
        kStyleDefault = 0,
        kStyleRadio = 1,
        kStyleText = 2,
        kStyleGraphic = 3
    };

    CBuildTreeFolder() = default;
    CBuildTreeFolder(std::string name, std::string link, std::string comment)
        : CBuildTreeDoc(std::move(name), std::move(link), std::move(comment)) {}
    ~CBuildTreeFolder() override;
    // Takes over another folder's fields and children (the previous children are
    // destroyed, each folder clearing its own subtree without deep recursion);
    // other is left with empty lists.
    CBuildTreeFolder& operator=(CBuildTreeFolder&& other) noexcept = default;

    const char* GetClassName() const override { return "CBuildTreeFolder"; }
    bool IsFolder() const override { return true; }

    void Serialize(CArchive& ar) override;

    // Sorts the sub-folders and the documents of this folder, then of every folder
    // below it, by lower-cased name; equal keys keep their order.
    void SortChildren(bool ascending);

    // Destroys every hotspot, document, link and sub-folder (recursively) and leaves
    // the three lists empty. The folder's own fields stay.
    void ClearChildren();

    // Index of the area of m_arrHotspots that contains (x, y), examining the last
    // drawn first; -1 when none does.
    int HitTestHotspot(std::int32_t x, std::int32_t y) const;

    // The number of items in this folder's subtree, the folder itself included.
    size_t CountItems() const;

    // Appends a child and returns it; the folder takes ownership.
    CBuildTreeFolder* AddFolder(std::unique_ptr<CBuildTreeFolder> folder);
    CBuildTreeDoc* AddDoc(std::unique_ptr<CBuildTreeDoc> doc);
    CHotspotArea* AddHotspot(std::unique_ptr<CHotspotArea> area);

    std::int32_t m_nFolderButtonStyle = kStyleDefault;
    std::int32_t m_nFileButtonStyle = kStyleDefault;
    std::int32_t m_nFolderButtonGraphic = 0;
    std::int32_t m_nFileButtonGraphic = 0;
    std::int32_t m_bShowContentsFor = 0;
    std::int32_t m_bHotspotFolder = 0;
    std::string m_strHotspotImage;
    std::string m_strLabel;
    std::vector<std::unique_ptr<CHotspotArea>> m_arrHotspots;
    std::vector<std::unique_ptr<CBuildTreeFolder>> m_arrFolders;
    std::vector<std::unique_ptr<CBuildTreeDoc>> m_arrDocs;
};
