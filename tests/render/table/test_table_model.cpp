// The rows of a table window: compact storage, re-ordering and rewriting, and the fill from
// the database with its progress, filters, errors and the closed database.
#include "base/Progress.h"
#include "common/LiveHeap.h"
#include "render/table/GeoTableModel.h"
#include "render/table/TableArrange.h"
#include "render/table/TableFill.h"
#include "render/table/TableTestRows.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

using TableTestRows::Place;

namespace {

// Records what a fill reports; can act when the progress starts (after the rows were counted).
class CRecordingProgress : public CProgress {
public:
    void Start(const QString& caption) override {
        captions << caption;
        if (onStart)
            onStart();
    }
    void SetPos(int percent) override { positions << percent; }
    void Finish() override { ++finished; }

    QStringList captions;
    QList<int> positions;
    int finished = 0;
    std::function<void()> onStart;
};

class TableFillTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(db.Open(dir.filePath("Kelvo.mde")));
    }
    CTableFillResult fill(const CGeoFilter& filter = CGeoFilter()) {
        return FillTableModel(db, db.m_Table, filter, model, &progress);
    }
    QStringList column(int j) const {
        QStringList cells;
        for (int i = 0; i < model.RowCount(); ++i)
            cells << model.Cell(i, j);
        return cells;
    }

    QTemporaryDir dir;
    CGeoDatabase db;
    CGeoTableModel model;
    CRecordingProgress progress;
};

// Five rows of GEO's columns whose first cells are their positions 0 to 4.
void FillFiveRows(CGeoTableModel& model) {
    CGeoTableDesc desc;
    desc.BuildGeo();
    model.SetColumns(desc);
    QList<QStringList> rows;
    for (int i = 0; i < 5; ++i)
        rows << QStringList{QString::number(i), "DE", QString::number(100 + i)};
    model.SetRows(rows);
}

} // namespace

TEST(GeoTableModel, RowsKeepEveryCellExactly) {
    const QStringList cells{"17",
                            "DE",
                            "",
                            "Bayern",
                            QString::fromUtf8("Oberbayern 🙂"),
                            "",
                            "",
                            QString::fromUtf8("München"),
                            "",
                            "M",
                            "11.5",
                            "48.1",
                            "Zeile 1\nZeile 2" + QString(300, QChar(0x00E4))};
    CGeoTableModel model;
    model.SetRows(QList<QStringList>{cells, {"1", "AT"}});
    EXPECT_EQ(model.RowCells(0), cells);
    // Fewer cells give empty cells; a column or row out of range is empty.
    EXPECT_EQ(model.Cell(1, 1), "AT");
    EXPECT_TRUE(model.Cell(1, 12).isEmpty());
    EXPECT_TRUE(model.Cell(1, 13).isEmpty());
    EXPECT_TRUE(model.Cell(1, -1).isEmpty());
    EXPECT_TRUE(model.Cell(2, 0).isEmpty());
}

TEST(GeoTableModel, ReorderMovesRowsWithTheirSelection) {
    CGeoTableModel model;
    FillFiveRows(model);
    QItemSelectionModel selection(&model);
    selection.select(model.index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);

    ASSERT_TRUE(model.ApplyOrder({4, 1, 3, 0, 2}));
    QStringList keys;
    for (int i = 0; i < 5; ++i)
        keys << model.Cell(i, 0);
    EXPECT_EQ(keys, QStringList({"4", "1", "3", "0", "2"}));
    EXPECT_EQ(model.data(model.index(3, 0), Qt::UserRole).toInt(), 3); // item data = position
    ASSERT_EQ(selection.selectedRows().size(), 1);
    EXPECT_EQ(selection.selectedRows().first().row(), 1); // key 1 stayed at 1

    ASSERT_TRUE(model.ApplyOrder({1, 0, 2, 3, 4}));
    EXPECT_EQ(selection.selectedRows().first().row(), 0);
    EXPECT_EQ(model.Cell(0, 0), "1");

    // Anything but a permutation is refused and changes nothing.
    for (const std::vector<int>& bad :
         {std::vector<int>{0, 1, 2, 3}, std::vector<int>{0, 0, 1, 2, 3},
          std::vector<int>{0, 1, 2, 3, 5}, std::vector<int>{-1, 1, 2, 3, 4}}) {
        EXPECT_FALSE(model.ApplyOrder(bad));
        EXPECT_EQ(model.Cell(0, 0), "1");
    }
}

TEST(GeoTableModel, AnOrderMadeOnACopyIsTakenWithRowsRewrittenMeanwhile) {
    CGeoTableModel model;
    FillFiveRows(model);
    QItemSelectionModel selection(&model);
    auto keys = [&] {
        QStringList k;
        for (int i = 0; i < model.RowCount(); ++i)
            k << model.Cell(i, 0) + ":" + model.Cell(i, GEO_PLZ);
        return k;
    };

    // The order is made on a copy; meanwhile the window rewrites a row and moves its cursor.
    CGeoTableModel copy;
    copy.CopyRows(model);
    const size_t rewrites = model.Rewrites();
    CTableOrder before = TableArrange::OrderOfRows(copy.Order(), copy.RowIds(), copy.RowsVersion());
    CTableOrder top = TableArrange::FirstOnTop(copy, {3, 1});
    CTableOrder reversed = TableArrange::Reordered(copy, {4, 3, 2, 1, 0});
    model.SetRowCells(3, {"3", "DE", "999"});
    selection.setCurrentIndex(model.index(1, 2), QItemSelectionModel::SelectCurrent);

    ASSERT_TRUE(model.TakeOrder(top.rows, top.positionOf, top.version, rewrites));
    EXPECT_EQ(keys(), QStringList({"3:999", "1:101", "0:100", "2:102", "4:104"}));
    EXPECT_EQ(selection.currentIndex(), model.index(1, 2));
    ASSERT_TRUE(model.TakeOrder(reversed.rows, reversed.positionOf, reversed.version, rewrites));
    EXPECT_EQ(keys(), QStringList({"4:104", "3:999", "2:102", "1:101", "0:100"}));
    EXPECT_EQ(selection.currentIndex(), model.index(3, 2));
    model.SetRowCells(1, {"3", "DE", "998"}); // the same row rewritten twice
    ASSERT_TRUE(model.TakeOrder(before.rows, before.positionOf, before.version, rewrites));
    EXPECT_EQ(keys(), QStringList({"0:100", "1:101", "2:102", "3:998", "4:104"}));
    EXPECT_EQ(selection.selectedIndexes(), QModelIndexList({model.index(1, 2)}));
    EXPECT_EQ(selection.currentIndex(), model.index(1, 2));

    // Rows replaced since: the order no longer fits and nothing changes.
    CTableOrder stale = TableArrange::Reordered(copy, {4, 3, 2, 1, 0});
    FillFiveRows(model);
    EXPECT_FALSE(model.TakeOrder(stale.rows, stale.positionOf, stale.version, 0));
    EXPECT_EQ(model.Cell(0, 0), "0");
}

TEST(GeoTableModel, TheOrderHandedBackByTakeOrderPutsTheRowsBackWithTheirRewrites) {
    CGeoTableModel model;
    FillFiveRows(model);
    ASSERT_TRUE(model.ApplyOrder({4, 2, 0, 3, 1}));
    model.SetRowCells(0, {"4", "DE", "904"});
    auto keys = [&] {
        QStringList k;
        for (int i = 0; i < model.RowCount(); ++i)
            k << model.Cell(i, 0) + ":" + model.Cell(i, GEO_PLZ);
        return k;
    };
    const QStringList before = keys();
    CGeoTableModel copy;
    copy.CopyRows(model);
    CTableOrder top = TableArrange::FirstOnTop(copy, {3, 1});
    ASSERT_TRUE(model.TakeOrder(top.rows, top.positionOf, top.version, model.Rewrites()));
    EXPECT_EQ(keys(), QStringList({"3:103", "2:102", "4:904", "0:100", "1:101"}));
    // Rewritten while on top: the row goes back with its new cells.
    const size_t rewrites = model.Rewrites();
    model.SetRowCells(1, {"2", "DE", "902"});
    CTableOrder back = TableArrange::OrderOfRows(top.rows, model.RowIds(), model.RowsVersion());
    ASSERT_TRUE(model.TakeOrder(back.rows, back.positionOf, back.version, rewrites));
    QStringList expected = before;
    expected[1] = "2:902";
    EXPECT_EQ(keys(), expected);
}

TEST(GeoTableModel, FirstRowsGoOnTopOfManyRowsTheOthersAfterThemAsTheyWere) {
    // Enough rows to be split over the cores, in no order of their own, one rewritten.
    const int n = 40000;
    CGeoTableModel model;
    QList<QStringList> cells;
    for (int i = 0; i < n; ++i)
        cells << QStringList{QString::number(i)};
    model.SetRows(cells);
    std::vector<int> scattered(n);
    for (int i = 0; i < n; ++i)
        scattered[size_t(i)] = int((qint64(i) * 7919) % n);
    ASSERT_TRUE(model.ApplyOrder(scattered));
    const quint32 replaced = model.Order()[5];
    model.SetRowCells(5, {"5x"});
    const std::vector<quint32> now = model.Order();

    // Rows from both ends and on both sides of the middle.
    const std::vector<int> first{n - 1, 0, n / 2, n / 2 - 1, 5, 123};
    const CTableOrder top = TableArrange::FirstOnTop(model, first);
    std::vector<quint32> expected;
    for (int p : first)
        expected.push_back(now[size_t(p)]);
    for (int p = 0; p < n; ++p)
        if (std::find(first.begin(), first.end(), p) == first.end())
            expected.push_back(now[size_t(p)]);
    ASSERT_EQ(top.rows, expected);
    ASSERT_EQ(top.positionOf.size(), size_t(model.RowIds()));
    for (int i = 0; i < n; ++i)
        ASSERT_EQ(top.positionOf[top.rows[size_t(i)]], i);
    EXPECT_EQ(top.positionOf[replaced], -1);
    EXPECT_EQ(std::count(top.positionOf.begin(), top.positionOf.end(), -1),
              qsizetype(model.RowIds()) - n);
}

TEST(GeoTableModel, ColumnCellsGiveEveryRowOnceInAnyNumberOfParts) {
    CGeoTableModel model;
    FillFiveRows(model);
    auto check = [&](const char* what) {
        SCOPED_TRACE(what);
        QStringList expected;
        for (int i = 0; i < model.RowCount(); ++i)
            expected << model.Cell(i, GEO_PLZ);
        const TableSort::Cells cells = model.ColumnCells(GEO_PLZ);
        for (int parts : {1, 2, 3, 8}) {
            QStringList got(model.RowCount());
            int given = 0;
            for (int part = 0; part < parts; ++part)
                cells(part, parts, [&](std::span<const TableSort::Cell> batch) {
                    for (const TableSort::Cell& cell : batch) {
                        ASSERT_TRUE(got[cell.position].isNull()) << cell.position;
                        got[cell.position] = QString::fromUtf8(cell.text);
                        ++given;
                    }
                });
            EXPECT_EQ(given, model.RowCount()) << parts;
            EXPECT_EQ(got, expected) << parts;
        }
    };
    check("as stored");
    // Put in another order, with rows rewritten (kept apart from the shared ones).
    ASSERT_TRUE(model.ApplyOrder({4, 2, 0, 3, 1}));
    model.SetRowCells(1, {"2", "DE", "902"});
    model.SetRowCells(4, {"1", "DE", "901"});
    check("reordered and rewritten");
}

TEST(GeoTableModel, RewritingOneRowTouchesOnlyThatRowAndThatWindow) {
    CGeoTableModel model;
    CGeoTableDesc desc;
    desc.BuildGeo();
    model.SetColumns(desc);
    model.SetRows(QList<QStringList>{{"1", "DE"}, {"2", "AT"}, {"12", "CH"}});
    CGeoTableModel further; // "Neues Fenster": the same rows, in the same order
    further.CopyRows(model);
    const QStringList rowZero = model.RowCells(0);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QStringList cells = model.RowCells(1);
    cells[GEO_MEMO] = "neues Memo";
    ASSERT_TRUE(model.SetRowCells(1, cells));
    EXPECT_EQ(model.Cell(1, GEO_MEMO), "neues Memo");
    EXPECT_EQ(model.Cell(1, GEO_STAAT), "AT");
    EXPECT_EQ(model.RowCells(0), rowZero);
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<QModelIndex>().row(), 1);
    EXPECT_FALSE(model.SetRowCells(3, cells));
    EXPECT_TRUE(further.Cell(1, GEO_MEMO).isEmpty()) << "the other window keeps its rows";

    // A row is found by its key wherever a sort has put it, rewritten or not.
    ASSERT_TRUE(model.ApplyOrder({2, 1, 0}));
    EXPECT_EQ(model.FindRowByKey(2), 1);
    EXPECT_EQ(model.Cell(model.FindRowByKey(2), GEO_MEMO), "neues Memo");
    EXPECT_EQ(model.FindRowByKey(12), 0);
    EXPECT_EQ(model.FindRowByKey(1), 2);
    EXPECT_EQ(model.FindRowByKey(3), -1);
    further.CopyRows(model);
    EXPECT_EQ(further.RowCells(1), model.RowCells(1));
}

TEST_F(TableFillTest, ListsAllRowsInStaatPlzOrderWithProgress) {
    ASSERT_TRUE(TableTestRows::Insert(db, TableTestRows::FivePlaces()));
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

    const CTableFillResult result = fill();
    EXPECT_TRUE(result.m_strError.isEmpty());
    EXPECT_EQ(result.m_nRows, 5);
    EXPECT_EQ(result.m_nFound, 0); // only a filter counts its matches
    EXPECT_EQ(column(GEO_STAAT), QStringList({"AT", "CH", "DE", "DE", "FL"}));
    EXPECT_EQ(column(GEO_PLZ), QStringList({"1010", "8001", "01067", "10115", "9490"}));
    EXPECT_EQ(column(GEO_ORT).at(1), QString::fromUtf8("Zürich"));
    EXPECT_EQ(column(GEO_ID), QStringList({"2", "5", "4", "1", "3"}));
    EXPECT_EQ(model.Cell(0, GEO_ORTSTEIL), ""); // no value: empty cell

    ASSERT_EQ(model.columnCount(), 13);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "ID_Geo");
    EXPECT_EQ(model.headerData(12, Qt::Horizontal).toString(), "Memo");
    const auto align = [&](int j) {
        return model.data(model.index(0, j), Qt::TextAlignmentRole).value<Qt::Alignment>() &
               Qt::AlignHorizontal_Mask;
    };
    EXPECT_EQ(align(GEO_STAAT), Qt::AlignHCenter);
    EXPECT_EQ(align(GEO_PLZ), Qt::AlignHCenter);
    EXPECT_EQ(align(GEO_ORT), Qt::AlignLeft);

    EXPECT_EQ(progress.captions, QStringList({" \"GEO\" Tabelle wird geoffnet:"}));
    EXPECT_EQ(progress.positions, QList<int>({0, 20, 40, 60, 80}));
    EXPECT_EQ(progress.finished, 1);
}

TEST_F(TableFillTest, FilterGivesTheMatchingRowsAndTheirCount) {
    ASSERT_TRUE(TableTestRows::Insert(db, TableTestRows::FivePlaces()));
    struct Case {
        CGeoFilter filter;
        QStringList orte;
    };
    const QList<Case> cases = {
        {GeoFilter::Search("dres"), {"Dresden"}},
        {GeoFilter::Search("innere"), {"Wien"}}, // found through the memo only
        {GeoFilter::Search("0"), {"Wien", "Zürich", "Dresden", "Berlin", "Vaduz"}},
        {GeoFilter::Search("nirgends"), {}},
        {GeoFilter::Equals("Staat", "DE"), {"Dresden", "Berlin"}},
    };
    for (const Case& c : cases) {
        const CTableFillResult result = fill(c.filter);
        EXPECT_TRUE(result.m_strError.isEmpty()) << c.filter.Text().toStdString();
        EXPECT_EQ(column(GEO_ORT), c.orte) << c.filter.Text().toStdString();
        EXPECT_EQ(result.m_nFound, c.orte.size()) << c.filter.Text().toStdString();
    }
}

TEST_F(TableFillTest, StopsAtTheEndOfTheResultWhenRowsVanishAfterTheCount) {
    ASSERT_TRUE(TableTestRows::Insert(db, TableTestRows::FivePlaces()));
    // Another program deletes rows between the count and the read.
    progress.onStart = [this] { ASSERT_TRUE(db.Execute("DELETE FROM GEO WHERE Staat = 'DE'")); };
    const CTableFillResult result = fill();
    EXPECT_TRUE(result.m_strError.isEmpty());
    EXPECT_EQ(column(GEO_STAAT), QStringList({"AT", "CH", "FL"}));
    EXPECT_EQ(progress.finished, 1);
}

TEST_F(TableFillTest, EngineErrorKeepsTheRowsReadSoFar) {
    ASSERT_TRUE(TableTestRows::Insert(db, TableTestRows::PatternPlaces()));
    // With an index in sort order the engine applies the filter row by row as it reads, so
    // the malformed pattern of the fourth row stops the read after three rows.
    ASSERT_TRUE(db.Execute("CREATE INDEX StaatPlz ON GEO (Staat, PLZ)"));
    const CTableFillResult result = fill(CGeoFilter::Make(
        CGeoFilter::Kind::Like, {GeoFilter::Field("Ort"), GeoFilter::Field("Memo")}));
    EXPECT_FALSE(result.m_strError.isEmpty());
    EXPECT_EQ(column(GEO_ORT), QStringList({"Aaa", "Bbb", "Ccc"}));
    EXPECT_EQ(result.m_nFound, 3);
    EXPECT_EQ(progress.finished, 1);

    // A statement the engine refuses (a field it does not have): no rows, its message.
    const CTableFillResult broken = fill(GeoFilter::Equals("Nirgends", "x"));
    EXPECT_FALSE(broken.m_strError.isEmpty());
    EXPECT_EQ(model.RowCount(), 0);
    EXPECT_EQ(progress.finished, 2);
}

TEST_F(TableFillTest, ClosedDatabaseGivesColumnsAndNoRows) {
    ASSERT_TRUE(TableTestRows::Insert(db, TableTestRows::FivePlaces()));
    db.Close();
    const CTableFillResult result = fill();
    EXPECT_TRUE(result.m_strError.isEmpty());
    EXPECT_EQ(model.RowCount(), 0);
    EXPECT_EQ(model.columnCount(), 13);
    EXPECT_EQ(progress.finished, 1);
}

TEST_F(TableFillTest, RowsCostLittleBeyondTheirText) {
    // 20,000 rows with texts like real ones (about 90 bytes of UTF-8 a row): what the heap
    // holds for them after the fill, everything counted.
    ASSERT_TRUE(db.Execute("BEGIN"));
    ASSERT_TRUE(db.Execute(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
        "INSERT INTO GEO (Staat, PLZ, Bundesland, Regierungsbezirk, Landkreis, Ort, "
        "Langengrad, Breitengrad) SELECT 'DE', printf('%05d', i), 'Nordrhein-Westfalen', "
        "'Regierungsbezirk Köln', 'Rhein-Sieg-Kreis', 'Ort ' || i, '7.1234', '50.5678' FROM n"));
    ASSERT_TRUE(db.Execute("COMMIT"));

    const qint64 before = LiveHeap::Bytes();
    fill();
    const qint64 after = LiveHeap::Bytes();
    ASSERT_EQ(model.RowCount(), 20000);
    qint64 textBytes = 0;
    for (int i = 0; i < model.RowCount(); ++i) {
        for (int j = 0; j < CGeoTableModel::kColumns; ++j)
            textBytes += model.CellUtf8(i, j).size();
    }
    EXPECT_LT(double(textBytes) / model.RowCount(), 100.0);
    EXPECT_LT(double(after - before) / model.RowCount(), 170.0);
}
