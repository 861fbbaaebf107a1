#pragma once

#include "render/places/PlaceEntry.h"

#include <QList>
#include <QString>

class CGeoDatabase;

// The entries of a place list that name no place of table GEO: no row has their Staat and
// PLZ (compared as a map window finds an entry's row, CPlaceLookup), so no map shows them.
namespace PlacesWithoutRow {

// Fills *entries with the indexes of such entries, in list order, looked up among the rows
// the maps draw (CGeoDatabase::PlaceRows). False when the table cannot be read (the database
// is closed, or the engine's message is in *error); nothing is matched then.
bool Find(CGeoDatabase& db, const CPlaceList& places, QList<int>* entries, QString* error);

// "3 Einträge ohne Ort in GEO" ("1 Eintrag ...").
QString CountText(int count, const QString& tableName);
// "Zeile 4: DE 99999 ohne Ort in GEO".
QString EntryText(const CPlaceEntry& entry, const QString& tableName);

} // namespace PlacesWithoutRow
