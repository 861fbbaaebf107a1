// A table window's first screen, read before all of its rows, is the start of them on both
// engines: for all rows and a search from the order's index. A radius search reads all of its
// rows before it shows them nearest first; those on the radius belong to them. Its first
// screen, picked from the map rows in memory or read from the server's index of the positions,
// is the start of them.
#include "common/EngineFixture.h"
#include "common/TestSupport.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "render/table/TableArrange.h"
#include "render/table/TableDistance.h"
#include "render/table/TableFill.h"
#include "render/table/TableNearest.h"
#include "store/GeoBackend.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"
#include "store/GeoFilterText.h"
#include "store/GeoSqlDialect.h"

#include <algorithm>
#include <cmath>

namespace {

class FirstScreen : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (!IsSkipped())
            OpenEmpty(db);
    }

    void Insert(const QList<QStringList>& rows) {
        // In one transaction: a file writes each row on its own otherwise.
        ASSERT_TRUE(db.BeginWrite());
        ASSERT_EQ(TestSupport::InsertRows(
                      db, {GEO_STAAT, GEO_PLZ, GEO_ORT, GEO_LANGENGRAD, GEO_BREITENGRAD}, rows),
                  "");
        ASSERT_TRUE(db.CommitWrite());
        // As an import leaves it (the server's schema has it anyway).
        if (const QString index = db.Sql().CreateOrderIndex(db.m_Table); !index.isEmpty()) {
            ASSERT_TRUE(db.Execute(index));
        }
    }

    // 37 positions around (10, 50), each shared by about a dozen rows of several countries
    // (equal distances, put in Staat, PLZ order); rows without a position, far away, and with
    // a position that is no number although it starts with one.
    static QStringList position(int g) {
        return QStringList{QString::number(10.0 + (g % 6 - 2.5) * 0.05, 'f', 4),
                           QString::number(50.0 + (g / 6 - 3) * 0.04, 'f', 4)};
    }
    void InsertAroundCentre() {
        QList<QStringList> rows;
        const char* staaten[] = {"DE", "AT", "ch"};
        for (int i = 0; i < 450; ++i) {
            QStringList at = position(i % 37);
            if (i % 41 == 0)
                at = {QString(), QString()};
            else if (i % 43 == 0)
                at = {QStringLiteral("13.4"), QStringLiteral("52.5")};
            else if (i % 47 == 0)
                at = {QStringLiteral("10.0001 O"), QStringLiteral("50")};
            rows.append({QString::fromLatin1(staaten[i % 3]),
                         QString::asprintf("%05d", (i * 7919) % 997),
                         QStringLiteral("Ort %1").arg(i), at[0], at[1]});
        }
        Insert(rows);
    }

    // The filter of the rows within the distance of position(31) from (10, 50), as the window
    // has it: read back from its text.
    static CGeoFilter radiusFilter(const CGeoTableDesc& desc, double* km) {
        const QStringList edge = position(31);
        *km = TableDistance::DistanceKm(edge[0].toUtf8(), edge[1].toUtf8(), 10.0, 50.0);
        CGeoFilter filter;
        QString error;
        EXPECT_TRUE(
            GeoFilterText::Parse(desc, GeoFilter::Radius(10.0, 50.0, *km).Text(), &filter, &error))
            << qPrintable(error);
        return filter;
    }

    // The rows of a filter as the whole read of a radius search's window puts them.
    CTableRows arrangedByDistance(const CGeoFilter& filter) {
        CTableRows all = ReadTableRows(db, db.m_Table, filter, nullptr);
        CTableArrangement how;
        how.bDistance = true;
        how.dLon = 10.0;
        how.dLat = 50.0;
        TableArrange::Arrange(all, how);
        return all;
    }

    // The keys of rows as the window shows them.
    static QList<qint64> keysOf(const CTableRows& rows) {
        QList<qint64> keys;
        for (quint32 row : rows.m_order)
            keys << rows.m_pRows->Cell(row, GEO_ID).bytes.toLongLong();
        return keys;
    }

    CGeoDatabase db;
};

KELVO_ON_BOTH_ENGINES(FirstScreen);

} // namespace

TEST_P(FirstScreen, AllRowsAndASearchStartWithTheirFirstScreenFromTheIndex) {
    // Keys that are not the order: countries and postal codes scattered over the keys, case
    // variants that compare equal; "ZZ" sorts past the rows a search's first screen looks at.
    const char* staaten[] = {"DE", "at", "CH", "de", "AT"};
    QList<QStringList> rows;
    for (int i = 0; i < 24000; ++i)
        rows.append({QString::fromLatin1(i % 997 == 0 ? "ZZ" : staaten[i % 5]),
                     QString::asprintf("%05d", (i * 7919) % 99991), QStringLiteral("Ort %1").arg(i),
                     QStringLiteral("10"), QStringLiteral("50")});
    Insert(rows);
    const CGeoTableDesc& desc = db.m_Table;
    const CGeoFilter none, many = GeoFilter::Search(QStringLiteral("Ort 1"));
    const CGeoFilter late = GeoFilter::Equals(QStringLiteral("Staat"), QStringLiteral("zz"));

    EXPECT_TRUE(db.Backend()->FirstRowsFromIndex(desc));
    // The plan is asked for with sorting as the last resort; the session sorts as usual after.
    if (db.IsServer()) {
        std::unique_ptr<CGeoStatement> setting =
            db.Backend()->Prepare(QStringLiteral("SHOW enable_sort"));
        ASSERT_TRUE(setting->Step());
        EXPECT_EQ(setting->FieldUtf8(0), "on");
    }
    for (const CGeoFilter* filter : {&none, &many, &late}) {
        const QList<qint64> all = keysOf(ReadTableRows(db, desc, *filter, nullptr));
        const QList<qint64> first = keysOf(ReadFirstTableRows(db, desc, *filter, 200));
        ASSERT_GT(all.size(), filter == &late ? 20 : 200);
        EXPECT_EQ(first, all.mid(0, first.size()));
        EXPECT_EQ(first.size(), filter == &late ? 0 : 200);
        QList<qint64> byKey = first;
        std::sort(byKey.begin(), byKey.end());
        if (!first.isEmpty()) {
            EXPECT_NE(first, byKey);
        }
    }

    // Without the index the engine would sort the whole search for its first screen: none.
    ASSERT_TRUE(db.Execute(QStringLiteral("DROP INDEX GEO_order")));
    EXPECT_FALSE(db.Backend()->FirstRowsFromIndex(desc));
    EXPECT_TRUE(ReadFirstTableRows(db, desc, many, 200).m_order.empty());
    EXPECT_EQ(keysOf(ReadFirstTableRows(db, desc, none, 200)),
              keysOf(ReadTableRows(db, desc, none, nullptr)).mid(0, 200));
}

TEST_P(FirstScreen, ARadiusSearchKeepsTheRowsOnTheRadiusAndShowsThemNearestFirst) {
    InsertAroundCentre();
    const double lon = 10.0, lat = 50.0;
    // The radius falls exactly on the position of some rows, which the search keeps.
    const QStringList edge = position(31);
    const double km = TableDistance::DistanceKm(edge[0].toUtf8(), edge[1].toUtf8(), lon, lat);
    const CGeoFilter filter = GeoFilter::Radius(lon, lat, km);
    CTableRows all = ReadTableRows(db, db.m_Table, filter, nullptr);
    ASSERT_TRUE(all.m_result.m_strError.isEmpty()) << qPrintable(all.m_result.m_strError);
    ASSERT_GT(all.m_order.size(), 250u);
    CTableArrangement how;
    how.bDistance = true;
    how.dLon = lon;
    how.dLat = lat;
    TableArrange::Arrange(all, how);
    // Nearest first; the last rows are those on the radius.
    double before = -1.0;
    for (const quint32 row : all.m_order) {
        const double d =
            TableDistance::DistanceKm(all.m_pRows->Cell(row, GEO_LANGENGRAD).bytes,
                                      all.m_pRows->Cell(row, GEO_BREITENGRAD).bytes, lon, lat);
        ASSERT_GE(d, before);
        before = d;
    }
    EXPECT_EQ(before, km);
}

TEST_P(FirstScreen, ARadiusSearchsFirstScreenFromTheMapRowsIsTheStartOfItsRows) {
    InsertAroundCentre();
    const double lon = 10.0, lat = 50.0;
    double km = 0.0;
    const CGeoFilter filter = radiusFilter(db.m_Table, &km);
    const QList<qint64> nearestFirst = keysOf(arrangedByDistance(filter));
    ASSERT_GT(nearestFirst.size(), 250);

    // No map has read the rows yet: no first screen.
    EXPECT_FALSE(TableNearest::Screen(db, filter, lon, lat, 40).places);
    const std::shared_ptr<const CGeoPlaceRows> places =
        CGeoPlaceRowsCache::Of(db).Rows(false, {}, nullptr);
    ASSERT_EQ(places->Size(), 450u);
    // A screen ending inside a dozen rows at one distance takes all of them; one larger than
    // the result is all of it. The nine rows nearest by the map's positions are none of the
    // result (their positions are no numbers) and take nine places of the screen.
    bool past = false;
    for (const int count : {9, 10, 12, 40, 200, 1000}) {
        SCOPED_TRACE(count);
        const CFirstScreen screen = TableNearest::Screen(db, filter, lon, lat, count);
        ASSERT_EQ(screen.places, places);
        const QList<qint64> first =
            keysOf(TableNearest::ReadScreen(db, db.m_Table, filter, screen));
        ASSERT_GE(first.size(), std::min<qsizetype>(count - 9, nearestFirst.size()));
        EXPECT_EQ(first, nearestFirst.mid(0, first.size()));
        past = past || first.size() > count - 9;
        if (count == 1000) {
            EXPECT_EQ(first.size(), nearestFirst.size());
        }
    }
    EXPECT_TRUE(past);

    // Another filter, another centre: none.
    EXPECT_FALSE(
        TableNearest::Screen(db, GeoFilter::Search(QStringLiteral("Ort")), lon, lat, 40).places);
    EXPECT_FALSE(TableNearest::Screen(db, filter, lon + 0.5, lat, 40).places);

    // Another connection writes a row at the centre: the map rows no longer show the data.
    CGeoDatabase other;
    ASSERT_TRUE(other.Open(db.FilePath()));
    ASSERT_EQ(TestSupport::InsertRows(other, {GEO_STAAT, GEO_PLZ, GEO_LANGENGRAD, GEO_BREITENGRAD},
                                      {{"DE", "00001", "10", "50"}}),
              "");
    EXPECT_FALSE(TableNearest::Screen(db, filter, lon, lat, 40).places);
}

TEST_P(FirstScreen, WithoutMapRowsARadiusSearchsFirstScreenComesFromTheServersIndexOfPositions) {
    InsertAroundCentre();
    const CGeoTableDesc& desc = db.m_Table;
    const double lon = 10.0, lat = 50.0;
    double km = 0.0;
    const CGeoFilter filter = radiusFilter(desc, &km);
    const CTableRows all = arrangedByDistance(filter);
    const QList<qint64> keys = keysOf(all);
    // The rows within a share of the radius, which the first screen may be taken from.
    auto rowsWithin = [&](double share) {
        qsizetype n = 0;
        for (const quint32 row : all.m_order) {
            n += TableDistance::DistanceKm(all.m_pRows->Cell(row, GEO_LANGENGRAD).bytes,
                                           all.m_pRows->Cell(row, GEO_BREITENGRAD).bytes, lon,
                                           lat) <= km * share;
        }
        return int(n);
    };
    const int half = rowsWithin(0.5), quarter = rowsWithin(0.25);
    ASSERT_GT(quarter, 10);
    ASSERT_GT(half, quarter);
    ASSERT_GT(keys.size(), half);

    // The server has the schema's indexes of the positions; the file has none.
    EXPECT_EQ(db.Backend()->PositionsFromIndex(desc), db.IsServer());
    if (db.IsServer()) {
        std::unique_ptr<CGeoStatement> setting =
            db.Backend()->Prepare(QStringLiteral("SHOW enable_seqscan"));
        ASSERT_TRUE(setting->Step());
        EXPECT_EQ(setting->FieldUtf8(0), "on");
    }
    // At least as many rows as asked for, the start of the window's rows; none where half the
    // radius holds fewer, and none from the file.
    for (const int count : {1, quarter, quarter + 1, half, half + 1}) {
        SCOPED_TRACE(count);
        const CFirstScreen screen = TableNearest::Screen(db, filter, lon, lat, count);
        ASSERT_TRUE(screen.nearest);
        ASSERT_FALSE(screen.places);
        const QList<qint64> first = keysOf(TableNearest::ReadScreen(db, desc, filter, screen));
        if (!db.IsServer() || count > half) {
            EXPECT_TRUE(first.isEmpty());
            continue;
        }
        EXPECT_GE(first.size(), count);
        EXPECT_EQ(first, keys.mid(0, first.size()));
    }

    // Without those indexes the server would read every row for it: none.
    if (db.IsServer()) {
        ASSERT_TRUE(db.Execute(QStringLiteral("DROP INDEX geo_kelvo_breitengrad")));
        ASSERT_TRUE(db.Execute(QStringLiteral("DROP INDEX geo_kelvo_langengrad")));
        EXPECT_FALSE(db.Backend()->PositionsFromIndex(desc));
        const CFirstScreen screen = TableNearest::Screen(db, filter, lon, lat, 1);
        EXPECT_TRUE(TableNearest::ReadScreen(db, desc, filter, screen).m_order.empty());
    }
}
