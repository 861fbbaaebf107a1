#pragma once

#include <QByteArrayView>
#include <QStringView>

// Number conversions of database texts with the classic C runtime rules, independent of
// the process locale: leading white space is skipped, then the longest number at the start
// is taken; a text without one gives 0.
namespace TextNumbers {

// Optional sign and decimal digits ("01067" gives 1067, "12ab" gives 12, "ab" gives 0).
// Values beyond the int range are clamped.
int Atoi(QStringView text);
int Atoi(QByteArrayView text);

// Optional sign, digits with an optional decimal point, optional exponent.
double Atof(QStringView text);
double Atof(QByteArrayView text);

// The text without the C runtime's white space (space, TAB, LF, VT, FF, CR) around it.
QStringView TrimSpace(QStringView text);

// True when the whole text, apart from surrounding white space, is one decimal number.
bool ParseNumber(QByteArrayView text, double* value);

// Name of the SQL function GeoNumber(text) that each engine provides: the number a
// coordinate text holds as ParseNumber reads it, NULL for a text that is no number.
inline constexpr const char* SqlFunction = "GeoNumber";

} // namespace TextNumbers
