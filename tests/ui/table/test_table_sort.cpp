// Header clicks re-sort a table window's rows: the shared direction, the three kinds of
// comparison, stability, the selection, the current row, the title and the status pane.
#include "TableCommandsFixture.h"

#include "base/TextNumbers.h"
#include "common/TestSupport.h"
#include "render/table/TableSort.h"
#include "ui/shell/StatusProgress.h"
#include <QProgressBar>

class TableSortTest : public TableCommandsFixture {};

TEST_F(TableSortTest, FirstClickAscendingThenAlternatingAcrossColumnsAndWindows) {
    ASSERT_TRUE(Insert(TableTestRows::FivePlaces()));
    CListView_Table* first = OpenTable();
    CListView_Table* second = OpenTable();
    ASSERT_TRUE(first && second);
    frame->MdiArea()->tileSubWindows();
    Process();

    ClickHeader(first, GEO_ORT);
    EXPECT_EQ(Column(first, GEO_ORT),
              QStringList({"Berlin", "Dresden", "Vaduz", "Wien", "Zürich"}));
    EXPECT_EQ(Title(first), "GEO Tabelle (Ort -> AZ)");
    EXPECT_EQ(g_nSortColumn, GEO_ORT);
    EXPECT_FALSE(g_bSortDescending);
    EXPECT_EQ(g_StatusProgress.m_strCaption, " \"GEO\" Tabelle wird nach \"Ort\" sortiert:");
    EXPECT_FALSE(g_StatusProgress.m_wndProgress);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The next click, on any column, sorts descending.
    ClickHeader(first, GEO_PLZ);
    EXPECT_EQ(Column(first, GEO_PLZ), QStringList({"10115", "9490", "8001", "01067", "1010"}));
    EXPECT_EQ(Title(first), "GEO Tabelle (PLZ -> ZA)");

    // The second window continues the alternation; it still had the database order.
    EXPECT_EQ(Column(second, GEO_STAAT), QStringList({"AT", "CH", "DE", "DE", "FL"}));
    ClickHeader(second, GEO_ORT);
    EXPECT_EQ(Title(second), "GEO Tabelle (Ort -> AZ)");
    EXPECT_EQ(Column(second, GEO_ORT),
              QStringList({"Berlin", "Dresden", "Vaduz", "Wien", "Zürich"}));
    EXPECT_EQ(Title(first), "GEO Tabelle (PLZ -> ZA)");

    // A new window starts in the database order whatever the sort state.
    CListView_Table* third = OpenTable();
    EXPECT_EQ(Column(third, GEO_STAAT), QStringList({"AT", "CH", "DE", "DE", "FL"}));
    EXPECT_EQ(Title(third), "GEO (Staat+PLZ -> AZ)");
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(TableSortTest, EachColumnKindOrdersItsWay) {
    // Keys 1 to 12: as text, 10, 11 and 12 come before 2.
    QList<Fields> rows;
    const QStringList plz{"10115", "01067", "9490", "abc", "1010", "8001",
                          "3",     "3x",    "-5",   "",    "70",   "0070"};
    const QStringList lon{"13.25", "9.5", "-1.5", "x", "9.49", "1e1",
                          "",      "10",  "16.4", "2", "3",    "4"};
    const QStringList ort{"Zürich",   "zug",  "Ärmel", "Aach", "aach", "Zug",
                          "Öhringen", "Bern", "b",     "B",    "a b",  "ab"};
    for (int i = 0; i < 12; ++i)
        rows << Fields{
            {GEO_STAAT, "DE"}, {GEO_PLZ, plz[i]}, {GEO_ORT, ort[i]}, {GEO_LANGENGRAD, lon[i]}};
    ASSERT_TRUE(InsertFields(rows));

    struct Case {
        int column;
        QStringList ascending;
    };
    // Equal keys keep the database order (Staat, PLZ) they had before the sort.
    const QList<Case> cases{
        // atoi: no leading digits counts 0; leading zeros and trailing letters do not count.
        {GEO_PLZ,
         {"-5", "", "abc", "3", "3x", "0070", "70", "1010", "01067", "8001", "9490", "10115"}},
        {GEO_ID, {"1", "10", "11", "12", "2", "3", "4", "5", "6", "7", "8", "9"}},
        // atof: 9.5 before 13.25, an exponent counts, no number is 0.
        {GEO_LANGENGRAD,
         {"-1.5", "", "x", "2", "3", "4", "9.49", "9.5", "10", "1e1", "13.25", "16.4"}},
        // German order: umlauts beside their base letters, case alike (then the database
        // order), a blank before letters.
        {GEO_ORT,
         {"a b", "aach", "Aach", "ab", "Ärmel", "B", "b", "Bern", "Öhringen", "zug", "Zug",
          "Zürich"}},
    };
    for (const Case& c : cases) {
        CListView_Table* view = OpenTable();
        ASSERT_TRUE(view);
        // The key column is 4 pixels wide: widen it so that its header can be clicked.
        view->horizontalHeader()->resizeSection(GEO_ID, 40);
        g_bSortDescending = true; // the click sorts ascending
        ClickHeader(view, c.column);
        EXPECT_EQ(Column(view, c.column), c.ascending) << c.column;
        const QString name = g_GeoDatabase.m_Table.FieldName(c.column);
        EXPECT_EQ(Title(view), QStringLiteral("GEO Tabelle (%1 -> AZ)").arg(name));

        ClickHeader(view, c.column);
        EXPECT_EQ(Title(view), QStringLiteral("GEO Tabelle (%1 -> ZA)").arg(name));
        const QStringList descending = Column(view, c.column);
        for (int i = 1; i < descending.size(); ++i)
            EXPECT_GE(TableSort::CompareCells(c.column, descending[i - 1], descending[i]), 0)
                << c.column << " " << i;
    }
}

TEST_F(TableSortTest, StableAmongEqualKeysInBothDirections) {
    ASSERT_TRUE(Insert(TableTestRows::FivePlaces()));
    ASSERT_TRUE(Insert({{"DE", "20095", "Hamburg", ""}, {"AT", "5020", "Salzburg", ""}}));
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    const QStringList dbOrder = Column(view, GEO_ORT);
    EXPECT_EQ(dbOrder,
              QStringList({"Wien", "Salzburg", "Zürich", "Dresden", "Berlin", "Hamburg", "Vaduz"}));
    ClickHeader(view, GEO_STAAT);
    EXPECT_EQ(Column(view, GEO_ORT), dbOrder);
    ClickHeader(view, GEO_STAAT);
    EXPECT_EQ(Column(view, GEO_ORT),
              QStringList({"Vaduz", "Dresden", "Berlin", "Hamburg", "Zürich", "Wien", "Salzburg"}));
}

TEST_F(TableSortTest, SelectionAndCurrentRowMoveWithTheirRows) {
    ASSERT_TRUE(Insert(TableTestRows::FivePlaces()));
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    view->setFocus();
    // Zürich (row 1) selected, then Dresden (row 2) selected too and current.
    view->selectionModel()->select(view->model()->index(1, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->selectionModel()->setCurrentIndex(
        view->model()->index(2, GEO_ORT), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ASSERT_EQ(view->m_nCurrentRow, 2);
    EXPECT_EQ(frame->GetMessageText(), " Datensatz:      3 /      5");

    ClickHeader(view, GEO_ORT); // Berlin, Dresden, Vaduz, Wien, Zürich
    QList<int> selected;
    for (const QModelIndex& index : view->selectionModel()->selectedRows())
        selected << index.row();
    std::sort(selected.begin(), selected.end());
    EXPECT_EQ(selected, QList<int>({1, 4})); // Dresden and Zürich
    EXPECT_EQ(view->m_nCurrentRow, 1);       // Dresden
    EXPECT_TRUE(view->m_bShowRecordStatus);
    // The sort left the status pane to the view, which cleared it.
    EXPECT_EQ(frame->GetMessageText(), "");
    // Item data are the positions again.
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(view->model()->index(i, 0).data(Qt::UserRole).toInt(), i);
}

TEST_F(TableSortTest, EmptyWindowChangesOnlyItsTitle) {
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    ClickHeader(view, GEO_BREITENGRAD);
    EXPECT_EQ(view->GetModel().RowCount(), 0);
    EXPECT_EQ(Title(view), "GEO Tabelle (Breitengrad -> AZ)");
    EXPECT_EQ(frame->windowTitle(), "Kelvo - GEO Tabelle (Breitengrad -> AZ)");
}

TEST_F(TableSortTest, AllSharedRowsSortByOrtAndPlz) {
    KELVO_REQUIRE_SHARED_DATA(data);
    ASSERT_TRUE(ImportSharedData(data));
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    const CGeoTableModel& model = view->GetModel();
    ASSERT_EQ(model.RowCount(), 49568);

    ClickHeader(view, GEO_ORT);
    int uexheim = -1, zwickau = -1, aerzte = -1, zwota = -1;
    for (int i = 0; i < model.RowCount(); ++i) {
        const QString ort = model.Cell(i, GEO_ORT);
        if (i > 0) {
            ASSERT_LE(TableSort::CompareCells(GEO_ORT, model.Cell(i - 1, GEO_ORT), ort), 0) << i;
        }
        if (ort == u"Üxheim")
            uexheim = i;
        else if (ort == u"Zwickau")
            zwickau = i;
        else if (ort.startsWith(u"Ärzteversorgung"))
            aerzte = i;
        else if (ort == u"Zwota")
            zwota = i;
    }
    // Letters with umlauts among their base letters, not after z.
    ASSERT_TRUE(uexheim >= 0 && zwickau >= 0 && aerzte >= 0 && zwota >= 0);
    EXPECT_LT(uexheim, zwickau);
    EXPECT_LT(aerzte, zwota);
    EXPECT_LT(aerzte, model.RowCount() / 10);
    ClickHeader(view, GEO_PLZ);
    for (int i = 1; i < model.RowCount(); ++i)
        ASSERT_GE(TextNumbers::Atoi(model.Cell(i - 1, GEO_PLZ)),
                  TextNumbers::Atoi(model.Cell(i, GEO_PLZ)))
            << i;
    EXPECT_EQ(Title(view), "GEO Tabelle (PLZ -> ZA)");
}
