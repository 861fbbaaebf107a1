#include "render/map/MapPick.h"

#include "base/GeoDistance.h"
#include "base/GermanNumbers.h"
#include "base/TextNumbers.h"
#include "render/map/MapCanvas.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"

#include <cmath>

namespace MapPick {

bool NearestPlace(CGeoDatabase& db, const CMapCanvas& canvas, QPoint point, CPickedPlace* place,
                  int maxPixels) {
    double lon = 0, lat = 0;
    if (!db.IsOpen() || !canvas.m_rectPlot.PtInRect(point.x(), point.y()) ||
        !canvas.PointToLonLat(point.x(), point.y(), &lon, &lat))
        return false;
    // The rows in a box one pixel wider than the distance (positions are truncated to
    // pixels), compared as numbers; then the drawn positions decide.
    const double dLon = std::abs((maxPixels + 1) * (canvas.m_dLonEast - canvas.m_dLonWest) /
                                 canvas.m_rectPlot.Width());
    const double dLat = std::abs((maxPixels + 1) * (canvas.m_dLatNorth - canvas.m_dLatSouth) /
                                 canvas.m_rectPlot.Height());
    CGeoRecordset rs(db);
    if (!rs.Open(db.Sql().FilteredQuery(
            db.m_Table, GeoFilter::Nearby(lon - dLon, lon + dLon, lat - dLat, lat + dLat))))
        return false;
    qint64 best = qint64(maxPixels) * maxPixels + 1;
    while (rs.MoveNext()) {
        const double rowLon = TextNumbers::Atof(rs.FieldUtf8(GEO_LANGENGRAD));
        const double rowLat = TextNumbers::Atof(rs.FieldUtf8(GEO_BREITENGRAD));
        const QPoint pt = canvas.LonLatToPoint(rowLon, rowLat);
        if (!canvas.m_rectPlot.PtInRect(pt.x(), pt.y()))
            continue;
        const qint64 dx = pt.x() - point.x(), dy = pt.y() - point.y();
        if (dx * dx + dy * dy >= best)
            continue; // the first of equally near places stays
        best = dx * dx + dy * dy;
        place->nId = rs.FieldInt(GEO_ID);
        place->strStaat = rs.FieldText(GEO_STAAT);
        place->strPLZ = rs.FieldText(GEO_PLZ);
        place->strOrt = rs.FieldText(GEO_ORT);
        place->dLon = rowLon;
        place->dLat = rowLat;
        place->dKm = GeoDistance::HaversineKm(lon, lat, rowLon, rowLat);
    }
    return !rs.HasError() && best <= qint64(maxPixels) * maxPixels;
}

QString StatusText(const CPickedPlace& place) {
    return QStringLiteral("%1, %2 %3: %4 km vom angeklickten Punkt")
        .arg(place.strOrt, place.strStaat, place.strPLZ, GermanNumbers::Fixed(place.dKm, 1));
}

} // namespace MapPick
