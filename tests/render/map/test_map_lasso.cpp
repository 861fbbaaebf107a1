// The lasso's test of a place against its path, which the map asks for every place of the
// database: the same answer as the even-odd rule over the whole path, for concave paths,
// paths that cross themselves and places outside its bounds.
#include "render/map/MapTestSupport.h"

#include "render/map/MapLasso.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A lasso dragged along `path` on a map of the default extent.
CMapLasso dragged(CMapCanvas& canvas, const QList<QPoint>& path) {
    CMapLasso lasso;
    lasso.Begin(path.first());
    for (const QPoint& p : path.mid(1))
        lasso.Move(p);
    EXPECT_TRUE(lasso.End(canvas));
    return lasso;
}

// Points of a star (concave), of a figure eight (crossing itself) and of a narrow comb
// (many edges in few bands), as a hand drags them.
QList<QPoint> star() {
    QList<QPoint> path;
    for (int i = 0; i <= 400; ++i) {
        const double a = 2 * M_PI * i / 400;
        const double r = 200 * (1 + 0.4 * std::sin(7 * a));
        path << QPoint(400 + int(r * std::cos(a)), 300 + int(r * std::sin(a)));
    }
    return path;
}

QList<QPoint> eight() {
    QList<QPoint> path;
    for (int i = 0; i <= 300; ++i) {
        const double a = 2 * M_PI * i / 300;
        path << QPoint(400 + int(250 * std::sin(a)), 300 + int(150 * std::sin(2 * a)));
    }
    return path;
}

QList<QPoint> comb() {
    QList<QPoint> path{{100, 500}};
    for (int x = 100; x < 700; x += 40)
        path << QPoint(x, 100) << QPoint(x + 20, 100) << QPoint(x + 20, 480) << QPoint(x + 40, 480);
    path << QPoint(700, 500) << QPoint(100, 500);
    return path;
}

} // namespace

TEST(MapLasso, TellsInsideFromOutsideAsTheEvenOddRuleOverTheWholePath) {
    MapTest::TempGeo geo;
    CMapCanvas canvas(geo.Db(), MapTest::DefaultSettings());
    MapTest::Render(canvas);
    const std::pair<const char*, QList<QPoint>> paths[] = {
        {"star", star()}, {"figure eight", eight()}, {"comb", comb()}};
    for (const auto& [what, path] : paths) {
        const CMapLasso lasso = dragged(canvas, path);
        const QPolygonF& degrees = lasso.Degrees();
        const QRectF bounds = degrees.boundingRect();
        QRandomGenerator random(7);
        int inside = 0, differ = 0;
        // Beyond the bounds on every side as well as within them.
        for (int i = 0; i < 20000; ++i) {
            const double lon = bounds.left() - 1 + random.generateDouble() * (bounds.width() + 2);
            const double lat = bounds.top() - 1 + random.generateDouble() * (bounds.height() + 2);
            const bool expected = degrees.containsPoint(QPointF(lon, lat), Qt::OddEvenFill);
            inside += expected;
            differ += lasso.Contains(lon, lat) != expected;
        }
        EXPECT_EQ(differ, 0) << what;
        EXPECT_GT(inside, 2000) << what;
    }
}

TEST(MapLasso, ANewOrClearedLassoHoldsNothing) {
    MapTest::TempGeo geo;
    CMapCanvas canvas(geo.Db(), MapTest::DefaultSettings());
    MapTest::Render(canvas);
    double lon = 0, lat = 0;
    ASSERT_TRUE(canvas.PointToLonLat(400, 300, &lon, &lat));
    CMapLasso lasso = dragged(canvas, star());
    EXPECT_TRUE(lasso.Contains(lon, lat));
    lasso.Begin({10, 10}); // a new one begun: the old path selects nothing meanwhile
    EXPECT_FALSE(lasso.Contains(lon, lat));
    lasso = dragged(canvas, star());
    lasso.Clear();
    EXPECT_FALSE(lasso.Contains(lon, lat));
    // A path along a line encloses nothing.
    lasso.Begin({100, 300});
    lasso.Move({400, 301});
    lasso.Move({700, 302});
    EXPECT_FALSE(lasso.End(canvas));
    EXPECT_FALSE(lasso.Contains(lon, lat));
}
