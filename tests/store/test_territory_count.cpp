// Counting places per territory across changes: after places were assigned one by one only
// the rows of their postal codes are placed again, and the count is the one a full count
// gives, on the file and on the server; and the change count by which other users see
// what one changed.
#include "common/EngineFixture.h"
#include "common/TestSupport.h"
#include "data/GeoImport.h"
#include "render/map/MapTerritories.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "render/territory/TerritoryCount.h"
#include "render/territory/TerritoryStore.h"
#include "store/GeoDatabase.h"

#include <gtest/gtest.h>

namespace {

class TerritoryCountTest : public EngineTest {
protected:
    // Reads the stored territories and counts them into `count`; then checks it against a
    // count made from nothing.
    void Recount(CTerritoryCount& count) {
        CTerritoryStore store(db);
        CTerritoryData data;
        ASSERT_TRUE(store.Load(&data)) << store.Error().toStdString();
        QString error;
        const auto rows = CGeoPlaceRowsCache::Of(db).Rows(true, {}, &error);
        ASSERT_TRUE(rows) << error.toStdString();
        count.Update(rows, data);
        CTerritoryCount fresh;
        fresh.Update(rows, data);
        EXPECT_EQ(count.Places(), fresh.Places());
        for (quint32 k = 0; k < rows->Size(); ++k) {
            EXPECT_EQ(count.Placement(k).territory, fresh.Placement(k).territory) << k;
            EXPECT_EQ(count.Placement(k).rule, fresh.Placement(k).rule) << k;
            EXPECT_EQ(count.Placement(k).exception, fresh.Placement(k).exception) << k;
        }
    }
    CGeoDatabase db;
};

QByteArray line(const char* staat, const char* plz, const char* ort) {
    return TestSupport::GeoNamesLine(staat, plz, ort, "", "", "", "48.1", "11.5");
}

} // namespace

TEST_P(TerritoryCountTest, AssignedPlacesAreCountedAgainAloneAndAsAFullCountWould) {
    OpenEmpty(db);
    QByteArray lines;
    for (const char* plz : {"80331", "80333", "81241", "85221", "90402", "10115"})
        lines += line("DE", plz, "Ort") + line("DE", plz, "Anderswo");
    lines += line("AT", "1010", "Wien") + line("at", "1020", "Wien");
    const QString path = TestSupport::WriteFile(m_dir.filePath("places.txt"), lines);
    ASSERT_TRUE(CGeoImporter(db).Run({path}).ok);

    CTerritoryStore store(db);
    const qint64 sued = store.Create({0, "Süd", "#c00000", "", {}});
    const qint64 ost = store.Create({0, "Ost", "#00c000", "", {}});
    QList<CTerritoryRule> rules;
    QString error;
    ASSERT_TRUE(TerritoryRules::Parse("DE 8*, AT 1*", &rules, &error));
    ASSERT_TRUE(store.AddRules(sued, rules, nullptr)) << store.Error().toStdString();

    CTerritoryCount count;
    Recount(count);
    const quint32 all = count.Rows()->Size();
    EXPECT_EQ(count.LastPlaced(), all);
    EXPECT_EQ(count.Places().value(sued), 10);

    // Two places of one code and one of another into "Ost", one out of every territory: only
    // the rows of those three codes are placed again.
    ASSERT_TRUE(store.Assign({{"DE", "80331", "Ort", "", ost},
                              {"DE", "80331", "Anderswo", "", ost},
                              {"DE", "90402", "Ort", "", ost},
                              {"DE", "85221", "Ort", "", 0}}));
    Recount(count);
    EXPECT_EQ(count.LastPlaced(), 6u);
    EXPECT_EQ(count.Places().value(ost), 3);
    EXPECT_EQ(count.Places().value(sued), 7);

    // Back again, and a country written in small letters: still only those rows.
    ASSERT_TRUE(store.Assign({{"DE", "80331", "Ort", "", sued}, {"AT", "1020", "Wien", "", ost}}));
    Recount(count);
    EXPECT_EQ(count.LastPlaced(), 3u);
    EXPECT_EQ(count.Places().value(ost), 3);

    // Nothing changed: nothing is placed.
    Recount(count);
    EXPECT_EQ(count.LastPlaced(), 0u);

    // A changed rule, or a territory deleted with its exceptions, places every row.
    ASSERT_TRUE(TerritoryRules::Parse("DE 1*", &rules, &error));
    ASSERT_TRUE(store.AddRules(ost, rules, nullptr)) << store.Error().toStdString();
    Recount(count);
    EXPECT_EQ(count.LastPlaced(), all);
    ASSERT_TRUE(store.Delete(ost, 0));
    Recount(count);
    EXPECT_EQ(count.Places().value(ost), 0);
    EXPECT_EQ(count.Places().value(sued), 9);
}

KELVO_ON_BOTH_ENGINES(TerritoryCountTest);

// Two users of one database: what one changes shows in the other's coloured map once it is
// read again, without a write to GEO and without the other's place rows being read anew.
TEST_P(TerritoryCountTest, AnotherUsersChangeShowsAfterARefreshAndGeoIsNotReadAgain) {
    OpenEmpty(db);
    const QString path =
        TestSupport::WriteFile(m_dir.filePath("places.txt"),
                               line("DE", "80331", "München") + line("DE", "90402", "Nürnberg"));
    ASSERT_TRUE(CGeoImporter(db).Run({path}).ok);
    CGeoDatabase other;
    ASSERT_TRUE(other.Open(m_strAddress)) << other.OpenError().toStdString();
    CTerritoryStore mine(db), theirs(other);
    EXPECT_EQ(mine.ChangeCount(), 0);

    QString error;
    const auto rows = CGeoPlaceRowsCache::Of(db).Rows(true, {}, &error);
    ASSERT_TRUE(rows) << error.toStdString();
    CMapTerritories map;
    EXPECT_EQ(map.Update(db, rows), "");
    EXPECT_TRUE(map.Data().territories.isEmpty());
    EXPECT_FALSE(map.Stale(db));

    const qint64 nord = theirs.Create({0, "Nord", "#102030", "", {}});
    ASSERT_GT(nord, 0) << theirs.Error().toStdString();
    QList<CTerritoryRule> rules;
    ASSERT_TRUE(TerritoryRules::Parse("DE 8*", &rules, &error));
    ASSERT_TRUE(theirs.AddRules(nord, rules, nullptr)) << theirs.Error().toStdString();
    EXPECT_EQ(mine.ChangeCount(), 2);
    EXPECT_TRUE(map.Stale(db));
    EXPECT_EQ(map.Update(db, rows), "");
    ASSERT_EQ(map.Data().territories.size(), 1);
    EXPECT_EQ(map.Totals().places.value(nord), 1);
    EXPECT_FALSE(map.Stale(db));

    // On the server the other user's changes left the stamp alone; on a file the engine
    // cannot tell which table another program changed, and GEO is read again.
    const auto current = CGeoPlaceRowsCache::Of(db).Rows(true, {}, &error);
    EXPECT_EQ(current == rows, OnServer());
    // My own changes leave the data stamp where it was: the rows stay those read.
    const CGeoDatabase::CDataStamp stamp = db.DataStamp();
    ASSERT_TRUE(mine.Assign({{"DE", "90402", "Nürnberg", "", nord}}));
    EXPECT_EQ(db.DataStamp(), stamp);
    EXPECT_EQ(CGeoPlaceRowsCache::Of(db).Rows(true, {}, &error), current);
    EXPECT_TRUE(map.Stale(db));
    map.Update(db, rows);
    EXPECT_EQ(map.Totals().places.value(nord), 2);
    // A refused change counts nothing.
    ASSERT_TRUE(TerritoryRules::Parse("DE 99*", &rules, &error));
    EXPECT_FALSE(mine.AddRules(nord, rules, nullptr));
    EXPECT_FALSE(map.Stale(db));
    EXPECT_EQ(db.DataStamp(), stamp);

    // Tables an older program made, without the count: read again every time until the
    // first change makes it.
    ASSERT_TRUE(other.Execute("DROP TABLE GEBIET_STAND"));
    EXPECT_EQ(mine.ChangeCount(), -1);
    EXPECT_TRUE(map.Stale(db));
    ASSERT_GT(theirs.Create({0, "Süd", "#c00000", "", {}}), 0) << theirs.Error().toStdString();
    EXPECT_EQ(mine.ChangeCount(), 1);
    map.Update(db, rows);
    EXPECT_EQ(map.Data().territories.size(), 2);
    EXPECT_FALSE(map.Stale(db));
}
