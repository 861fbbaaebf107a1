#pragma once

#include "mapdoc/PlaceEntry.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// Finds the GEO rows of a place list's entries while the rows of the whole table pass by
// once, in any order. For each entry it keeps the row that the query
//   SELECT * FROM GEO WHERE [Staat]=<Staat> AND [PLZ]=<PLZ>
// gives first: the matching row with the smallest ID_Geo (the table's natural order), where
// Staat and PLZ compare as the columns' NOCASE collation does (only A-Z and a-z are folded,
// no trimming). Rows whose Staat or PLZ have no text value never match.
class CPlaceLookup {
public:
    struct Row {
        qint64 nId = 0;
        QByteArray lon; // "Langengrad", "Breitengrad" and "Ort" as stored (UTF-8)
        QByteArray lat;
        QByteArray ort;
    };

    // Starts a new pass for the entries of a list; earlier results are dropped.
    void Prepare(const CPlaceList& places);
    // Forgets the entries: later passes find nothing.
    void Clear();
    bool IsActive() const { return !m_mapSlots.empty(); }

    // One row of the pass.
    void Offer(qint64 id, QByteArrayView staat, QByteArrayView plz, QByteArrayView lon,
               QByteArrayView lat, QByteArrayView ort);

    // The row found for the entry at `index`, or null when there is none.
    const Row* Find(int index) const;

private:
    void MakeKey(QByteArrayView staat, QByteArrayView plz);

    std::unordered_map<std::string, int> m_mapSlots; // folded key -> slot
    std::vector<int> m_aEntrySlot;                   // entry index -> slot
    std::vector<std::optional<Row>> m_aSlotRow;      // slot -> row found
    std::string m_strKey;                            // work buffer for MakeKey
};
