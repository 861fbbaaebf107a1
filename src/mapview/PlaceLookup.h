#pragma once

#include "mapdoc/PlaceEntry.h"

#include <QByteArray>

#include <optional>
#include <vector>

class CGeoPlaceRows;

// Finds the GEO rows of a place list's entries among the rows a map draws. For each entry it
// keeps the row that the query
//   SELECT * FROM GEO WHERE [Staat]=<Staat> AND [PLZ]=<PLZ>
// gives first: the matching row with the smallest ID_Geo, where Staat and PLZ compare as the
// columns' collation does (NOCASE: only A-Z and a-z are folded, no trimming). Rows whose
// Staat or PLZ have no text value never match.
class CPlaceLookup {
public:
    struct Row {
        double dLon = 0.0; // the row's coordinates as the map reads them
        double dLat = 0.0;
        QByteArray ort; // "Ort" as stored (UTF-8)
    };

    // Takes the entries of a list; earlier results are dropped.
    void Prepare(const CPlaceList& places);
    // Forgets the entries: nothing is found.
    void Clear();
    bool IsActive() const { return !m_aKeys.empty(); }

    // Looks every entry up among the rows.
    void Resolve(const CGeoPlaceRows& rows);

    // The row found for the entry at `index`, or null when there is none.
    const Row* Find(int index) const;

private:
    struct Key {
        QByteArray staat; // UTF-8
        QByteArray plz;
    };
    std::vector<Key> m_aKeys;               // entry index -> its Staat and PLZ
    std::vector<std::optional<Row>> m_aRow; // entry index -> row found
};
