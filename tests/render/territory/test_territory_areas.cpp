// Postal-code areas: polygon files read through OGR and imported by kelvo-cli, the union of a
// territory's areas as its outline (drawn by the canvas and the CLI alike, exported as GeoJSON
// that covers exactly the areas), and files that are refused with nothing changed.
#include "common/TestSupport.h"
#include "render/map/MapTestSupport.h"
#include "render/territory/PostalAreaFile.h"
#include "render/territory/TerritoryStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gdal.h>
#include <gdal_utils.h>
#include <ogr_api.h>

#include <gtest/gtest.h>

using namespace MapTest;

namespace {

// Nord: three places side by side with touching squares of one degree, and one place
// without an area; Süd: two places with separate squares of half a degree.
const QList<GeoRow> kRows = {
    {"DE", "20001", "West", "7.0", "54.0"},    {"DE", "20002", "Mitte", "8.0", "54.0"},
    {"DE", "20003", "Ost", "9.0", "54.0"},     {"DE", "20099", "Ohne", "9.0", "52.0"},
    {"DE", "80001", "Alpen", "10.0", "47.5"},  {"DE", "80002", "Donau", "12.0", "48.5"},
    {"DE", "01067", "Dresden", "13.7", "51.0"}};

struct Square {
    QJsonValue plz;
    double lon, lat, half;
};

QJsonObject squareFeature(const Square& s, const QJsonObject& more = {}) {
    QJsonObject properties = more;
    properties.insert("plz", s.plz);
    const QJsonArray ring{
        QJsonArray{s.lon - s.half, s.lat - s.half}, QJsonArray{s.lon + s.half, s.lat - s.half},
        QJsonArray{s.lon + s.half, s.lat + s.half}, QJsonArray{s.lon - s.half, s.lat + s.half},
        QJsonArray{s.lon - s.half, s.lat - s.half}};
    return QJsonObject{
        {"type", "Feature"},
        {"properties", properties},
        {"geometry", QJsonObject{{"type", "Polygon"}, {"coordinates", QJsonArray{ring}}}}};
}

QString writeCollection(const QString& path, const QJsonArray& features) {
    return TestSupport::WriteFile(
        path,
        QJsonDocument(QJsonObject{{"type", "FeatureCollection"}, {"features", features}}).toJson());
}

// The areas of the places above; 1067 is a number, as a file with a numeric column has it.
QString writeAreas(const QString& path) {
    QJsonArray features;
    for (const Square& s : {Square{"20001", 7, 54, 0.5}, Square{"20002", 8, 54, 0.5},
                            Square{"20003", 9, 54, 0.5}, Square{"80001", 10, 47.5, 0.25},
                            Square{"80002", 12, 48.5, 0.25}, Square{1067, 13.7, 51, 0.1}})
        features << squareFeature(s);
    return writeCollection(path, features);
}

void makeTerritories(CGeoDatabase& db) {
    CTerritoryStore store(db);
    QList<CTerritoryRule> rules;
    QString error;
    QStringList notes;
    const qint64 nord = store.Create({0, "Nord", "#0060c0", "", {}});
    const qint64 sued = store.Create({0, "Süd", "#c00000", "", {}});
    ASSERT_TRUE(TerritoryRules::Parse("DE 2*", &rules, &error)) << qPrintable(error);
    ASSERT_TRUE(store.AddRules(nord, rules, &notes)) << qPrintable(store.Error());
    ASSERT_TRUE(TerritoryRules::Parse("DE 8*", &rules, &error)) << qPrintable(error);
    ASSERT_TRUE(store.AddRules(sued, rules, &notes)) << qPrintable(store.Error());
}

OGRGeometryH box(double west, double south, double east, double north) {
    OGRGeometryH ring = OGR_G_CreateGeometry(wkbLinearRing);
    for (const auto& [x, y] :
         {std::pair{west, south}, std::pair{east, south}, std::pair{east, north},
          std::pair{west, north}, std::pair{west, south}})
        OGR_G_AddPoint_2D(ring, x, y);
    OGRGeometryH polygon = OGR_G_CreateGeometry(wkbPolygon);
    OGR_G_AddGeometryDirectly(polygon, ring);
    return polygon;
}

// The area of what lies in exactly one of a and b.
double differenceArea(OGRGeometryH a, OGRGeometryH b) {
    OGRGeometryH d = OGR_G_SymDifference(a, b);
    const double area = d ? OGR_G_Area(d) : -1;
    OGR_G_DestroyGeometry(d);
    return area;
}

CPostalAreas storedAreas(CGeoDatabase& db) {
    CPostalAreas areas;
    CTerritoryStore store(db);
    EXPECT_TRUE(store.LoadAreas(&areas)) << qPrintable(store.Error());
    return areas;
}

} // namespace

TEST(TerritoryAreas, TheUnionOfTheImportedAreasIsTheOutlineAndItsGeoJsonCoversExactlyThem) {
    TempGeo geo(kRows);
    makeTerritories(geo.Db());
    const QString dir = QFileInfo(geo.Path()).absolutePath();
    const QString areas = writeAreas(dir + "/plz.geojson");
    QString out, err;
    ASSERT_EQ(TestSupport::RunCli({"territory", "areas", "import", "--db", geo.Path(), areas}, dir,
                                  &out, &err),
              0)
        << qPrintable(err);
    EXPECT_EQ(out, "6 PLZ-Flächen importiert.\n");
    EXPECT_TRUE(storedAreas(geo.Db()).contains(PostalAreas::Key("DE", "01067")));

    const QString json = dir + "/umrisse.geojson";
    ASSERT_EQ(TestSupport::RunCli({"territory", "export", "--db", geo.Path(), "--outlines", json},
                                  dir, &out, &err),
              0)
        << qPrintable(err);
    GDALAllRegister();
    GDALDatasetH ds =
        GDALOpenEx(QFile::encodeName(json).constData(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
    ASSERT_TRUE(ds);
    OGRLayerH layer = GDALDatasetGetLayer(ds, 0);
    QMap<QString, OGRGeometryH> read;
    while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
        OGRGeometryH g = OGR_F_GetGeometryRef(f);
        read.insert(QString::fromUtf8(OGR_F_GetFieldAsString(f, OGR_F_GetFieldIndex(f, "Name"))),
                    g ? OGR_G_Clone(g) : nullptr);
        OGR_F_Destroy(f);
    }
    GDALClose(ds);
    ASSERT_EQ(read.keys(), QStringList({"Nord", "Süd"}));

    // Nord: the three squares as one rectangle, and the place without an area as its hull
    // (a point) beside it.
    OGRGeometryH nord = read["Nord"];
    ASSERT_TRUE(nord);
    EXPECT_EQ(wkbFlatten(OGR_G_GetGeometryType(nord)), wkbGeometryCollection);
    OGRGeometryH rectangle = box(6.5, 53.5, 9.5, 54.5);
    OGRGeometryH nordAreas = OGR_G_GetGeometryRef(nord, 0);
    EXPECT_NEAR(OGR_G_Area(nordAreas), 3.0, 1e-9);
    EXPECT_NEAR(differenceArea(nordAreas, rectangle), 0.0, 1e-9);
    OGRGeometryH hull = OGR_G_GetGeometryRef(nord, 1);
    EXPECT_EQ(wkbFlatten(OGR_G_GetGeometryType(hull)), wkbPoint);
    EXPECT_DOUBLE_EQ(OGR_G_GetX(hull, 0), 9.0);
    EXPECT_DOUBLE_EQ(OGR_G_GetY(hull, 0), 52.0);

    // Süd: two squares apart, exactly.
    OGRGeometryH sued = read["Süd"];
    ASSERT_TRUE(sued);
    EXPECT_EQ(wkbFlatten(OGR_G_GetGeometryType(sued)), wkbMultiPolygon);
    OGRGeometryH both = OGR_G_CreateGeometry(wkbMultiPolygon);
    OGR_G_AddGeometryDirectly(both, box(9.75, 47.25, 10.25, 47.75));
    OGR_G_AddGeometryDirectly(both, box(11.75, 48.25, 12.25, 48.75));
    EXPECT_NEAR(OGR_G_Area(sued), 0.5, 1e-9);
    EXPECT_NEAR(differenceArea(sued, both), 0.0, 1e-9);
    for (OGRGeometryH g : {rectangle, both, nord, sued})
        OGR_G_DestroyGeometry(g);
}

TEST(TerritoryAreas, TheCanvasAndTheCliDrawTheAreasInTheTerritoryColourInsideTheFrame) {
    TempGeo geo(kRows);
    makeTerritories(geo.Db());
    const QString dir = QFileInfo(geo.Path()).absolutePath();
    CMapCanvas canvas(geo.Db(), CMapSettings{7.5, 13, 47, 55, false, 0});
    canvas.m_bTerritoryOutlines = true;
    const QImage hulls = Render(canvas, 640, 480);
    QString out, err;
    ASSERT_EQ(TestSupport::RunCli({"territory", "areas", "import", "--db", geo.Path(),
                                   writeAreas(dir + "/plz.geojson")},
                                  dir, &out, &err),
              0)
        << qPrintable(err);
    // The import counted a change: the canvas reads the areas again by itself.
    const QImage areas = Render(canvas, 640, 480);
    EXPECT_NE(areas, hulls);
    const COLORREF blue = RGB(0, 0x60, 0xc0), red = RGB(0xc0, 0, 0);
    // The top edge of Nord's rectangle (54.5° N) from the frame to 9.5° E, and the old hull
    // of Nord's places (a line along 54° N) gone.
    const QPoint top = canvas.LonLatToPoint(8.5, 54.5), line = canvas.LonLatToPoint(8.5, 54.0);
    EXPECT_GT(CountColor(areas, top.x() - 10, top.y() - 1, 20, 3, blue), 15);
    EXPECT_EQ(CountColor(areas, line.x() - 10, line.y() - 1, 20, 3, blue), 0);
    EXPECT_GT(CountColor(hulls, line.x() - 10, line.y() - 1, 20, 3, blue), 15);
    // Süd's two squares.
    const QPoint square = canvas.LonLatToPoint(12.0, 48.75);
    EXPECT_GT(CountColor(areas, square.x() - 5, square.y() - 1, 10, 3, red), 7);
    // Cut at the frame: nothing outside it changes.
    const CRect plot = canvas.m_rectPlot;
    CMapCanvas plain(geo.Db(), CMapSettings{7.5, 13, 47, 55, false, 0});
    const QImage none = Render(plain, 640, 480);
    int outside = 0;
    for (int y = 0; y < areas.height(); ++y)
        for (int x = 0; x < areas.width(); ++x)
            if (areas.pixel(x, y) != none.pixel(x, y) &&
                !(x > plot.left && x < plot.right - 1 && y > plot.top && y < plot.bottom - 1))
                ++outside;
    EXPECT_EQ(outside, 0);

    ASSERT_EQ(TestSupport::RunCli({"render", "--db", geo.Path(), "--size", "640x480", "--extent",
                                   "7.5,13,47,55", "--outlines", dir + "/a.png"},
                                  dir, nullptr, &err),
              0)
        << qPrintable(err);
    EXPECT_EQ(QImage(dir + "/a.png").convertToFormat(QImage::Format_RGB32), areas);
}

// The areas are cut once per view and kept: what a map shows after a zoom, a change of the
// rules and another import of areas is what a new map shows.
TEST(TerritoryAreas, AfterAZoomAndChangesTheKeptAreasDrawWhatANewMapDraws) {
    TempGeo geo(kRows);
    makeTerritories(geo.Db());
    const QString dir = QFileInfo(geo.Path()).absolutePath();
    QString out, err;
    const auto importAreas = [&](const QString& path) {
        ASSERT_EQ(TestSupport::RunCli({"territory", "areas", "import", "--db", geo.Path(), path},
                                      dir, &out, &err),
                  0)
            << qPrintable(err);
    };
    importAreas(writeAreas(dir + "/plz.geojson"));
    const auto fresh = [&](const CMapSettings& settings) {
        CMapCanvas canvas(geo.Db(), settings);
        canvas.m_bTerritoryOutlines = true;
        return Render(canvas, 640, 480);
    };
    const CMapSettings wide{7.5, 13, 47, 55, false, 0}, near{7.8, 9.2, 53.2, 54.8, false, 0};
    CMapCanvas canvas(geo.Db(), near);
    canvas.m_bTerritoryOutlines = true;
    const auto view = [&](const CMapSettings& settings) {
        canvas.m_dLonWest = settings.dLonWest;
        canvas.m_dLonEast = settings.dLonEast;
        canvas.m_dLatSouth = settings.dLatSouth;
        canvas.m_dLatNorth = settings.dLatNorth;
        return Render(canvas, 640, 480);
    };
    // Zoomed in, Nord's squares are cut at the frame; zoomed out, all of them and Süd's show.
    const QImage zoomed = view(near);
    EXPECT_EQ(view(near), zoomed);
    const QImage first = view(wide);
    EXPECT_NE(first, zoomed);
    EXPECT_EQ(first, fresh(wide));
    EXPECT_EQ(view(near), zoomed);
    view(wide);
    // Süd's second code goes to Nord: its square is drawn in Nord's colour.
    CTerritoryStore store(geo.Db());
    CTerritoryData data;
    ASSERT_TRUE(store.Load(&data));
    QList<CTerritoryRule> rules;
    ASSERT_TRUE(TerritoryRules::Parse("DE 80002", &rules, &err)) << qPrintable(err);
    ASSERT_TRUE(store.AddRules(data.FindByName("Nord")->id, rules, nullptr))
        << qPrintable(store.Error());
    const QImage moved = Render(canvas, 640, 480);
    EXPECT_NE(moved, first);
    EXPECT_EQ(moved, fresh(wide));
    // Other areas: Süd's first square twice as large.
    QJsonArray features;
    for (const Square& s : {Square{"80001", 10, 47.5, 0.5}, Square{"80002", 12, 48.5, 0.25}})
        features << squareFeature(s);
    importAreas(writeCollection(dir + "/neu.geojson", features));
    const QImage larger = Render(canvas, 640, 480);
    EXPECT_NE(larger, moved);
    EXPECT_EQ(larger, fresh(wide));
}

TEST(TerritoryAreas, AGeoPackageInMetresAndAShapefileWithACountryColumnAreReadInDegrees) {
    QTemporaryDir dir;
    QJsonArray features;
    features << squareFeature({"20001", 7, 54, 0.5}, {{"land", "DE"}})
             << squareFeature({"1010", 16.4, 48.2, 0.1}, {{"land", "AT"}});
    const QString json = writeCollection(dir.filePath("plz.geojson"), features);
    GDALAllRegister();
    auto translate = [&](const QString& out, QStringList options) {
        QList<QByteArray> bytes;
        for (const QString& o : options)
            bytes << o.toUtf8();
        std::vector<char*> argv;
        for (QByteArray& b : bytes)
            argv.push_back(b.data());
        argv.push_back(nullptr);
        GDALVectorTranslateOptions* o = GDALVectorTranslateOptionsNew(argv.data(), nullptr);
        GDALDatasetH src = GDALOpenEx(QFile::encodeName(json).constData(), GDAL_OF_VECTOR, nullptr,
                                      nullptr, nullptr);
        GDALDatasetH written =
            GDALVectorTranslate(QFile::encodeName(out).constData(), nullptr, 1, &src, o, nullptr);
        GDALVectorTranslateOptionsFree(o);
        GDALClose(src);
        ASSERT_TRUE(written);
        GDALClose(written);
    };
    const QString gpkg = dir.filePath("plz.gpkg"), shp = dir.filePath("plz.shp");
    translate(gpkg, {"-f", "GPKG", "-t_srs", "EPSG:25832"});
    translate(shp, {"-f", "ESRI Shapefile"});

    for (const QString& path : {gpkg, shp}) {
        CPostalAreaColumns columns;
        QString error;
        ASSERT_TRUE(PostalAreaFile::Columns(path, &columns, &error)) << qPrintable(error);
        EXPECT_EQ(columns.names[columns.mapping.Column(CTableListMapping::Plz)], "plz");
        EXPECT_EQ(columns.names[columns.mapping.Column(CTableListMapping::Staat)], "land");
        QList<CPostalArea> areas;
        int repaired = 0, skipped = 0;
        ASSERT_TRUE(
            PostalAreaFile::Read(path, columns.mapping, &areas, &repaired, &skipped, &error))
            << qPrintable(error);
        ASSERT_EQ(areas.size(), 2);
        EXPECT_EQ(areas[1].staat + " " + areas[1].plz, "AT 1010");
        OGRGeometryH g = nullptr;
        ASSERT_EQ(
            OGR_G_CreateFromWkb(areas[0].wkb.constData(), nullptr, &g, int(areas[0].wkb.size())),
            OGRERR_NONE);
        OGREnvelope e;
        OGR_G_GetEnvelope(g, &e);
        EXPECT_NEAR(e.MinX, 6.5, 1e-6) << qPrintable(path);
        EXPECT_NEAR(e.MaxY, 54.5, 1e-6) << qPrintable(path);
        OGR_G_DestroyGeometry(g);
    }
}

TEST(TerritoryAreas, BadFilesAreRefusedWithAGermanMessageAndTheAreasStayAsTheyWere) {
    TempGeo geo(kRows);
    const QString dir = QFileInfo(geo.Path()).absolutePath();
    QString out, err;
    ASSERT_EQ(TestSupport::RunCli({"territory", "areas", "import", "--db", geo.Path(),
                                   writeAreas(dir + "/plz.geojson")},
                                  dir, &out, &err),
              0)
        << qPrintable(err);
    const CPostalAreas before = storedAreas(geo.Db());
    ASSERT_EQ(before.size(), 6);

    const QJsonObject point{
        {"type", "Feature"},
        {"properties", QJsonObject{{"plz", "20001"}}},
        {"geometry", QJsonObject{{"type", "Point"}, {"coordinates", QJsonArray{7, 54}}}}};
    QJsonArray unnamed;
    unnamed << squareFeature({"20001", 7, 54, 0.5}) << squareFeature({"20002", 8, 54, 0.5});
    for (QJsonValueRef f : unnamed) {
        QJsonObject feature = f.toObject();
        feature["properties"] = QJsonObject{{"name", "Flensburg"}};
        f = feature;
    }
    const struct {
        QString path, message;
    } bad[] = {
        {TestSupport::WriteFile(dir + "/plz.csv", "PLZ;Ort\n20001;West\n"), "keine Polygondatei"},
        {TestSupport::WriteFile(dir + "/kaputt.geojson", "{\"type\": \"FeatureCo"),
         "keine Polygondatei"},
        {writeCollection(dir + "/punkte.geojson", QJsonArray{point}), "keine Flächen"},
        {writeCollection(dir + "/ohne.geojson", unnamed), "keine Spalte mit Postleitzahlen"},
        {dir + "/fehlt.geojson", "gibt es nicht"},
    };
    for (const auto& [path, message] : bad) {
        EXPECT_EQ(TestSupport::RunCli({"territory", "areas", "import", "--db", geo.Path(), path},
                                      dir, &out, &err),
                  1)
            << qPrintable(path);
        EXPECT_TRUE(err.contains(message)) << qPrintable(path) << ": " << qPrintable(err);
        EXPECT_EQ(storedAreas(geo.Db()), before) << qPrintable(path);
    }

    // Too many areas or corners for the limits: refused before anything is stored.
    CPostalAreaColumns columns;
    QString error, report;
    const QString areas = writeAreas(dir + "/plz2.geojson");
    ASSERT_TRUE(PostalAreaFile::Columns(areas, &columns, &error)) << qPrintable(error);
    for (const CPostalAreaLimits limits :
         {CPostalAreaLimits{5, 1000}, CPostalAreaLimits{100, 20}}) {
        EXPECT_FALSE(
            PostalAreaFile::Import(geo.Db(), areas, columns.mapping, &report, &error, limits));
        EXPECT_TRUE(error.contains("zu groß")) << qPrintable(error);
        EXPECT_EQ(storedAreas(geo.Db()), before);
    }

    // A ring crossing itself (a bow tie) is made valid: its two triangles are the area; a
    // feature without a postal code is left out and said so.
    QJsonArray repairable;
    QJsonObject bowTie = squareFeature({"20001", 7, 54, 0.5});
    bowTie["geometry"] = QJsonObject{
        {"type", "Polygon"},
        {"coordinates",
         QJsonArray{QJsonArray{QJsonArray{6.5, 53.5}, QJsonArray{7.5, 54.5}, QJsonArray{7.5, 53.5},
                               QJsonArray{6.5, 54.5}, QJsonArray{6.5, 53.5}}}}};
    QJsonObject noCode = squareFeature({"", 8, 54, 0.5});
    repairable << bowTie << noCode;
    ASSERT_EQ(TestSupport::RunCli({"territory", "areas", "import", "--db", geo.Path(),
                                   writeCollection(dir + "/schleife.geojson", repairable)},
                                  dir, &out, &err),
              0)
        << qPrintable(err);
    EXPECT_EQ(out, "1 PLZ-Fläche importiert (1 repariert, 1 Objekt ohne PLZ oder Fläche "
                   "übergangen).\n");
    const CPostalAreas after = storedAreas(geo.Db());
    EXPECT_EQ(after.size(), 1); // the areas of DE were replaced
    const QByteArray wkb = after.value(PostalAreas::Key("DE", "20001"));
    OGRGeometryH g = nullptr;
    ASSERT_EQ(OGR_G_CreateFromWkb(wkb.constData(), nullptr, &g, int(wkb.size())), OGRERR_NONE);
    EXPECT_TRUE(OGR_G_IsValid(g));
    EXPECT_NEAR(OGR_G_Area(g), 0.5, 1e-9);
    OGR_G_DestroyGeometry(g);
}
