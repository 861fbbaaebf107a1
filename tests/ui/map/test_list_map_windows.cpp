// The windows a list brings beside its map ("Zeilen ohne Ort", "Stichtag"): where they go in
// the main window, and what they say of the list.
#include "ui/map/ListMapFixture.h"

#include "base/CommandIds.h"
#include "ui/map/AsOfBar.h"
#include "ui/map/TableListIssues.h"

#include <QLabel>

namespace {

// The list's cells are the user's, but the file may come from anyone: what a spreadsheet
// would run as a formula is exported as text, numbers stay numbers.
// A maximized map would hide the list's windows: it gives them room, also when it is
// maximized again and a window is asked for through the menu.
TEST_F(ListMapTest, AMaximizedMapMakesRoomForTheListsWindows) {
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg(), Wien()}));
    frame->resize(1000, 700); // less than the map and the windows would like
    ASSERT_TRUE(OpenMap());
    Frames().last()->showMaximized();
    Process();
    CKelvoView* view = OpenList(WriteCustomers(), [](CTableListDialog*) {});
    ASSERT_TRUE(view);
    CKelvoDoc* doc = view->GetDocument();
    CChildFrame* mapFrame = view->GetParentFrame();
    QMdiSubWindow* issuesWindow = SubWindowOf(doc->IssuesWindow());
    QMdiSubWindow* barWindow = SubWindowOf(doc->AsOfBar());
    ASSERT_TRUE(issuesWindow && barWindow);
    const QSize room = frame->MdiArea()->viewport()->size();
    auto allShown = [&] {
        EXPECT_FALSE(mapFrame->isMaximized());
        EXPECT_TRUE(issuesWindow->isVisible() && barWindow->isVisible());
        EXPECT_FALSE(issuesWindow->geometry().intersects(mapFrame->geometry()));
        EXPECT_FALSE(barWindow->geometry().intersects(mapFrame->geometry()));
        EXPECT_TRUE(QRect(QPoint(0, 0), room).contains(issuesWindow->geometry()));
        EXPECT_TRUE(QRect(QPoint(0, 0), room).contains(barWindow->geometry()));
        EXPECT_EQ(mapFrame->geometry().topLeft(), QPoint(0, 0));
        EXPECT_GE(mapFrame->width(), room.width() / 2);
        EXPECT_EQ(frame->MdiArea()->activeSubWindow(), mapFrame);
    };
    allShown();
    EXPECT_EQ(issuesWindow->x(), mapFrame->geometry().right() + 1);
    EXPECT_EQ(barWindow->y(), mapFrame->geometry().bottom() + 1);

    mapFrame->showMaximized();
    Process();
    ASSERT_TRUE(Action(ID_VIEW_LIST_ISSUES));
    Action(ID_VIEW_LIST_ISSUES)->trigger();
    Process();
    EXPECT_FALSE(mapFrame->isMaximized());
    EXPECT_FALSE(issuesWindow->geometry().intersects(mapFrame->geometry()));
    EXPECT_TRUE(issuesWindow->isVisible());
}

// A map with less room beside it than a window would like: the window is narrowed to that
// room instead of being pushed back over the map.
TEST_F(ListMapTest, AListsWindowsTakeTheRoomBesideTheMapNotTheMap) {
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg(), Wien()}));
    frame->resize(1200, 800);
    CKelvoView* view = OpenList(WriteCustomers(), [](CTableListDialog*) {});
    ASSERT_TRUE(view);
    CKelvoDoc* doc = view->GetDocument();
    CChildFrame* mapFrame = view->GetParentFrame();
    const QSize room = frame->MdiArea()->viewport()->size();
    auto window = [&] { return SubWindowOf(doc->IssuesWindow()); };
    ASSERT_TRUE(window());
    // Room for the window's least width at the map's right, not for all it would like.
    const int least = window()->minimumSizeHint().width();
    const int hint = window()->sizeHint().width();
    ASSERT_LT(least, hint);
    mapFrame->setGeometry(0, 0, room.width() - (least + hint) / 2, mapFrame->height());
    window()->close();
    Process();
    ASSERT_FALSE(window());
    ASSERT_TRUE(Action(ID_VIEW_LIST_ISSUES));
    Action(ID_VIEW_LIST_ISSUES)->trigger();
    Process();
    ASSERT_TRUE(window());
    EXPECT_TRUE(window()->isVisible());
    EXPECT_FALSE(window()->geometry().intersects(mapFrame->geometry()));
    EXPECT_TRUE(QRect(QPoint(0, 0), room).contains(window()->geometry()));
    EXPECT_EQ(window()->x(), mapFrame->geometry().right() + 1);
    EXPECT_EQ(frame->MdiArea()->activeSubWindow(), mapFrame);
    ASSERT_FALSE(mapFrame->windowIcon().isNull());
    EXPECT_EQ(window()->windowIcon().cacheKey(), mapFrame->windowIcon().cacheKey());
}

// Postal codes a spreadsheet stored as numbers get their zeros back, and the user is told how
// many: in the status bar and above the rows without place.
TEST_F(ListMapTest, RepairedPostalCodesAreCounted) {
    ASSERT_TRUE(InsertRows({{"DE", "01067", "Dresden", "13.7", "51.05"}, Berlin()}));
    const QString path = TestSupport::WriteFile(dir.filePath("plz_als_zahl.csv"),
                                                "PLZ;Name\n1067;Dresden\n10115;Berlin\n99999;X\n");
    CKelvoView* view = OpenList(path, [](CTableListDialog*) {});
    ASSERT_TRUE(view);
    ASSERT_EQ(view->GetDocument()->m_aPlaces.size(), 2);
    EXPECT_EQ(view->GetDocument()->m_aPlaces[0].m_strPLZ, "01067");
    EXPECT_EQ(frame->GetMessageText(),
              "1 Zeile ohne Ort in GEO; 1 Postleitzahl um führende Nullen ergänzt");
    CTableListIssues* issues = view->GetDocument()->IssuesWindow();
    ASSERT_TRUE(issues);
    QStringList labels;
    for (QLabel* label : issues->findChildren<QLabel*>())
        labels << label->text();
    EXPECT_TRUE(labels.contains("1 Zeile der Liste hat keinen Ort in GEO. 1 Postleitzahl um "
                                "führende Nullen ergänzt."))
        << labels.join('|').toStdString();
}

} // namespace
