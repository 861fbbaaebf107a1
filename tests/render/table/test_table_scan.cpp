// A search's reading: its bar follows the rows looked at, not the few found (on the server,
// which tells nothing while it scans, the search is read in ranges of keys), a stop ends the
// scan at once, not at the table's end, and the rows come in the engine's own order.
#include "base/Progress.h"
#include "common/EngineFixture.h"
#include "common/TestSupport.h"
#include "render/table/TableFill.h"
#include "render/table/TableFillJob.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"
#include "store/GeoRecordset.h"

#include <QThread>

namespace {

class Bar : public CProgress {
public:
    QList<int> values;
    void Start(const QString&) override {}
    void SetPos(int pos) override { values << pos; }
    void Finish() override {}
};

class TableScan : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (IsSkipped())
            return;
        OpenEmpty(db);
        QList<QStringList> rows;
        for (int i = 0; i < 60000; ++i)
            rows << QStringList{QStringLiteral("D"), QString::number(10000 + i),
                                QStringLiteral("Ort %1").arg(i), QStringLiteral("8,5"),
                                QStringLiteral("50,1")};
        ASSERT_TRUE(db.BeginWrite());
        ASSERT_EQ(TestSupport::InsertRows(
                      db, {GEO_STAAT, GEO_PLZ, GEO_ORT, GEO_LANGENGRAD, GEO_BREITENGRAD}, rows),
                  "");
        ASSERT_TRUE(db.CommitWrite());
    }
    CGeoDatabase db;
};

TEST_P(TableScan, ASearchsBarRisesWithTheRowsLookedAtAndEndsFull) {
    // One row found, the last of the table: the bar used to stay at 0 until the end.
    Bar bar;
    const CTableRows rows =
        ReadTableRows(db, db.m_Table, GeoFilter::Search(QStringLiteral("Ort 59999")), &bar);
    ASSERT_EQ(rows.m_result.m_nFound, 1);
    ASSERT_FALSE(bar.values.isEmpty());
    EXPECT_EQ(bar.values.last(), 100);
    int between = 0;
    for (int i = 0; i < bar.values.size(); ++i) {
        between += bar.values[i] > 0 && bar.values[i] < 90;
        if (i > 0) {
            EXPECT_GE(bar.values[i], bar.values[i - 1]);
        }
    }
    // The file tells every few hundred rows, the server after each eighth of the keys.
    EXPECT_GT(between, OnServer() ? 5 : 20);

    // The table's own fill keeps its bar: the rows read against the rows counted.
    Bar all;
    ReadTableRows(db, db.m_Table, {}, &all);
    EXPECT_EQ(all.values.last(), 100);
}

TEST_P(TableScan, AStoppedSearchEndsItsScanBeforeTheTablesEnd) {
    // A search that finds nothing looks at every row without a row to check the stop at.
    CTableFillJob job(db, db.m_Table, GeoFilter::Search(QStringLiteral("nirgendwo")), {});
    for (int i = 0; i < 20000 && job.Percent() < 2 && !job.IsDone(); ++i)
        QThread::usleep(50);
    ASSERT_FALSE(job.IsDone()) << "the scan was over before it could be stopped";
    job.Cancel();
    ASSERT_TRUE(CTableFillJob::WaitForAll(5000));
    // Stopped well before the scan's end (90: every row looked at), without an error.
    EXPECT_LT(job.Percent(), 60);
    const std::optional<CTableRows> rows = job.TakeResult();
    ASSERT_TRUE(rows);
    EXPECT_TRUE(rows->m_result.m_bCancelled);
    EXPECT_TRUE(rows->m_result.m_strError.isEmpty());
}

TEST_P(TableScan, AFillReadsTheRestAfterItsFirstScreenWhetherThePaintIsToldOrNot) {
    // The rest waits for the window's first paint, but never for good.
    const auto keysOf = [](const CTableRows& rows) {
        QList<qint64> keys;
        for (quint32 row : rows.m_order)
            keys << rows.m_pRows->Cell(row, GEO_ID).bytes.toLongLong();
        return keys;
    };
    const QList<qint64> all = keysOf(ReadTableRows(db, db.m_Table, {}, nullptr));
    ASSERT_EQ(all.size(), 60000);
    for (const bool told : {false, true}) {
        SCOPED_TRACE(told ? "told" : "not told");
        CFirstScreen screen;
        screen.count = 40;
        CTableFillJob job(db, db.m_Table, {}, screen, {});
        ASSERT_TRUE(job.WaitForFirstRows(10000));
        const std::optional<CTableRows> first = job.TakeFirstRows();
        ASSERT_TRUE(first);
        EXPECT_EQ(keysOf(*first), all.mid(0, 40));
        if (told)
            job.FirstScreenShown();
        for (int i = 0; i < 20000 && !job.IsDone(); ++i)
            QThread::usleep(500);
        const std::optional<CTableRows> rows = job.TakeResult();
        ASSERT_TRUE(rows);
        EXPECT_FALSE(rows->m_result.m_bCancelled);
        EXPECT_EQ(keysOf(*rows), all);
    }
}

KELVO_ON_BOTH_ENGINES(TableScan);

class SearchOrder : public EngineTest {};

TEST_P(SearchOrder, ASearchReadInPiecesComesInTheEnginesOwnOrder) {
    // Keys that differ in case, in letters beyond A-Z and by a missing value, spread over
    // the whole table, so that equal keys lie in different ranges of keys.
    const QStringList staaten{"", "DE", "de", "Ä", "ä", "a", "B", "Z", "_"};
    const QStringList plz{"", "01", "1", "A1", "a1", "Ü", "10", "9", "ab"};
    CGeoDatabase db;
    OpenEmpty(db);
    QList<QStringList> rows;
    for (int i = 0; i < 4000; ++i)
        rows << QStringList{staaten[i * 7 % staaten.size()], plz[i * 5 % plz.size()],
                            QStringLiteral("Ort %1").arg(i % 3 ? i : -i)};
    ASSERT_TRUE(db.BeginWrite());
    ASSERT_EQ(TestSupport::InsertRows(db, {GEO_STAAT, GEO_PLZ, GEO_ORT}, rows), "");
    ASSERT_TRUE(db.CommitWrite());

    const CGeoFilter filter = GeoFilter::Search(QStringLiteral("Ort"));
    QList<QByteArray> expected;
    CGeoRecordset rs(db);
    ASSERT_TRUE(rs.Open(db.Sql().FilteredQuery(db.m_Table, filter)));
    while (rs.MoveNext())
        expected << rs.FieldUtf8(GEO_ID).toByteArray();
    ASSERT_EQ(expected.size(), 4000);

    Bar bar;
    const CTableRows read = ReadTableRows(db, db.m_Table, filter, &bar);
    ASSERT_EQ(read.m_result.m_strError, "");
    QList<QByteArray> got;
    for (quint32 row : read.m_order)
        got << read.m_pRows->Cell(row, GEO_ID).bytes.toByteArray();
    EXPECT_EQ(got, expected);
    EXPECT_EQ(read.m_result.m_nFound, 4000);
    EXPECT_EQ(bar.values.last(), 100);
}

KELVO_ON_BOTH_ENGINES(SearchOrder);

} // namespace
