#include "render/map/PlacesWithoutRow.h"

#include "render/map/PlaceLookup.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "store/GeoDatabase.h"

namespace PlacesWithoutRow {

bool Find(CGeoDatabase& db, const CPlaceList& places, QList<int>* entries, QString* error) {
    entries->clear();
    if (!db.IsOpen())
        return false;
    // The rows the maps draw, shared with them: a map showing the list reads nothing more.
    QString readError;
    const std::shared_ptr<const CGeoPlaceRows> rows =
        CGeoPlaceRowsCache::Of(db).Rows(true, {}, &readError);
    if (!readError.isEmpty()) {
        *error = readError;
        return false;
    }
    CPlaceLookup lookup;
    lookup.Prepare(places);
    lookup.Resolve(*rows);
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
