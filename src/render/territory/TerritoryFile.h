#pragma once

#include "render/territory/TerritoryStore.h"

#include <QList>
#include <QString>
#include <QStringList>

class CGeoPlaceRows;
class CTerritoryAssigner;

// The assignment of postal codes to territories as a table, "Staat;PLZ;Gebiet;Ort;Ortsteil":
// CSV for German spreadsheets (UTF-8 with byte-order mark, ";", RFC 4180 quoting, a name
// that a spreadsheet would run as a formula guarded with a leading ') or XLSX, written and
// read through GDAL/OGR as the user's lists are. A postal code whose places are all in one
// territory is one line without Ort; the places of a code shared by territories are a line
// each, with Ort and Ortsteil. Places in no territory are not written.
namespace TerritoryFile {

// The lines of the current assignment, in the rows' order (Staat, PLZ).
QList<CTerritoryImportLine> Lines(const CGeoPlaceRows& rows, const CTerritoryAssigner& assigner,
                                  const CTerritoryData& data);

// Writes the lines to a .csv or .xlsx file, which is replaced only when all was written.
bool Write(const QString& path, const QList<CTerritoryImportLine>& lines, QString* error);

// Reads the lines of a file (a sheet of a spreadsheet, empty: the first): the first row that
// names a column "PLZ" is the header; "Staat" and "Gebiet" are needed too, "Ort" and
// "Ortsteil" may follow. Rows without a postal code are skipped. False with a German message.
bool Read(const QString& path, const QString& sheet, QList<CTerritoryImportLine>* lines,
          QString* error);

// What an import of `rules` postal-code rules and `singles` single places says, with the
// names of the territories it created (the first 20, and how many more) and the number of
// lines that were assigned so already (`kept`): lines without a line break at the end.
QString ImportReport(int rules, int singles, const QStringList& created, int kept);

} // namespace TerritoryFile
