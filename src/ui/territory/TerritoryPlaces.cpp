#include "ui/territory/TerritoryPlaces.h"

#include "base/GeoTableDesc.h"
#include "render/map/MapCanvas.h"
#include "render/map/MapLasso.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "render/table/GeoTableModel.h"
#include "store/GeoDatabase.h"
#include "ui/shell/Globals.h"

namespace TerritoryPlaces {

namespace {

// The places whose position `inside` takes.
QList<CTerritoryException> placesWhere(const std::function<bool(double lon, double lat)>& inside) {
    QList<CTerritoryException> places;
    if (!g_GeoDatabase.IsOpen())
        return places;
    QString error;
    const auto rows = CGeoPlaceRowsCache::Of(g_GeoDatabase).Rows(true, {}, &error);
    for (quint32 k = 0; rows && k < rows->Size(); ++k) {
        const CGeoPlaceRows::Point& p = rows->Coordinates(k);
        if (!inside(p.lon, p.lat))
            continue;
        places << CTerritoryException{rows->Countries()[rows->Country(k)],
                                      rows->TextOf(k, CGeoPlaceRows::Plz).toByteArray(),
                                      rows->TextOf(k, CGeoPlaceRows::Ort).toByteArray(),
                                      rows->TextOf(k, CGeoPlaceRows::Ortsteil).toByteArray(), 0};
    }
    return places;
}

} // namespace

QList<CTerritoryException> InExtent(const CMapCanvas& canvas) {
    return placesWhere([&canvas](double lon, double lat) {
        return lon >= canvas.m_dLonWest && lon <= canvas.m_dLonEast && lat >= canvas.m_dLatSouth &&
               lat <= canvas.m_dLatNorth;
    });
}

QList<CTerritoryException> InLasso(const CMapLasso& lasso) {
    return placesWhere([&lasso](double lon, double lat) { return lasso.Contains(lon, lat); });
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
