// Territory outlines: the hull of a territory's places, drawn on the map in its colour inside
// the frame, written by kelvo-cli as the canvas draws it, and exported as GeoJSON that OGR
// reads back.
#include "common/TestSupport.h"
#include "render/map/MapTestSupport.h"
#include "render/territory/TerritoryOutlines.h"
#include "render/territory/TerritoryStore.h"

#include <QImage>

#include <gdal.h>
#include <ogr_api.h>

#include <gtest/gtest.h>

using namespace MapTest;

namespace {

// Whether p lies inside or on the convex polygon (corners in either order around it).
bool insideConvex(const QList<QPointF>& corners, QPointF p) {
    int sign = 0;
    for (qsizetype i = 0; i < corners.size(); ++i) {
        const QPointF a = corners[i], b = corners[(i + 1) % corners.size()];
        const double cross = (b.x() - a.x()) * (p.y() - a.y()) - (b.y() - a.y()) * (p.x() - a.x());
        if (std::abs(cross) < 1e-12)
            continue;
        const int s = cross > 0 ? 1 : -1;
        if (sign != 0 && s != sign)
            return false;
        sign = s;
    }
    return true;
}

// Nord: four corners, one place inside and one on an edge; Süd: two places; Ost: none.
const QList<GeoRow> kRows = {
    {"DE", "20001", "Nordwest", "7.0", "54.0"}, {"DE", "20002", "Nordost", "11.0", "54.0"},
    {"DE", "20003", "Mitte", "9.0", "53.0"},    {"DE", "20004", "Kante", "9.0", "54.0"},
    {"DE", "20005", "Südost", "11.0", "52.0"},  {"DE", "20006", "Südwest", "7.0", "52.0"},
    {"DE", "80001", "Alpen", "10.0", "47.5"},   {"DE", "80002", "Donau", "12.0", "48.5"},
    {"AT", "1010", "Wien", "16.4", "48.2"}};

void makeTerritories(CGeoDatabase& db) {
    CTerritoryStore store(db);
    const qint64 nord = store.Create({0, "Nord", "#0060c0", "Bea", {}});
    const qint64 sued = store.Create({0, "Süd \"Bayern\"", "#c00000", "", {}});
    ASSERT_GT(nord, 0) << qPrintable(store.Error());
    ASSERT_GT(sued, 0) << qPrintable(store.Error());
    ASSERT_GT(store.Create({0, "Ost", "#00a000", "", {}}), 0);
    QList<CTerritoryRule> rules;
    QString error;
    QStringList notes;
    ASSERT_TRUE(TerritoryRules::Parse("DE 2*", &rules, &error)) << qPrintable(error);
    ASSERT_TRUE(store.AddRules(nord, rules, &notes)) << qPrintable(store.Error());
    ASSERT_TRUE(TerritoryRules::Parse("DE 8*", &rules, &error)) << qPrintable(error);
    ASSERT_TRUE(store.AddRules(sued, rules, &notes)) << qPrintable(store.Error());
}

} // namespace

TEST(TerritoryOutlines, TheHullHoldsEveryPlaceAndItsCornersArePlaces) {
    const std::vector<QPointF> points = {{7, 54}, {11, 54}, {9, 53}, {9, 54},    {11, 52},
                                         {7, 52}, {8, 53},  {7, 54}, {10.5, 52}, {7.5, 53.9}};
    const QList<QPointF> hull = TerritoryOutlines::Hull(points);
    ASSERT_EQ(hull.size(), 4); // the point on the edge and the inner ones are no corners
    for (const QPointF& corner : hull)
        EXPECT_NE(std::find(points.begin(), points.end(), corner), points.end());
    for (const QPointF& p : points)
        EXPECT_TRUE(insideConvex(hull, p)) << p.x() << " " << p.y();

    // One point (however often), a line, nothing.
    EXPECT_EQ(TerritoryOutlines::Hull({{8, 50}, {8, 50}}), QList<QPointF>{QPointF(8, 50)});
    const QList<QPointF> line = TerritoryOutlines::Hull({{8, 50}, {9, 51}, {10, 52}});
    ASSERT_EQ(line.size(), 2);
    EXPECT_TRUE(line.contains(QPointF(8, 50)) && line.contains(QPointF(10, 52)));
    EXPECT_TRUE(TerritoryOutlines::Hull({}).isEmpty());
}

TEST(TerritoryOutlines, DrawnInTheTerritoryColourInsideTheFrameAndOffUnchanged) {
    TempGeo geo(kRows);
    makeTerritories(geo.Db());
    const CMapSettings settings{6, 13, 51, 55, false, 0};
    CMapCanvas colours(geo.Db(), settings);
    colours.m_bTerritoryColors = true;
    const QImage coloured = Render(colours);
    colours.m_bTerritoryOutlines = true;
    const QImage outlined = Render(colours);
    colours.m_bTerritoryOutlines = false;
    EXPECT_EQ(Render(colours), coloured);

    // Nord's top edge (54° N) runs from 7° to 11° E in its colour; Süd's line is cut at the
    // frame, and nothing outside the frame changes.
    const QPoint west = colours.LonLatToPoint(7.0, 54.0), east = colours.LonLatToPoint(11.0, 54.0);
    const int y = west.y();
    EXPECT_GT(
        CountColor(outlined, west.x() + 5, y - 1, east.x() - west.x() - 10, 3, RGB(0, 0x60, 0xc0)),
        east.x() - west.x() - 12);
    EXPECT_EQ(
        CountColor(coloured, west.x() + 5, y - 1, east.x() - west.x() - 10, 3, RGB(0, 0x60, 0xc0)),
        1); // the place on the edge
    const CRect plot = colours.m_rectPlot;
    int changedOutside = 0, changedInside = 0;
    for (int py = 0; py < outlined.height(); ++py) {
        for (int px = 0; px < outlined.width(); ++px) {
            if (outlined.pixel(px, py) == coloured.pixel(px, py))
                continue;
            const bool inside =
                px > plot.left && px < plot.right - 1 && py > plot.top && py < plot.bottom - 1;
            ++(inside ? changedInside : changedOutside);
        }
    }
    EXPECT_EQ(changedOutside, 0);
    EXPECT_GT(changedInside, 400);

    // The outlines alone, without the colours, change nothing but the lines.
    CMapCanvas plain(geo.Db(), settings);
    const QImage plainImage = Render(plain);
    plain.m_bTerritoryOutlines = true;
    const QImage plainOutlined = Render(plain);
    EXPECT_EQ(Pixel(plainOutlined, (3 * west.x() + east.x()) / 4, y), RGB(0, 0x60, 0xc0));
    plain.m_bTerritoryOutlines = false;
    EXPECT_EQ(Render(plain), plainImage);
}

TEST(TerritoryOutlines, TheCliDrawsTheCanvasPixelsAndWritesGeoJsonThatOgrReads) {
    TempGeo geo(kRows);
    makeTerritories(geo.Db());
    const QString dir = QFileInfo(geo.Path()).absolutePath();
    QString out, err;
    ASSERT_EQ(TestSupport::RunCli({"render", "--db", geo.Path(), "--size", "640x480", "--extent",
                                   "6,17,46,55", "--territories", "--outlines", dir + "/k.png"},
                                  dir, nullptr, &err),
              0)
        << qPrintable(err);
    CMapCanvas canvas(geo.Db(), CMapSettings{6, 17, 46, 55, false, 0});
    canvas.m_bTerritoryColors = canvas.m_bTerritoryOutlines = true;
    EXPECT_EQ(QImage(dir + "/k.png").convertToFormat(QImage::Format_RGB32),
              Render(canvas, 640, 480));

    const QString json = dir + "/umrisse.geojson";
    ASSERT_EQ(TestSupport::RunCli({"territory", "export", "--db", geo.Path(), "--outlines", json},
                                  dir, &out, &err),
              0)
        << qPrintable(err);
    EXPECT_EQ(out, "3 Gebietsumrisse nach " + json + " geschrieben.\n");

    GDALAllRegister();
    GDALDatasetH ds =
        GDALOpenEx(QFile::encodeName(json).constData(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
    ASSERT_TRUE(ds);
    OGRLayerH layer = GDALDatasetGetLayer(ds, 0);
    QStringList read;
    while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
        OGRGeometryH g = OGR_F_GetGeometryRef(f);
        QString shape = g ? QString::fromUtf8(OGR_G_GetGeometryName(g)) : "keine";
        if (g && wkbFlatten(OGR_G_GetGeometryType(g)) == wkbPolygon)
            shape += QString::number(OGR_G_GetPointCount(OGR_G_GetGeometryRef(g, 0)));
        read << QString::fromUtf8(OGR_F_GetFieldAsString(f, OGR_F_GetFieldIndex(f, "Name"))) + "|" +
                    OGR_F_GetFieldAsString(f, OGR_F_GetFieldIndex(f, "Farbe")) + "|" +
                    QString::fromUtf8(
                        OGR_F_GetFieldAsString(f, OGR_F_GetFieldIndex(f, "Verantwortlich"))) +
                    "|" +
                    QString::number(OGR_F_GetFieldAsInteger64(f, OGR_F_GetFieldIndex(f, "Orte"))) +
                    "|" + shape;
        OGR_F_Destroy(f);
    }
    GDALClose(ds);
    EXPECT_EQ(read, QStringList({"Nord|#0060c0|Bea|6|POLYGON5",
                                 "Süd \"Bayern\"|#c00000||2|LINESTRING", "Ost|#00a000||0|keine"}));

    // A folder that is not there: a message, and no success.
    EXPECT_EQ(TestSupport::RunCli({"territory", "export", "--db", geo.Path(), "--outlines",
                                   dir + "/fehlt/u.geojson"},
                                  dir, &out, &err),
              1);
    EXPECT_TRUE(err.contains("kann nicht geschrieben werden")) << qPrintable(err);
}

TEST(TerritoryOutlines, TheAssignmentExportCountsItsLinesInSingularAndPlural) {
    auto exported = [](const QList<GeoRow>& rows, const char* rule) {
        TempGeo geo(rows);
        CTerritoryStore store(geo.Db());
        const qint64 nord = store.Create({0, "Nord", "#0060c0", "", {}});
        QList<CTerritoryRule> rules;
        QString error, out, err;
        QStringList notes;
        EXPECT_TRUE(TerritoryRules::Parse(rule, &rules, &error)) << qPrintable(error);
        EXPECT_TRUE(store.AddRules(nord, rules, &notes)) << qPrintable(store.Error());
        const QString dir = QFileInfo(geo.Path()).absolutePath(), csv = dir + "/gebiete.csv";
        EXPECT_EQ(
            TestSupport::RunCli({"territory", "export", "--db", geo.Path(), csv}, dir, &out, &err),
            0)
            << qPrintable(err);
        return out.replace(csv, "DATEI");
    };
    EXPECT_EQ(exported(kRows, "DE 2*"), "6 Zeilen nach DATEI geschrieben.\n");
    EXPECT_EQ(exported(kRows, "DE 20001"), "1 Zeile nach DATEI geschrieben.\n");
}
