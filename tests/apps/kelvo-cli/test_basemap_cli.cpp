// kelvo-cli render with the base map, true proportions and the legend, and as a poster.
#include "common/TestSupport.h"
#include "render/basemap/BaseMapData.h"
#include "render/basemap/BaseMapDraw.h"
#include "render/map/MapCanvas.h"
#include "render/map/MapPoster.h"
#include "render/map/MapTestSupport.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace MapTest;

TEST(BaseMapCli, RenderDrawsWhatTheCanvasDrawsAndNamesAMissingPackage) {
    if (!CBaseMapData::Shared().IsAvailable())
        GTEST_SKIP() << "Die Grundkarte ist nicht installiert.";
    TempGeo geo(
        {{"DE", "10115", "Berlin", "13.4", "52.5"}, {"AT", "1010", "Wien", "16.4", "48.2"}});
    const QString dir = QFileInfo(geo.Path()).absolutePath();
    QString err;
    ASSERT_EQ(TestSupport::RunCli({"render", "--db", geo.Path(), "--basemap", "--aspect",
                                   "--legend", dir + "/k.png"},
                                  dir, nullptr, &err),
              0)
        << qPrintable(err);
    CMapSettings settings = DefaultSettings();
    settings.bBaseMap = settings.bKeepAspect = settings.bLegend = true;
    CMapCanvas canvas(geo.Db(), settings);
    const QImage drawn = Render(canvas);
    const QImage written(dir + "/k.png");
    EXPECT_EQ(written.convertToFormat(QImage::Format_RGB32), drawn);
    EXPECT_GT(CountRgb(written, BaseMap::kWater), 10000);

    qputenv("KELVO_DCW_FILE", (dir + "/fehlt.nc").toUtf8());
    const int status = TestSupport::RunCli(
        {"render", "--db", geo.Path(), "--basemap", dir + "/o.png"}, dir, nullptr, &err);
    qunsetenv("KELVO_DCW_FILE");
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(err.contains("gmt-dcw")) << qPrintable(err);
    EXPECT_FALSE(QFileInfo::exists(dir + "/o.png"));
}

TEST(BaseMapCli, APosterHasItsPageTitleCreditsAndScale) {
    TempGeo geo({{"DE", "10115", "Berlin", "13.4", "52.5"}});
    const QString dir = QFileInfo(geo.Path()).absolutePath();
    QString err;
    ASSERT_EQ(TestSupport::RunCli({"render", "--db", geo.Path(), "--poster", "a1", "--title",
                                   "Fünf Länder", dir + "/p.pdf"},
                                  dir, nullptr, &err),
              0)
        << qPrintable(err);
    EXPECT_TRUE(
        TestSupport::RunOutput("pdfinfo", {dir + "/p.pdf"}).contains("2384 x 1684 pts (A1)"));
    const QString text = TestSupport::RunOutput("pdftotext", {dir + "/p.pdf", "-"});
    EXPECT_TRUE(text.contains("Fünf Länder")) << qPrintable(text.left(300));
    EXPECT_TRUE(text.contains("Postleitzahlen: GeoNames, CC BY 4.0"));
    EXPECT_TRUE(text.contains(" km"));

    EXPECT_EQ(TestSupport::RunCli({"render", "--db", geo.Path(), "--poster", "B7", dir + "/q.pdf"},
                                  dir, nullptr, &err),
              2);
    EXPECT_EQ(TestSupport::RunCli({"render", "--db", geo.Path(), "--poster", "A4", dir + "/q.png"},
                                  dir, nullptr, &err),
              1);
    EXPECT_FALSE(QFileInfo::exists(dir + "/q.pdf"));
}

TEST(BaseMapCli, TheScaleBarMeasuresAlongTheCentreParallel) {
    TempGeo geo;
    CMapCanvas canvas(geo.Db(), DefaultSettings());
    Render(canvas);
    const CScaleBar bar = ScaleBarFor(canvas);
    ASSERT_GT(bar.nLength, 0);
    // A round number of kilometres near a fifth of the plot.
    const double mantissa = bar.dKm / std::pow(10.0, std::floor(std::log10(bar.dKm)));
    EXPECT_TRUE(mantissa == 1 || mantissa == 2 || mantissa == 5) << bar.dKm;
    EXPECT_GT(bar.nLength, canvas.m_rectPlot.Width() / 10);
    EXPECT_LE(bar.nLength, canvas.m_rectPlot.Width() / 5 + 1);
    // The bar's kilometres against the great-circle distance of the plot's width at 50.5 N,
    // in short steps (along the parallel, not the shorter arc).
    const double rad = std::numbers::pi / 180, lat = 50.5 * rad;
    const double kmPerDegree =
        6371.0088 * 2 * std::asin(std::cos(lat) * std::sin(0.005 * rad)) / 0.01;
    const double widthKm = 15.0 * kmPerDegree;
    EXPECT_NEAR(bar.dKm / bar.nLength, widthKm / canvas.m_rectPlot.Width(), 0.005 * widthKm / 700);
}
