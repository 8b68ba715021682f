#include <gtest/gtest.h>

#include <QDateTime>

#include "document/ItemFormRules.h"

using foldcraft::ItemFields;
using foldcraft::ItemFormRules;
using foldcraft::Time;

namespace {

Time June(int day) {
    return QDateTime(QDate(2026, 6, day), QTime(12, 0), Qt::UTC).toSecsSinceEpoch();
}

}  // namespace

// Publish June 10, purge June 20 (both at noon) unless the row picks otherwise:
// edit 0 picks the purge date, 1 the publish date, 2 ticks purging.
TEST(ItemFormRules, PurgeDateStaysAfterPublishDateWhilePurging) {
    const struct {
        int edit;
        bool purging;
        int picked, publish, purgeDate;
        bool message;
    } rows[] = {{0, true, 5, 10, 11, true},   {0, true, 10, 10, 11, true},  // same second
                {0, true, 15, 10, 15, false}, {1, true, 25, 19, 20, true},
                {0, false, 5, 10, 5, false},  {2, false, 5, 10, 11, true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << "edit " << r.edit << ", picked " << r.picked);
        ItemFields fields;
        fields.publish = June(10);
        fields.purgeDate = June(r.edit == 2 ? r.picked : 20);
        fields.purge = r.purging ? 1 : 0;
        const Time picked = June(r.picked);
        const auto outcome = r.edit == 0   ? ItemFormRules::PurgeDatePicked(fields, picked)
                             : r.edit == 1 ? ItemFormRules::PublishDatePicked(fields, picked)
                                           : ItemFormRules::PurgeSwitched(fields, true);
        EXPECT_EQ(outcome.fields.publish, June(r.publish));
        EXPECT_EQ(outcome.fields.purgeDate, June(r.purgeDate));
        EXPECT_EQ(outcome.message.empty(), !r.message);
    }
}
