// Map windows through the real main window: place files, full repaints and exposes,
// blinking, the display switches, engine errors and the focus pointer. (The settings a view
// takes at construction are checked with the zoom, which depends on them.)
#include "ui/MapViewFixture.h"

#include "base/CommandIds.h"
#include "common/TestSupport.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "ui/shell/Document.h"
#include "ui/shell/Globals.h"

#include <QDialog>
#include <QProgressBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <sqlite3.h>

class MapViewTest : public MapViewFixture {};

TEST_F(MapViewTest, PlaceFileOpensWithItsEntriesAndDateMessages) {
    // A heading (line 1), a Windows-1252 label, an invalid date in line 3, a future date,
    // CR LF line ends and a last line without one.
    const QByteArray line3 = "DE;69117;abc;3;0;0;0;12;0";
    const QString future = QDate::currentDate().addDays(1).toString("dd.MM.yyyy");
    const QByteArray bytes = "Staat;PLZ;Datum;...\r\nDE;10115;0;4;1;255,0,0;0;14;Z\xfcrich\r\n" +
                             line3 + "\r\nAT;1010;" + future.toLatin1() + ";3;0;0;0;0;0\r\n" +
                             "CH;8001;1.2.15;3;0;0;0;0;0";
    CKelvoView* view = OpenPlaceFile(bytes);
    ASSERT_TRUE(view);
    const QString expected = "Ungultiges Datum \"abc\" in der Zeile 3:\n\n" + QString(line3);
    EXPECT_EQ(messages, QStringList({expected}));
    CKelvoDoc* doc = view->GetDocument();
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->m_strMessage, expected);
    EXPECT_TRUE(doc->m_bPlacesLoaded);
    ASSERT_EQ(doc->m_aPlaces.size(), 3);
    EXPECT_EQ(doc->m_aPlaces[0].m_strLabel, "Zürich");
    EXPECT_FALSE(doc->m_aPlaces[1].m_dtDate.isValid());
    EXPECT_EQ(doc->m_aPlaces[2].m_strStaat, "CH");
    EXPECT_EQ(Frames().last()->windowTitle(), "orte.txt");
    EXPECT_EQ(view->Canvas().PlaceList(), &doc->m_aPlaces);

    // Opened again: its window comes forward and the file is not read again.
    CKelvoView* other = OpenMap();
    ASSERT_TRUE(other);
    EXPECT_EQ(theApp.OpenDocumentFile(dir.filePath("orte.txt")), doc);
    EXPECT_EQ(frame->MDIGetActive(), view->GetParentFrame());
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(doc->m_aPlaces.size(), 3);
    EXPECT_EQ(Frames().size(), 2);

    // A file without any place line still counts as loaded.
    CKelvoView* empty = OpenPlaceFile("nur eine Zeile\n", "leer.txt");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->GetDocument()->m_bPlacesLoaded);
    EXPECT_TRUE(empty->GetDocument()->m_aPlaces.isEmpty());
    frame->UpdateCommandUI();
    EXPECT_TRUE(Action(ID_SHOW_FILE_PLACES)->isEnabled());
}

TEST_F(MapViewTest, FullRepaintsReadTheDatabaseAndExposesOnlyCopy) {
    ASSERT_TRUE(InsertRows({Berlin()}));
    CKelvoView* view = OpenMap();
    ASSERT_TRUE(view);
    SizeView(view);
    EXPECT_EQ(view->Canvas().m_rectPlot, (CRect{50, 30, 750, 570}));
    EXPECT_EQ(Pixel(Shown(view), 558, 192), kRed);
    EXPECT_TRUE(frame->GetMessageText().isEmpty()); // the progress caption is gone

    ASSERT_TRUE(InsertRows({Wien()}));
    view->update();
    Process();
    EXPECT_EQ(Pixel(Shown(view), 697, 423), kWhite); // an expose shows the buffer
    view->RepaintNow();
    Process();
    EXPECT_EQ(Pixel(Shown(view), 697, 423), kGreen);

    // A resize re-renders with the new plot rectangle.
    SizeView(view, QSize(500, 400));
    EXPECT_EQ(view->Canvas().m_rectPlot, (CRect{50, 30, 450, 370}));
    const QPoint wien = view->Canvas().LonLatToPoint(16.37, 48.21);
    EXPECT_EQ(Pixel(Shown(view), wien.x(), wien.y()), kGreen);
    EXPECT_EQ(view->Canvas().BackBuffer().size(), QSize(500, 400));
}

TEST_F(MapViewTest, MarkersBlinkInTheWindowUntilThePlaceListIsSwitchedOff) {
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg()}));
    // Berlin blinks with a marker of half size 3; Heidelberg's marker stays.
    CKelvoView* view =
        OpenPlaceFile("DE;10115;0;3;1;0,0,255;0;0;0\nDE;69117;0;3;0;0,0,255;0;0;0\n");
    ASSERT_TRUE(view);
    SizeView(view);
    const COLORREF blue = RGB(0, 0, 255);
    // The fill of a size-3 marker is the 4 x 4 square from (x - 2, y - 2).
    auto berlin = [&] { return Pixel(Shown(view), 557, 191); };
    auto heidelberg = [&] { return Pixel(Shown(view), 333, 363); };
    EXPECT_EQ(berlin(), blue);
    const QList<COLORREF> ticks = {blue, kWhite, blue, kWhite};
    for (COLORREF expected : ticks) {
        view->OnTimer();
        Process();
        EXPECT_EQ(berlin(), expected);
        EXPECT_EQ(heidelberg(), blue);
        EXPECT_EQ(Pixel(Shown(view), 558, 192), RGB(0, 0, 0)); // the centre pixel
    }

    // The window's own timer ticks every 500 ms.
    CPlaceEntry& entry = view->GetDocument()->m_aPlaces[0];
    const bool phase = entry.m_bBlinkPhase;
    EXPECT_TRUE(QTest::qWaitFor([&] { return entry.m_bBlinkPhase != phase; }, 2000));

    // Switched off: no markers, no blinking. On again: drawn and blinking.
    frame->UpdateCommandUI();
    EXPECT_TRUE(Action(ID_SHOW_FILE_PLACES)->isEnabled());
    EXPECT_TRUE(Action(ID_SHOW_FILE_PLACES)->isChecked());
    ASSERT_TRUE(frame->RouteCommand(ID_SHOW_FILE_PLACES));
    Process();
    frame->UpdateCommandUI();
    EXPECT_FALSE(Action(ID_SHOW_FILE_PLACES)->isChecked());
    EXPECT_EQ(berlin(), kWhite);
    EXPECT_EQ(Pixel(Shown(view), 558, 192), kRed); // the database place below the marker
    const bool stopped = entry.m_bBlinkPhase;
    view->OnTimer();
    QTest::qWait(600);
    EXPECT_EQ(entry.m_bBlinkPhase, stopped);
    EXPECT_EQ(berlin(), kWhite);
    ASSERT_TRUE(frame->RouteCommand(ID_SHOW_FILE_PLACES));
    Process();
    EXPECT_EQ(berlin(), blue);
    EXPECT_TRUE(QTest::qWaitFor([&] { return entry.m_bBlinkPhase != stopped; }, 2000));
}

TEST_F(MapViewTest, TwoWindowsOnOnePlaceFileBlinkEachAtItsOwnPositions) {
    ASSERT_TRUE(InsertRows({Berlin()}));
    CKelvoView* first = OpenPlaceFile("DE;10115;0;3;1;0,0,255;0;0;0\n");
    ASSERT_TRUE(first);
    SizeView(first);
    ASSERT_TRUE(frame->RouteCommand(ID_WINDOW_NEW));
    CKelvoView* second = MapView(Frames().last());
    ASSERT_TRUE(second && second != first);
    SizeView(second, QSize(600, 450));
    const QPoint a(558, 192);
    const QPoint b = second->Canvas().LonLatToPoint(13.4, 52.5);
    ASSERT_NE(a, b);
    first->RepaintNow(); // the document's entry now holds the first window's position
    Process();

    const QImage firstBefore = Shown(first), secondBefore = Shown(second);
    const COLORREF blue = RGB(0, 0, 255);
    for (COLORREF expected : {blue, kWhite, blue, kWhite}) {
        first->OnTimer();
        second->OnTimer();
        Process();
        EXPECT_EQ(Pixel(Shown(first), a.x() - 1, a.y() - 1), expected);
        EXPECT_EQ(Pixel(Shown(second), b.x() - 1, b.y() - 1), expected);
    }
    // Neither window paints a marker at the other's position.
    const QRect aroundA(a - QPoint(4, 4), QSize(9, 9)), aroundB(b - QPoint(4, 4), QSize(9, 9));
    EXPECT_EQ(Shown(first).copy(aroundB), firstBefore.copy(aroundB));
    EXPECT_EQ(Shown(second).copy(aroundA), secondBefore.copy(aroundA));
}

TEST_F(MapViewTest, DisplaySwitchesToggleAndRepaintEachWindowOnItsOwn) {
    ASSERT_TRUE(InsertRows({{"DE", "69117", "Heidelberg", "8.6", "49.3", "Notiz"}}));
    CKelvoView* view = OpenMap();
    ASSERT_TRUE(view);
    SizeView(view);
    struct State {
        bool enabled, checked;
    };
    auto state = [&](int id) {
        frame->UpdateCommandUI();
        return State{Action(id)->isEnabled(), Action(id)->isChecked()};
    };
    // No place file: the place list's switch is disabled but checked.
    EXPECT_FALSE(state(ID_SHOW_FILE_PLACES).enabled);
    EXPECT_TRUE(state(ID_SHOW_FILE_PLACES).checked);
    EXPECT_TRUE(state(ID_SHOW_MEMOS).enabled);
    EXPECT_FALSE(state(ID_SHOW_MEMOS).checked);
    EXPECT_TRUE(state(ID_SHOW_PLACE_NAMES).enabled);
    EXPECT_FALSE(state(ID_SHOW_PLACE_NAMES).checked);

    QStringList captions;
    QObject::connect(frame->statusBar(), &QStatusBar::messageChanged, frame,
                     [&](const QString& text) { captions << text; });
    // The memo mark: a cross of arms 10 from the place and the place's name beside it.
    auto memoCross = [&] { return Pixel(Shown(view), 339, 364) == RGB(0, 0, 0); };
    // Names of one-pixel places start at the place itself.
    auto nameInk = [&] {
        const QImage shown = Shown(view);
        int dark = 0;
        for (int y = 364; y < 378; ++y)
            for (int x = 336; x < 400; ++x)
                dark += qGray(shown.pixel(x, y)) < 110;
        return dark;
    };
    EXPECT_FALSE(memoCross());
    EXPECT_EQ(nameInk(), 0);
    Action(ID_SHOW_MEMOS)->trigger();
    Process();
    EXPECT_TRUE(state(ID_SHOW_MEMOS).checked);
    EXPECT_TRUE(memoCross());
    EXPECT_EQ(captions.first(), "Mappe wird gezeichnet:");
    EXPECT_TRUE(captions.last().isEmpty());
    Action(ID_SHOW_MEMOS)->trigger();
    Process();
    EXPECT_FALSE(state(ID_SHOW_MEMOS).checked);
    EXPECT_FALSE(memoCross());
    Action(ID_SHOW_PLACE_NAMES)->trigger();
    Process();
    EXPECT_TRUE(state(ID_SHOW_PLACE_NAMES).checked);
    EXPECT_GT(nameInk(), 20);
    EXPECT_EQ(captions.count("Mappe wird gezeichnet:"), 3);

    // Another map window keeps its own switches.
    CKelvoView* other = OpenMap();
    ASSERT_TRUE(other);
    EXPECT_FALSE(state(ID_SHOW_PLACE_NAMES).checked);
    EXPECT_FALSE(other->Canvas().m_bShowNames);
    frame->MdiArea()->setActiveSubWindow(view->GetParentFrame());
    EXPECT_TRUE(state(ID_SHOW_PLACE_NAMES).checked);
}

TEST_F(MapViewTest, TheFocusPointerFollowsMapViewsAndClearsWhenOneCloses) {
    EXPECT_EQ(g_pLastMapView, nullptr);
    CKelvoView* first = OpenMap();
    ASSERT_TRUE(first);
    EXPECT_EQ(g_pLastMapView, first);
    CKelvoView* second = OpenMap();
    EXPECT_EQ(g_pLastMapView, second);
    Key(Qt::Key_T, Qt::ControlModifier); // a table window takes the focus
    EXPECT_TRUE(QApplication::focusWidget() != second);
    EXPECT_EQ(g_pLastMapView, second);
    frame->MdiArea()->setActiveSubWindow(first->GetParentFrame());
    Process();
    EXPECT_EQ(g_pLastMapView, first);

    // Closing any map window clears it, also one that did not have the focus last.
    second->GetParentFrame()->close();
    Process();
    EXPECT_EQ(g_pLastMapView, nullptr);
    EXPECT_EQ(frame->MDIGetActive(), first->GetParentFrame()); // its window stays active
    // Until a map view gains the focus again.
    frame->MdiArea()->setActiveSubWindow(Frames().at(1));
    frame->MdiArea()->setActiveSubWindow(first->GetParentFrame());
    Process();
    EXPECT_EQ(g_pLastMapView, first);
    first->GetParentFrame()->close();
    Process();
    EXPECT_EQ(g_pLastMapView, nullptr);
}

TEST_F(MapViewTest, AnEngineErrorIsShownOnceAndLeavesNoProgressBehind) {
    ASSERT_TRUE(InsertRows({Berlin()}));
    CKelvoView* view = OpenMap();
    ASSERT_TRUE(view);
    SizeView(view);
    // GEO becomes a view whose filter the engine refuses (a malformed pattern).
    ASSERT_TRUE(g_GeoDatabase.Execute("ALTER TABLE GEO RENAME TO G2"));
    ASSERT_TRUE(g_GeoDatabase.Execute("CREATE VIEW GEO AS SELECT * FROM G2 WHERE Ort LIKE '['"));
    view->RepaintNow();
    view->RepaintNow();
    SizeView(view, QSize(700, 500)); // a repaint of its own, outside any call of ours
    Process();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Die Karte kann nicht vollständig gezeichnet werden"))
        << messages[0].toStdString();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(frame->statusBar()->findChildren<QProgressBar*>().isEmpty());

    ASSERT_TRUE(g_GeoDatabase.Execute("DROP VIEW GEO"));
    ASSERT_TRUE(g_GeoDatabase.Execute("ALTER TABLE G2 RENAME TO GEO"));
    view->RepaintNow();
    Process();
    EXPECT_EQ(messages.size(), 1);
    const QPoint berlin = view->Canvas().LonLatToPoint(13.4, 52.5);
    EXPECT_EQ(Pixel(Shown(view), berlin.x(), berlin.y()), kRed);
}

TEST_F(MapViewTest, AfterIdleTimeTheSwitchesReadNothing) {
    ASSERT_TRUE(InsertRows({{"DE", "69117", "Heidelberg", "8.6", "49.3", "Notiz"}, Berlin()}));
    CKelvoView* view = OpenMap();
    ASSERT_TRUE(view);
    SizeView(view);
    // Idle time reads ahead what names and memos need, on a connection of its own.
    CGeoPlaceRowsCache& cache = CGeoPlaceRowsCache::Of(g_GeoDatabase);
    ASSERT_TRUE(QTest::qWaitFor([&] { return cache.Cached(true) != nullptr; }, 5000));
    const std::shared_ptr<const CGeoPlaceRows> ahead = cache.Cached(true);
    // Nor does the switch read them again: not through the window's connection, and not
    // through a drawing's own (it would leave other rows in the cache).
    int reads = 0;
    sqlite3_trace_v2(
        TestSupport::SqliteHandle(g_GeoDatabase), SQLITE_TRACE_STMT,
        [](unsigned, void* counter, void* stmt, void*) {
            if (QByteArray(sqlite3_sql(static_cast<sqlite3_stmt*>(stmt))).contains("FROM GEO"))
                ++*static_cast<int*>(counter);
            return 0;
        },
        &reads);
    Action(ID_SHOW_MEMOS)->trigger();
    Action(ID_SHOW_PLACE_NAMES)->trigger();
    SizeView(view, QSize(640, 480));
    sqlite3_trace_v2(TestSupport::SqliteHandle(g_GeoDatabase), 0, nullptr, nullptr);
    EXPECT_EQ(reads, 0);
    EXPECT_EQ(cache.Cached(true), ahead);
    const QPoint heidelberg = view->Canvas().LonLatToPoint(8.6, 49.3);
    EXPECT_EQ(Pixel(Shown(view), heidelberg.x() + 5, heidelberg.y()), RGB(0, 0, 0)); // memo
}

TEST_F(MapViewTest, OpeningAPlaceFileCountsTheEntriesWithoutAPlace) {
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg()}));
    struct Case {
        QByteArray file;
        QString status;
    };
    int n = 0;
    for (const Case& c :
         {Case{"DE;10115;0;3;0;0;0;0;0\n"
               "DE;1011;0;3;0;0;0;0;0\n" // a typo
               "DE;69117;0;3;0;0;0;0;0\n"
               "AT;1010;0;3;0;0;0;0;0\n"
               "DE;99999;0;3;0;0;0;0;0\n",
               "3 Einträge ohne Ort in GEO"},
          Case{"DE;69117;0;3;0;0;0;0;0\nXX;1;0;3;0;0;0;0;0\n", "1 Eintrag ohne Ort in GEO"},
          Case{"DE;10115;0;3;0;0;0;0;0\n", ""}}) {
        CKelvoView* view = OpenPlaceFile(c.file, QStringLiteral("orte%1.txt").arg(++n));
        ASSERT_TRUE(view);
        EXPECT_TRUE(QTest::qWaitFor([&] { return frame->GetMessageText() == c.status; }, 2000))
            << frame->GetMessageText().toStdString();
        // Drawn again, resized, hovered over: the count stays, also in the title's tool tip.
        view->RepaintNow();
        SizeView(view, QSize(500, 400));
        QStatusTipEvent leave{QString()};
        QApplication::sendEvent(frame, &leave);
        EXPECT_EQ(frame->GetMessageText().trimmed(), c.status);
        EXPECT_EQ(view->GetParentFrame()->toolTip(), c.status);
        frame->UpdateCommandUI();
        EXPECT_EQ(Action(ID_PLACES_WITHOUT_ROW)->isEnabled(), !c.status.isEmpty());
        // Until the next command.
        Action(ID_SHOW_MEMOS)->trigger();
        Process();
        EXPECT_EQ(frame->GetMessageText(), "");
    }
}

TEST_F(MapViewTest, EntriesWithoutAPlaceAreListedWithLineCountryCodeAndText) {
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg()}));
    CKelvoView* view =
        OpenPlaceFile("Staat;PLZ;Datum;Groesse;Blinken;Farbe;Textfarbe;Schrift;Text\n"
                      "DE;10115;0;3;0;0;0;0;0\n"
                      "DE;1011;0;3;0;0;0;14;Kunde Meier\n"
                      "AT;9999;0;3;0;0;0;0;0\n");
    ASSERT_TRUE(view);
    QStringList listed;
    auto* timer = new QTimer(frame);
    timer->start(20);
    QObject::connect(timer, &QTimer::timeout, [timer, &listed] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        timer->stop();
        auto* table = dialog->findChild<QTableWidget*>("PlacesWithoutRow");
        ASSERT_TRUE(table);
        for (int r = 0; r < table->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < table->columnCount(); ++c)
                cells << table->item(r, c)->text();
            listed << cells.join('|');
        }
        dialog->reject();
    });
    Action(ID_PLACES_WITHOUT_ROW)->trigger();
    EXPECT_EQ(listed, QStringList({"3|DE|1011|Kunde Meier", "4|AT|9999|"}));
}

TEST_F(MapViewTest, FileWithoutAnyEntryIsRefusedAndNotRemembered) {
    const QStringList before = theApp.RecentFiles().Files();
    // Lines, but none is an entry: a PDF opened by mistake.
    EXPECT_FALSE(OpenPlaceFile(
        "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n1 0 obj\n<< /Type /Catalog >>\nendobj\n", "bericht.pdf"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("ist keine Ortsdatei")) << messages[0].toStdString();
    EXPECT_EQ(theApp.RecentFiles().Files(), before);
    // An empty place list still opens.
    EXPECT_TRUE(OpenPlaceFile("Staat;PLZ;Datum;Groesse;Blinken;Farbe;Textfarbe;Schrift;Text\n",
                              "leer.txt"));
}

TEST(MapViewSettings, AViewCopiesTheGlobalsOfTheNextMapView) {
    g_dLonWest = 5.5, g_dLonEast = 8.5, g_dLatSouth = 52.5, g_dLatNorth = 54.5;
    g_bNextShowNames = true, g_nNextMarkerHalfSize = 2;
    CKelvoView view;
    const CMapCanvas& canvas = view.Canvas();
    // What the new document does right after the view is made.
    g_dLonWest = kDefaultLonWest, g_dLonEast = kDefaultLonEast;
    g_dLatSouth = kDefaultLatSouth, g_dLatNorth = kDefaultLatNorth;
    g_bNextShowNames = false, g_nNextMarkerHalfSize = 0;
    EXPECT_EQ(canvas.m_dLonWest, 5.5);
    EXPECT_EQ(canvas.m_dLonEast, 8.5);
    EXPECT_EQ(canvas.m_dLatSouth, 52.5);
    EXPECT_EQ(canvas.m_dLatNorth, 54.5);
    EXPECT_TRUE(canvas.m_bShowNames);
    EXPECT_EQ(canvas.m_nMarkerHalfSize, 2);
    EXPECT_TRUE(canvas.m_bShowFilePlaces);
    EXPECT_FALSE(canvas.m_bShowMemos);
    EXPECT_EQ(canvas.m_nTimerInterval, 500);
}
