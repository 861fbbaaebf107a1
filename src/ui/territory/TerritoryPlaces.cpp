#include "ui/territory/TerritoryPlaces.h"

#include "base/GeoTableDesc.h"
#include "render/map/MapCanvas.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "render/table/GeoTableModel.h"
#include "store/GeoDatabase.h"
#include "ui/shell/Globals.h"

namespace TerritoryPlaces {

QList<CTerritoryException> InExtent(const CMapCanvas& canvas) {
    if (!g_GeoDatabase.IsOpen())
        return {};
    QString error;
    const auto rows = CGeoPlaceRowsCache::Of(g_GeoDatabase).Rows(true, {}, &error);
    return rows ? OfPlaceRows(*rows, RowsInExtent(canvas, *rows)) : QList<CTerritoryException>();
}

QList<quint32> RowsInExtent(const CMapCanvas& canvas, const CGeoPlaceRows& rows) {
    QList<quint32> inside;
    for (quint32 k = 0; k < rows.Size(); ++k) {
        const CGeoPlaceRows::Point& p = rows.Coordinates(k);
        if (p.lon >= canvas.m_dLonWest && p.lon <= canvas.m_dLonEast &&
            p.lat >= canvas.m_dLatSouth && p.lat <= canvas.m_dLatNorth)
            inside << k;
    }
    return inside;
}

QList<CTerritoryException> OfPlaceRows(const CGeoPlaceRows& rows, const QList<quint32>& which) {
    QList<CTerritoryException> places;
    places.reserve(which.size());
    for (quint32 k : which) {
        places << CTerritoryException{rows.Countries()[rows.Country(k)],
                                      rows.TextOf(k, CGeoPlaceRows::Plz).toByteArray(),
                                      rows.TextOf(k, CGeoPlaceRows::Ort).toByteArray(),
                                      rows.TextOf(k, CGeoPlaceRows::Ortsteil).toByteArray(), 0};
    }
    return places;
}

QList<quint32> RowsOf(const CGeoPlaceRows& rows, const QList<CTerritoryException>& places) {
    QList<quint32> found;
    for (const CTerritoryException& e : places) {
        rows.Find(e.staat, e.plz, [&](quint32 k) {
            if (rows.TextOf(k, CGeoPlaceRows::Ort) == e.ort &&
                rows.TextOf(k, CGeoPlaceRows::Ortsteil) == e.ortsteil)
                found << k;
            return false;
        });
    }
    return found;
}

QList<CTerritoryException> OfRows(const CGeoTableModel& model, const QList<int>& rows) {
    QList<CTerritoryException> places;
    for (int row : rows) {
        places << CTerritoryException{model.CellUtf8(row, GEO_STAAT).toByteArray(),
                                      model.CellUtf8(row, GEO_PLZ).toByteArray(),
                                      model.CellUtf8(row, GEO_ORT).toByteArray(),
                                      model.CellUtf8(row, GEO_ORTSTEIL).toByteArray(), 0};
    }
    return places;
}

} // namespace TerritoryPlaces
