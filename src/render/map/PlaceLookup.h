#pragma once

#include "render/places/PlaceEntry.h"

#include <QByteArray>

#include <vector>

class CGeoPlaceRows;

// Finds the GEO rows of a place list's entries among the rows a map draws. For each entry it
// keeps the row that the query
//   SELECT * FROM GEO WHERE [Staat]=<Staat> AND [PLZ]=<PLZ>
// gives first: the matching row with the smallest ID_Geo, where Staat and PLZ compare as the
// columns' collation does (NOCASE: only A-Z and a-z are folded, no trimming). Rows whose
// Staat or PLZ have no text value never match. An entry that names its Ort (a list) takes
// the first of these rows whose Ort or Ortsteil is that name (OrtKey), or the first row
// when none is.
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
    bool IsActive() const { return !m_aPlaceOf.empty(); }

    // Looks every entry up among the rows.
    void Resolve(const CGeoPlaceRows& rows);

    // The row found for the entry at `index`, or null when there is none.
    const Row* Find(int index) const;

    // A place name as compared: ä = ae, ö = oe, ü = ue, ß = ss, lower case, blanks
    // collapsed ("Zürich" = "ZUERICH", "Frankfurt  am Main" = "frankfurt am main").
    static QByteArray OrtKey(QByteArrayView utf8);
    // The row of GEO for Staat, PLZ and, when not empty, the place name's OrtKey; -1 when
    // no row has Staat and PLZ. *ortFound tells whether the name picked the row.
    static qint64 FindRow(const CGeoPlaceRows& rows, QByteArrayView staat, QByteArrayView plz,
                          const QByteArray& ortKey, bool* ortFound = nullptr);

private:
    // The entries are kept by the distinct places they name (a list of a million rows names
    // far fewer): an entry costs one index, a place its key texts and its row once.
    // Of each place: the lengths of its Staat, PLZ and OrtKey (three quint32), then the texts.
    QByteArray m_keys;
    std::vector<qsizetype> m_aKeyStart; // place -> offset of its key in m_keys
    std::vector<quint32> m_aPlaceOf;    // entry index -> its place
    std::vector<qint32> m_aRowOfPlace;  // place -> index into m_aRows, -1 when none is found
    std::vector<Row> m_aRows;           // the rows found, each once
};
