#pragma once

// Small helpers that build site trees for the publish tests.

#include <memory>
#include <string>

#include "model/BuildTreeFolder.h"
#include "model/Clock.h"
#include "model/FoldcraftDoc.h"

namespace foldcraft::test {

// The clock value the publish tests pin; items made through these helpers are
// published a day before it.
constexpr Time kPublishNow = 1'700'000'000;

inline CBuildTreeDoc* AddDocument(CBuildTreeFolder& folder, const std::string& name,
                                  const std::string& link, bool active = true) {
    auto doc = std::make_unique<CBuildTreeDoc>(name, link, "");
    doc->m_timePublish = active ? kPublishNow - 86'400 : kPublishNow + 86'400;
    doc->m_timePurge = doc->m_timePublish + CBuildTreeDoc::kDefaultPurgeSpan;
    return folder.AddDoc(std::move(doc));
}

inline CBuildTreeFolder* AddSubFolder(CBuildTreeFolder& folder, const std::string& name,
                                      bool active = true) {
    auto sub = std::make_unique<CBuildTreeFolder>(name, "(folder)", "");
    sub->m_timePublish = active ? kPublishNow - 86'400 : kPublishNow + 86'400;
    sub->m_timePurge = sub->m_timePublish + CBuildTreeDoc::kDefaultPurgeSpan;
    return folder.AddFolder(std::move(sub));
}

// A new project whose root is active at kPublishNow.
inline void NewProject(CFoldcraftDoc& doc) {
    doc.OnNewDocument();
    doc.m_pRoot->m_timePublish = kPublishNow - 86'400;
    doc.m_pRoot->m_timePurge = doc.m_pRoot->m_timePublish + CBuildTreeDoc::kDefaultPurgeSpan;
}

}  // namespace foldcraft::test
