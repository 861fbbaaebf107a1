// The map window's mouse operations through real mouse events: the zoom band and the
// nearby search.
#include "ui/MapViewFixture.h"

#include "base/CommandIds.h"
#include "ui/shell/Document.h"
#include "ui/table/CListView_Table.h"

namespace {

// A band as the user drags it: press, move in steps, release.
void Drag(QWidget* view, QPoint from, QPoint to) {
    QTest::mousePress(view, Qt::LeftButton, {}, from);
    const QPoint half = (from + to) / 2;
    QTest::mouseMove(view, half);
    QTest::mouseMove(view, to);
    QTest::mouseRelease(view, Qt::LeftButton, {}, to);
}

} // namespace

class MapMouseTest : public MapViewFixture {};

TEST_F(MapMouseTest, ABandOpensAZoomWindowAndLeavesTheFirstAsItWas) {
    ASSERT_TRUE(InsertRows({Berlin(), {"DE", "26871", "Papenburg", "7.4", "53.08"}}));
    CKelvoView* view = OpenSizedMap();
    ASSERT_TRUE(view);
    const QImage before = Shown(view);

    Drag(view, {190, 84}, {330, 192});
    Process();
    ASSERT_EQ(Frames().size(), 2);
    CKelvoView* zoom = MapView(Frames().last());
    ASSERT_TRUE(zoom && zoom != view);
    const CMapCanvas& z = zoom->Canvas();
    EXPECT_NEAR(z.m_dLonWest, 5.5, 1e-9);
    EXPECT_NEAR(z.m_dLonEast, 8.5, 1e-9);
    EXPECT_NEAR(z.m_dLatNorth, 54.5, 1e-9);
    EXPECT_NEAR(z.m_dLatSouth, 52.5, 1e-9);
    EXPECT_EQ(Frames().last()->windowTitle(), "Zoom neben: 5.50; 52.50");
    EXPECT_EQ(Frames().last()->size(), QSize(500, 350));
    // The new view took the band's extent before its document reset the globals, which
    // are back for the next window.
    EXPECT_FALSE(g_bNextShowNames);
    EXPECT_EQ(g_nNextMarkerHalfSize, 0);
    EXPECT_EQ(g_dLonWest, kDefaultLonWest);
    EXPECT_EQ(g_dLatSouth, kDefaultLatSouth);
    // The first window: same extent, no trace of the band.
    EXPECT_EQ(view->Canvas().m_dLonWest, kDefaultLonWest);
    EXPECT_EQ(Shown(view), before);

    // The zoom window: names and 4 x 4 squares, no place list.
    EXPECT_TRUE(z.m_bShowNames);
    EXPECT_EQ(z.m_nMarkerHalfSize, 2);
    const QImage shown = Shown(zoom);
    const QPoint p = z.LonLatToPoint(7.4, 53.08);
    EXPECT_EQ(Pixel(shown, p.x() - 2, p.y() - 2), kRed);
    EXPECT_EQ(Pixel(shown, p.x() + 1, p.y() + 1), kRed);
    EXPECT_NE(Pixel(shown, p.x() - 3, p.y() - 3), kRed);
    int ink = 0; // the name, from (x + 2, y + 2)
    for (int y = p.y() + 2; y < p.y() + 16; ++y)
        for (int x = p.x() + 2; x < p.x() + 70; ++x)
            ink += qGray(shown.pixel(x, y)) < 110;
    EXPECT_GT(ink, 20);
    frame->UpdateCommandUI();
    EXPECT_FALSE(Action(ID_SHOW_FILE_PLACES)->isEnabled());
    EXPECT_TRUE(Action(ID_SHOW_PLACE_NAMES)->isChecked());

    // A further window on the zoom document shows the same area.
    ASSERT_TRUE(frame->RouteCommand(ID_WINDOW_NEW));
    const CMapCanvas& again = MapView(Frames().last())->Canvas();
    EXPECT_EQ(Frames().last()->windowTitle(), "Zoom neben: 5.50; 52.50:2");
    EXPECT_EQ(again.m_dLonWest, z.m_dLonWest);
    EXPECT_EQ(again.m_dLatNorth, z.m_dLatNorth);
    EXPECT_TRUE(again.m_bShowNames);
    EXPECT_EQ(again.m_nMarkerHalfSize, 2);

    // A map opened afterwards starts from the default.
    CKelvoView* next = OpenMap();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->Canvas().m_dLonWest, kDefaultLonWest);
    EXPECT_EQ(next->Canvas().m_dLatNorth, kDefaultLatNorth);
    EXPECT_FALSE(next->Canvas().m_bShowNames);
    EXPECT_EQ(next->Canvas().m_nMarkerHalfSize, 0);
}

TEST_F(MapMouseTest, BandsThatDoNotZoomAndTheUpwardBand) {
    CKelvoView* view = OpenSizedMap();
    ASSERT_TRUE(view);
    struct Case {
        const char* what;
        QPoint from, to;
        int windows; // document windows afterwards
    };
    const Case cases[] = {
        {"9 pixels wide", {190, 84}, {199, 192}, 1},
        {"dragged leftwards", {330, 84}, {190, 192}, 1},
        {"10 pixels wide", {190, 84}, {200, 192}, 2},
    };
    for (const Case& c : cases) {
        Drag(view, c.from, c.to);
        Process();
        EXPECT_EQ(Frames().size(), c.windows) << c.what;
    }

    // A click without moving, a band cancelled with Escape or the right button.
    frame->MdiArea()->setActiveSubWindow(view->GetParentFrame());
    QTest::mouseClick(view, Qt::LeftButton, {}, {190, 84});
    QTest::mousePress(view, Qt::LeftButton, {}, {190, 84});
    QTest::mouseMove(view, {330, 192});
    EXPECT_TRUE(view->Band().HasMoved());
    QTest::keyClick(view, Qt::Key_Escape);
    QTest::mouseRelease(view, Qt::LeftButton, {}, {330, 192});
    QTest::mousePress(view, Qt::LeftButton, {}, {190, 84});
    QTest::mouseMove(view, {330, 192});
    QTest::mousePress(view, Qt::RightButton, {}, {330, 192});
    QTest::mouseRelease(view, Qt::RightButton, {}, {330, 192});
    QTest::mouseRelease(view, Qt::LeftButton, {}, {330, 192});
    Process();
    EXPECT_EQ(Frames().size(), 2);
    EXPECT_FALSE(view->Band().IsTracking());

    // Dragged upwards over the same rectangle: the same area, north on top.
    Drag(view, {190, 192}, {330, 84});
    Process();
    ASSERT_EQ(Frames().size(), 3);
    const CMapCanvas& up = MapView(Frames().last())->Canvas();
    EXPECT_NEAR(up.m_dLatNorth, 54.5, 1e-9);
    EXPECT_NEAR(up.m_dLatSouth, 52.5, 1e-9);
    EXPECT_NEAR(up.m_dLonWest, 5.5, 1e-9);
    EXPECT_EQ(Frames().last()->windowTitle(), "Zoom neben: 5.50; 52.50");
}

TEST_F(MapMouseTest, ADoubleClickListsThePlacesInTheBoxAroundThePoint) {
    // The box of (335, 365) reaches from 8.457143 to 8.757143 and from 49.196296 to
    // 49.396296, both bounds excluded.
    ASSERT_TRUE(InsertRows({{"DE", "69117", "Heidelberg", "8.6", "49.3"},
                            {"DE", "68159", "Mannheim", "8.4572", "49.2"},
                            {"DE", "68161", "Am Rand", "8.457143", "49.3"},
                            {"DE", "69121", "Nördlich", "8.6", "49.4"},
                            {"DE", "69123", "Östlich", "8.75", "49.39"}}));
    CKelvoView* view = OpenSizedMap();
    ASSERT_TRUE(view);
    g_strSearch = "vorher";
    QTest::mouseDClick(view, Qt::LeftButton, {}, {335, 365});
    Process();
    ASSERT_EQ(Frames().size(), 2); // a table window, no zoom window
    EXPECT_NEAR(view->Canvas().m_dClickLon, 8.607143, 1e-6);
    EXPECT_NEAR(view->Canvas().m_dClickLat, 49.296296, 1e-6);
    auto* table = dynamic_cast<CListView_Table*>(Frames().last()->GetActiveView());
    ASSERT_TRUE(table);
    EXPECT_EQ(Frames().last()->windowTitle(), "Gefunden 3 Orte neben: 8.61;49.30");
    EXPECT_EQ(Frames().last()->size(), QSize(900, 400));
    QStringList places;
    for (int i = 0; i < table->GetModel().RowCount(); ++i)
        places << table->GetModel().Cell(i, GEO_ORT);
    EXPECT_EQ(places, QStringList({"Mannheim", "Heidelberg", "Östlich"}));
    EXPECT_TRUE(g_strSearch.isEmpty());
    EXPECT_EQ(g_nChildFrameMode, 1);
}

TEST_F(MapMouseTest, WithoutAPlotRectangleNeitherOperationDoesAnything) {
    CKelvoView* view = OpenMap();
    ASSERT_TRUE(view);
    SizeView(view, QSize(100, 60)); // plot rectangle (50,30)-(50,30)
    Drag(view, {50, 30}, {90, 55});
    QTest::mouseDClick(view, Qt::LeftButton, {}, {50, 30});
    Process();
    EXPECT_EQ(Frames().size(), 1);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(view->Canvas().m_dClickLon, 0.0);
}

TEST_F(MapMouseTest, TheBoxAroundTenDegreesEastFindsHamburg) {
    KELVO_REQUIRE_SHARED_DATA(data);
    ASSERT_TRUE(ImportSharedData(data));
    CKelvoView* view = OpenSizedMap();
    ASSERT_TRUE(view);
    // 10.0 E 53.55 N: the box from 9.85 to 10.15 E crosses a change in the number of digits.
    const QPoint hamburg = view->Canvas().LonLatToPoint(10.0, 53.55);
    QTest::mouseDClick(view, Qt::LeftButton, {}, hamburg);
    Process();
    ASSERT_EQ(Frames().size(), 2);
    auto* table = dynamic_cast<CListView_Table*>(Frames().last()->GetActiveView());
    ASSERT_TRUE(table);
    const int rows = table->GetModel().RowCount();
    EXPECT_GT(rows, 20);
    EXPECT_EQ(g_nFoundCount, rows);
    bool west = false, east = false;
    for (int i = 0; i < rows; ++i) {
        const double lon = table->GetModel().Cell(i, GEO_LANGENGRAD).toDouble();
        EXPECT_GT(lon, view->Canvas().m_dClickLon - 0.15);
        EXPECT_LT(lon, view->Canvas().m_dClickLon + 0.15);
        west = west || lon < 10.0;
        east = east || lon >= 10.0;
    }
    EXPECT_TRUE(west && east);
    EXPECT_TRUE(
        Frames().last()->windowTitle().startsWith(QString("Gefunden %1 Orte neben: ").arg(rows)));
}

TEST_F(MapMouseTest, DeepZoomsKeepTheirTitlesApartUntilTheMapCanZoomNoFurther) {
    CKelvoView* view = OpenSizedMap();
    ASSERT_TRUE(view);
    // A narrow band near Heidelberg, then in each zoom window (plot 400 x 290) a band of a
    // thirtieth of it at its south-west corner: the corners differ by little.
    Drag(view, {330, 350}, {345, 365});
    Process();
    QStringList titles;
    for (int level = 1; level <= 3; ++level) {
        ASSERT_EQ(Frames().size(), level + 1);
        titles << Frames().last()->windowTitle();
        CKelvoView* zoom = MapView(Frames().last());
        ASSERT_TRUE(zoom);
        ASSERT_GT(zoom->Canvas().m_rectPlot.Width(), 300);
        const CRect& plot = zoom->Canvas().m_rectPlot;
        Drag(zoom, {plot.left + 2, plot.bottom - 14}, {plot.left + 14, plot.bottom - 2});
        Process();
    }
    // Three windows, each titled with the corner it shows.
    EXPECT_EQ(titles.size(), 3);
    EXPECT_EQ(titles.removeDuplicates(), 0) << qPrintable(titles.join(" | "));
    // The band in the third opened nothing: the map can zoom no further, the status bar says so.
    EXPECT_EQ(Frames().size(), 4);
    EXPECT_EQ(frame->GetMessageText(), "Die Karte lässt sich nicht weiter vergrößern.");
}
