// Polygon files of postal-code areas as OGR reads them.
#include "render/gdal/GdalModule.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>

#include <cpl_error.h>
#include <gdal.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <memory>

namespace {

// GDAL's own messages stay inside.
struct Quiet {
    Quiet() { CPLPushErrorHandler(CPLQuietErrorHandler); }
    ~Quiet() { CPLPopErrorHandler(); }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;
};

struct DatasetCloser {
    void operator()(GDALDataset* d) const { GDALClose(d); }
};
using Dataset = std::unique_ptr<GDALDataset, DatasetCloser>;

struct GeometryDeleter {
    void operator()(OGRGeometry* g) const { OGRGeometryFactory::destroyGeometry(g); }
};
using Geometry = std::unique_ptr<OGRGeometry, GeometryDeleter>;

QString notReadable(const QString& path) {
    return QStringLiteral("Die Datei \"%1\" ist keine Polygondatei, die Kelvo lesen kann "
                          "(GeoJSON, Shapefile oder GeoPackage).")
        .arg(QFileInfo(path).fileName());
}

bool isAreaType(OGRwkbGeometryType type) {
    const OGRwkbGeometryType flat = wkbFlatten(type);
    return flat == wkbPolygon || flat == wkbMultiPolygon || flat == wkbCurvePolygon ||
           flat == wkbMultiSurface || flat == wkbUnknown || flat == wkbGeometryCollection;
}

// The file and its first layer that may hold areas.
bool open(const QString& path, Dataset* dataset, OGRLayer** layer, QString* error) {
    GdalModule::RegisterDrivers();
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("Die Datei \"%1\" gibt es nicht.").arg(path);
        return false;
    }
    const char* const drivers[] = {"GeoJSON", "ESRI Shapefile", "GPKG", nullptr};
    dataset->reset(GDALDataset::Open(QFile::encodeName(path).constData(),
                                     GDAL_OF_VECTOR | GDAL_OF_READONLY, drivers));
    if (!*dataset) {
        *error = notReadable(path);
        return false;
    }
    for (int i = 0; i < (*dataset)->GetLayerCount(); ++i) {
        OGRLayer* candidate = (*dataset)->GetLayer(i);
        if (candidate && isAreaType(candidate->GetGeomType())) {
            *layer = candidate;
            return true;
        }
    }
    *error =
        QStringLiteral("Die Datei \"%1\" enthält keine Flächen.").arg(QFileInfo(path).fileName());
    return false;
}

QString fieldText(OGRFeature& feature, int field) {
    return QString::fromUtf8(feature.GetFieldAsString(field)).trimmed();
}

// The postal code of a feature. A German code written as a number lost its leading zero.
QByteArray postalCode(OGRFeature& feature, int field, const QByteArray& staat) {
    if (!feature.IsFieldSetAndNotNull(field))
        return {};
    const OGRFieldType type = feature.GetFieldDefnRef(field)->GetType();
    const bool number = type == OFTInteger || type == OFTInteger64 || type == OFTReal;
    QByteArray code = number ? QByteArray::number(feature.GetFieldAsInteger64(field))
                             : fieldText(feature, field).toUtf8();
    const bool digits = !code.isEmpty() && std::all_of(code.begin(), code.end(),
                                                       [](char c) { return c >= '0' && c <= '9'; });
    if (staat == "DE" && digits && code.size() < 5)
        code = code.rightJustified(5, '0');
    return code;
}

// The polygons of a geometry (a repaired one may hold lines and points beside them).
void addPolygons(const OGRGeometry* g, OGRMultiPolygon& into) {
    if (!g)
        return;
    switch (wkbFlatten(g->getGeometryType())) {
    case wkbPolygon:
        into.addGeometry(g);
        return;
    case wkbMultiPolygon:
    case wkbGeometryCollection:
        for (const OGRGeometry* part : *g->toGeometryCollection())
            addPolygons(part, into);
        return;
    case wkbCurvePolygon:
    case wkbMultiSurface: {
        const Geometry linear(g->getLinearGeometry());
        addPolygons(linear.get(), into);
        return;
    }
    default:
        return;
    }
}

qint64 pointsOf(const OGRMultiPolygon& polygons) {
    qint64 points = 0;
    for (const OGRPolygon* polygon : polygons)
        for (const OGRLinearRing* ring : *polygon)
            points += ring->getNumPoints();
    return points;
}

} // namespace

namespace GdalModule {

bool AreaColumns(const QString& path, int rows, QStringList* names, QList<QStringList>* cells,
                 QString* error) {
    const Quiet quiet;
    Dataset dataset;
    OGRLayer* layer = nullptr;
    if (!open(path, &dataset, &layer, error))
        return false;
    names->clear();
    cells->clear();
    const OGRFeatureDefn* defn = layer->GetLayerDefn();
    for (int i = 0; i < defn->GetFieldCount(); ++i)
        *names << QString::fromUtf8(defn->GetFieldDefn(i)->GetNameRef());
    layer->ResetReading();
    while (cells->size() < rows) {
        const std::unique_ptr<OGRFeature> feature(layer->GetNextFeature());
        if (!feature)
            break;
        QStringList row;
        for (int i = 0; i < defn->GetFieldCount(); ++i)
            row << fieldText(*feature, i);
        *cells << row;
    }
    return true;
}

bool ReadAreas(const QString& path, const CGdalAreaRequest& request, QList<CPostalArea>* areas,
               int* repaired, int* skipped, QString* error) {
    areas->clear();
    *repaired = *skipped = 0;
    const Quiet quiet;
    Dataset dataset;
    OGRLayer* layer = nullptr;
    if (!open(path, &dataset, &layer, error))
        return false;
    const QString file = QFileInfo(path).fileName();
    const int fields = layer->GetLayerDefn()->GetFieldCount();
    const int plzField = request.plzField;
    const int staatField = request.staatField;
    if (plzField < 0 || plzField >= fields) {
        *error = QStringLiteral("In der Datei \"%1\" gibt es keine Spalte mit Postleitzahlen "
                                "(etwa \"PLZ\").")
                     .arg(file);
        return false;
    }
    if (staatField >= fields || (staatField < 0 && request.country.size() != 2)) {
        *error = QStringLiteral("Für die Datei \"%1\" fehlt der Staat.").arg(file);
        return false;
    }
    // Degrees on WGS 84, longitude first, whatever the file's reference system.
    std::unique_ptr<OGRCoordinateTransformation> transform;
    if (const OGRSpatialReference* source = layer->GetSpatialRef()) {
        OGRSpatialReference wgs84;
        wgs84.SetWellKnownGeogCS("WGS84");
        wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        if (!source->IsSame(&wgs84)) {
            transform.reset(OGRCreateCoordinateTransformation(source, &wgs84));
            if (!transform) {
                *error = QStringLiteral("Die Koordinaten der Datei \"%1\" lassen sich nicht in "
                                        "Grad umrechnen.")
                             .arg(file);
                return false;
            }
        }
    }

    const QByteArray country = request.country.toUpper().toUtf8();
    QHash<QByteArray, OGRMultiPolygon> byCode;
    QList<QByteArray> order;
    qint64 points = 0;
    layer->ResetReading();
    while (true) {
        const std::unique_ptr<OGRFeature> feature(layer->GetNextFeature());
        if (!feature)
            break;
        const QByteArray staat =
            staatField < 0 ? country : fieldText(*feature, staatField).toUpper().toUtf8();
        const QByteArray plz = postalCode(*feature, plzField, staat);
        OGRGeometry* geometry = feature->GetGeometryRef();
        if (staat.isEmpty() || plz.isEmpty() || !geometry || geometry->IsEmpty()) {
            ++*skipped;
            continue;
        }
        geometry->flattenTo2D();
        if (transform && geometry->transform(transform.get()) != OGRERR_NONE) {
            ++*skipped;
            continue;
        }
        Geometry valid;
        if (!geometry->IsValid()) {
            valid.reset(geometry->MakeValid());
            if (!valid) {
                ++*skipped;
                continue;
            }
            ++*repaired;
        }
        OGRMultiPolygon polygons;
        addPolygons(valid ? valid.get() : geometry, polygons);
        if (polygons.IsEmpty()) {
            ++*skipped;
            continue;
        }
        points += pointsOf(polygons);
        const QByteArray key = PostalAreas::Key(staat, plz);
        if (!byCode.contains(key))
            order << key;
        if (order.size() > request.maxAreas || points > request.maxPoints) {
            *error = QStringLiteral("Die Datei \"%1\" ist zu groß: mehr als %2 Flächen oder %3 "
                                    "Eckpunkte. Es wurde nichts importiert.")
                         .arg(file, QLocale(QLocale::German).toString(request.maxAreas),
                              QLocale(QLocale::German).toString(request.maxPoints));
            return false;
        }
        OGRMultiPolygon& into = byCode[key];
        for (const OGRPolygon* polygon : polygons)
            into.addGeometry(polygon);
    }
    for (const QByteArray& key : order) {
        OGRMultiPolygon& parts = byCode[key];
        // Parts of one code that touch or overlap become one area.
        Geometry joined(parts.getNumGeometries() > 1 ? parts.UnionCascaded() : parts.clone());
        if (!joined) {
            ++*skipped;
            continue;
        }
        CPostalArea area;
        const qsizetype zero = key.indexOf('\0');
        area.staat = key.left(zero);
        area.plz = key.mid(zero + 1);
        area.wkb.resize(joined->WkbSize());
        joined->exportToWkb(wkbNDR, reinterpret_cast<unsigned char*>(area.wkb.data()),
                            wkbVariantIso);
        *areas << area;
    }
    if (areas->isEmpty()) {
        *error =
            QStringLiteral("Die Datei \"%1\" enthält keine Fläche mit Postleitzahl.").arg(file);
        return false;
    }
    return true;
}

} // namespace GdalModule
