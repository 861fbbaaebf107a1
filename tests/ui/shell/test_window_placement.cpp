// Where document windows go, through the real main window: new windows cascade from the
// active one and wrap back to the corner, and "Fenster > Überlappend" staggers the windows
// without changing their sizes; window state is kept for the next start.
#include "ui/ShellFixture.h"

#include "base/CommandIds.h"

#include "ui/table/CListView_Table.h"

#include <QHeaderView>
#include <QStyle>

class WindowPlacementTest : public ShellFixture {
protected:
    int TitleBarHeight() const {
        return frame->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, Frames().first());
    }
    QSize Area() const { return frame->MdiArea()->viewport()->size(); }
};

TEST_F(WindowPlacementTest, NewWindowsCascadeFromTheActiveOne) {
    // A map, then table windows: each one a title bar lower and further right.
    Key(Qt::Key_K, Qt::ControlModifier);
    Key(Qt::Key_T, Qt::ControlModifier);
    Key(Qt::Key_T, Qt::ControlModifier);
    ASSERT_EQ(Frames().size(), 3);
    const int step = TitleBarHeight();
    ASSERT_GT(step, 0);
    EXPECT_EQ(Frames()[0]->pos(), QPoint(0, 0));
    EXPECT_EQ(Frames()[1]->pos(), QPoint(step, step));
    EXPECT_EQ(Frames()[2]->pos(), QPoint(2 * step, 2 * step));

    // Until the next one would reach past the window area: back to the corner.
    auto nextFits = [&] {
        const QRect next = Frames().last()->geometry().translated(step, step);
        return QRect(QPoint(0, 0), Area()).contains(next);
    };
    for (int i = 0; i < 50 && nextFits(); ++i)
        Key(Qt::Key_T, Qt::ControlModifier);
    ASSERT_FALSE(nextFits());
    EXPECT_NE(Frames().last()->pos(), QPoint(0, 0));
    Key(Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(Frames().last()->pos(), QPoint(0, 0));
}

TEST_F(WindowPlacementTest, CascadeKeepsTheWindowSizes) {
    Key(Qt::Key_K, Qt::ControlModifier); // 500 x 350
    Key(Qt::Key_T, Qt::ControlModifier); // 900 x 400
    Key(Qt::Key_K, Qt::ControlModifier); // 900 x 400
    ASSERT_EQ(Frames().size(), 3);
    Frames()[1]->resize(Area().width() + 200, 300); // wider than the area
    frame->MdiArea()->setActiveSubWindow(Frames()[0]);
    ASSERT_TRUE(frame->RouteCommand(ID_WINDOW_CASCADE));
    Process();

    const int step = TitleBarHeight();
    QList<QPoint> positions;
    for (CChildFrame* child : Frames())
        positions << child->pos();
    std::sort(positions.begin(), positions.end(),
              [](const QPoint& a, const QPoint& b) { return a.y() < b.y(); });
    EXPECT_EQ(positions, QList<QPoint>({{0, 0}, {step, step}, {2 * step, 2 * step}}));
    EXPECT_EQ(Frames()[0]->size(), QSize(500, 350));
    EXPECT_EQ(Frames()[2]->size(), QSize(900, 400));
    // Cut only to what the area shows from where the window now stands.
    EXPECT_EQ(Frames()[1]->width(), Area().width() - Frames()[1]->x());
    EXPECT_EQ(Frames()[1]->height(), 300);
    // The active window stays active and lies on top, last in the cascade.
    EXPECT_EQ(frame->MDIGetActive(), Frames()[0]);
    EXPECT_EQ(Frames()[0]->pos(), QPoint(2 * step, 2 * step));
}

// The main window's size, position and maximised state and the table columns' widths come
// back at the next start; Strg+Q ends the program.
TEST_F(WindowPlacementTest, WindowStateComesBackAtTheNextStart) {
    frame->showNormal();
    frame->setGeometry(120, 90, 900, 640);
    Process();
    const QRect geometry = frame->geometry();
    Key(Qt::Key_T, Qt::ControlModifier);
    ASSERT_EQ(Frames().size(), 1);
    auto* view = dynamic_cast<CListView_Table*>(Frames().first()->GetActiveView());
    ASSERT_TRUE(view);
    EXPECT_EQ(view->columnWidth(GEO_ORT), 100);
    // The user drags the right edge of the Ort header 60 pixels to the right.
    QHeaderView* header = view->horizontalHeader();
    const int edge = header->sectionViewportPosition(GEO_ORT) + header->sectionSize(GEO_ORT) - 1;
    const int y = header->height() / 2;
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(edge, y));
    QTest::mouseMove(header->viewport(), QPoint(edge + 30, y));
    QTest::mouseMove(header->viewport(), QPoint(edge + 60, y));
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(edge + 60, y));
    Process();
    ASSERT_EQ(view->columnWidth(GEO_ORT), 160);

    frame->activateWindow();
    Key(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(frame->isVisible());
    theApp.ExitInstance();
    Process();
    ASSERT_TRUE(theApp.InitInstance());
    frame = theApp.GetMainFrame();
    Process();
    EXPECT_EQ(frame->geometry(), geometry);
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    Key(Qt::Key_T, Qt::ControlModifier);
    ASSERT_EQ(Frames().size(), 1);
    view = dynamic_cast<CListView_Table*>(Frames().first()->GetActiveView());
    ASSERT_TRUE(view);
    EXPECT_EQ(view->columnWidth(GEO_ORT), 160);
    EXPECT_EQ(view->columnWidth(GEO_PLZ), 50);

    // Maximised stays maximised.
    frame->showMaximized();
    Process();
    frame->close();
    theApp.ExitInstance();
    Process();
    ASSERT_TRUE(theApp.InitInstance());
    frame = theApp.GetMainFrame();
    Process();
    EXPECT_TRUE(frame->isMaximized());
}
