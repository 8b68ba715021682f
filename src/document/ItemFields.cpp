#include "document/ItemFields.h"

#include "model/BuildTreeFolder.h"

namespace foldcraft {

ItemFields ItemFields::Read(const CBuildTreeDoc& item) {
    ItemFields fields{item.m_strName,
                      item.m_strLink,
                      item.m_strComment,
                      item.m_timePublish,
                      item.m_timePurge,
                      item.m_bPurge,
                      item.m_bVisible,
                      0,
                      {}};
    if (item.IsFolder()) {
        const auto& folder = static_cast<const CBuildTreeFolder&>(item);
        fields.showContentsFor = folder.m_bShowContentsFor;
        fields.label = folder.m_strLabel;
    }
    return fields;
}

void ItemFields::Apply(CBuildTreeDoc& item) const {
    item.m_strName = name;
    item.m_strLink = link;
    item.m_strComment = comment;
    item.m_timePublish = publish;
    item.m_timePurge = purgeDate;
    item.m_bPurge = purge;
    item.m_bVisible = visible;
    if (item.IsFolder()) {
        auto& folder = static_cast<CBuildTreeFolder&>(item);
        folder.m_bShowContentsFor = showContentsFor;
        folder.m_strLabel = label;
    }
}

}  // namespace foldcraft
