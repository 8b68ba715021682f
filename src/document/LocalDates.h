#pragma once

#include <QLocale>
#include <QString>

#include "model/Clock.h"

namespace foldcraft {

// How the desktop program writes a calendar day: the locale's short date format,
// with the year in four digits where the locale has two (a purge date a century
// off must not be possible to misread).
class LocalDates {
public:
    // The locale's short date format, "yy" widened to "yyyy".
    static QString ShortFormat(const QLocale& locale);
    // The local calendar day of t in that format.
    static QString Day(Time t, const QLocale& locale);
};

}  // namespace foldcraft
