// Counting places per territory across changes: after places were assigned one by one, or
// rules changed, only the rows whose territory may have changed are placed again, and the
// count and the map's colours are those a full count gives, on the file and on the server;
// the territories this program wrote are taken as stored without a read only while nobody
// else wrote; and the change count by which other users see what one changed.
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
    // Reads the territories as the panel and the maps do (taking those this program kept at
    // the change count) and brings `count` and `map` up to date; then checks them against
    // the stored territories read and placed from nothing.
    void Recount(CTerritoryCount& count, CMapTerritories& map) {
        CTerritoryStore store(db);
        CTerritoryData kept, read;
        ASSERT_TRUE(store.LoadAt(store.ChangeCount(), &kept)) << store.Error().toStdString();
        ASSERT_TRUE(store.Load(&read)) << store.Error().toStdString();
        QString error;
        const auto rows = CGeoPlaceRowsCache::Of(db).Rows(true, {}, &error);
        ASSERT_TRUE(rows) << error.toStdString();
        count.Update(rows, kept);
        map.Update(db, rows);
        const std::vector<CTerritoryAssigner::Placement> fresh =
            CTerritoryAssigner(read).PlaceRows(*rows);
        ASSERT_EQ(fresh.size(), rows->Size());
        QHash<qint64, qint64> places;
        for (quint32 k = 0; k < rows->Size(); ++k) {
            ++places[fresh[k].territory];
            EXPECT_EQ(count.Placement(k).territory, fresh[k].territory) << k;
            EXPECT_EQ(count.Placement(k).exception, fresh[k].exception) << k;
            // Rule indexes point into each one's own list, which may stand in another order.
            const int rule = count.Placement(k).rule;
            EXPECT_EQ(rule < 0 ? QString() : kept.rules[rule].Text(),
                      fresh[k].rule < 0 ? QString() : read.rules[fresh[k].rule].Text())
                << k;
        }
        EXPECT_EQ(count.Places(), places);
        CMapTerritories freshMap;
        freshMap.Update(db, rows);
        EXPECT_EQ(map.RowColors(), freshMap.RowColors());
        EXPECT_EQ(map.Totals().places, freshMap.Totals().places);
    }
    void Recount(CTerritoryCount& count) {
        CMapTerritories map;
        Recount(count, map);
    }
    CGeoDatabase db;
};

QByteArray line(const char* staat, const char* plz, const char* ort) {
    return TestSupport::GeoNamesLine(staat, plz, ort, "", "", "", "48.1", "11.5");
}

} // namespace

TEST_P(TerritoryCountTest, ChangesPlaceOnlyTheRowsTheyTouchAndCountAsAFullCountWould) {
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
    const qint64 west = store.Create({0, "West", "#0000c0", "", {}});
    auto addRules = [&](qint64 territory, const char* text) {
        QList<CTerritoryRule> rules;
        QString error;
        ASSERT_TRUE(TerritoryRules::Parse(text, &rules, &error)) << error.toStdString();
        ASSERT_TRUE(store.AddRules(territory, rules, nullptr)) << store.Error().toStdString();
    };
    addRules(sued, "DE 8*, AT 1*");

    CTerritoryCount count;
    CMapTerritories map;
    Recount(count, map);
    const quint32 all = count.Rows()->Size();
    EXPECT_EQ(count.LastPlaced(), all);
    EXPECT_EQ(count.Places().value(sued), 10);

    // Two places of one code and one of another into "Ost", one out of every territory: only
    // the rows of those three codes are placed again.
    ASSERT_TRUE(store.Assign({{"DE", "80331", "Ort", "", ost},
                              {"DE", "80331", "Anderswo", "", ost},
                              {"DE", "90402", "Ort", "", ost},
                              {"DE", "85221", "Ort", "", 0}}));
    Recount(count, map);
    EXPECT_EQ(count.LastPlaced(), 6u);
    EXPECT_EQ(count.Places().value(ost), 3);
    EXPECT_EQ(count.Places().value(sued), 7);

    // Back again, and a country written in small letters: still only those rows.
    ASSERT_TRUE(store.Assign({{"DE", "80331", "Ort", "", sued}, {"AT", "1020", "Wien", "", ost}}));
    Recount(count, map);
    EXPECT_EQ(count.LastPlaced(), 3u);
    EXPECT_EQ(count.Places().value(ost), 3);

    // Nothing changed: nothing is placed.
    Recount(count, map);
    EXPECT_EQ(count.LastPlaced(), 0u);

    // A new rule places the rows whose rule it becomes; a more specific one over a wider
    // one, a range beside it, a rule moved to another territory, a rule removed.
    addRules(ost, "DE 1*");
    Recount(count, map);
    EXPECT_EQ(count.LastPlaced(), 2u);
    addRules(west, "DE 803*, DE 81-84");
    Recount(count, map);
    EXPECT_EQ(count.LastPlaced(), 6u);
    EXPECT_EQ(count.Places().value(west), 4);
    addRules(west, "DE 1*");
    Recount(count, map);
    EXPECT_EQ(count.LastPlaced(), 2u);
    CTerritoryData data;
    ASSERT_TRUE(store.Load(&data));
    for (const CTerritoryRule& r : data.rules) {
        if (r.Text() == "DE 803*") {
            ASSERT_TRUE(store.RemoveRule(r.id));
        }
    }
    Recount(count, map);
    EXPECT_EQ(count.Places().value(west), 4);

    // A territory deleted with its places given to another, and one whose places go to none.
    ASSERT_TRUE(store.Delete(west, ost));
    Recount(count, map);
    EXPECT_EQ(count.Places().value(west), 0);
    ASSERT_TRUE(store.Delete(ost, 0));
    Recount(count, map);
    EXPECT_EQ(count.Places().value(ost), 0);
    EXPECT_EQ(count.Places().value(sued), 9);
    // Another colour colours the map again without placing anything.
    CTerritory stored;
    ASSERT_EQ(
        store.Update({sued, "Süd", "#c00000", "", {}}, {sued, "Süd", "#ffaa00", "", {}}, &stored),
        CTerritoryStore::Write::Saved);
    Recount(count, map);
    EXPECT_EQ(count.LastPlaced(), 0u);
}

// What this program wrote is taken as kept only while nobody else wrote meanwhile: a change
// by another user between two of mine is read, not lost.
TEST_P(TerritoryCountTest, TheTerritoriesKeptAfterAnAssignmentAreThoseStored) {
    OpenEmpty(db);
    const QString path =
        TestSupport::WriteFile(m_dir.filePath("places.txt"), line("DE", "80331", "München") +
                                                                 line("DE", "90402", "Nürnberg") +
                                                                 line("DE", "10115", "Berlin"));
    ASSERT_TRUE(CGeoImporter(db).Run({path}).ok);
    CGeoDatabase other;
    ASSERT_TRUE(other.Open(m_strAddress)) << other.OpenError().toStdString();
    CTerritoryStore mine(db), theirs(other);
    const qint64 nord = mine.Create({0, "Nord", "#102030", "", {}});
    ASSERT_GT(nord, 0) << mine.Error().toStdString();
    CTerritoryCount count;
    Recount(count);

    ASSERT_TRUE(mine.Assign({{"DE", "80331", "München", "", nord}}));
    Recount(count);
    EXPECT_EQ(count.Places().value(nord), 1);
    ASSERT_TRUE(theirs.Assign({{"DE", "90402", "Nürnberg", "", nord}}));
    ASSERT_TRUE(mine.Assign({{"DE", "10115", "Berlin", "", nord}}));
    Recount(count);
    EXPECT_EQ(count.Places().value(nord), 3);
    // Places out of every territory again, and a name whose bytes are no UTF-8 as stored.
    ASSERT_TRUE(
        mine.Assign({{"DE", "80331", "München", "", 0}, {"DE", "80331", "M\xfc", "", nord}}));
    Recount(count);
    EXPECT_EQ(count.Places().value(nord), 2);
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
