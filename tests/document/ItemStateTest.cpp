#include <gtest/gtest.h>

#include <QDateTime>

#include "document/ItemState.h"
#include "model/BuildTreeDoc.h"

using foldcraft::ItemState;
using foldcraft::Time;

namespace {

Time June(int day) {
    return QDateTime(QDate(2026, 6, day), QTime(12, 0), Qt::UTC).toSecsSinceEpoch();
}

}  // namespace

// At noon on June 15: the look and the tooltip of an item published June 10 unless the
// row says otherwise (purge 0: purging off, its date June 12).
TEST(ItemState, LookAndTooltipFollowVisibilityWindowAndFile) {
    const struct {
        bool visible;
        int publish, purge;
        bool missing;
        const char* tooltip;
        bool italic, struck;
        const char* colour;
    } rows[] = {
        {true, 10, 0, false, "Published since 6/10/2026.", false, false, ""},
        {false, 10, 0, false, "Published since 6/10/2026.\nHidden: left out of its folder's page.",
         true, false, "#808080"},
        {true, 20, 0, false, "Not yet published: publishes on 6/20/2026.", false, false, "#2060b0"},
        {true, 15, 0, false, "Published since 6/15/2026.", false, false, ""},
        {true, 10, 12, false, "Purged on 6/12/2026: no longer published.", false, true, "#808080"},
        {true, 10, 15, false, "Purged on 6/15/2026: no longer published.", false, true, "#808080"},
        {true, 10, 20, false, "Published since 6/10/2026, purged on 6/20/2026.", false, false, ""},
        {false, 10, 12, true,
         "Missing: /nowhere/x.txt is not on disk.\nPurged on 6/12/2026: no longer published.\n"
         "Hidden: left out of its folder's page.",
         true, true, "#c02020"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.tooltip);
        CBuildTreeDoc item("x", "/nowhere/x.txt", "");
        item.m_bVisible = r.visible ? 1 : 0;
        item.m_timePublish = June(r.publish);
        item.m_bPurge = r.purge != 0 ? 1 : 0;
        item.m_timePurge = June(r.purge != 0 ? r.purge : 12);
        const ItemState state = ItemState::Of(item, June(15), r.missing);
        EXPECT_EQ(state.ToolTip(QLocale(QLocale::English, QLocale::UnitedStates)).toStdString(),
                  r.tooltip);
        EXPECT_EQ(state.Italic(), r.italic);
        EXPECT_EQ(state.StruckOut(), r.struck);
        EXPECT_EQ(state.Foreground() ? state.Foreground()->name().toStdString() : "", r.colour);
    }
}
