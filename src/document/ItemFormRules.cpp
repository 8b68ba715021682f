#include "document/ItemFormRules.h"

#include <ctime>

#include "document/LocalDates.h"

namespace foldcraft {

std::string ItemFormRules::NameFromField(std::string_view text) {
    return std::string(text.empty() ? kEmptyName : text);
}

ItemFormRules::Outcome ItemFormRules::PurgeDatePicked(ItemFields fields, Time t) {
    if (fields.purge == 1 && t <= fields.publish) {
        fields.purgeDate = fields.publish + kDay;
        return {fields, std::string(kPurgeMessage)};
    }
    fields.purgeDate = t;
    return {fields, {}};
}

ItemFormRules::Outcome ItemFormRules::PublishDatePicked(ItemFields fields, Time t) {
    if (fields.purge == 1 && t >= fields.purgeDate) {
        fields.publish = fields.purgeDate - kDay;
        return {fields, std::string(kPublishMessage)};
    }
    fields.publish = t;
    return {fields, {}};
}

ItemFormRules::Outcome ItemFormRules::PurgeSwitched(ItemFields fields, bool on) {
    fields.purge = on ? 1 : 0;
    if (on && fields.purgeDate <= fields.publish) {
        fields.purgeDate = fields.publish + kDay;
        return {fields, std::string(kPurgeMessage)};
    }
    return {fields, {}};
}

QString ItemFormRules::Explained(const Outcome& outcome, const QLocale& locale) {
    if (outcome.message.empty()) return {};
    QString text = QString::fromStdString(outcome.message);
    if (outcome.message == kPurgeMessage)
        text += QStringLiteral(" The purge date is now %1.")
                    .arg(LocalDates::Day(outcome.fields.purgeDate, locale));
    else if (outcome.message == kPublishMessage)
        text += QStringLiteral(" The publish date is now %1.")
                    .arg(LocalDates::Day(outcome.fields.publish, locale));
    return text;
}

Time ItemFormRules::OnDay(Time original, int year, int month, int day) {
    const std::time_t when = static_cast<std::time_t>(original);
    std::tm local{};
    if (!localtime_r(&when, &local)) return original;
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_isdst = -1;
    const std::time_t result = std::mktime(&local);
    return result == static_cast<std::time_t>(-1) ? original : static_cast<Time>(result);
}

}  // namespace foldcraft
