// The standard order made in memory equals the engine's ORDER BY Staat, PLZ, row for row;
// the data stamp changes with every change of the stored data, and the rows the maps share
// are read again exactly then.
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "render/table/GeoTableModel.h"
#include "render/table/TableFill.h"
#include "store/GeoBackend.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"
#include "store/GeoStandardOrder.h"

#include <QTemporaryDir>

#include <sqlite3.h>

#include <gtest/gtest.h>

namespace {

// A GEO table whose text fields compare with the given collation, made without the program
// (as another tool might have made the file).
QString createGeo(const QTemporaryDir& dir, const char* collation) {
    const QString path = dir.filePath(QStringLiteral("Kelvo-%1.mde").arg(collation));
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    QString text;
    for (const char* name :
         {"Staat", "PLZ", "Bundesland", "Regierungsbezirk", "Landkreis", "Verwaltung", "Ort",
          "Ortsteil", "KFZ", "Langengrad", "Breitengrad", "Memo"})
        text += QStringLiteral(", [%1] TEXT COLLATE %2").arg(name, collation);
    const QByteArray sql =
        QStringLiteral("CREATE TABLE GEO ([ID_Geo] INTEGER PRIMARY KEY AUTOINCREMENT%1)")
            .arg(text)
            .toUtf8();
    EXPECT_EQ(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    return path;
}

// Rows with every kind of key the engine orders: ties, case variants, umlauts, no value,
// postal codes longer than five bytes or with a zero byte, blobs.
void fillAwkwardKeys(CGeoDatabase& db, int rows) {
    ASSERT_TRUE(db.Execute(
        QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO GEO (Staat, PLZ, Ort) SELECT "
            "CASE i % 13 WHEN 0 THEN NULL WHEN 1 THEN 'de' WHEN 2 THEN 'De' WHEN 3 THEN 'AT' "
            "WHEN 4 THEN 'at' WHEN 5 THEN 'Ä' WHEN 6 THEN 'ä' WHEN 7 THEN 'D' WHEN 8 THEN 'DEU' "
            "WHEN 9 THEN 'CH' ELSE 'DE' END, "
            "CASE WHEN i % 23 = 0 THEN NULL WHEN i % 19 = 0 THEN X'3100' "
            "WHEN i % 17 = 0 THEN 'ab' || (i % 3) WHEN i % 16 = 0 THEN 'AB' || (i % 3) "
            "WHEN i % 11 = 0 THEN printf('%05d%03d', (i * 37) % 300, i % 7) "
            "WHEN i % 29 = 0 THEN '12' || char(0) || (i % 2) "
            "ELSE printf('%05d', (i * 37) % 300) END, 'Ort ' || i FROM n")
            .arg(rows)));
}

// The keys of all rows as the engine orders them, and as the in-memory order gives them.
struct Orders {
    QList<qint64> engine, inMemory;
    bool sortedInMemory = false;
};

Orders bothOrders(CGeoDatabase& db) {
    Orders orders;
    CGeoRecordset rs(db);
    EXPECT_TRUE(rs.Open(QStringLiteral("SELECT ID_Geo FROM GEO ORDER BY Staat, PLZ")));
    while (rs.MoveNext())
        orders.engine << rs.FieldInt(0);

    orders.sortedInMemory = CGeoOrderedRead(db).SortsInMemory();
    CGeoTableModel model;
    FillTableModel(db, db.m_Table, CGeoFilter(), model, nullptr);
    for (int i = 0; i < model.RowCount(); ++i)
        orders.inMemory << model.Cell(i, db.m_Table.m_nKeyField).toLongLong();
    return orders;
}

} // namespace

TEST(StandardOrder, EqualsTheEngineOrderForEveryCollationItKnows) {
    QTemporaryDir dir;
    struct Case {
        const char* collation;
        bool inMemory;
    };
    for (const Case& c : {Case{"NOCASE", true}, Case{"BINARY", true}, Case{"RTRIM", false}}) {
        SCOPED_TRACE(c.collation);
        CGeoDatabase db;
        ASSERT_TRUE(db.Open(createGeo(dir, c.collation))) << qPrintable(db.OpenError());
        fillAwkwardKeys(db, 3000);
        const Orders orders = bothOrders(db);
        EXPECT_EQ(orders.sortedInMemory, c.inMemory);
        ASSERT_EQ(orders.engine.size(), 3000);
        EXPECT_EQ(orders.inMemory, orders.engine);
    }

    // The program's own file, and one with more countries than the fast path ranks.
    CGeoDatabase db;
    ASSERT_TRUE(db.Open(dir.filePath("Kelvo.mde")));
    fillAwkwardKeys(db, 3000);
    ASSERT_TRUE(db.Execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                           "WHERE i < 70000) INSERT INTO GEO (Staat, PLZ) SELECT "
                           "printf('S%06d', (i * 7919) % 69997), i % 3 + 1 FROM n"));
    const Orders orders = bothOrders(db);
    EXPECT_TRUE(orders.sortedInMemory);
    EXPECT_EQ(orders.inMemory, orders.engine);
}

namespace {

// The keys of rows as the window shows them.
QList<qint64> keysOf(const CTableRows& rows) {
    QList<qint64> keys;
    for (quint32 row : rows.m_order)
        keys << rows.m_pRows->Cell(row, GEO_ID).bytes.toLongLong();
    return keys;
}

} // namespace

TEST(StandardOrder, FirstRowsComeFromTheOrderIndexAsAPrefixOfTheWholeRead) {
    QTemporaryDir dir;
    const CGeoFilter none, many = GeoFilter::Search(QStringLiteral("Ort 1"));
    // Staat 'ä' sorts after every other row, past the rows a filter's first screen looks
    // through: no first screen then, rather than a wrong one.
    const CGeoFilter late = GeoFilter::Equals(QStringLiteral("Staat"), QStringLiteral("ä"));
    for (const char* collation : {"NOCASE", "BINARY", "RTRIM"}) {
        SCOPED_TRACE(collation);
        CGeoDatabase db;
        ASSERT_TRUE(db.Open(createGeo(dir, collation))) << qPrintable(db.OpenError());
        fillAwkwardKeys(db, 30000);
        const CGeoTableDesc& desc = db.m_Table;
        // Without the index: all rows' first screen as before, none for a filter.
        EXPECT_FALSE(db.Backend()->FirstRowsFromIndex(desc));
        EXPECT_TRUE(ReadFirstTableRows(db, desc, many, 200).m_order.empty());
        EXPECT_EQ(keysOf(ReadFirstTableRows(db, desc, CGeoFilter(), 200)),
                  keysOf(ReadTableRows(db, desc, CGeoFilter(), nullptr)).mid(0, 200));

        ASSERT_TRUE(db.Execute(db.Sql().CreateOrderIndex(desc)));
        EXPECT_TRUE(db.Backend()->FirstRowsFromIndex(desc));
        for (const CGeoFilter* filter : {&none, &many, &late}) {
            const QList<qint64> all = keysOf(ReadTableRows(db, desc, *filter, nullptr));
            const QList<qint64> first = keysOf(ReadFirstTableRows(db, desc, *filter, 200));
            ASSERT_GT(all.size(), 200);
            EXPECT_EQ(first, all.mid(0, first.size()));
            EXPECT_EQ(first.size(), filter == &late ? 0 : 200);
        }
    }

    // A file whose key is no row id: the index does not give the order, so no first rows of
    // a filter.
    const QString path = dir.filePath("Fremd.mde");
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &raw), SQLITE_OK);
    std::string columns = "[ID_Geo] INTEGER";
    for (const char* name :
         {"Staat", "PLZ", "Bundesland", "Regierungsbezirk", "Landkreis", "Verwaltung", "Ort",
          "Ortsteil", "KFZ", "Langengrad", "Breitengrad", "Memo"})
        columns += std::string(", [") + name + "] TEXT";
    ASSERT_EQ(sqlite3_exec(raw, ("CREATE TABLE GEO (" + columns + ")").c_str(), nullptr, nullptr,
                           nullptr),
              SQLITE_OK);
    sqlite3_close(raw);
    CGeoDatabase foreign;
    ASSERT_TRUE(foreign.Open(path)) << qPrintable(foreign.OpenError());
    ASSERT_TRUE(foreign.Execute(foreign.Sql().CreateOrderIndex(foreign.m_Table)));
    EXPECT_FALSE(foreign.Backend()->FirstRowsFromIndex(foreign.m_Table));
}

TEST(StandardOrder, ComparesAsTheEngine) {
    using GeoStandardOrder::Collation;
    using GeoStandardOrder::Value;
    auto text = [](const char* s) { return Value{Value::Text, QByteArrayView(s)}; };
    EXPECT_EQ(GeoStandardOrder::Compare(text("de"), text("DE"), Collation::NoCase), 0);
    EXPECT_GT(GeoStandardOrder::Compare(text("de"), text("DE"), Collation::Binary), 0);
    EXPECT_LT(GeoStandardOrder::Compare(text("DE"), text("DEU"), Collation::NoCase), 0);
    // NOCASE stops at a zero byte; only the lengths count then.
    const Value zeroA{Value::Text, QByteArrayView("1\0a", 3)},
        zeroB{Value::Text, QByteArrayView("1\0b", 3)};
    EXPECT_EQ(GeoStandardOrder::Compare(zeroB, zeroA, Collation::NoCase), 0);
    EXPECT_GT(GeoStandardOrder::Compare(zeroB, zeroA, Collation::Binary), 0);
    EXPECT_GT(GeoStandardOrder::Compare(text("ä"), text("z"), Collation::NoCase), 0);
    EXPECT_LT(GeoStandardOrder::Compare(Value{}, text(""), Collation::NoCase), 0);
    EXPECT_GT(GeoStandardOrder::Compare(Value{Value::Blob, "A"}, text("z"), Collation::NoCase), 0);
    // Blobs compare their bytes, whatever the collation.
    EXPECT_GT(GeoStandardOrder::Compare(Value{Value::Blob, "a"}, Value{Value::Blob, "A"},
                                        Collation::NoCase),
              0);
}

namespace {
// A file open on two connections: this program's and another's.
class DataStamp : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(db.Open(path));
        ASSERT_TRUE(other.Open(path));
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("Kelvo.mde");
    CGeoDatabase db, other;
};
} // namespace

TEST_F(DataStamp, ChangesWithOwnWritesOtherConnectionsAndTheSchema) {
    ASSERT_TRUE(db.Execute("INSERT INTO GEO (Staat, PLZ) VALUES ('DE', '10115')"));

    CGeoDatabase::CDataStamp stamp = db.DataStamp();
    EXPECT_EQ(db.GetRecordCount("GEO"), 1);
    EXPECT_EQ(db.DataStamp(), stamp) << "reading changes nothing";

    const auto changes = [&](const std::function<void()>& change) {
        change();
        const CGeoDatabase::CDataStamp now = db.DataStamp();
        const bool changed = !(now == stamp);
        stamp = now;
        return changed;
    };
    EXPECT_TRUE(changes([&] { db.UpdateRecord(db.m_Table, {"1", "DE", "10115"}); }));
    EXPECT_TRUE(changes([&] { other.Execute("UPDATE GEO SET Memo = 'x'"); }));
    EXPECT_TRUE(changes([&] { other.Execute("DELETE FROM GEO"); }));
    EXPECT_TRUE(changes([&] { db.Execute("CREATE INDEX Extra ON GEO (Ort)"); }));
    EXPECT_FALSE(changes([&] { other.GetRecordCount("GEO"); }));
    EXPECT_TRUE(changes([&] {
        db.Close();
        db.Open(path);
    }));
}

TEST_F(DataStamp, MapsShareTheirRowsUntilTheDataChanges) {
    ASSERT_TRUE(db.Execute("INSERT INTO GEO (Staat, PLZ, Langengrad) VALUES ('DE', '1', '9.5')"));
    QString error;
    int reads = 0;
    const auto read = [&](int) { ++reads; };
    const std::shared_ptr<const CGeoPlaceRows> first =
        CGeoPlaceRowsCache::Of(db).Rows(true, read, &error);
    ASSERT_EQ(first->Size(), 1u);
    EXPECT_EQ(first->Coordinates(0).lon, 9.5);
    EXPECT_EQ(CGeoPlaceRowsCache::Of(db).Rows(true, read, &error), first);
    EXPECT_EQ(reads, 1);

    ASSERT_TRUE(other.Execute("INSERT INTO GEO (Staat, PLZ) VALUES ('AT', '1')"));
    const std::shared_ptr<const CGeoPlaceRows> second =
        CGeoPlaceRowsCache::Of(db).Rows(true, read, &error);
    EXPECT_NE(second, first);
    EXPECT_EQ(second->Size(), 2u);
    EXPECT_EQ(second->Countries().at(second->Country(0)), "AT");
    EXPECT_EQ(first->Size(), 1u) << "a map still showing the old rows keeps them";
    EXPECT_TRUE(error.isEmpty());
}

TEST_F(DataStamp, TextsReadInSlicesEqualOneReadOfTheSameData) {
    ASSERT_TRUE(db.Execute(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
        "INSERT INTO GEO (Staat, PLZ, Ort, Memo) SELECT substr('DEATCHBE', 1 + 2 * (i % 4), 2), "
        "(i * 37) % 500, 'Ort ' || i, CASE WHEN i % 9 = 0 THEN 'Memo ' || i END FROM n"));
    // Read a slice at a time, as the maps read their texts ahead beside the program's work.
    CGeoPlaceRowsReader sliced(db, true);
    int slices = 1;
    while (!sliced.Read(0))
        ++slices;
    EXPECT_GT(slices, 3);
    ASSERT_TRUE(sliced.Error().isEmpty()) << sliced.Error().toStdString();
    const std::shared_ptr<const CGeoPlaceRows> rows = sliced.Finish();
    ASSERT_TRUE(rows->HasTexts());

    CGeoPlaceRowsReader whole(db, true);
    ASSERT_TRUE(whole.Read(-1));
    const std::shared_ptr<CGeoPlaceRows> once = whole.Finish();
    ASSERT_EQ(once->Size(), rows->Size());
    for (quint32 i = 0; i < rows->Size(); ++i) {
        ASSERT_EQ(rows->Countries()[rows->Country(i)], once->Countries()[once->Country(i)]);
        for (auto text : {CGeoPlaceRows::Plz, CGeoPlaceRows::Ort, CGeoPlaceRows::Memo})
            ASSERT_EQ(rows->TextOf(i, text), once->TextOf(i, text)) << i;
    }
}
