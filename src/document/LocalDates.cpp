#include "document/LocalDates.h"

#include <QDateTime>
#include <QRegularExpression>

namespace foldcraft {

QString LocalDates::ShortFormat(const QLocale& locale) {
    QString format = locale.dateFormat(QLocale::ShortFormat);
    static const QRegularExpression kShortYear(QStringLiteral("(?<!y)y{1,2}(?!y)"));
    format.replace(kShortYear, QStringLiteral("yyyy"));
    return format;
}

QString LocalDates::Day(Time t, const QLocale& locale) {
    return locale.toString(QDateTime::fromSecsSinceEpoch(t).date(), ShortFormat(locale));
}

}  // namespace foldcraft
