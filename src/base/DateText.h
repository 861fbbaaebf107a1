#pragma once

#include <QDate>
#include <QStringView>

// Reads a date as users write it: the German short date "d.M.yyyy" or "d.M.yy" (24.12.2015,
// 1.2.15), day and month "d.M." of this year (24.12.) or ISO "yyyy-MM-dd" (2015-12-24).
// Day and month take one or two digits. Two-digit years 00-29 are 2000-2029, 30-99 are
// 1930-1999. A time of day "H:mm" or "H:mm:ss" may follow after blanks (or after "T" in an
// ISO date); it is dropped. Anything else, also a day or time that does not exist, gives a
// null date.
QDate ParseDateText(QStringView text);
