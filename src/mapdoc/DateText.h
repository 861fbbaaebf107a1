#pragma once

#include <QDate>
#include <QStringView>

// Reads a date as users write it: the German short date "d.M.yyyy" or "d.M.yy" (24.12.2015,
// 1.2.15) or ISO "yyyy-MM-dd" (2015-12-24). Day and month take one or two digits. Two-digit
// years 00-29 are 2000-2029, 30-99 are 1930-1999. Anything else, also a day that does not
// exist, gives a null date.
QDate ParseDateText(QStringView text);
