#include "mapview/PlacesWithoutRow.h"

#include "db/GeoDatabase.h"
#include "db/GeoRecordset.h"
#include "db/GeoSql.h"
#include "mapview/PlaceLookup.h"

namespace PlacesWithoutRow {

bool Find(CGeoDatabase& db, const CPlaceList& places, QList<int>* entries, QString* error) {
    entries->clear();
    if (!db.IsOpen())
        return false;
    CPlaceLookup lookup;
    lookup.Prepare(places);
    CGeoRecordset rs(db);
    if (rs.Open(GeoSql::PlaceKeys(db.m_Table))) {
        while (rs.MoveNext()) {
            // Whether Staat and PLZ hold texts must be asked before they are read.
            if (rs.IsText(1) && rs.IsText(2))
                lookup.Offer(rs.FieldInt(0), rs.FieldUtf8(1), rs.FieldUtf8(2), {}, {}, {});
        }
    }
    if (rs.HasError()) {
        *error = rs.Error();
        return false;
    }
    for (int i = 0; i < places.size(); ++i) {
        if (!lookup.Find(i))
            entries->append(i);
    }
    return true;
}

QString CountText(int count, const QString& tableName) {
    return count == 1 ? QStringLiteral("1 Eintrag ohne Ort in %1").arg(tableName)
                      : QStringLiteral("%1 Einträge ohne Ort in %2").arg(count).arg(tableName);
}

QString EntryText(const CPlaceEntry& entry, const QString& tableName) {
    return QStringLiteral("Zeile %1: %2 %3 ohne Ort in %4")
        .arg(entry.m_nLine)
        .arg(entry.m_strStaat, entry.m_strPLZ, tableName);
}

} // namespace PlacesWithoutRow
