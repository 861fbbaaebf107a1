#pragma once

#include <QString>

// Decimal numbers as German texts write them: a comma before the decimals ("12,5"), no
// thousands separator. Formats that other programs read (the copy format, place files,
// coordinates in filters) keep their decimal point and do not use these.
namespace GermanNumbers {

// With a fixed number of decimals: Fixed(1.6666, 1) == "1,7".
QString Fixed(double value, int decimals);
// As short as "%g" writes it: Shortest(12.5) == "12,5", Shortest(25) == "25".
QString Shortest(double value);

// A count with its noun in the singular or the plural: Count(1, "Zeile", "Zeilen") == "1 Zeile".
QString Count(qint64 n, const QString& one, const QString& many);
// The same with thousands separated by a point, for counts a person reads in a message:
// Amount(12345, "Ort", "Orte") == "12.345 Orte".
QString Amount(qint64 n, const QString& one, const QString& many);

} // namespace GermanNumbers
