#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class CGeoDatabase;
class CGeoTableDesc;

// Where a row stands: Staat, PLZ, Ort and Ortsteil, the fields by which a refresh pairs old
// and new rows. A field without a value and an empty one are the same, and ASCII letters
// compare without regard to case, as the table's columns compare them.
struct CGeoPlaceKey {
    QString staat, plz, ort, ortsteil;

    // From a row's cells in column order; a cell of a single space (as the record dialog
    // shows a field without a value) counts as empty.
    static CGeoPlaceKey FromCells(const QStringList& cells);
    bool Matches(const CGeoPlaceKey& other) const;
    // "DE 10115 Berlin" and ", Ortsteil Mitte" when there is one: the place in a message.
    QString Display() const;
};

// The keys of the rows at a place, in key order. False on an engine error (`error` then
// holds its message).
bool FindRowsAtPlace(CGeoDatabase& db, const CGeoTableDesc& desc, const CGeoPlaceKey& place,
                     QList<qint64>* keys, QString* error);

// The place of the row with the key: true when it was read (`exists` tells whether there is
// such a row); false on an engine error.
bool ReadPlaceOfRow(CGeoDatabase& db, const CGeoTableDesc& desc, qint64 key, CGeoPlaceKey* place,
                    bool* exists, QString* error);
