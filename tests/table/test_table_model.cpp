// The rows of a table window: compact storage, re-ordering and rewriting, and the fill from
// the database with its progress, filters, errors and the closed database.
#include "app/Progress.h"
#include "db/GeoDatabase.h"
#include "table/GeoTableModel.h"
#include "table/TableFill.h"
#include "table/TableTestRows.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <malloc.h>

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
    CTableFillResult fill(const QString& filter = QString()) {
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
                            "Zeile 1\nZeile 2"};
    const CGeoTableModel::Row row = CGeoTableModel::MakeRow(cells);
    for (int j = 0; j < CGeoTableModel::kColumns; ++j)
        EXPECT_EQ(row.Cell(j).toString(), cells.at(j)) << "column " << j;
    // Fewer cells give empty cells; a column out of range is empty.
    const CGeoTableModel::Row shortRow = CGeoTableModel::MakeRow({"1", "AT"});
    EXPECT_EQ(shortRow.Cell(1).toString(), "AT");
    EXPECT_TRUE(shortRow.Cell(12).isEmpty());
    EXPECT_TRUE(shortRow.Cell(13).isEmpty());
    EXPECT_TRUE(shortRow.Cell(-1).isEmpty());
}

TEST(GeoTableModel, ReorderMovesRowsWithTheirSelection) {
    CGeoTableModel model;
    CGeoTableDesc desc;
    desc.BuildGeo();
    model.SetColumns(desc);
    QList<CGeoTableModel::Row> rows;
    for (int i = 0; i < 5; ++i)
        rows << CGeoTableModel::MakeRow({QString::number(i), "DE", QString::number(100 + i)});
    model.SetRows(rows);
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
    for (const QList<int>& bad : {QList<int>{0, 1, 2, 3}, QList<int>{0, 0, 1, 2, 3},
                                  QList<int>{0, 1, 2, 3, 5}, QList<int>{-1, 1, 2, 3, 4}}) {
        EXPECT_FALSE(model.ApplyOrder(bad));
        EXPECT_EQ(model.Cell(0, 0), "1");
    }
}

TEST(GeoTableModel, RewritingOneRowTouchesOnlyThatRow) {
    CGeoTableModel model;
    CGeoTableDesc desc;
    desc.BuildGeo();
    model.SetColumns(desc);
    model.SetRows({CGeoTableModel::MakeRow({"1", "DE"}), CGeoTableModel::MakeRow({"2", "AT"})});
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
    EXPECT_FALSE(model.SetRowCells(2, cells));
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
        QString filter;
        QStringList orte;
    };
    const QList<Case> cases = {
        {GeoSql::SearchFilter("dres"), {"Dresden"}},
        {GeoSql::SearchFilter("innere"), {"Wien"}}, // found through the memo only
        {GeoSql::SearchFilter("0"), {"Wien", "Zürich", "Dresden", "Berlin", "Vaduz"}},
        {GeoSql::SearchFilter("nirgends"), {}},
        {"[Staat] = 'DE'", {"Dresden", "Berlin"}},
    };
    for (const Case& c : cases) {
        const CTableFillResult result = fill(c.filter);
        EXPECT_TRUE(result.m_strError.isEmpty()) << c.filter.toStdString();
        EXPECT_EQ(column(GEO_ORT), c.orte) << c.filter.toStdString();
        EXPECT_EQ(result.m_nFound, c.orte.size()) << c.filter.toStdString();
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
    const CTableFillResult result = fill("[Ort] LIKE [Memo]");
    EXPECT_FALSE(result.m_strError.isEmpty());
    EXPECT_EQ(column(GEO_ORT), QStringList({"Aaa", "Bbb", "Ccc"}));
    EXPECT_EQ(result.m_nFound, 3);
    EXPECT_EQ(progress.finished, 1);

    // A filter the engine cannot even parse: no rows, the engine's message.
    const CTableFillResult broken = fill("[Ort] LIKE 'x");
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
    // 20,000 rows with texts like real ones; the heap they take beyond their UTF-16 text.
    ASSERT_TRUE(db.Execute("BEGIN"));
    ASSERT_TRUE(db.Execute(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
        "INSERT INTO GEO (Staat, PLZ, Bundesland, Regierungsbezirk, Landkreis, Ort, "
        "Langengrad, Breitengrad) SELECT 'DE', printf('%05d', i), 'Nordrhein-Westfalen', "
        "'Regierungsbezirk Köln', 'Rhein-Sieg-Kreis', 'Ort ' || i, '7.1234', '50.5678' FROM n"));
    ASSERT_TRUE(db.Execute("COMMIT"));

    const size_t before = mallinfo2().uordblks;
    fill();
    const size_t after = mallinfo2().uordblks;
    ASSERT_EQ(model.RowCount(), 20000);
    qint64 textBytes = 0;
    for (int i = 0; i < model.RowCount(); ++i)
        textBytes += model.GetRow(i).m_strText.size() * qint64(sizeof(QChar));
    const double perRow = double(qint64(after - before) - textBytes) / model.RowCount();
    EXPECT_LT(perRow, 300.0);
}
