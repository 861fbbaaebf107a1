// The base map: its layers where the places of the real world are, the data files that may be
// missing, true proportions and the legend; everything off leaves the map as it was.
#include "common/CaseTable.h"
#include "common/LiveHeap.h"
#include "render/basemap/BaseMapData.h"
#include "render/basemap/BaseMapDraw.h"
#include "render/map/MapLegend.h"
#include "render/map/MapStyle.h"
#include "render/map/MapTestSupport.h"
#include "render/rows/GeoPlaceRowsCache.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

using namespace MapTest;

namespace {

int distance(QRgb a, unsigned b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
           std::abs(qBlue(a) - qBlue(b));
}

// A pixel drawn by a line of `color`: nearer to it than to land and water.
bool isLine(QRgb pixel, unsigned color) {
    const int d = distance(pixel, color);
    return d < distance(pixel, BaseMap::kLand) && d < distance(pixel, BaseMap::kWater) && d < 120;
}

bool lineNear(const QImage& img, QPoint at, int radius, unsigned color) {
    for (int y = at.y() - radius; y <= at.y() + radius; ++y) {
        for (int x = at.x() - radius; x <= at.x() + radius; ++x) {
            if (img.valid(x, y) && isLine(img.pixel(x, y), color))
                return true;
        }
    }
    return false;
}

#define SKIP_WITHOUT_DATA()                                                                        \
    if (!CBaseMapData::Shared().IsAvailable())                                                     \
    GTEST_SKIP() << "Die Grundkarte ist nicht installiert."

// A map of 1.2 degrees across with the point off the centre (where the grid lines run).
CMapSettings around(double lon, double lat) {
    CMapSettings s = DefaultSettings();
    s.dLonWest = lon - 0.43;
    s.dLonEast = lon + 0.77;
    s.dLatSouth = lat - 0.27;
    s.dLatNorth = lat + 0.53;
    s.bBaseMap = true;
    return s;
}

} // namespace

TEST(BaseMap, KnownPlacesShowLandWaterShoresBordersAndRivers) {
    SKIP_WITHOUT_DATA();
    TempGeo geo;
    for (const CaseTable::Row& row : CaseTable::Read("basemap_points")) {
        const double lon = row.Text(0).toDouble(), lat = row.Text(1).toDouble();
        const QByteArray what = row[2];
        CMapCanvas canvas(geo.Db(), around(lon, lat));
        const QImage img = Render(canvas);
        const QPoint at = canvas.LonLatToPoint(lon, lat);
        const QRgb pixel = img.pixel(at);
        const std::string where = CaseTable::Where("basemap_points", row);
        if (what == "land")
            EXPECT_EQ(pixel & 0xffffff, BaseMap::kLand) << where;
        else if (what == "water")
            EXPECT_EQ(pixel & 0xffffff, BaseMap::kWater) << where;
        else if (what == "shore")
            EXPECT_TRUE(lineNear(img, at, 6, BaseMap::kShore)) << where;
        else if (what == "border")
            EXPECT_TRUE(lineNear(img, at, 6, BaseMap::kBorder)) << where;
        else if (what == "river")
            EXPECT_TRUE(lineNear(img, at, 6, BaseMap::kRiver)) << where;
        else
            ADD_FAILURE() << where << ": " << what.constData();
    }
}

TEST(BaseMap, NeighboursShareTheirBorderPointsWhereverTheFileKeepsTheirLongitudes) {
    SKIP_WITHOUT_DATA();
    for (const CaseTable::Row& row : CaseTable::Read("basemap_vertices")) {
        const QPointF point(row.Text(0).toDouble(), row.Text(1).toDouble());
        const std::string where = CaseTable::Where("basemap_vertices", row);
        const QRectF extent(point - QPointF(0.1, 0.1), QSizeF(0.2, 0.2));
        const auto countries = CBaseMapData::Shared().Countries(extent);
        for (const QByteArray& code : {row[2], row[3]}) {
            // The nearest point of the country's outline as it is drawn.
            double nearest = 1e9;
            for (const auto& [country, shift] : countries) {
                if (country->code != code)
                    continue;
                for (const CGeoLine& ring : country->rings) {
                    for (const QPointF& p : ring)
                        nearest = std::min(
                            nearest, std::hypot(p.x() + shift - point.x(), p.y() - point.y()));
                }
            }
            EXPECT_LT(nearest, 0.001) << where << ' ' << code.constData();
        }
    }
}

TEST(BaseMap, MapsAcrossZeroAndAcrossTheDateLineShowTheLandOfEveryCountry) {
    SKIP_WITHOUT_DATA();
    TempGeo geo;
    struct Look {
        double lon, lat;
        unsigned color;
    };
    const struct {
        double west, east, south, north;
        std::vector<Look> looks;
    } maps[] = {
        // Western Europe across 0°.
        {-12,
         20,
         35,
         60,
         {{-8.2, 40.0, BaseMap::kLand},     // Portugal
          {-7.9, 53.2, BaseMap::kLand},     // Ireland
          {-3.7, 40.4, BaseMap::kLand},     // Madrid
          {-6.0, 35.4, BaseMap::kLand},     // Morocco
          {13.4, 52.5, BaseMap::kLand},     // Berlin
          {-10.5, 45.0, BaseMap::kWater},   // Bay of Biscay
          {-11.0, 38.5, BaseMap::kWater}}}, // Atlantic off Lisbon
        // The whole earth.
        {-180,
         180,
         -60,
         80,
         {{-100, 40, BaseMap::kLand},   // United States
          {-150, 64, BaseMap::kLand},   // Alaska
          {-50, -8, BaseMap::kLand},    // Brazil
          {-176, 67.5, BaseMap::kLand}, // Chukotka, east of 180°
          {135, -25, BaseMap::kLand},   // Australia
          {-150, 0, BaseMap::kWater},   // Pacific
          {-35, 30, BaseMap::kWater}}}, // Atlantic
        // The Bering Strait seen from Asia, the extent east of 180°.
        {160,
         210,
         55,
         72,
         {{183.5, 67.8, BaseMap::kLand}, // Chukotka
          {200, 64, BaseMap::kLand},     // Alaska, 160° W
          {178, 58, BaseMap::kWater}}},  // Bering Sea
    };
    for (const auto& map : maps) {
        CMapSettings s = DefaultSettings();
        s.dLonWest = map.west;
        s.dLonEast = map.east;
        s.dLatSouth = map.south;
        s.dLatNorth = map.north;
        s.bBaseMap = true;
        CMapCanvas canvas(geo.Db(), s);
        const QImage img = Render(canvas, 1200, 800);
        for (const Look& look : map.looks) {
            // Around the point, as grid lines and rivers may cross it: more of its colour
            // than of the other.
            const QPoint at = canvas.LonLatToPoint(look.lon, look.lat);
            int same = 0, other = 0;
            for (int y = at.y() - 3; y <= at.y() + 3; ++y) {
                for (int x = at.x() - 3; x <= at.x() + 3; ++x) {
                    const unsigned rgb = img.pixel(x, y) & 0xffffff;
                    same += rgb == look.color;
                    other +=
                        rgb == (look.color == BaseMap::kLand ? BaseMap::kWater : BaseMap::kLand);
                }
            }
            EXPECT_GT(same, std::max(other, 10))
                << map.west << ".." << map.east << ": " << look.lon << ' ' << look.lat;
        }
        // The shores east of 180° are drawn as those west of it.
        if (map.east > 180) {
            const int from = canvas.LonLatToPoint(181, map.north).x();
            int shore = 0;
            for (int y = canvas.m_rectPlot.top; y < canvas.m_rectPlot.bottom; ++y) {
                for (int x = from; x < canvas.m_rectPlot.right; ++x)
                    shore += isLine(img.pixel(x, y), BaseMap::kShore);
            }
            EXPECT_GT(shore, 1000);
        }
    }
}

TEST(BaseMap, FinerShoresInAZoomAndTheCountriesOfTheExtent) {
    SKIP_WITHOUT_DATA();
    CBaseMapData& data = CBaseMapData::Shared();
    const QRectF ruhr(QPointF(6.5, 51.1), QPointF(7.8, 51.8));
    // River points within the extent.
    auto count = [&](BaseMapDetail detail) {
        int n = 0;
        for (const auto& [part, shift] : data.Lines(ruhr, detail)) {
            EXPECT_EQ(shift, 0.0);
            for (const CGeoLine& line : part->rivers)
                n += int(std::count_if(line.begin(), line.end(),
                                       [&](QPointF p) { return ruhr.contains(p); }));
        }
        return n;
    };
    EXPECT_GT(count(data.AvailableDetail(BaseMapDetail::High)), 2 * count(BaseMapDetail::Low));
    QStringList codes;
    for (const auto& country : data.Countries(QRectF(QPointF(9.4, 47.0), QPointF(9.7, 47.3))))
        codes << QString::fromLatin1(country.part->code);
    for (const char* code : {"AT", "CH", "LI"})
        EXPECT_TRUE(codes.contains(QLatin1String(code))) << code;
    EXPECT_FALSE(codes.contains(QStringLiteral("PL")));
}

TEST(BaseMap, MissingFilesNameTheirPackageAndDrawOnlyWater) {
    QTemporaryDir dir;
    CBaseMapData none(dir.filePath("dcw-gmt.nc"), dir.path());
    EXPECT_FALSE(none.IsAvailable());
    EXPECT_EQ(none.MissingPackage(), "gmt-dcw");
    // A file that is no netCDF file reads as no data.
    QFile junk(dir.filePath("dcw-gmt.nc"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("kein netCDF");
    junk.close();
    EXPECT_EQ(none.MissingPackage(), "gmt-gshhg-low");
    EXPECT_TRUE(none.Countries(QRectF(0, 40, 20, 20)).empty());
    EXPECT_TRUE(none.Lines(QRectF(0, 40, 20, 20), BaseMapDetail::High).empty());
    EXPECT_EQ(none.AvailableDetail(BaseMapDetail::High), BaseMapDetail::Intermediate);

    QImage img(200, 100, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter painter(&img);
    CBaseMapView view{0, 20, 40, 60, 10, 5, 0, 100, QRectF(10, 10, 180, 80)};
    BaseMap::Draw(painter, view, none);
    painter.end();
    EXPECT_EQ(img.pixel(100, 50) & 0xffffff, BaseMap::kWater);
    EXPECT_EQ(img.pixel(5, 5) & 0xffffff, 0xffffffu); // outside the plot
}

TEST(BaseMap, SwitchedOffTheMapIsAsBefore) {
    TempGeo geo(
        {{"DE", "10115", "Berlin", "13.4", "52.5"}, {"AT", "1010", "Wien", "16.4", "48.2"}});
    CMapCanvas plain(geo.Db(), DefaultSettings());
    const QImage before = Render(plain);
    CMapCanvas canvas(geo.Db(), DefaultSettings());
    canvas.m_bShowBaseMap = true;
    canvas.m_bShowLegend = true;
    canvas.SetKeepAspect(true);
    const QImage on = Render(canvas);
    EXPECT_NE(on, before);
    canvas.m_bShowBaseMap = false;
    canvas.SetKeepAspect(false);
    // The legend alone has nothing to show without the base map or groups.
    EXPECT_EQ(Render(canvas), before);
    EXPECT_EQ(canvas.m_dLonWest, plain.m_dLonWest);
    EXPECT_EQ(canvas.m_dLatNorth, plain.m_dLatNorth);
}

TEST(BaseMap, TrueProportionsDrawADegreeOfLongitudeCosLatitudeWide) {
    TempGeo geo;
    for (QSize size : {QSize(800, 600), QSize(400, 900)}) {
        CMapSettings s = DefaultSettings();
        s.dLonWest = 5;
        s.dLonEast = 9;
        s.dLatSouth = 48;
        s.dLatNorth = 52; // mid-latitude 50
        s.bKeepAspect = true;
        CMapCanvas canvas(geo.Db(), s);
        Render(canvas, size.width(), size.height());
        const QPoint sw = canvas.LonLatToPoint(6, 49.5), se = canvas.LonLatToPoint(7, 49.5);
        const QPoint nw = canvas.LonLatToPoint(6, 50.5);
        const double ratio = double(se.x() - sw.x()) / double(sw.y() - nw.y());
        EXPECT_NEAR(ratio, std::cos(50.0 * std::numbers::pi / 180.0), 0.01) << size.width();
        // The extent asked for is all in view, and the window is filled.
        EXPECT_LE(canvas.m_dLonWest, 5.0);
        EXPECT_GE(canvas.m_dLonEast, 9.0);
        EXPECT_LE(canvas.m_dLatSouth, 48.0);
        EXPECT_GE(canvas.m_dLatNorth, 52.0);
        EXPECT_TRUE(canvas.m_dLonWest == 5.0 || canvas.m_dLatSouth == 48.0);
        // Points of the plot read back as the degrees drawn there.
        double lon = 0, lat = 0;
        ASSERT_TRUE(canvas.PointToLonLat(se.x(), se.y(), &lon, &lat));
        EXPECT_NEAR(lon, 7.0, 0.02);
        EXPECT_NEAR(lat, 49.5, 0.02);
    }
}

TEST(BaseMap, LegendCountsTheRowsOfEachCountryInTheExtent) {
    TempGeo geo({{"DE", "10115", "Berlin", "13.4", "52.5"},
                 {"DE", "20095", "Hamburg", "10.0", "53.55"},
                 {"DE", "99999", "draussen", "1.0", "50.0"},
                 {"FL", "9490", "Vaduz", "9.52", "47.14"}});
    CMapCanvas canvas(geo.Db(), DefaultSettings());
    canvas.m_bShowBaseMap = true;
    canvas.m_bShowLegend = true;
    const QImage img = Render(canvas);
    QString error;
    const auto rows = CGeoPlaceRowsCache::Of(geo.Db()).Rows(
        false, [](int) {}, &error);
    const CLegendSection section = MapLegend::Countries(*rows, 2.5, 17.5, 45.5, 55.5);
    ASSERT_EQ(section.entries.size(), 2);
    EXPECT_EQ(section.entries[0].strText, "Deutschland: 2");
    EXPECT_EQ(section.entries[0].color, MapStyle::CountryColor("DE"));
    EXPECT_EQ(section.entries[1].strText, "Liechtenstein: 1");
    // The legend's box lies in the plot's top-right corner with the countries' squares.
    const int right = canvas.m_rectPlot.right, top = canvas.m_rectPlot.top;
    EXPECT_GT(CountColor(img, right - 200, top, 200, 80, RGB(255, 0, 0)), 50);
    EXPECT_GT(CountColor(img, right - 200, top, 200, 80, RGB(200, 0, 200)), 50);
}

TEST(BaseMap, LegendShowsTheWindowsSectionsWithoutTheBaseMap) {
    TempGeo geo;
    CMapCanvas canvas(geo.Db(), DefaultSettings());
    canvas.m_bShowLegend = true;
    canvas.m_aLegendSections = {{QStringLiteral("Gruppen"),
                                 {{RGB(31, 119, 180), QStringLiteral("Nord")},
                                  {RGB(255, 127, 14), QStringLiteral("Süd")}}}};
    const QImage img = Render(canvas);
    const int right = canvas.m_rectPlot.right, top = canvas.m_rectPlot.top;
    EXPECT_EQ(CountColor(img, right - 150, top, 150, 80, RGB(31, 119, 180)), 100);
    EXPECT_EQ(CountColor(img, right - 150, top, 150, 80, RGB(255, 127, 14)), 100);
    canvas.m_bShowLegend = false;
    EXPECT_EQ(CountColor(Render(canvas), right - 150, top, 150, 80, RGB(31, 119, 180)), 0);
}

namespace {

// The base map's files with only the shore levels `real` taken from the installed ones; the
// other levels' files are there but hold no data, so a drawing that reads them lacks lines.
class CPartialBaseMap {
public:
    explicit CPartialBaseMap(const QString& real) {
        const QString installed =
            qEnvironmentVariable("KELVO_GSHHG_DIR", QStringLiteral("/usr/share/gmt-gshhg"));
        for (const char* kind : {"GSHHS", "river", "border"}) {
            for (QChar level : QStringLiteral("lih")) {
                const QString name = QStringLiteral("binned_%1_%2.nc").arg(kind).arg(level);
                if (real.contains(level)) {
                    QFile::link(installed + QLatin1Char('/') + name, m_dir.filePath(name));
                } else {
                    QFile junk(m_dir.filePath(name));
                    if (junk.open(QIODevice::WriteOnly))
                        junk.write("keine Daten");
                }
            }
        }
        m_pData = std::make_unique<CBaseMapData>(
            qEnvironmentVariable("KELVO_DCW_FILE", QStringLiteral("/usr/share/gmt-dcw/dcw-gmt.nc")),
            m_dir.path());
    }
    CBaseMapData& Data() { return *m_pData; }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<CBaseMapData> m_pData;
};

// 400 x 300 dots of a page at `dpi`, showing from (west, south) upwards at `dotsPerDegree`.
QImage drawOnPaper(CBaseMapData& data, int dpi, double west, double south, double dotsPerDegree) {
    QImage img(400, 300, QImage::Format_RGB32);
    img.setDotsPerMeterX(qRound(dpi / 0.0254));
    img.setDotsPerMeterY(qRound(dpi / 0.0254));
    img.fill(Qt::white);
    QPainter painter(&img);
    const CBaseMapView view{west,
                            west + 400 / dotsPerDegree,
                            south,
                            south + 300 / dotsPerDegree,
                            dotsPerDegree,
                            dotsPerDegree,
                            0,
                            300,
                            QRectF(0, 0, 400, 300)};
    BaseMap::Draw(painter, view, data);
    return img;
}

} // namespace

TEST(BaseMap, OnPaperTheShoresFollowTheMapsScaleNotThePrintersDots) {
    SKIP_WITHOUT_DATA();
    if (CBaseMapData::Shared().AvailableDetail(BaseMapDetail::High) != BaseMapDetail::High)
        GTEST_SKIP() << "Die feinste Grundkarte (gmt-gshhg-high) ist nicht installiert.";
    CBaseMapData& installed = CBaseMapData::Shared();
    CPartialBaseMap lowOnly(QStringLiteral("l")), withoutHigh(QStringLiteral("li"));
    // The five countries on A4 at 600 dpi: 15 degrees over 267 mm. The coast at Ostend is
    // the coarse one a window of that size shows; the finer files are not read.
    const double a4 = 267 / 25.4 * 600 / 15;
    const QImage coast = drawOnPaper(installed, 600, 2.6, 51.0, a4);
    EXPECT_EQ(coast, drawOnPaper(lowOnly.Data(), 600, 2.6, 51.0, a4));
    // The same dots to the degree on a screen are a map of Europe's west: coarse as well;
    // a 96 dpi device is a window.
    EXPECT_EQ(drawOnPaper(installed, 96, 2.6, 51.0, a4 / 6.25),
              drawOnPaper(lowOnly.Data(), 96, 2.6, 51.0, a4 / 6.25));
    // The Ruhr on A0: 1.2 degrees over 1159 mm takes the finest rivers. The page's part
    // is around a point of one of them.
    const double a0 = 1159 / 25.4 * 600 / 1.2;
    QPointF at;
    for (const auto& part :
         installed.Lines(QRectF(QPointF(6.7, 51.3), QPointF(7.5, 51.6)), BaseMapDetail::High)) {
        for (const CGeoLine& line : part.part->rivers) {
            if (!line.empty() && at.isNull())
                at = line[line.size() / 2];
        }
    }
    ASSERT_FALSE(at.isNull());
    const double west = at.x() - 200 / a0, south = at.y() - 150 / a0;
    const QImage river = drawOnPaper(installed, 600, west, south, a0);
    EXPECT_TRUE(lineNear(river, QPoint(200, 150), 6, BaseMap::kRiver));
    EXPECT_NE(river, drawOnPaper(withoutHigh.Data(), 600, west, south, a0));
}

TEST(BaseMap, TheDataOfAnExtentCostsWhatItHoldsAndReleaseGivesItBack) {
    SKIP_WITHOUT_DATA();
    const QRectF five(QPointF(2.5, 45.5), QPointF(17.5, 55.5));
    const qint64 before = LiveHeap::Bytes();
    CBaseMapData data(
        qEnvironmentVariable("KELVO_DCW_FILE", QStringLiteral("/usr/share/gmt-dcw/dcw-gmt.nc")),
        qEnvironmentVariable("KELVO_GSHHG_DIR", QStringLiteral("/usr/share/gmt-gshhg")));
    size_t rings = 0, lines = 0;
    for (const auto& country : data.Countries(five))
        rings += country.part->rings.size();
    for (const auto& [part, shift] : data.Lines(five, data.AvailableDetail(BaseMapDetail::High)))
        lines += part->coasts.size() + part->rivers.size() + part->borders.size();
    EXPECT_GT(rings, 100u);
    EXPECT_GT(lines, 1000u);
    // The countries' outlines and the finest shores of the five countries are a few
    // megabytes; the description of every variable of the country file is some 60.
    const qint64 held = LiveHeap::Bytes() - before;
    EXPECT_LT(held, 24 * 1024 * 1024) << held;
    data.Release();
    EXPECT_LT(LiveHeap::Bytes() - before, held / 4) << held;
    // Released, the data reads again what is asked for.
    EXPECT_FALSE(data.Countries(five).empty());
}
