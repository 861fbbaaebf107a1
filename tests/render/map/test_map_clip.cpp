// Names without overlap also for the place list, and nothing drawn past the frame, blinking
// markers included.
#include "render/map/MapTestSupport.h"
#include "render/places/PlaceFile.h"

#include <gtest/gtest.h>

using namespace MapTest;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

CPlaceList readPlaces(const QByteArray& file) {
    CPlaceList places;
    CPlaceFileReader().Read(file, places);
    return places;
}

// Pixels outside the frame's inside that differ between two images of one size.
int differencesOutsideFrame(const QImage& a, const QImage& b, const CRect& plot) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const bool inside =
                x > plot.left && x < plot.right - 1 && y > plot.top && y < plot.bottom - 1;
            if (!inside && a.pixel(x, y) != b.pixel(x, y))
                ++count;
        }
    }
    return count;
}

} // namespace

TEST(MapDeclutter, PlaceListLabelsOfEarlierEntriesWin) {
    TempGeo geo({{"DE", "60311", "Frankfurt", "8.6", "49.3"},
                 {"DE", "60312", "Frankfurt", "8.6", "49.3"},
                 {"DE", "10115", "Berlin", "13.4", "52.5"}});
    // Two labels at one point (red first, the longer blue one over it), one alone elsewhere.
    const QByteArray file = "DE;60311;0;0;0;0;255,0,0;14;Commerzbank\n"
                            "DE;60312;0;0;0;0;0,0,255;14;Deutsche Bank Filiale\n"
                            "DE;10115;0;0;0;0;0,0,255;14;0\n";
    CPlaceList plainPlaces = readPlaces(file), places = readPlaces(file);
    CMapCanvas plain(geo.Db(), DefaultSettings());
    plain.SetPlaceList(&plainPlaces);
    const QImage all = Render(plain);
    CMapCanvas declutter(geo.Db(), DefaultSettings());
    declutter.m_bDeclutterNames = true;
    declutter.SetPlaceList(&places);
    const QImage readable = Render(declutter);

    const QPoint frankfurt = plain.LonLatToPoint(8.6, 49.3);
    const QPoint berlin = plain.LonLatToPoint(13.4, 52.5);
    auto count = [&frankfurt](const QImage& img, COLORREF color) {
        return CountColor(img, frankfurt.x(), frankfurt.y(), 200, 16, color);
    };
    // As specified, the later label overprints the earlier one.
    EXPECT_GT(count(all, kBlue), 20);
    EXPECT_LT(count(all, kRed), 10);
    // Without overlap the first entry's label stands alone; the second is left out.
    EXPECT_GT(count(readable, kRed), 20);
    EXPECT_EQ(count(readable, kBlue), 0);
    // Both markers' centre pixels stay, and a label that covers nothing is drawn as ever.
    EXPECT_EQ(Pixel(readable, frankfurt.x(), frankfurt.y()), RGB(0, 0, 0));
    EXPECT_EQ(readable.copy(berlin.x() - 3, berlin.y() - 3, 80, 20),
              all.copy(berlin.x() - 3, berlin.y() - 3, 80, 20));
    // Entries keep their positions for blinking and picking.
    EXPECT_EQ(QPoint(places[1].m_nX, places[1].m_nY), frankfurt);
}

TEST(MapDeclutter, NamesMemosPlaceLabelsAndTheSelectedPlaceStayInsideTheFrame) {
    // Rows near the right and bottom edges of the plot, whose labels run past the frame, and
    // a memo place left of the plot, whose mark the default draws over the axis labels.
    const QList<GeoRow> rows = {
        {"DE", "01000", "Randort mit langem Namen", "15.0", "50.0", "Memo am Rand", "Teil"},
        {"DE", "02000", "Unten", "10.0", "45.9", "Memo unten"},
        {"DE", "03000", "Draussen", "2.0", "50.0", "Memo draussen"}};
    TempGeo geo(rows);
    TempGeo empty;
    auto settings = [] {
        CMapSettings s = DefaultSettings(true, 2);
        s.selected = {17.2, 51.0, QStringLiteral("Ausgewählter Ort mit langem Namen")};
        return s;
    };
    auto draw = [&settings](CGeoDatabase& db, bool declutter) {
        // The second entry blinks left of the frame.
        CPlaceList places = readPlaces("DE;01000;0;4;0;255,0,0;0,0,255;18;Ortsdatei am Rand\n"
                                       "DE;03000;0;6;1;0,255,0;0,0,0;0;0\n");
        CMapCanvas canvas(db, settings());
        canvas.m_bShowMemos = true;
        canvas.m_bDeclutterNames = declutter;
        canvas.SetPlaceList(&places);
        Render(canvas);
        canvas.OnTimer();
        canvas.OnTimer();
        return std::make_pair(canvas.BackBuffer(), canvas.m_rectPlot);
    };
    const auto [frameOnly, plot] = draw(empty.Db(), true);
    const auto [specified, plot1] = draw(geo.Db(), false);
    const auto [clipped, plot2] = draw(geo.Db(), true);
    ASSERT_EQ(plot, plot1);
    ASSERT_EQ(plot, plot2);
    // The specified drawing runs past the frame; without overlap the frame, the axes and
    // everything around them look as they do with no rows at all.
    EXPECT_GT(differencesOutsideFrame(specified, frameOnly, plot), 100);
    EXPECT_EQ(differencesOutsideFrame(clipped, frameOnly, plot), 0);
    // Inside, the names, the memo marks and the place label are still drawn up to the frame.
    const QPoint rand(plot.left + (15.0 - 2.5) * plot.Width() / 15, 0);
    const int band = plot.right - 1 - rand.x();
    EXPECT_GT(CountColor(clipped, rand.x(), plot.top, band, plot.Height(), RGB(240, 240, 240)),
              200);
    EXPECT_GT(CountColor(clipped, rand.x(), plot.top, band, plot.Height(), RGB(255, 255, 0)), 200);
    EXPECT_GT(CountColor(clipped, rand.x() + 10, plot.top, band - 10, plot.Height(), kRed), 200);
    EXPECT_GT(
        CountColor(clipped, plot.left, plot.bottom - 20, plot.Width(), 19, RGB(200, 200, 200)), 50);
}
