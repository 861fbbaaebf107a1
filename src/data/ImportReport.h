#pragma once

#include "data/GeoImport.h"

#include <QString>

// The German texts that report an import, for the batch tool and the program alike.
namespace ImportReport {

// "DE: vorher 23297 Zeilen, jetzt 23301; 998 Memos übernommen, 2 Memos auf Zeilen behalten,
// die nicht mehr in den Daten sind"
QString CountryLine(const CountryRefreshResult& country);
// "DE.txt: 23297 Zeilen importiert, 0 übersprungen"
QString FileLine(const CGeoImporter::FileResult& file);
// The invalid lines listed, and how many more there were; one line each.
QStringList InvalidLines(const CGeoImporter::Result& result);
// The whole report of a run for a message box: what was imported per file and per country,
// the rows in GEO now, or why nothing was imported.
QString Summary(const CGeoImporter::Result& result, const QString& tableName);

} // namespace ImportReport
