// The postal-code areas on the file and on the server: an import replaces the areas of its
// countries and keeps the others, tells other users' maps by the change count, and one that
// fails leaves every area as it was.
#include "common/EngineFixture.h"
#include "render/territory/TerritoryStore.h"
#include "store/GeoDatabase.h"

#include <gtest/gtest.h>

namespace {

class PostalAreaStore : public EngineTest {};

// The store keeps the bytes as they are, a zero byte and all.
CPostalArea area(const char* staat, const char* plz, const char* bytes) {
    return {staat, plz, QByteArray(bytes) + '\0' + QByteArray(bytes)};
}

CPostalAreas load(CGeoDatabase& db) {
    CPostalAreas areas;
    CTerritoryStore store(db);
    EXPECT_TRUE(store.LoadAreas(&areas)) << store.Error().toStdString();
    return areas;
}

CPostalAreas expected(const QList<CPostalArea>& areas) {
    CPostalAreas result;
    for (const CPostalArea& a : areas)
        result.insert(PostalAreas::Key(a.staat, a.plz), a.wkb);
    return result;
}

} // namespace

TEST_P(PostalAreaStore, ACountrysAreasReplaceItsOwnAndAFailedImportChangesNothing) {
    CGeoDatabase db;
    OpenEmpty(db);
    EXPECT_TRUE(load(db).isEmpty()); // no table yet
    CTerritoryStore store(db);
    const qint64 before = store.ChangeCount();

    const CPostalArea dresden = area("DE", "01067", "a"), munich = area("DE", "80331", "b"),
                      vienna = area("AT", "1010", "c"), hamburg = area("DE", "20095", "d");
    ASSERT_TRUE(store.ImportAreas({dresden, munich})) << store.Error().toStdString();
    EXPECT_EQ(load(db), expected({dresden, munich}));
    EXPECT_NE(store.ChangeCount(), before);
    ASSERT_TRUE(store.ImportAreas({vienna})) << store.Error().toStdString();
    ASSERT_TRUE(store.ImportAreas({hamburg})) << store.Error().toStdString();
    EXPECT_EQ(load(db), expected({vienna, hamburg}));

    // A second user sees them at once.
    CGeoDatabase other;
    ASSERT_TRUE(other.Open(m_strAddress)) << other.LastError().toStdString();
    EXPECT_EQ(load(other), expected({vienna, hamburg}));

    // A code twice fails at the second insert: the deletion of DE before it is undone.
    const qint64 count = store.ChangeCount();
    EXPECT_FALSE(store.ImportAreas({munich, area("DE", "80331", "e")}));
    EXPECT_FALSE(store.Error().isEmpty());
    EXPECT_FALSE(store.ImportAreas({}));
    EXPECT_EQ(load(db), expected({vienna, hamburg}));
    EXPECT_EQ(load(other), expected({vienna, hamburg}));
    EXPECT_EQ(store.ChangeCount(), count);
}

KELVO_ON_BOTH_ENGINES(PostalAreaStore);
