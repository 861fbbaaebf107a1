// Table windows that read and sort their rows on a thread of their own: the window takes
// keys while its rows come in, Esc stops the reading (the window goes) or the sort (the old
// order stays), a click during a sort sorts anew, and what arrives in the end is what the
// synchronous reading and sorting give, on the file and on the server.
#include "TableFillFixture.h"

#include "render/table/TableDistance.h"
#include "render/table/TableFill.h"
#include "render/table/TableSort.h"
#include "render/table/TableText.h"
#include "store/GeoFilter.h"
#include "store/GeoRadius.h"

#include <QClipboard>
#include <QLineEdit>
#include <QProgressBar>

TEST_F(TableFillTest, AFillingWindowTakesKeysAndEscClosesItLeavingTheOthersAsTheyWere) {
    QList<Fields> rows;
    for (int i = 0; i < 300; ++i)
        rows << Fields{{GEO_STAAT, "DE"}, {GEO_PLZ, QString::number(10000 + i)}, {GEO_ORT, "Ort"}};
    ASSERT_TRUE(InsertFields(rows));
    CListView_Table* first = OpenTable();
    ASSERT_TRUE(first);
    ASSERT_EQ(first->GetModel().RowCount(), 300);
    const QString title = Title(first);

    int currentWhileFilling = -1;
    bool busyCursor = false;
    QString paneWhileFilling, titleWhileFilling, clipboardWhileFilling;
    WhileFilling([&](CListView_Table* view) {
        paneWhileFilling = frame->GetMessageText();
        titleWhileFilling = Title(view);
        // The first screen of rows is there and the keys move in it.
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, Qt::Key_Down);
        currentWhileFilling = view->currentIndex().row();
        busyCursor = QApplication::overrideCursor() &&
                     QApplication::overrideCursor()->shape() == Qt::BusyCursor;
        // A command on the rows waits for them, with a note: Ctrl+C copies nothing, not even
        // the cell at the cursor.
        QApplication::clipboard()->setText("vorher");
        QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
        clipboardWhileFilling = QApplication::clipboard()->text();
        QTest::keyClick(view, Qt::Key_Escape);
    });
    Refocus(frame);
    Key(Qt::Key_T, Qt::ControlModifier);
    // The window is up before its rows are all in: named by the table, with the caption kept.
    EXPECT_EQ(titleWhileFilling, "GEO");
    EXPECT_EQ(paneWhileFilling, " \"GEO\" Tabelle wird geoffnet:");
    EXPECT_EQ(currentWhileFilling, 1);
    EXPECT_TRUE(busyCursor);
    EXPECT_EQ(clipboardWhileFilling, "vorher");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Die Zeilen der Tabelle werden noch gelesen."));
    ExpectNothingLeft(1);
    EXPECT_EQ(Frames().first(), first->GetParentFrame());
    EXPECT_EQ(Title(first), title);
    EXPECT_EQ(first->GetModel().RowCount(), 300);

    // Closing the window while it fills stops the reading the same way.
    WhileFilling([](CListView_Table* view) { view->GetParentFrame()->close(); });
    Key(Qt::Key_T, Qt::ControlModifier);
    ExpectNothingLeft(1);

    // Left alone, the window gets every row and the title of the command.
    CListView_Table* second = OpenTable();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->GetModel().RowCount(), 300);
    EXPECT_EQ(Title(second), title);
}

TEST_F(TableFillTest, EscDuringASortKeepsTheOrderAndAClickDuringASortSortsAnew) {
    ASSERT_TRUE(Insert(TableTestRows::FivePlaces()));
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    ClickHeader(view, GEO_ORT);
    const QStringList byOrt = Column(view, GEO_ID);
    ASSERT_EQ(Title(view), "GEO Tabelle (Ort -> AZ)");

    // Esc before the order arrives: rows, direction, sort column and title stay.
    WhileSorting(view, [&] { QTest::keyClick(view, Qt::Key_Escape); });
    ClickHeader(view, GEO_PLZ);
    EXPECT_EQ(Column(view, GEO_ID), byOrt);
    EXPECT_EQ(Title(view), "GEO Tabelle (Ort -> AZ)");
    EXPECT_FALSE(g_bSortDescending);
    EXPECT_EQ(g_nSortColumn, GEO_ORT);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The next click sorts as if the stopped one had not been: descending.
    ClickHeader(view, GEO_PLZ);
    EXPECT_EQ(Column(view, GEO_PLZ), QStringList({"10115", "9490", "8001", "01067", "1010"}));
    EXPECT_EQ(Title(view), "GEO Tabelle (PLZ -> ZA)");

    // A click during a sort: the first gives way, the second sorts, next in the alternation.
    WhileSorting(view, [&] { ClickHeader(view, GEO_ORT); });
    ClickHeader(view, GEO_PLZ);
    EXPECT_EQ(Column(view, GEO_ORT), QStringList({"Zürich", "Wien", "Vaduz", "Dresden", "Berlin"}));
    EXPECT_EQ(Title(view), "GEO Tabelle (Ort -> ZA)");
    EXPECT_EQ(g_nSortColumn, GEO_ORT);
    EXPECT_TRUE(g_bSortDescending);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(TableFillTest, AHeaderClickWhileTheRowsAreReadSortsThemOnceTheyAreAllIn) {
    QList<Fields> rows;
    for (int i = 0; i < 300; ++i)
        rows << Fields{{GEO_STAAT, "DE"},
                       {GEO_PLZ, QString::number(10000 + i)},
                       {GEO_ORT, QStringLiteral("Ort %1").arg(999 - i)}};
    ASSERT_TRUE(InsertFields(rows));
    QStringList byOrt;
    for (int i = 0; i < 300; ++i)
        byOrt << QStringLiteral("Ort %1").arg(700 + i);

    // The click is marked in the header with the direction to come, and the window opens
    // sorted by it; the mark goes with the sort.
    bool marked = false;
    WhileFilling([&](CListView_Table* view) {
        ClickHeader(view, GEO_PLZ);
        ClickHeader(view, GEO_ORT); // the last click counts
        QHeaderView* header = view->horizontalHeader();
        marked = header->isSortIndicatorShown() && header->sortIndicatorSection() == GEO_ORT &&
                 header->sortIndicatorOrder() == Qt::AscendingOrder;
    });
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    Process();
    EXPECT_TRUE(marked);
    EXPECT_EQ(Column(view, GEO_ORT), byOrt);
    EXPECT_EQ(Title(view), "GEO Tabelle (Ort -> AZ)");
    EXPECT_FALSE(view->horizontalHeader()->isSortIndicatorShown());

    // A click and then Esc: the window goes, and no sort is left to run.
    WhileFilling([](CListView_Table* filling) {
        ClickHeader(filling, GEO_PLZ);
        QTest::keyClick(filling, Qt::Key_Escape);
    });
    Refocus(frame);
    Key(Qt::Key_T, Qt::ControlModifier);
    ExpectNothingLeft(1);
    EXPECT_EQ(g_nSortColumn, GEO_ORT);
    EXPECT_FALSE(g_bSortDescending);
    EXPECT_EQ(Column(view, GEO_ORT), byOrt);
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

// Everything the windows get equals the synchronous reading and sorting, on both engines.
TEST_P(TableFillResultTest, SearchAndRadiusWindowsTakeKeysAndEscWhileTheyFillAndF5Waits) {
    KELVO_REQUIRE_SHARED_DATA(data);
    if (GetParam()) {
        KELVO_REQUIRE_SERVER();
    }
    ASSERT_NO_FATAL_FAILURE(OpenEngine(data));
    CGeoTableModel found;
    FillTableModel(g_GeoDatabase, g_GeoDatabase.m_Table, GeoFilter::Search("berg"), found, nullptr);
    ASSERT_GT(found.RowCount(), 100);

    // A search's window: up at once with the caption, answering keys; F5 is greyed and, given
    // anyway, waits with a note; Esc closes the window.
    for (const bool radius : {false, true}) {
        SCOPED_TRACE(radius ? "radius" : "search");
        messages.clear();
        bool filling = false, refreshEnabled = true, stillFilling = false;
        QString pane;
        WhileFillingEmpty([&](CListView_Table* view) {
            filling = true;
            pane = frame->GetMessageText();
            view->setFocus();
            QTest::keyClick(view, Qt::Key_Down);
            refreshEnabled = RefreshEnabled();
            view->OnCommand(ID_VIEW_REFRESH);
            stillFilling = view->IsFilling();
            QTest::keyClick(view, Qt::Key_Escape);
        });
        if (radius)
            RadiusSearch("DE 10115", "25");
        else
            Search("berg");
        EXPECT_TRUE(filling);
        EXPECT_EQ(pane, " \"GEO\" Tabelle wird geoffnet:");
        EXPECT_FALSE(refreshEnabled);
        EXPECT_TRUE(stillFilling);
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith("Die Zeilen der Tabelle werden noch gelesen."));
        ExpectNothingLeft(0);
    }

    // F5 pressed while the rows come changes nothing of what arrives.
    WhileFillingEmpty([](CListView_Table* view) { QTest::keyClick(view, Qt::Key_F5); });
    Search("berg");
    ASSERT_EQ(Frames().size(), 1);
    CListView_Table* search = TableOf(Frames().last());
    ASSERT_TRUE(search);
    EXPECT_FALSE(search->IsFilling());
    EXPECT_EQ(Rows(search->GetModel()), Rows(found));
    EXPECT_EQ(Title(search), TableText::SearchTitle(found.RowCount(), "berg", "GEO"));

    // The file's import left the index of the standard order, the server's schema has it:
    // a search shows the first rows of its result while the rest is read.
    QList<QStringList> first;
    WhileFilling([&](CListView_Table* view) { first = Rows(view->GetModel()); });
    Search("berg");
    ASSERT_FALSE(first.isEmpty());
    EXPECT_LE(first.size(), 200);
    EXPECT_EQ(first, Rows(found).mid(0, first.size()));
    EXPECT_EQ(Rows(TableOf(Frames().last())->GetModel()), Rows(found));
}

TEST_P(TableFillResultTest, FilledSortedSearchedAndRadiusRowsEqualTheSynchronousOnes) {
    KELVO_REQUIRE_SHARED_DATA(data);
    if (GetParam()) {
        KELVO_REQUIRE_SERVER();
    }
    ASSERT_NO_FATAL_FAILURE(OpenEngine(data));
    CGeoDatabase& db = g_GeoDatabase;
    const CGeoTableDesc& desc = db.m_Table;

    CGeoTableModel expected;
    FillTableModel(db, desc, CGeoFilter(), expected, nullptr);
    ASSERT_GT(expected.RowCount(), 40000);
    CListView_Table* all = OpenTable();
    ASSERT_TRUE(all);
    EXPECT_EQ(Rows(all->GetModel()), Rows(expected));
    EXPECT_EQ(Title(all), "GEO (Staat+PLZ -> AZ)");

    ClickHeader(all, GEO_ORT);
    expected.ApplyOrder(
        TableSort::SortOrder(expected.RowCount(), expected.ColumnCells(GEO_ORT), GEO_ORT, false));
    EXPECT_EQ(Rows(all->GetModel()), Rows(expected));

    CGeoTableModel found;
    FillTableModel(db, desc, GeoFilter::Search("berg"), found, nullptr);
    ASSERT_GT(found.RowCount(), 100);
    WhenModal([](QWidget* dialog) {
        auto* find = qobject_cast<CDia_Find*>(dialog);
        ASSERT_TRUE(find);
        QTest::keyClicks(find->m_editSearch, "berg");
        QTest::keyClick(find->m_editSearch, Qt::Key_Return);
    });
    Command(ID_SEARCH);
    CListView_Table* search = TableOf(Frames().last());
    ASSERT_TRUE(search && search != all);
    EXPECT_EQ(Rows(search->GetModel()), Rows(found));
    EXPECT_EQ(Title(search), TableText::SearchTitle(found.RowCount(), "berg", "GEO"));

    CRadiusCentre centre;
    QString error;
    ASSERT_TRUE(GeoRadius::FindCentre(db, "DE 10115", &centre, &error));
    CGeoTableModel near;
    FillTableModel(db, desc, GeoRadius::Filter(centre, 25), near, nullptr);
    near.SetDistanceCentre(centre.dLon, centre.dLat);
    near.ApplyOrder(TableDistance::DistanceOrder(near, false));
    ASSERT_GT(near.RowCount(), 10);
    WhenModal([](QWidget* dialog) {
        auto* radius = qobject_cast<CDia_Radius*>(dialog);
        ASSERT_TRUE(radius);
        radius->m_editCentre->setText("DE 10115");
        radius->m_editRadius->setText("25");
        QTest::keyClick(radius->m_editRadius, Qt::Key_Return);
    });
    Command(ID_RADIUS_SEARCH);
    CListView_Table* radius = TableOf(Frames().last());
    ASSERT_TRUE(radius && radius != search);
    EXPECT_EQ(Rows(radius->GetModel()), Rows(near));

    // F5 reads the rows anew, in the window's order: the sort by Ort, the distances.
    for (auto [view, model] : {std::pair(all, &expected), std::pair(radius, &near)}) {
        Refocus(view);
        Key(Qt::Key_F5);
        EXPECT_FALSE(view->IsFilling());
        EXPECT_EQ(Rows(view->GetModel()), Rows(*model));
    }

    // Esc while F5 reads: the window keeps its rows.
    const QList<QStringList> before = Rows(all->GetModel());
    bool stopped = false;
    WhileFilling([&](CListView_Table* view) {
        stopped = view == all;
        QTest::keyClick(view, Qt::Key_Escape);
    });
    Refocus(all);
    Key(Qt::Key_F5);
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(all->IsFilling());
    EXPECT_EQ(Frames().size(), 3);
    EXPECT_EQ(Rows(all->GetModel()), before);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('|'));
}

TEST_P(TableFillResultTest, ASortShowsItsFirstRowsOnTopAndEscOrAClickPutsBackTheOrderBefore) {
    KELVO_REQUIRE_SHARED_DATA(data);
    if (GetParam()) {
        KELVO_REQUIRE_SERVER();
    }
    ASSERT_NO_FATAL_FAILURE(OpenEngine(data));
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    const CGeoTableModel& model = view->GetModel();
    const QList<QStringList> before = Rows(model);
    auto sortedBefore = [&](int column, bool descending) {
        CGeoTableModel sorted;
        sorted.CopyRows(model);
        sorted.ApplyOrder(TableSort::SortOrder(sorted.RowCount(), sorted.ColumnCells(column),
                                               column, descending));
        return Rows(sorted);
    };
    const QList<QStringList> byOrt = sortedBefore(GEO_ORT, false);
    const QList<QStringList> byStaatDescending = sortedBefore(GEO_STAAT, true);

    // Runs `act` once the first rows of a sort are on top, the rest still being sorted.
    auto whenTopShown = [&](std::function<void()> act) {
        auto caught = std::make_shared<bool>(false);
        return QObject::connect(&model, &QAbstractItemModel::layoutChanged, view,
                                [view, act, caught] {
                                    if (*caught || !view->IsSorting())
                                        return;
                                    *caught = true;
                                    QTimer::singleShot(0, act);
                                });
    };
    QList<QStringList> top;
    bool sorting = false;
    QMetaObject::Connection hook = whenTopShown([&] {
        sorting = view->IsSorting();
        for (int i = 0; i < 200; ++i)
            top << model.RowCells(i);
        QTest::keyClick(view, Qt::Key_Escape);
    });
    ClickHeader(view, GEO_ORT);
    QObject::disconnect(hook);
    EXPECT_TRUE(sorting);
    EXPECT_EQ(top, byOrt.mid(0, 200));
    EXPECT_EQ(Rows(model), before);
    EXPECT_EQ(Title(view), "GEO (Staat+PLZ -> AZ)");

    // A click while the first rows are on top sorts the order before (Staat has many ties,
    // which keep that order), next in the alternation.
    hook = whenTopShown([&] { ClickHeader(view, GEO_STAAT); });
    ClickHeader(view, GEO_ORT);
    QObject::disconnect(hook);
    EXPECT_EQ(Rows(model), byStaatDescending);
    EXPECT_EQ(Title(view), "GEO Tabelle (Staat -> ZA)");
    EXPECT_FALSE(view->IsSorting());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('|'));
}

INSTANTIATE_TEST_SUITE_P(Engine, TableFillResultTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("Server") : std::string("File");
                         });
