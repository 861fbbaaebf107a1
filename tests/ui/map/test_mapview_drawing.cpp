// Map windows drawn on a thread of their own: while the rows are read and drawn the window
// shows its frame and answers keys; Esc stops the drawing (a new window, the zoom's too,
// closes; a window that showed a map shows it again); the finished picture is the one a
// repaint at once draws.
#include "ui/MapViewFixture.h"

#include "base/CommandIds.h"
#include "render/map/MapTestSupport.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"

#include <QProgressBar>
#include <QStatusBar>

namespace {

// Keeps what the drawing threads post to the map views from arriving while they draw, so
// that a test sees a window in the middle of its drawing, however fast the thread is.
class HoldDrawing : public QObject {
public:
    HoldDrawing() { qApp->installEventFilter(this); }
    ~HoldDrawing() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* object, QEvent* event) override {
        const auto* view = qobject_cast<CKelvoView*>(object);
        return event->type() == QEvent::MetaCall && view && view->IsDrawing();
    }
};

void Drag(QWidget* view, QPoint from, QPoint to) {
    QTest::mousePress(view, Qt::LeftButton, {}, from);
    QTest::mouseMove(view, (from + to) / 2);
    QTest::mouseMove(view, to);
    QTest::mouseRelease(view, Qt::LeftButton, {}, to);
}

// Lets posted events run without waiting for the drawing threads.
void Events() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int Count(const QImage& image, COLORREF color) {
    return MapTest::CountColor(image, 0, 0, image.width(), image.height(), color);
}

// The picture a repaint at once draws of the view's map as it is now.
QImage AtOnce(CKelvoView* view) {
    CMapCanvas copy = view->Canvas();
    copy.Repaint(view->size(), view->size());
    return copy.BackBuffer();
}

int NonWhite(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
    return n;
}

} // namespace

class MapDrawingTest : public MapViewFixture {
protected:
    // Makes the view's window the active one, as a click on it does.
    void Activate(CKelvoView* view) {
        frame->MdiArea()->setActiveSubWindow(view->GetParentFrame());
        view->setFocus();
        Events();
    }
};

TEST_F(MapDrawingTest, ANewMapAnswersKeysWhileItIsDrawnAndEscClosesIt) {
    ASSERT_TRUE(InsertRows({Berlin(), Wien()}));
    HoldDrawing hold;
    QTest::keyClick(frame, Qt::Key_K, Qt::ControlModifier);
    ASSERT_EQ(Frames().size(), 1);
    CKelvoView* view = MapView(Frames().last());
    ASSERT_TRUE(view);
    Events();
    ASSERT_TRUE(view->IsDrawing());
    // The first picture: the frame and its labels, no place yet; the caption and the bar of
    // the drawing, with the cursor of a window that takes input.
    const QImage first = Shown(view);
    EXPECT_GT(NonWhite(first), 1000);
    EXPECT_EQ(Count(first, kRed), 0);
    EXPECT_EQ(Count(first, kGreen), 0);
    EXPECT_EQ(frame->GetMessageText(), "Mappe wird gezeichnet:");
    EXPECT_EQ(frame->statusBar()->findChildren<QProgressBar*>().size(), 1);
    ASSERT_TRUE(QApplication::overrideCursor());
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);

    // A key meanwhile: Strg+T opens a table window.
    QTest::keyClick(view, Qt::Key_T, Qt::ControlModifier);
    Events();
    ASSERT_EQ(Frames().size(), 2);
    EXPECT_TRUE(view->IsDrawing());

    QTest::keyClick(view, Qt::Key_Escape);
    Events();
    ASSERT_EQ(Frames().size(), 1);
    EXPECT_FALSE(MapView(Frames().first()));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(frame->statusBar()->findChildren<QProgressBar*>().isEmpty());
    EXPECT_TRUE(frame->GetMessageText().isEmpty());
    Process();
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MapDrawingTest, ACancelledZoomLeavesTheMapItWasDrawnFrom) {
    ASSERT_TRUE(InsertRows({Berlin(), {"DE", "26871", "Papenburg", "7.4", "53.08"}}));
    CKelvoView* view = OpenSizedMap();
    ASSERT_TRUE(view);
    const QImage before = Shown(view);
    HoldDrawing hold;
    Drag(view, {190, 84}, {330, 192});
    ASSERT_EQ(Frames().size(), 2);
    CKelvoView* zoom = MapView(Frames().last());
    ASSERT_TRUE(zoom && zoom != view);
    Events();
    ASSERT_TRUE(zoom->IsDrawing());
    QTest::keyClick(zoom, Qt::Key_Escape);
    Events();
    ASSERT_EQ(Frames().size(), 1);
    EXPECT_EQ(MapView(Frames().first()), view);
    const CMapCanvas& canvas = view->Canvas();
    EXPECT_EQ(canvas.m_dLonWest, 2.5);
    EXPECT_EQ(canvas.m_dLonEast, 17.5);
    EXPECT_EQ(canvas.m_dLatSouth, 45.5);
    EXPECT_EQ(canvas.m_dLatNorth, 55.5);
    EXPECT_FALSE(view->IsDrawing());
    EXPECT_TRUE(Shown(view) == before);
}

// A window a command opens is being drawn from the moment the command returns, with its bar
// and the busy cursor: an Esc at once, before any other event has run, stops it and the
// window goes, both the zoom's and a new map's.
TEST_F(MapDrawingTest, EscAtOnceAfterTheCommandClosesTheNewWindow) {
    ASSERT_TRUE(InsertRows({Berlin(), {"DE", "26871", "Papenburg", "7.4", "53.08"}}));
    CKelvoView* view = OpenSizedMap();
    ASSERT_TRUE(view);
    const QImage before = Shown(view);
    HoldDrawing hold;
    const auto escAtOnce = [&](const char* what) {
        SCOPED_TRACE(what);
        ASSERT_EQ(Frames().size(), 2);
        CKelvoView* opened = MapView(Frames().last());
        ASSERT_TRUE(opened && opened != view);
        EXPECT_EQ(frame->statusBar()->findChildren<QProgressBar*>().size(), 1);
        EXPECT_EQ(frame->GetMessageText(), "Mappe wird gezeichnet:");
        ASSERT_TRUE(QApplication::overrideCursor());
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
        QTest::keyClick(opened, Qt::Key_Escape);
        Events();
        ASSERT_EQ(Frames().size(), 1);
        EXPECT_EQ(MapView(Frames().first()), view);
        EXPECT_TRUE(Shown(view) == before);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(frame->statusBar()->findChildren<QProgressBar*>().isEmpty());
    };
    Drag(view, {190, 84}, {330, 192});
    escAtOnce("zoom");
    QTest::keyClick(frame, Qt::Key_K, Qt::ControlModifier);
    escAtOnce("new map");
}

TEST_F(MapDrawingTest, EscDuringTheNearbyRepaintShowsTheMapAsBefore) {
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg(), Wien()}));
    CKelvoView* view = OpenSizedMap();
    ASSERT_TRUE(view);
    const QImage before = Shown(view);
    const CRect plot = view->Canvas().m_rectPlot;
    HoldDrawing hold;
    QTest::mouseDClick(view, Qt::LeftButton, {}, {335, 365});
    Events();
    ASSERT_TRUE(view->IsDrawing());
    ASSERT_EQ(Frames().size(), 2); // the table of the places nearby is there meanwhile
    QTest::keyClick(view, Qt::Key_Escape);
    Events();
    EXPECT_FALSE(view->IsDrawing());
    EXPECT_EQ(Frames().size(), 2);
    EXPECT_EQ(view->Canvas().m_rectPlot, plot);
    EXPECT_TRUE(Shown(view) == before);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MapDrawingTest, TheFinishedPictureIsTheOneARepaintAtOnceDraws) {
    Row memo = Heidelberg();
    memo.memo = "Altstadt";
    ASSERT_TRUE(InsertRows({Berlin(), memo, Wien()}));
    // A place file: markers, a label, a blinking entry; then its zoom with names and squares.
    CKelvoView* view =
        OpenPlaceFile("DE;10115;0;3;1;0,0,255;0;12;0\nAT;1010;0;4;0;255,0,0;0;0;0\n");
    ASSERT_TRUE(view);
    SizeView(view);
    const QImage drawn = view->Canvas().BackBuffer();
    EXPECT_EQ(Pixel(drawn, 558, 192), RGB(0, 0, 0)); // the centre of Berlin's marker
    EXPECT_TRUE(AtOnce(view) == drawn);

    // Memo marks on; a resize draws on the thread again.
    ASSERT_TRUE(frame->RouteCommand(ID_SHOW_MEMOS));
    SizeView(view, QSize(700, 500));
    const QImage memos = view->Canvas().BackBuffer();
    const QPoint heidelberg = view->Canvas().LonLatToPoint(8.6, 49.3);
    EXPECT_EQ(Pixel(memos, heidelberg.x() + 5, heidelberg.y()), RGB(0, 0, 0)); // the cross
    EXPECT_TRUE(AtOnce(view) == memos);

    Drag(view, {300, 150}, {720, 450});
    Process();
    CKelvoView* zoom = MapView(Frames().last());
    ASSERT_TRUE(zoom && zoom != view);
    EXPECT_FALSE(zoom->IsDrawing());
    const QImage zoomed = zoom->Canvas().BackBuffer();
    EXPECT_GT(NonWhite(zoomed), NonWhite(drawn) / 2);
    EXPECT_TRUE(AtOnce(zoom) == zoomed);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MapDrawingTest, ADisplaySwitchDrawsOnTheThreadOverThePictureBefore) {
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg(), Wien()}));
    CKelvoView* view = OpenSizedMap();
    ASSERT_TRUE(view);
    const QImage before = Shown(view);
    {
        HoldDrawing hold;
        ASSERT_TRUE(frame->RouteCommand(ID_SHOW_PLACE_NAMES));
        Events();
        ASSERT_TRUE(view->IsDrawing());
        EXPECT_TRUE(Shown(view) == before);
        EXPECT_EQ(frame->GetMessageText(), "Mappe wird gezeichnet:");
        // A key meanwhile: Strg+T opens a table window.
        QTest::keyClick(view, Qt::Key_T, Qt::ControlModifier);
        Events();
        EXPECT_EQ(Frames().size(), 2);
        // Esc: the picture before, and the switch stays as it was set.
        QTest::keyClick(view, Qt::Key_Escape);
        Events();
        EXPECT_FALSE(view->IsDrawing());
        EXPECT_TRUE(Shown(view) == before);
    }
    Activate(view);
    ASSERT_TRUE(frame->RouteCommand(ID_SHOW_MEMOS));
    Process();
    EXPECT_FALSE(view->IsDrawing());
    const QImage names = view->Canvas().BackBuffer();
    EXPECT_FALSE(names == before.convertToFormat(names.format()));
    EXPECT_TRUE(AtOnce(view) == names);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MapDrawingTest, TwoMapsDrawingAtOnceKeepTheCaptionUntilBothHaveEnded) {
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg(), Wien()}));
    CKelvoView* first = OpenSizedMap();
    CKelvoView* second = OpenSizedMap();
    ASSERT_TRUE(first && second && first != second);
    // The second's drawing does not end while the first's does.
    struct HoldOne : QObject {
        CKelvoView* view = nullptr;
        bool eventFilter(QObject* object, QEvent* event) override {
            return object == view && event->type() == QEvent::MetaCall && view->IsDrawing();
        }
    } hold;
    hold.view = second;
    qApp->installEventFilter(&hold);
    ASSERT_TRUE(frame->RouteCommand(ID_SHOW_PLACE_NAMES)); // the second is the active one
    Activate(first);
    ASSERT_TRUE(frame->RouteCommand(ID_SHOW_PLACE_NAMES));
    ASSERT_TRUE(first->IsDrawing() && second->IsDrawing());
    Process();
    EXPECT_FALSE(first->IsDrawing());
    ASSERT_TRUE(second->IsDrawing());
    EXPECT_EQ(frame->GetMessageText(), "Mappe wird gezeichnet:");
    EXPECT_EQ(frame->statusBar()->findChildren<QProgressBar*>().size(), 1);
    ASSERT_TRUE(QApplication::overrideCursor());
    QTest::keyClick(second, Qt::Key_Escape);
    qApp->removeEventFilter(&hold);
    Events();
    EXPECT_FALSE(second->IsDrawing());
    EXPECT_TRUE(frame->GetMessageText().isEmpty());
    EXPECT_TRUE(frame->statusBar()->findChildren<QProgressBar*>().isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MapDrawingTest, TextsAreReadAheadSoThatSwitchingNamesOnReadsNothing) {
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg(), Wien()}));
    CKelvoView* view = OpenSizedMap();
    ASSERT_TRUE(view);
    Process(); // the picture, then the texts read ahead on their thread
    CGeoPlaceRowsCache& cache = CGeoPlaceRowsCache::Of(g_GeoDatabase);
    const std::shared_ptr<const CGeoPlaceRows> ahead = cache.Cached(true);
    ASSERT_TRUE(ahead); // kept by the window, though it draws no names
    EXPECT_EQ(ahead->Size(), 3u);

    ASSERT_TRUE(frame->RouteCommand(ID_SHOW_PLACE_NAMES));
    Process();
    EXPECT_EQ(cache.Cached(true), ahead);
    EXPECT_TRUE(AtOnce(view) == view->Canvas().BackBuffer());

    // Rows read ahead before a change do not stand for the data after it.
    ASSERT_TRUE(InsertRows({{"DE", "20095", "Hamburg", "10.0", "53.55"}}));
    EXPECT_FALSE(cache.Cached(true));
    EXPECT_TRUE(messages.isEmpty());
}
