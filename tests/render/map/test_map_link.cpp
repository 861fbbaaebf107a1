// What links a map with table windows and keeps names readable: the place a click picks,
// rings over the map, and names drawn without overlap.
#include "base/GeoDistance.h"
#include "common/TestSupport.h"
#include "render/map/MapMarks.h"
#include "render/map/MapPick.h"
#include "render/map/MapTestSupport.h"

#include <QFileInfo>
#include <QPainter>

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace MapTest;

namespace {
constexpr COLORREF kNameBack = RGB(240, 240, 240);
constexpr COLORREF kRing = RGB(255, 150, 0);
} // namespace

TEST(MapPick, NearestDrawnPlaceWithinEightPixelsFirstInStaatPlzOrder) {
    TempGeo geo({{"DE", "69117", "Heidelberg", "8.6", "49.3"}, // (334, 364)
                 {"DE", "69115", "Heidelberg West", "8.6", "49.3"},
                 {"AT", "9999", "Gleiche Stelle", "8.6", "49.3"},
                 {"DE", "10115", "Berlin", "13.4", "52.5"},    // (558, 192)
                 {"DE", "99999", "draussen", "2.0", "50.0"}}); // left of the plot
    CMapCanvas canvas(geo.Db(), DefaultSettings());
    Render(canvas);
    ASSERT_EQ(canvas.LonLatToPoint(8.6, 49.3), QPoint(334, 364));
    CPickedPlace place;
    // Three rows on one pixel: the first in Staat, PLZ order.
    ASSERT_TRUE(MapPick::NearestPlace(geo.Db(), canvas, {336, 366}, &place));
    EXPECT_EQ(place.strOrt, "Gleiche Stelle");
    EXPECT_EQ(place.strStaat + " " + place.strPLZ, "AT 9999");
    double lon = 0, lat = 0;
    ASSERT_TRUE(canvas.PointToLonLat(336, 366, &lon, &lat));
    EXPECT_NEAR(place.dKm, GeoDistance::HaversineKm(lon, lat, 8.6, 49.3), 1e-9);
    // A German text: the distance with a decimal comma.
    EXPECT_EQ(MapPick::StatusText(place),
              QStringLiteral("Gleiche Stelle, AT 9999: %1 km vom angeklickten Punkt")
                  .arg(QString::number(place.dKm, 'f', 1).replace('.', ',')));
    EXPECT_TRUE(MapPick::StatusText(place).contains(QRegularExpression(": \\d+,\\d km")));

    ASSERT_TRUE(MapPick::NearestPlace(geo.Db(), canvas, {558 + 8, 192}, &place));
    EXPECT_EQ(place.strOrt, "Berlin");
    EXPECT_TRUE(MapPick::NearestPlace(geo.Db(), canvas, {558 + 5, 192 - 6}, &place));
    EXPECT_FALSE(MapPick::NearestPlace(geo.Db(), canvas, {558 + 9, 192}, &place));
    EXPECT_FALSE(MapPick::NearestPlace(geo.Db(), canvas, {558 + 6, 192 + 6}, &place)); // 8.5
    // A place outside the plot is drawn nowhere and cannot be picked.
    const QPoint outside = canvas.LonLatToPoint(2.0, 50.0);
    EXPECT_FALSE(MapPick::NearestPlace(geo.Db(), canvas, {51, outside.y()}, &place));
}

TEST(MapMarks, RingsOverACopyOfTheMapAndAreasTakenAgainAfterABlink) {
    TempGeo geo({{"DE", "69117", "Heidelberg", "8.6", "49.3"}});
    CMapCanvas canvas(geo.Db(), DefaultSettings());
    const QImage map = Render(canvas);
    CMapMarks marks;
    marks.Compose(map, canvas);
    EXPECT_EQ(&marks.Image(map), &map); // nothing marked: the map itself

    marks.SetPlaces({QPointF(8.6, 49.3), QPointF(2.0, 50.0)}); // the second is off the plot
    marks.Compose(map, canvas);
    const QImage& shown = marks.Image(map);
    ASSERT_NE(&shown, &map);
    EXPECT_EQ(Pixel(shown, 334 + 5, 364), kRing);
    EXPECT_EQ(Pixel(shown, 334, 364 - 5), kRing);
    EXPECT_EQ(Pixel(map, 334 + 5, 364), RGB(255, 255, 255)); // the map stays as it was
    EXPECT_EQ(Pixel(shown, 334, 364), RGB(255, 0, 0));       // the place inside the ring
    const QPoint off = canvas.LonLatToPoint(2.0, 50.0);
    EXPECT_EQ(CountColor(shown, off.x() - 8, off.y() - 8, 17, 17, kRing), 0);

    // A blink step paints into the map; the area is taken again, the ring stays on top.
    QImage blinked = map;
    QPainter(&blinked).fillRect(QRect(330, 360, 20, 20), Qt::blue);
    marks.Refresh(blinked, canvas, {QRect(330, 360, 20, 20)});
    EXPECT_EQ(Pixel(marks.Image(blinked), 334, 364), RGB(0, 0, 255));
    EXPECT_EQ(Pixel(marks.Image(blinked), 334 + 5, 364), kRing);

    marks.SetPlaces({});
    EXPECT_EQ(&marks.Image(map), &map);
}

TEST(MapDeclutter, LargerPlacesFirstAndNoNameOverAnother) {
    // "Klein" comes first in Staat, PLZ order, but three rows share "Grossstadt-Mitte".
    TempGeo geo({{"AT", "1000", "Klein", "8.6", "49.3"},
                 {"DE", "10000", "Grossstadt-Mitte", "8.6", "49.25"},
                 {"DE", "10001", "Grossstadt-Mitte", "5.0", "47.0"},
                 {"DE", "10002", "Grossstadt-Mitte", "30.0", "47.0"},
                 {"DE", "20000", "Fern", "12.0", "53.0"}});
    CMapCanvas plain(geo.Db(), DefaultSettings(true, 0));
    const QImage all = Render(plain);
    CMapCanvas declutter(geo.Db(), DefaultSettings(true, 0));
    declutter.m_bDeclutterNames = true;
    const QImage readable = Render(declutter);

    const QPoint klein = plain.LonLatToPoint(8.6, 49.3);
    const QPoint gross = plain.LonLatToPoint(8.6, 49.25);
    const QPoint fern = plain.LonLatToPoint(12.0, 53.0);
    ASSERT_LT(gross.y() - klein.y(), 5); // the two labels overlap
    // Drawn as specified: both names, the later one over the earlier.
    EXPECT_EQ(Pixel(all, klein.x(), klein.y()), kNameBack);
    EXPECT_EQ(Pixel(all, gross.x() + 80, gross.y() + 2), kNameBack);
    // Without overlap: only the larger place's name, and the name far away.
    EXPECT_NE(Pixel(readable, klein.x() + 1, klein.y()), kNameBack);
    EXPECT_EQ(Pixel(readable, gross.x() + 80, gross.y() + 2), kNameBack);
    EXPECT_EQ(Pixel(readable, fern.x() + 1, fern.y() + 1), kNameBack);
    // A name that overlaps nothing looks as it does without the switch.
    EXPECT_EQ(readable.copy(fern.x() - 3, fern.y() - 3, 60, 20),
              all.copy(fern.x() - 3, fern.y() - 3, 60, 20));
}

TEST(MapDeclutter, RenderCommandDrawsTheSamePicture) {
    TempGeo geo({{"AT", "1000", "Klein", "8.6", "49.3"},
                 {"DE", "10000", "Gross", "8.6", "49.25"},
                 {"DE", "10001", "Gross", "9.0", "48.0"}});
    const QString dir = QFileInfo(geo.Path()).absolutePath();
    ASSERT_EQ(
        TestSupport::RunCli(
            {"render", "--db", geo.Path(), "--names", "--declutter", dir + "/karte.png"}, dir),
        0);
    CMapCanvas canvas(geo.Db(), DefaultSettings(true, 0));
    canvas.m_bDeclutterNames = true;
    EXPECT_EQ(QImage(dir + "/karte.png").convertToFormat(QImage::Format_RGB32), Render(canvas));
}
