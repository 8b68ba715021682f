#pragma once

#include <cstdint>
#include <string>

#include "model/Clock.h"
#include "model/SerialObject.h"

// One document (a local file) or one web link of the site tree. Also the base of
// CBuildTreeFolder, so every field here exists on folders too.
class CBuildTreeDoc : public CSerialObject {
public:
    // Seconds between a new item's publish date and its purge date (365 days).
    static constexpr foldcraft::Time kDefaultPurgeSpan = 31'536'000;

    // An empty item: all fields at their defaults, times from the clock.
    CBuildTreeDoc();
    // An item with the given name, link and comment; everything else as for an empty item.
    CBuildTreeDoc(std::string name, std::string link, std::string comment);
    ~CBuildTreeDoc() override = default;

    CBuildTreeDoc(const CBuildTreeDoc&) = delete;
    CBuildTreeDoc& operator=(const CBuildTreeDoc&) = delete;

    const char* GetClassName() const override { return "CBuildTreeDoc"; }
    virtual bool IsFolder() const { return false; }

    // Whether the item lies inside its publish window at the clock's current time.
    bool IsActive() const;
    // The same test against a given "now".
    bool IsActiveAt(foldcraft::Time now) const;

    void Serialize(CArchive& ar) override;

    std::string m_strName;
    std::string m_strLink;
    std::string m_strComment;
    std::int32_t m_nFileSize = 0;
    foldcraft::Time m_timeFile = 0;
    foldcraft::Time m_timePublish = 0;
    foldcraft::Time m_timePurge = 0;
    std::int32_t m_bPurge = 0;
    std::int32_t m_bVisible = 1;

protected:
    // For CBuildTreeFolder's move assignment only (no slicing from outside).
    CBuildTreeDoc& operator=(CBuildTreeDoc&&) = default;

    // Reads or writes rows 1 to 10 of an item body (shared with folders).
    void SerializeItem(CArchive& ar);
};
