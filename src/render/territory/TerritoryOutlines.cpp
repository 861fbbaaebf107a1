#include "render/territory/TerritoryOutlines.h"

#include "render/export/ExportWriters.h"
#include "render/gdal/GdalFormats.h"
#include "render/rows/GeoPlaceRows.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>

#include <cstdio>
#include <mutex>

namespace {

// The module for the hulls and unions; without it the outlines stay empty, which is said
// once, since no caller reports it.
CGdalFormats* geometryFormats() {
    QString error;
    CGdalFormats* formats = GdalFormats::Get(&error);
    static std::once_flag told;
    if (!formats)
        std::call_once(told, [&error] { std::fprintf(stderr, "%s\n", qPrintable(error)); });
    return formats;
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

QJsonValue geometryOf(const CTerritoryOutline& outline) {
    if (!outline.areas)
        return geometryOf(outline.corners);
    const QJsonObject areas = QJsonDocument::fromJson(outline.areas->Json()).object();
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
    CGdalFormats* formats = geometryFormats();
    return formats ? formats->Hull(points, shape.concave, shape.ratio) : QList<QPointF>();
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
        if (!codes[i].isEmpty()) {
            QList<QByteArray> wkbs;
            for (const QByteArray& key : codes[i])
                wkbs << (*areas)[key];
            if (CGdalFormats* formats = geometryFormats())
                outline.areas = formats->Union(wkbs);
        }
        outlines << outline;
    }
    return outlines;
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
