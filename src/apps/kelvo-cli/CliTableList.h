#pragma once

#include "render/places/TableList.h"

#include <QStringList>

class CGeoDatabase;

// What places, render and export share for a list of the user's (a spreadsheet or CSV).
namespace Cli {

struct TableListArgs {
    QString strSheet;   // --sheet NAME
    QStringList aMap;   // --map Staat=COL,PLZ=COL,...
    QString strCountry; // --country XX
    QString strAsOf;    // --stichtag DATE (places, render)
};
// Takes --sheet, --map, --country and --stichtag out of args.
TableListArgs TakeTableListArgs(QStringList& args, QString* error);

// Reads and places the list against the database's GEO. Each row without place or with a
// remark goes to standard error as "Zeile 7: <reason> (<cells>)". False with the message
// printed when the list cannot be read.
bool ReadTableList(CGeoDatabase& db, const QString& path, const TableListArgs& args,
                   CTableList* list);

// The day --stichtag names (today without it); false with the message printed.
bool AsOfDay(const TableListArgs& args, QDate* day);

// A place entry as `places` prints it: the nine fields and both colours as R,G,B,
// tab-separated.
QString PlaceEntryLine(const CPlaceEntry& entry);

} // namespace Cli
