#pragma once

#include "store/territory/Territory.h"

#include <QList>
#include <QPointF>
#include <QString>

#include <vector>

class CGeoPlaceRows;

// The outline of a territory: the convex hull of its places, in degrees (x longitude,
// y latitude). Its corners are places of the territory, in order around it and not closed
// (the last corner is not the first again); one corner for a territory whose places all lie
// on one point, two when they lie on one line, none for a territory without places.
struct CTerritoryOutline {
    qint64 territory = 0;
    qint64 places = 0;
    QList<QPointF> corners;
};

namespace TerritoryOutlines {

// The convex hull of the points (through GEOS, by way of OGR), as the corners above.
QList<QPointF> Hull(const std::vector<QPointF>& points);

// One outline per territory of `data`, in its order, from the rows and the territory of
// each row: 0 for none, else 1 + the territory's position in `data`.
QList<CTerritoryOutline> Of(const CGeoPlaceRows& rows, const std::vector<quint32>& territoryOfRow,
                            const CTerritoryData& data);

// The outlines as GeoJSON in degrees: one Feature per territory with Name, Farbe,
// Verantwortlich and Orte; a polygon, a line, a point or no geometry as its corners are.
// The file is replaced only when all was written. False with a German message.
bool WriteGeoJson(const QString& path, const QList<CTerritoryOutline>& outlines,
                  const CTerritoryData& data, QString* error);

} // namespace TerritoryOutlines
