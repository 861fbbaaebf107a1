// The rows of a map without texts: in the order of Staat alone, each country's rows in the
// order the table keeps them, whether the countries lie in long runs (as imported) or mixed
// row by row, and the same rows as a read with texts gives, which stand in the standard order.
#include "render/map/MapTestSupport.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"

#include <algorithm>

#include <gtest/gtest.h>

using namespace MapTest;

namespace {

// Rows whose Langengrad numbers them in table order.
QList<GeoRow> numbered(const QStringList& staaten) {
    QList<GeoRow> rows;
    for (int i = 0; i < staaten.size(); ++i)
        rows.append({staaten[i], QString::number(900 - i % 900), "Ort", QString::number(i), "50"});
    return rows;
}

// The numbers in Staat order, NULL first, ties in table order.
std::vector<int> expectedOrder(const QStringList& staaten) {
    std::vector<int> order(size_t(staaten.size()));
    for (int i = 0; i < staaten.size(); ++i)
        order[size_t(i)] = i;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const QString& x = staaten[a];
        const QString& y = staaten[b];
        if (x.isEmpty() || y.isEmpty())
            return x.isEmpty() && !y.isEmpty();
        return x < y;
    });
    return order;
}

} // namespace

TEST(PlaceRows, WithoutTextsTheyStandInStaatOrderKeepingTheTableOrder) {
    const QStringList kinds[] = {{"CH", "DE", "AT"}, {"DE", "", "AT", "FL", "BE"}};
    for (const QStringList& countries : kinds) {
        for (const int runLength : {1, 3, 20, 400}) {
            SCOPED_TRACE(countries.join(',').toStdString() + " runs of " +
                         std::to_string(runLength));
            QStringList staaten;
            for (int i = 0; i < 3000; ++i)
                staaten << countries[(i / runLength) % countries.size()];
            TempGeo geo;
            ASSERT_TRUE(geo.Db().Execute("BEGIN"));
            geo.Insert(numbered(staaten));
            ASSERT_TRUE(geo.Db().Execute("COMMIT"));
            QString error;
            const auto rows = CGeoPlaceRowsCache::Of(geo.Db()).Rows(false, {}, &error);
            ASSERT_TRUE(error.isEmpty());
            ASSERT_FALSE(rows->HasTexts());
            const std::vector<int> expected = expectedOrder(staaten);
            ASSERT_EQ(rows->Size(), expected.size());
            for (quint32 k = 0; k < rows->Size(); ++k) {
                ASSERT_EQ(int(rows->Coordinates(k).lon), expected[k]) << k;
                ASSERT_EQ(rows->Key(k), expected[k] + 1) << k;
                ASSERT_EQ(rows->Countries()[rows->Country(k)], staaten[expected[k]].toUtf8());
            }
            // With texts: by Staat, then PLZ, then table order, each row's coordinates
            // and texts kept together.
            const auto withTexts = CGeoPlaceRowsCache::Of(geo.Db()).Rows(true, {}, &error);
            ASSERT_TRUE(error.isEmpty());
            ASSERT_TRUE(withTexts->HasTexts());
            std::vector<int> standard(expected);
            std::stable_sort(standard.begin(), standard.end(), [&](int a, int b) {
                const QString &x = staaten[a], &y = staaten[b];
                if (x != y)
                    return x.isEmpty() || (!y.isEmpty() && x < y);
                return QString::number(900 - a % 900) < QString::number(900 - b % 900);
            });
            ASSERT_EQ(withTexts->Size(), standard.size());
            for (quint32 k = 0; k < withTexts->Size(); ++k) {
                const int i = int(withTexts->Coordinates(k).lon);
                ASSERT_EQ(i, standard[k]) << k;
                ASSERT_EQ(withTexts->TextOf(k, CGeoPlaceRows::Plz),
                          QByteArray::number(900 - i % 900));
                ASSERT_EQ(withTexts->Countries()[withTexts->Country(k)], staaten[i].toUtf8());
            }
        }
    }
}
