#pragma once

// Rows for table tests, written into GEO through the program's own insert statement.
#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"

#include <QStringList>
#include <QVariantList>

namespace TableTestRows {

// One row: Staat, PLZ, Ort and Memo; the other fields stay without a value (NULL).
struct Place {
    QString staat, plz, ort, memo;
};

inline bool Insert(CGeoDatabase& db, const QList<Place>& places) {
    CGeoRecordset rs(db);
    if (!rs.Open(db.Sql().InsertRow(db.m_Table)))
        return false;
    for (const Place& p : places) {
        QVariantList values;
        for (int i = 1; i < db.m_Table.m_nFields; ++i) {
            QString v;
            if (i == GEO_STAAT)
                v = p.staat;
            else if (i == GEO_PLZ)
                v = p.plz;
            else if (i == GEO_ORT)
                v = p.ort;
            else if (i == GEO_MEMO)
                v = p.memo;
            values << (v.isEmpty() ? QVariant() : QVariant(v));
        }
        if (!rs.Rebind(values) || !rs.Execute())
            return false;
    }
    return true;
}

// Five places stored out of order; in Staat, PLZ order they are AT 1010, CH 8001,
// DE 01067, DE 10115, FL 9490.
inline QList<Place> FivePlaces() {
    return {{"DE", "10115", "Berlin", ""},
            {"AT", "1010", "Wien", "Innere Stadt"},
            {"FL", "9490", "Vaduz", ""},
            {"DE", "01067", "Dresden", ""},
            {"CH", "8001", "Zürich", ""}};
}

// Memo values that are LIKE patterns: a filter "[Ort] LIKE [Memo]" matches the first three
// rows (in order) and fails on the fourth, whose pattern is malformed.
inline QList<Place> PatternPlaces() {
    return {{"AT", "1", "Aaa", "*"},
            {"AT", "2", "Bbb", "B*"},
            {"AT", "3", "Ccc", "?cc"},
            {"AT", "4", "Ddd", "[D"},
            {"AT", "5", "Eee", "*"}};
}

} // namespace TableTestRows
