#pragma once

#include <QString>

// A spreadsheet's cell as a German sheet shows it. GDAL hands typed cells over in forms of
// its own: a date of an XLSX file as "2026/12/10" (with " 14:30:00" for a time of day), one
// of an ODS file as "2026-12-10" or "2026-12-10T14:30:00", a number with a decimal point
// ("1.5", "2.5e-07"). These come as "10.12.2026", "10.12.2026 14:30" and "1,5", "2,5E-07":
// the same value, nothing rounded. Every other text, whole numbers among them, stays as it
// is; so does every cell of a text table, which has no types.
namespace SheetCellText {

QString Shown(const QString& cell);

} // namespace SheetCellText
