// The extent a zoom band opens, the nearby search box, and the map printed at screen size.
#include "common/TestSupport.h"
#include "render/map/MapPrint.h"
#include "render/map/MapTestSupport.h"
#include "render/map/MapZoom.h"

#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>

#include <gtest/gtest.h>

using namespace MapTest;

namespace {

// A canvas over an empty database after a repaint at 800 x 600 with the default extent.
struct Repainted {
    TempGeo geo;
    CMapCanvas canvas{geo.Db(), DefaultSettings()};
    Repainted() { Render(canvas); }
};

} // namespace

TEST(MapZoom, BandGivesTheExtentNamesAndSquares) {
    Repainted r;
    CMapSettings next;
    ASSERT_TRUE(MapZoom::BandSettings(r.canvas, {190, 84}, 140, 108, &next));
    EXPECT_NEAR(next.dLonWest, 5.5, 1e-9);
    EXPECT_NEAR(next.dLonEast, 8.5, 1e-9);
    EXPECT_NEAR(next.dLatNorth, 54.5, 1e-9);
    EXPECT_NEAR(next.dLatSouth, 52.5, 1e-9);
    EXPECT_TRUE(next.bShowNames);
    EXPECT_EQ(next.nMarkerHalfSize, 2);
    EXPECT_EQ(MapZoom::ZoomTitle(next, r.canvas), "Zoom neben: 5.50; 52.50");

    // Dragged upwards over the same rectangle: the same area, north on top.
    CMapSettings up;
    ASSERT_TRUE(MapZoom::BandSettings(r.canvas, {190, 192}, 140, -108, &up));
    EXPECT_NEAR(up.dLatNorth, 54.5, 1e-9);
    EXPECT_NEAR(up.dLatSouth, 52.5, 1e-9);
    EXPECT_EQ(MapZoom::ZoomTitle(up, r.canvas), "Zoom neben: 5.50; 52.50");
}

TEST(MapZoom, NarrowLeftwardOrFlatBandsDoNothing) {
    Repainted r;
    CMapSettings next;
    EXPECT_FALSE(MapZoom::BandSettings(r.canvas, {190, 84}, 9, 50, &next));
    EXPECT_TRUE(MapZoom::BandSettings(r.canvas, {190, 84}, 10, 50, &next));
    EXPECT_FALSE(MapZoom::BandSettings(r.canvas, {330, 84}, -140, 50, &next));
    EXPECT_FALSE(MapZoom::BandSettings(r.canvas, {190, 84}, 140, 0, &next));
}

TEST(MapZoom, NothingWithoutAPlotRectangle) {
    TempGeo geo;
    CMapCanvas canvas(geo.Db(), DefaultSettings());
    Render(canvas, 100, 60); // plot rectangle (50,30)-(50,30): no width, no height
    CMapSettings next;
    MapZoom::NearbyBox box;
    EXPECT_FALSE(MapZoom::BandSettings(canvas, {50, 30}, 40, 40, &next));
    EXPECT_FALSE(MapZoom::NearbySearch(canvas, {50, 30}, &box));
    EXPECT_EQ(canvas.m_dClickLon, 0.0);

    // A window narrower or lower than its margins inverts the plot rectangle, and no place is
    // drawn in it; a band there would open a map of some other area, mirrored east to west in
    // a narrow window, so it opens nothing.
    for (QSize size : {QSize(40, 300), QSize(300, 40), QSize(1, 1)}) {
        SCOPED_TRACE(size.width());
        Render(canvas, size.width(), size.height());
        EXPECT_FALSE(MapZoom::BandSettings(canvas, {0, 0}, 20, 20, &next));
    }
}

TEST(MapZoom, NearbyBoxAroundTheDoubleClickedPoint) {
    Repainted r;
    MapZoom::NearbyBox box;
    ASSERT_TRUE(MapZoom::NearbySearch(r.canvas, {335, 365}, &box));
    EXPECT_NEAR(r.canvas.m_dClickLon, 8.607143, 1e-6);
    EXPECT_NEAR(r.canvas.m_dClickLat, 49.296296, 1e-6);
    EXPECT_TRUE(box.strFilter.contains(">8.457143 ") && box.strFilter.contains("<8.757143)"));
    EXPECT_TRUE(box.strFilter.contains(">49.196296 ") && box.strFilter.contains("<49.396296)"));
    EXPECT_EQ(box.strPlace, "neben: 8.61;49.30");
    EXPECT_EQ(MapZoom::NearbyTitle(12, box.strPlace), "Gefunden 12 Orte neben: 8.61;49.30");
}

TEST(MapPrint, PrintsTheWindowAtItsPhysicalScreenSize) {
    TempGeo geo({{"DE", "10115", "Berlin", "13.4", "52.5"}});
    CMapCanvas canvas(geo.Db(), DefaultSettings());
    const QString pdf = QFileInfo(geo.Path()).absolutePath() + "/karte.pdf";
    {
        QPdfWriter writer(pdf);
        writer.setResolution(600);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        QPainter painter(&writer);
        EXPECT_TRUE(PrintMap(painter, canvas, {800, 600}, {96, 96}, {600, 600}).isEmpty());
    }
    // The frame of an 800 x 600 window spans (50,30)-(750,570) screen pixels: 6.25 printer
    // dots a pixel, so the window measures 21.2 cm x 15.9 cm on paper.
    const QString base = QFileInfo(pdf).absolutePath() + "/page";
    ASSERT_EQ(QProcess::execute("pdftoppm", {"-r", "96", "-png", "-singlefile", pdf, base}), 0);
    const QImage page(base + ".png");
    ASSERT_FALSE(page.isNull());
    int left = -1, right = -1;
    for (int x = 0; x < page.width(); ++x) {
        if (qGray(page.pixel(x, 318)) < 60) { // between two latitude labels
            if (left < 0)
                left = x;
            right = x;
        }
    }
    EXPECT_NEAR(left, 50, 1);
    EXPECT_NEAR(right, 749, 2);
    EXPECT_EQ(canvas.m_rectPlot, (CRect{50, 30, 750, 570}));
}

TEST(MapPrint, RenderCommandPrintsToPdf) {
    TempGeo geo({{"DE", "10115", "Berlin", "13.4", "52.5"}});
    const QString dir = QFileInfo(geo.Path()).absolutePath();
    QString err;
    ASSERT_EQ(TestSupport::RunCli({"render", "--db", geo.Path(), "karte.pdf"}, dir, nullptr, &err),
              0)
        << qPrintable(err);
    EXPECT_TRUE(TestSupport::ReadFile(dir + "/karte.pdf").startsWith("%PDF"));
    EXPECT_EQ(TestSupport::RunCli({"render", "--db", geo.Path(), "karte.gif"}, dir, nullptr, &err),
              1);
    EXPECT_TRUE(err.contains("PNG-, SVG- oder PDF-Datei"));
    EXPECT_FALSE(QFileInfo::exists(dir + "/karte.gif"));
}

TEST(MapPrint, AMapThatDoesNotFitTurnsThePageAndThenShrinks) {
    // A4 with 5 mm margins at 600 dpi: 20 cm x 28.7 cm printable; 96 screen dots an inch.
    const QPageLayout portrait(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                               QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter);
    QPageLayout landscape = portrait;
    landscape.setOrientation(QPageLayout::Landscape);
    struct Case {
        QSize window;
        const QPageLayout& layout;
        QPageLayout::Orientation orientation;
        double scale;
    };
    const double cmPerPixel = 2.54 / 96;
    const QList<Case> cases{
        {{500, 350}, portrait, QPageLayout::Portrait, 1.0},   // fits: its exact size
        {{500, 350}, landscape, QPageLayout::Landscape, 1.0}, // fits as set up too
        {{900, 400}, portrait, QPageLayout::Landscape, 1.0},  // 23.8 cm wide
        {{400, 900}, landscape, QPageLayout::Portrait, 1.0},  // 23.8 cm high
        {{2000, 600}, portrait, QPageLayout::Landscape, 28.7 / (2000 * cmPerPixel)},
        {{1000, 1000}, portrait, QPageLayout::Portrait, 20.0 / (1000 * cmPerPixel)}, // a tie
    };
    for (const Case& c : cases) {
        const CMapPageFit fit = FitMapToPage(c.window, {96, 96}, c.layout, 600);
        EXPECT_EQ(fit.orientation, c.orientation) << c.window.width() << "x" << c.window.height();
        EXPECT_NEAR(fit.scale, c.scale, 0.001) << c.window.width() << "x" << c.window.height();
    }
}

TEST(MapZoom, DeepZoomTitlesTellTheCornerApartAndTheDeepestBandIsRefused) {
    // Two decimals while they tell the new window's edges apart, and its corner from that of
    // the window the band was drawn in.
    TempGeo geo;
    CMapCanvas from(geo.Db(), CMapSettings{8.0, 9.0, 50.0, 51.0, true, 2});
    struct Case {
        CMapSettings next;
        QString title;
    };
    for (const Case& c : {
             Case{{8.1, 8.9, 50.1, 50.2}, "Zoom neben: 8.10; 50.10"},
             Case{{8.75123, 8.75187, 50.72001, 50.72042}, "Zoom neben: 8.751; 50.7200"},
             Case{{8.7512341, 8.7512349, 50.7200012, 50.7200041},
                  "Zoom neben: 8.751234; 50.720001"},
             Case{{8.0012, 8.2, 50.0007, 50.2}, "Zoom neben: 8.001; 50.001"}, // near `from`
         })
        EXPECT_EQ(MapZoom::ZoomTitle(c.next, from), c.title);

    // A map 50 millionths of a degree wide: a band of a fifth of it would open less than the
    // smallest extent, and says so.
    CMapCanvas canvas(geo.Db(), CMapSettings{8.75, 8.75005, 50.72, 50.72005, true, 2});
    Render(canvas);
    CMapSettings next;
    bool tooSmall = false;
    EXPECT_FALSE(MapZoom::BandSettings(canvas, {190, 84}, 140, 108, &next, &tooSmall));
    EXPECT_TRUE(tooSmall);
    // A narrow band is no such case.
    EXPECT_FALSE(MapZoom::BandSettings(canvas, {190, 84}, 9, 108, &next, &tooSmall));
    EXPECT_FALSE(tooSmall);
    // The whole window still zooms.
    EXPECT_TRUE(MapZoom::BandSettings(canvas, {50, 30}, 700, 540, &next, &tooSmall));
}
