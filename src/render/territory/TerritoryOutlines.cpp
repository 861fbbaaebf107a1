#include "render/territory/TerritoryOutlines.h"

#include "render/export/ExportWriters.h"
#include "render/rows/GeoPlaceRows.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>

#include <ogr_geometry.h>

#include <algorithm>
#include <functional>
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

struct GeometryDeleter {
    void operator()(OGRGeometry* g) const { OGRGeometryFactory::destroyGeometry(g); }
};
using Geometry = std::unique_ptr<OGRGeometry, GeometryDeleter>;

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

QJsonValue geometryOf(const CTerritoryOutline& outline) {
    if (!outline.areas)
        return geometryOf(outline.corners);
    char* text = outline.areas->exportToJson();
    const QJsonObject areas = QJsonDocument::fromJson(QByteArray(text)).object();
    CPLFree(text);
    if (outline.corners.isEmpty())
        return areas;
    return QJsonObject{{"type", "GeometryCollection"},
                       {"geometries", QJsonArray{areas, geometryOf(outline.corners)}}};
}

} // namespace

namespace TerritoryOutlines {

QList<QPointF> Hull(const std::vector<QPointF>& points, const CTerritoryOutlineShape& shape) {
    if (points.empty())
        return {};
    OGRMultiPoint multi;
    for (const QPointF& p : points)
        multi.addGeometryDirectly(new OGRPoint(p.x(), p.y()));
    const Geometry convex(multi.ConvexHull());
    if (!shape.concave || !convex || wkbFlatten(convex->getGeometryType()) != wkbPolygon)
        return cornersOf(convex.get());
    const Geometry concave(multi.ConcaveHull(std::clamp(shape.ratio, 0.0, 1.0), false));
    const QList<QPointF> corners = cornersOf(concave.get());
    return corners.size() >= 3 ? corners : cornersOf(convex.get());
}

QList<CTerritoryOutline> Of(const CGeoPlaceRows& rows, const std::vector<quint32>& territoryOfRow,
                            const CTerritoryData& data, const CTerritoryOutlineShape& shape,
                            const CPostalAreas* areas) {
    const qsizetype count = data.territories.size();
    std::vector<std::vector<QPointF>> points(count);
    std::vector<qint64> places(count, 0);
    std::vector<QSet<QByteArray>> codes(count);
    for (size_t k = 0; k < territoryOfRow.size() && k < rows.Size(); ++k) {
        const quint32 t = territoryOfRow[k];
        if (t == 0 || t > points.size())
            continue;
        ++places[t - 1];
        if (areas && !areas->isEmpty()) {
            const QByteArray key =
                PostalAreas::Key(rows.Countries()[rows.Country(quint32(k))],
                                 rows.TextOf(quint32(k), CGeoPlaceRows::Plz).toByteArray());
            if (areas->contains(key)) {
                codes[t - 1].insert(key);
                continue;
            }
        }
        const CGeoPlaceRows::Point& p = rows.Coordinates(quint32(k));
        points[t - 1].emplace_back(p.lon, p.lat);
    }
    QList<CTerritoryOutline> outlines;
    for (qsizetype i = 0; i < count; ++i) {
        CTerritoryOutline outline{data.territories[i].id, places[i], Hull(points[i], shape), {}};
        OGRMultiPolygon parts;
        for (const QByteArray& key : codes[i]) {
            const QByteArray& wkb = (*areas)[key];
            OGRGeometry* area = nullptr;
            if (OGRGeometryFactory::createFromWkb(wkb.constData(), nullptr, &area, wkb.size()) !=
                OGRERR_NONE)
                continue;
            const Geometry owned(area);
            if (wkbFlatten(area->getGeometryType()) == wkbPolygon)
                parts.addGeometry(area);
            else if (wkbFlatten(area->getGeometryType()) == wkbMultiPolygon)
                for (const OGRPolygon* polygon : *area->toMultiPolygon())
                    parts.addGeometry(polygon);
        }
        if (!parts.IsEmpty()) {
            if (OGRGeometry* joined = parts.UnionCascaded())
                outline.areas.reset(joined, GeometryDeleter());
        }
        outlines << outline;
    }
    return outlines;
}

QList<QList<QPointF>> Rings(const OGRGeometry& areas, const QRectF& extent, double tolerance) {
    QList<QList<QPointF>> rings;
    OGRLinearRing frame;
    frame.addPoint(extent.left(), extent.top());
    frame.addPoint(extent.right(), extent.top());
    frame.addPoint(extent.right(), extent.bottom());
    frame.addPoint(extent.left(), extent.bottom());
    frame.closeRings();
    OGRPolygon box;
    box.addRing(&frame);
    const Geometry inside(areas.Intersection(&box));
    if (!inside || inside->IsEmpty())
        return rings;
    const Geometry simple(tolerance > 0 ? inside->SimplifyPreserveTopology(tolerance)
                                        : inside->clone());
    const OGRGeometry* shown = simple ? simple.get() : inside.get();
    const std::function<void(const OGRGeometry*)> collect = [&](const OGRGeometry* g) {
        switch (wkbFlatten(g->getGeometryType())) {
        case wkbPolygon:
            for (const OGRLinearRing* ring : *g->toPolygon()) {
                QList<QPointF> corners;
                for (const OGRPoint& p : *ring)
                    corners << QPointF(p.getX(), p.getY());
                if (corners.size() >= 2)
                    rings << corners;
            }
            return;
        case wkbMultiPolygon:
        case wkbGeometryCollection:
            for (const OGRGeometry* part : *g->toGeometryCollection())
                collect(part);
            return;
        default:
            return;
        }
    };
    collect(shown);
    return rings;
}

bool ParseConcave(const QString& text, CTerritoryOutlineShape* shape, QString* error) {
    bool ok = false;
    const double ratio = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    if (!ok || !(ratio >= 0.0 && ratio <= 1.0)) {
        *error = QStringLiteral("Ungültige Enge \"%1\" des konkaven Umrisses (erwartet eine "
                                "Zahl von 0 bis 1, etwa 0,3).")
                     .arg(text);
        return false;
    }
    shape->concave = true;
    shape->ratio = ratio;
    return true;
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
        features << QJsonObject{
            {"type", "Feature"}, {"properties", properties}, {"geometry", geometryOf(outline)}};
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
