#include "render/territory/TerritoryOutlines.h"

#include "render/export/ExportWriters.h"
#include "render/rows/GeoPlaceRows.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <ogr_geometry.h>

#include <memory>

namespace {

QList<QPointF> cornersOf(const OGRGeometry* geometry) {
    QList<QPointF> corners;
    if (!geometry || geometry->IsEmpty())
        return corners;
    const OGRLineString* line = nullptr;
    switch (wkbFlatten(geometry->getGeometryType())) {
    case wkbPoint: {
        const auto* point = geometry->toPoint();
        corners << QPointF(point->getX(), point->getY());
        return corners;
    }
    case wkbLineString:
        line = geometry->toLineString();
        break;
    case wkbPolygon:
        line = geometry->toPolygon()->getExteriorRing();
        break;
    default:
        return corners;
    }
    int count = line ? line->getNumPoints() : 0;
    // A ring ends on its first corner again.
    if (count > 1 && line->getX(0) == line->getX(count - 1) &&
        line->getY(0) == line->getY(count - 1))
        --count;
    for (int i = 0; i < count; ++i)
        corners << QPointF(line->getX(i), line->getY(i));
    return corners;
}

QJsonArray position(const QPointF& p) {
    return QJsonArray{p.x(), p.y()};
}

QJsonValue geometryOf(const QList<QPointF>& corners) {
    if (corners.isEmpty())
        return QJsonValue::Null;
    if (corners.size() == 1)
        return QJsonObject{{"type", "Point"}, {"coordinates", position(corners[0])}};
    QJsonArray line;
    for (const QPointF& p : corners)
        line << position(p);
    if (corners.size() == 2)
        return QJsonObject{{"type", "LineString"}, {"coordinates", line}};
    line << position(corners[0]);
    return QJsonObject{{"type", "Polygon"}, {"coordinates", QJsonArray{line}}};
}

} // namespace

namespace TerritoryOutlines {

QList<QPointF> Hull(const std::vector<QPointF>& points) {
    if (points.empty())
        return {};
    OGRMultiPoint multi;
    for (const QPointF& p : points)
        multi.addGeometryDirectly(new OGRPoint(p.x(), p.y()));
    const std::unique_ptr<OGRGeometry> hull(multi.ConvexHull());
    return cornersOf(hull.get());
}

QList<CTerritoryOutline> Of(const CGeoPlaceRows& rows, const std::vector<quint32>& territoryOfRow,
                            const CTerritoryData& data) {
    std::vector<std::vector<QPointF>> points(data.territories.size());
    for (size_t k = 0; k < territoryOfRow.size() && k < rows.Size(); ++k) {
        const quint32 t = territoryOfRow[k];
        if (t == 0 || t > points.size())
            continue;
        const CGeoPlaceRows::Point& p = rows.Coordinates(quint32(k));
        points[t - 1].emplace_back(p.lon, p.lat);
    }
    QList<CTerritoryOutline> outlines;
    for (int i = 0; i < data.territories.size(); ++i) {
        outlines << CTerritoryOutline{data.territories[i].id, qint64(points[i].size()),
                                      Hull(points[i])};
    }
    return outlines;
}

bool WriteGeoJson(const QString& path, const QList<CTerritoryOutline>& outlines,
                  const CTerritoryData& data, QString* error) {
    QJsonArray features;
    for (const CTerritoryOutline& outline : outlines) {
        const CTerritory* t = data.Find(outline.territory);
        if (!t)
            continue;
        const QJsonObject properties{{"Name", t->name},
                                     {"Farbe", t->color},
                                     {"Verantwortlich", t->responsible},
                                     {"Orte", outline.places}};
        features << QJsonObject{{"type", "Feature"},
                                {"properties", properties},
                                {"geometry", geometryOf(outline.corners)}};
    }
    const QByteArray json =
        QJsonDocument(QJsonObject{{"type", "FeatureCollection"}, {"features", features}})
            .toJson(QJsonDocument::Indented);
    QSaveFile file(path);
    // (What is still buffered goes at flush(): commit() would not tell its failure.)
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.flush() ||
        !file.commit()) {
        *error = QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: %2")
                     .arg(path, Export::WriteFailure(file));
        return false;
    }
    return true;
}

} // namespace TerritoryOutlines
