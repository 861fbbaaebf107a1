// Territory outlines: the hull of a territory's places, drawn on the map in its colour inside
// the frame, written by kelvo-cli as the canvas draws it, and exported as GeoJSON that OGR
// reads back; the legend of the coloured map.
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

namespace {

// An L of places, every half degree: a bar from 7° to 11° E between 52° and 52.5° N and one
// between 7° and 7.5° E up to 56° N. Its convex hull spans the empty corner between the bars;
// a tight concave hull does not.
QList<GeoRow> lRows() {
    QList<GeoRow> rows;
    int n = 0;
    auto add = [&](double lon, double lat) {
        rows << GeoRow{"DE", QString::number(20000 + n++), "L", QString::number(lon),
                       QString::number(lat)};
    };
    for (double lon = 7.0; lon <= 11.0; lon += 0.5) {
        add(lon, 52.0);
        add(lon, 52.5);
    }
    for (double lat = 53.0; lat <= 56.0; lat += 0.5) {
        add(7.0, lat);
        add(7.5, lat);
    }
    return rows;
}

double ringArea(const QList<QPointF>& corners) {
    double twice = 0;
    for (qsizetype i = 0; i < corners.size(); ++i) {
        const QPointF a = corners[i], b = corners[(i + 1) % corners.size()];
        twice += a.x() * b.y() - b.x() * a.y();
    }
    return std::abs(twice) / 2;
}

} // namespace

TEST(TerritoryOutlines, AConcaveHullFollowsAnLAndFewPlacesDrawWhatTheConvexOneDraws) {
    std::vector<QPointF> points;
    for (const GeoRow& row : lRows())
        points.emplace_back(row.lon.toDouble(), row.lat.toDouble());
    const CTerritoryOutlineShape tight{true, 0.1};
    const QList<QPointF> convex = TerritoryOutlines::Hull(points);
    const QList<QPointF> concave = TerritoryOutlines::Hull(points, tight);
    EXPECT_DOUBLE_EQ(ringArea(convex), 9.875);
    EXPECT_DOUBLE_EQ(ringArea(concave), 3.875); // the two bars
    for (const QPointF& corner : concave)
        EXPECT_NE(std::find(points.begin(), points.end(), corner), points.end());
    // A ratio of 1 is the convex hull.
    EXPECT_DOUBLE_EQ(ringArea(TerritoryOutlines::Hull(points, {true, 1.0})), 9.875);

    // One place, two, three on a line: as the convex outline.
    for (const std::vector<QPointF>& few :
         {std::vector<QPointF>{{8, 50}}, std::vector<QPointF>{{8, 50}, {9, 51}},
          std::vector<QPointF>{{8, 50}, {9, 51}, {10, 52}},
          std::vector<QPointF>{{8, 50}, {8, 50}, {8, 50}}}) {
        EXPECT_EQ(TerritoryOutlines::Hull(few, tight), TerritoryOutlines::Hull(few));
    }

    CTerritoryOutlineShape shape;
    QString error;
    EXPECT_TRUE(TerritoryOutlines::ParseConcave("0,25", &shape, &error));
    EXPECT_TRUE(shape.concave);
    EXPECT_DOUBLE_EQ(shape.ratio, 0.25);
    EXPECT_FALSE(TerritoryOutlines::ParseConcave("1,5", &shape, &error));
    EXPECT_FALSE(TerritoryOutlines::ParseConcave("eng", &shape, &error));
    EXPECT_TRUE(error.contains("von 0 bis 1")) << qPrintable(error);
}

TEST(TerritoryOutlines, TheConcaveOutlineOfAnLIsDrawnByTheCanvasAndTheCliAlike) {
    TempGeo geo(lRows());
    CTerritoryStore store(geo.Db());
    const qint64 l = store.Create({0, "L", "#0060c0", "", {}});
    QList<CTerritoryRule> rules;
    QString error, err;
    QStringList notes;
    ASSERT_TRUE(TerritoryRules::Parse("DE 2*", &rules, &error)) << qPrintable(error);
    ASSERT_TRUE(store.AddRules(l, rules, &notes)) << qPrintable(store.Error());

    CMapCanvas canvas(geo.Db(), CMapSettings{6, 12, 51, 57, false, 0});
    canvas.m_bTerritoryOutlines = true;
    const QImage convex = Render(canvas, 640, 480);
    canvas.m_outlineShape = {true, 0.1};
    const QImage concave = Render(canvas, 640, 480);
    const COLORREF blue = RGB(0, 0x60, 0xc0);
    // The convex hull's diagonal crosses the empty corner at (9.25°, 54.25°); the concave
    // outline runs along the inner edge of the bars instead (52.5° N).
    for (const auto& [lon, lat, inConvex] :
         {std::tuple{9.25, 54.25, true}, std::tuple{9.75, 52.5, false}}) {
        const QPoint p = canvas.LonLatToPoint(lon, lat);
        EXPECT_EQ(CountColor(convex, p.x() - 3, p.y() - 3, 7, 7, blue) > 0, inConvex) << lon;
        EXPECT_EQ(CountColor(concave, p.x() - 3, p.y() - 3, 7, 7, blue) > 0, !inConvex) << lon;
    }

    const QString dir = QFileInfo(geo.Path()).absolutePath();
    ASSERT_EQ(TestSupport::RunCli({"render", "--db", geo.Path(), "--size", "640x480", "--extent",
                                   "6,12,51,57", "--outlines", "--concave", "0,1", dir + "/l.png"},
                                  dir, nullptr, &err),
              0)
        << qPrintable(err);
    EXPECT_EQ(QImage(dir + "/l.png").convertToFormat(QImage::Format_RGB32), concave);
    EXPECT_EQ(TestSupport::RunCli(
                  {"render", "--db", geo.Path(), "--outlines", "--concave", "2", dir + "/x.png"},
                  dir, nullptr, &err),
              2);
    EXPECT_TRUE(err.contains("Ungültige Enge")) << qPrintable(err);
}

TEST(TerritoryOutlines, TheLegendKeepsTheCountAfterANameWrittenRightToLeft) {
    TempGeo geo(kRows);
    CTerritoryStore store(geo.Db());
    const qint64 id = store.Create({0, "שלום עולם", "#0060c0", "", {}});
    ASSERT_GT(id, 0) << qPrintable(store.Error());
    ASSERT_TRUE(store.Assign({{"DE", "20001", "Nordwest", "", id}})) << qPrintable(store.Error());
    const auto legend = [&] {
        CMapCanvas canvas(geo.Db(), CMapSettings{6, 17, 46, 55, false, 0});
        canvas.m_bTerritoryColors = true;
        return std::make_pair(Render(canvas), canvas.m_rectPlot);
    };
    const auto [one, plot] = legend();
    ASSERT_TRUE(store.Assign({{"DE", "20002", "Nordost", "", id}}));
    const QImage two = legend().first;
    // The first line of the legend: "(1)" became "(2)"; the digit stands at its right end,
    // after the name, as in a line of left-to-right names.
    int changedRight = -1, textRight = -1;
    for (int y = plot.top + 10; y < plot.top + 26; ++y) {
        for (int x = plot.left + 1; x < plot.right - 6; ++x) {
            if (one.pixel(x, y) != two.pixel(x, y))
                changedRight = std::max(changedRight, x);
            if (qGray(two.pixel(x, y)) < 100)
                textRight = std::max(textRight, x);
        }
    }
    ASSERT_GT(changedRight, 0);
    EXPECT_GT(changedRight, textRight - 8) << changedRight << " " << textRight;
}
