#include "ui/territory/TerritoryPlaces.h"

#include "base/GeoTableDesc.h"
#include "render/map/MapCanvas.h"
#include "render/map/MapLasso.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/table/GeoTableModel.h"

namespace TerritoryPlaces {

namespace {

// The place rows whose position `inside(lon, lat)` takes; asked for every row of a large
// database, so called directly rather than through a std::function.
template <typename Inside> QList<quint32> rowsWhere(const CGeoPlaceRows& rows, Inside inside) {
    QList<quint32> found;
    for (quint32 k = 0; k < rows.Size(); ++k) {
        const CGeoPlaceRows::Point& p = rows.Coordinates(k);
        if (inside(p.lon, p.lat))
            found << k;
    }
    return found;
}

auto inExtent(const CMapCanvas& canvas) {
    return [&canvas](double lon, double lat) {
        return lon >= canvas.m_dLonWest && lon <= canvas.m_dLonEast && lat >= canvas.m_dLatSouth &&
               lat <= canvas.m_dLatNorth;
    };
}

auto inLasso(const CMapLasso& lasso) {
    return [&lasso](double lon, double lat) { return lasso.Contains(lon, lat); };
}

} // namespace

QList<quint32> RowsInExtent(const CMapCanvas& canvas, const CGeoPlaceRows& rows) {
    return rowsWhere(rows, inExtent(canvas));
}

QList<quint32> RowsInLasso(const CMapLasso& lasso, const CGeoPlaceRows& rows) {
    return rowsWhere(rows, inLasso(lasso));
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
