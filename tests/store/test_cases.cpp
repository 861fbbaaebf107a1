// The rules written once in the program and once as the server's functions, over the rows of
// tests/cases: LIKE, LIKE with the spellings folded, coordinate numbers, the radius search
// and the standard order. The program's rule is checked alone, and the same rows go through
// the filters and the ORDER BY of each engine.
#include "base/FoldLike.h"
#include "base/GeoDistance.h"
#include "base/JetLike.h"
#include "base/TextNumbers.h"
#include "common/CaseTable.h"
#include "common/EngineFixture.h"
#include "common/TestSupport.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"
#include "store/GeoStandardOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using CaseTable::Where;

namespace {

bool foldLike(const QByteArray& pattern, const QByteArray& text) {
    const CJetLikePattern folded(FoldLike::FoldPattern(pattern));
    return folded.Matches(FoldLike::FoldText(text));
}

// A number text of the table: "NULL" for none.
bool expectedNumber(const QByteArray& text, double* value) {
    if (text == "NULL")
        return false;
    *value = text.toDouble();
    return true;
}

struct Radius {
    double lon, lat, km, placeLon, placeLat;
    bool inside;
};

Radius radius(const CaseTable::Row& row) {
    return {row[0].toDouble(), row[1].toDouble(), row[2].toDouble(),
            row[3].toDouble(), row[4].toDouble(), row[5] == "1"};
}

bool inBox(const GeoDistance::Box& box, double lon, double lat) {
    if (lat < box.south || lat > box.north)
        return false;
    if (!box.limitsLon)
        return true;
    return box.wraps ? lon >= box.west || lon <= box.east : lon >= box.west && lon <= box.east;
}

} // namespace

TEST(CaseTables, TheProgramsRulesGiveEveryRowsAnswer) {
    for (const CaseTable::Row& row : CaseTable::Read("like")) {
        const CJetLikePattern pattern(row[0]);
        ASSERT_TRUE(pattern.IsValid()) << Where("like", row);
        EXPECT_EQ(pattern.Matches(row[1]), row[2] == "1") << Where("like", row);
    }
    for (const CaseTable::Row& row : CaseTable::Read("fold"))
        EXPECT_EQ(foldLike(row[0], row[1]), row[2] == "1") << Where("fold", row);
    for (const CaseTable::Row& row : CaseTable::Read("numbers")) {
        double expected = 0, value = 0;
        const bool number = expectedNumber(row[1], &expected);
        EXPECT_EQ(TextNumbers::ParseNumber(row[0], &value), number) << Where("numbers", row);
        if (number) {
            EXPECT_EQ(value, expected) << Where("numbers", row);
        }
    }
    // The box holds every place within the radius; the distance decides.
    for (const CaseTable::Row& row : CaseTable::Read("radius")) {
        const Radius r = radius(row);
        const double km = GeoDistance::HaversineKm(r.placeLon, r.placeLat, r.lon, r.lat);
        EXPECT_EQ(km <= r.km, r.inside) << Where("radius", row) << ": " << km << " km";
        if (r.inside) {
            EXPECT_TRUE(inBox(GeoDistance::BoundingBox(r.lon, r.lat, r.km), r.placeLon, r.placeLat))
                << Where("radius", row);
        }
    }
    // Sorted in memory from the order of insertion.
    const QList<CaseTable::Row> order = CaseTable::Read("order");
    std::vector<const CaseTable::Row*> inserted;
    for (const CaseTable::Row& row : order)
        inserted.push_back(&row);
    std::sort(inserted.begin(), inserted.end(),
              [](auto* a, auto* b) { return (*a)[2].toInt() < (*b)[2].toInt(); });
    const std::vector<quint32> sorted = GeoStandardOrder::StableOrder(
        quint32(inserted.size()), {},
        [&](quint32 i, GeoStandardOrder::Value& staat, GeoStandardOrder::Value& plz) {
            const QByteArray& s = inserted[i]->fields[0];
            const QByteArray& p = inserted[i]->fields[1];
            staat = {s.isEmpty() ? GeoStandardOrder::Value::Null : GeoStandardOrder::Value::Text,
                     s};
            plz = {p.isEmpty() ? GeoStandardOrder::Value::Null : GeoStandardOrder::Value::Text, p};
        });
    for (qsizetype i = 0; i < order.size(); ++i)
        EXPECT_EQ(inserted[sorted[size_t(i)]]->line, order[i].line) << "place " << i;
}

class EngineCases : public EngineTest {
protected:
    // The keys of the rows a filter keeps.
    QList<int> Keys(CGeoDatabase& db, const CGeoFilter& filter) {
        CGeoRecordset rs(db);
        QList<int> keys;
        EXPECT_TRUE(rs.Open(db.Sql().FilteredQuery(db.m_Table, filter)))
            << rs.Error().toStdString();
        while (rs.MoveNext())
            keys << int(rs.FieldInt(GEO_ID));
        EXPECT_FALSE(rs.HasError()) << rs.Error().toStdString();
        return keys;
    }
};

KELVO_ON_BOTH_ENGINES(EngineCases);

TEST_P(EngineCases, LikeAndFoldedLikeKeepTheRowsOfTheTables) {
    CGeoDatabase db;
    OpenEmpty(db);
    for (const char* table : {"like", "fold"}) {
        // Each row's text as a place name (an empty text cannot be stored).
        QList<CaseTable::Row> rows;
        QList<QStringList> places;
        for (const CaseTable::Row& row : CaseTable::Read(table)) {
            if (!row[1].isEmpty()) {
                rows << row;
                places << QStringList{"DE", row.Text(1)};
            }
        }
        ASSERT_TRUE(db.Execute(QStringLiteral("DELETE FROM GEO")));
        ASSERT_EQ(TestSupport::InsertRows(db, {GEO_STAAT, GEO_ORT}, places), "");
        CGeoRecordset first(db);
        ASSERT_TRUE(first.Open(db.Sql().StorageOrderQuery(db.m_Table, {"ID_Geo"}, CGeoFilter())));
        ASSERT_TRUE(first.MoveNext());
        const int key0 = int(first.FieldInt(0));
        first.Close();
        const CGeoFilter ort = GeoFilter::Field("Ort");
        for (int i = 0; i < rows.size(); ++i) {
            const QString pattern = rows[i].Text(0);
            const CGeoFilter match = qstrcmp(table, "like") == 0
                                         ? GeoFilter::Like(ort, pattern)
                                         : GeoFilter::FoldLike(pattern, ort);
            const QList<int> kept = Keys(db, GeoFilter::And({match, GeoFilter::WithKey(key0 + i)}));
            EXPECT_EQ(!kept.isEmpty(), rows[i][2] == "1") << Where(table, rows[i]);
        }
    }
}

TEST_P(EngineCases, CoordinateTextsAreTheTablesNumbers) {
    CGeoDatabase db;
    OpenEmpty(db);
    QList<CaseTable::Row> rows;
    QList<QStringList> places;
    // Texts that fit into the field (an empty one cannot be stored).
    for (const CaseTable::Row& row : CaseTable::Read("numbers")) {
        if (!row[0].isEmpty() && row.Text(0).size() <= db.m_Table.FieldSize(GEO_LANGENGRAD)) {
            rows << row;
            places << QStringList{"DE", row.Text(0)};
        }
    }
    ASSERT_EQ(TestSupport::InsertRows(db, {GEO_STAAT, GEO_LANGENGRAD}, places), "");
    for (int i = 0; i < rows.size(); ++i) {
        double expected = 0;
        const CGeoFilter number = GeoFilter::Number("Langengrad");
        const CGeoFilter value =
            expectedNumber(rows[i][1], &expected)
                ? GeoFilter::Compare(number, CGeoFilter::Op::Eq, GeoFilter::Value(expected))
                : GeoFilter::IsNull(number);
        const bool kept = !Keys(db, GeoFilter::And({GeoFilter::WithKey(i + 1), value})).isEmpty();
        EXPECT_TRUE(kept) << Where("numbers", rows[i]);
    }
}

TEST_P(EngineCases, RadiusSearchesKeepThePlacesWithinTheRadius) {
    CGeoDatabase db;
    OpenEmpty(db);
    const QList<CaseTable::Row> rows = CaseTable::Read("radius");
    QList<QStringList> places;
    for (const CaseTable::Row& row : rows)
        places << QStringList{"DE", row.Text(3), row.Text(4)};
    ASSERT_EQ(TestSupport::InsertRows(db, {GEO_STAAT, GEO_LANGENGRAD, GEO_BREITENGRAD}, places),
              "");
    for (int i = 0; i < rows.size(); ++i) {
        const Radius r = radius(rows[i]);
        const QList<int> kept = Keys(
            db, GeoFilter::And({GeoFilter::Radius(r.lon, r.lat, r.km), GeoFilter::WithKey(i + 1)}));
        EXPECT_EQ(!kept.isEmpty(), r.inside) << Where("radius", rows[i]);
    }
}

TEST_P(EngineCases, TheStandardOrderIsTheTablesOrder) {
    CGeoDatabase db;
    OpenEmpty(db);
    const QList<CaseTable::Row> order = CaseTable::Read("order");
    QList<CaseTable::Row> inserted = order;
    std::stable_sort(inserted.begin(), inserted.end(),
                     [](const auto& a, const auto& b) { return a[2].toInt() < b[2].toInt(); });
    QList<QStringList> rows;
    for (const CaseTable::Row& row : inserted)
        rows << QStringList{row.Text(0), row.Text(1), QString::number(row.line)};
    ASSERT_EQ(TestSupport::InsertRows(db, {GEO_STAAT, GEO_PLZ, GEO_ORT}, rows), "");
    // The engine's ORDER BY, and the order the readers make in memory where they do.
    const CGeoOrderedRead reader(db);
    for (const bool ordered : {true, false}) {
        const CGeoQuery query = ordered ? CGeoQuery{db.Sql().StandardQuery(db.m_Table), {}}
                                        : reader.Query({"Staat", "PLZ", "Ort"});
        CGeoRecordset rs(db);
        ASSERT_TRUE(rs.Open(query)) << rs.Error().toStdString();
        const int ort = rs.FieldIndex("Ort"), staat = rs.FieldIndex("Staat"),
                  plz = rs.FieldIndex("PLZ");
        QList<QByteArray> lines, staats, plzs;
        while (rs.MoveNext()) {
            lines << rs.FieldUtf8(ort).toByteArray();
            staats << rs.FieldUtf8(staat).toByteArray();
            plzs << rs.FieldUtf8(plz).toByteArray();
        }
        ASSERT_EQ(lines.size(), order.size());
        std::vector<quint32> sorted(size_t(lines.size()));
        for (quint32 i = 0; i < sorted.size(); ++i)
            sorted[i] = i;
        if (!ordered)
            sorted = reader.Order(quint32(lines.size()), [&](quint32 i, GeoStandardOrder::Value& s,
                                                             GeoStandardOrder::Value& p) {
                s = {staats[i].isEmpty() ? GeoStandardOrder::Value::Null
                                         : GeoStandardOrder::Value::Text,
                     staats[i]};
                p = {plzs[i].isEmpty() ? GeoStandardOrder::Value::Null
                                       : GeoStandardOrder::Value::Text,
                     plzs[i]};
            });
        for (qsizetype i = 0; i < order.size(); ++i)
            EXPECT_EQ(lines[sorted[size_t(i)]].toInt(), order[i].line)
                << (ordered ? "ORDER BY" : "in memory") << ", place " << i;
    }
}
