#pragma once

#include <QLocale>
#include <QString>
#include <string>
#include <string_view>

#include "document/ItemFields.h"
#include "model/Clock.h"

namespace foldcraft {

// The decisions of the item form, without the form: the name rule and the rules
// that keep a purge date after its publish date while purging is on.
class ItemFormRules {
public:
    static constexpr std::string_view kEmptyName = "Folder Name";
    static constexpr std::string_view kPurgeMessage =
        "Cannot set purge date on or before active publish date.";
    static constexpr std::string_view kPublishMessage =
        "Cannot set publish date on or after active purge date.";
    static constexpr Time kDay = 86400;

    // What an edit leads to: the item's new fields and the message to show (empty
    // when the edit stands as made).
    struct Outcome {
        ItemFields fields;
        std::string message;
    };

    // The name an item takes from the Name field: the text, or "Folder Name" for
    // an empty field.
    static std::string NameFromField(std::string_view text);

    // A purge date t picked: refused when purging is on and t is on or before the
    // publish date; the purge date then becomes the publish date plus one day.
    static Outcome PurgeDatePicked(ItemFields fields, Time t);
    // A publish date t picked: refused when purging is on and t is on or after the
    // purge date; the publish date then becomes the purge date minus one day.
    static Outcome PublishDatePicked(ItemFields fields, Time t);
    // "Purge:" ticked or cleared. Ticking checks the purge date as above.
    static Outcome PurgeSwitched(ItemFields fields, bool on);
    // The message of an outcome for the user, with the date the rule chose in its
    // place written in the locale's short format (" The purge date is now 6/11/2026.");
    // empty when the edit stood as made.
    static QString Explained(const Outcome& outcome, const QLocale& locale);

    // The time on the given local calendar day with the time of day of original
    // (the date pickers show only the day).
    static Time OnDay(Time original, int year, int month, int day);
};

}  // namespace foldcraft
