// Projection and the graduated frame at the window sizes of a map window.
#include "render/map/AxisLabels.h"
#include "render/map/MapTestSupport.h"

#include <gtest/gtest.h>

using namespace MapTest;

namespace {
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kGrid = RGB(200, 200, 200);
} // namespace

TEST(MapProjection, DegreesAndPointsAt800x600) {
    TempGeo geo;
    CMapCanvas canvas(geo.Db(), DefaultSettings());
    Render(canvas);
    EXPECT_EQ(canvas.m_rectPlot, (CRect{50, 30, 750, 570}));
    EXPECT_EQ(canvas.LonLatToPoint(8.6, 49.3), QPoint(334, 364));
    EXPECT_EQ(canvas.LonLatToPoint(13.4, 52.5), QPoint(558, 192));
    EXPECT_EQ(canvas.LonLatToPoint(2.0, 50.0), QPoint(26, 327));
    double lon = 0, lat = 0;
    ASSERT_TRUE(canvas.PointToLonLat(335, 365, &lon, &lat));
    EXPECT_NEAR(lon, 2.5 + 285 * 15.0 / 700, 1e-12);
    EXPECT_NEAR(lat, 45.5 + 205 / 54.0, 1e-12);
}

TEST(MapProjection, NoDegreesFromAnEmptyPlotAndNoOverflowFarAway) {
    TempGeo geo;
    CMapCanvas canvas(geo.Db(), DefaultSettings());
    Render(canvas, 100, 200); // plot width 0
    double lon = 7, lat = 7;
    EXPECT_FALSE(canvas.PointToLonLat(10, 10, &lon, &lat));
    EXPECT_EQ(lon, 7);
    Render(canvas);
    const QPoint far = canvas.LonLatToPoint(1e300, -1e300);
    EXPECT_GT(far.x(), 1 << 27);
    EXPECT_GT(far.y(), 1 << 27);
}

TEST(MapAxes, FrameGridLabelsAndTicksAt800x600) {
    TempGeo geo;
    CMapCanvas canvas(geo.Db(), DefaultSettings());
    const QImage img = Render(canvas);

    // Frame: left..right-1, top..bottom-1; the grid starts one pixel inside.
    EXPECT_EQ(Pixel(img, 50, 100), kBlack);
    EXPECT_EQ(Pixel(img, 749, 100), kBlack);
    EXPECT_EQ(Pixel(img, 60, 30), kBlack);
    EXPECT_EQ(Pixel(img, 60, 569), kBlack);
    EXPECT_EQ(Pixel(img, 60, 570), kWhite);
    EXPECT_EQ(Pixel(img, 100, 100), kWhite);

    // 21 latitude rows 27 pixels apart; grid lines only for the 19 inner ones.
    for (int i = 0; i <= 20; ++i) {
        const int y = 30 + 27 * i;
        SCOPED_TRACE(y);
        // The bottom row lies just below the frame's last row (569).
        const COLORREF edge = i == 20 ? kWhite : kBlack;
        const bool inner = i > 0 && i < 20;
        EXPECT_EQ(Pixel(img, 51, y), inner ? kGrid : edge);
        EXPECT_EQ(Pixel(img, 748, y), inner ? kGrid : edge);
        EXPECT_EQ(Pixel(img, 749, y), edge);
        // Every row has its tick (over the frame's pixel) and its label.
        EXPECT_EQ(CountColor(img, 46, y, 5, 1, kGrid), 5);
        EXPECT_EQ(Pixel(img, 45, y), kWhite);
        EXPECT_GT(CountDark(img, 11, y - 5, 30, 14), 20);
    }

    // 21 longitude lines 35 pixels apart; the westmost draws no line, the last lies just
    // outside the frame. Every second one has a label and a tick.
    for (int i = 0; i <= 20; ++i) {
        const int x = 50 + 35 * i;
        SCOPED_TRACE(x);
        if (i > 0) {
            EXPECT_EQ(Pixel(img, x, 569), kGrid); // starts on the frame's bottom row
            EXPECT_EQ(Pixel(img, x, 32), kGrid);
            EXPECT_EQ(Pixel(img, x, 31), kWhite); // the end point, left out
        } else {
            EXPECT_EQ(Pixel(img, x, 310), kBlack);
        }
        const bool labelled = i % 2 == 0;
        EXPECT_EQ(CountColor(img, x, 570, 1, 5, kGrid), labelled ? 5 : 0);
        if (labelled)
            EXPECT_GT(CountDark(img, x - 10, 579, 30, 14), 20);
        else
            EXPECT_EQ(CountDark(img, x - 8, 579, 26, 14), 0);
    }
}

TEST(MapAxes, LowPlotLabelsEverySecondLatitudeRow) {
    TempGeo geo;
    CMapCanvas canvas(geo.Db(), DefaultSettings());
    const QImage img = Render(canvas, 800, 260); // plot height 200: rows 10 pixels apart
    for (int i = 0; i <= 20; ++i) {
        const int y = 30 + 10 * i;
        const bool labelled = i % 2 == 0;
        EXPECT_EQ(CountColor(img, 46, y, 5, 1, kGrid), labelled ? 5 : 0) << y;
    }
}

TEST(MapAxes, DeepZoomLabelsGetTheDecimalsThatTellThemApart) {
    // Two decimals as long as neighbouring labels differ with them.
    const auto texts = [](const std::vector<CAxisTick>& ticks) {
        QStringList labels;
        for (const CAxisTick& t : ticks)
            if (t.bLabelled)
                labels << t.strLabel;
        return labels;
    };
    const auto everyLine = [](int, const QString&) { return true; };
    EXPECT_EQ(texts(AxisLabels::Ticks({0, 10, 20}, {9.5, 9.75, 10.0}, everyLine)),
              QStringList({" 9.50", " 9.75", "10.00"}));
    EXPECT_EQ(texts(AxisLabels::Ticks({0, 10, 20}, {50.72, 50.7205, 50.721}, everyLine)),
              QStringList({"50.7200", "50.7205", "50.7210"}));
    // Labels not written do not count; six decimals at most.
    EXPECT_EQ(texts(AxisLabels::Ticks({0, 10, 20}, {1.001, 1.002, 1.004},
                                      [](int distance, const QString&) { return distance > 15; })),
              QStringList({"1.001", "1.004"}));
    EXPECT_EQ(texts(AxisLabels::Ticks({0, 10}, {1.0, 1.0000001}, everyLine)),
              QStringList({"1.000000", "1.000000"}));

    // A map of 40 millionths of a degree each way: every written label differs, the frame
    // moves right so that the longer latitude labels fit, none is cut at the window's edge.
    TempGeo geo;
    CMapCanvas canvas(geo.Db(), CMapSettings{8.75, 8.75004, 50.72, 50.72004, false, 0});
    const QImage img = Render(canvas);
    const int left = canvas.m_rectPlot.left;
    EXPECT_GT(left, 50);
    EXPECT_EQ(Pixel(img, left, 310), kBlack);
    EXPECT_EQ(CountDark(img, 0, 0, 2, 600), 0);
    for (int i = 0; i <= 20; ++i) {
        const int y = 30 + 27 * i;
        EXPECT_GT(CountDark(img, 2, y - 5, left - 7, 14), 20) << y;
    }
}
