// Filters as trees: what the program writes reads back as the same tree, bad filter texts are
// refused in German, values never become SQL, and the search rows of tests/cases find the
// same places on both engines.
#include "base/GeoTableDesc.h"
#include "common/CaseTable.h"
#include "common/EngineFixture.h"
#include "common/TestSupport.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"
#include "store/GeoFilterText.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"
#include "store/postgres/GeoSqlPostgres.h"
#include "store/sqlite/GeoSqlSqlite.h"

#include <gtest/gtest.h>

using CaseTable::Where;

namespace {

QList<CGeoFilter> programFilters() {
    QList<CGeoFilter> filters;
    for (const CaseTable::Row& row : CaseTable::Read("search")) {
        filters << GeoFilter::Search(row.Text(0)) << GeoFilter::Search(row.Text(0), true);
    }
    filters << GeoFilter::Nearby(8.457143, 8.757143, 49.196296, 49.396296)
            << GeoFilter::Nearby(-180, 180, -90, 90) << GeoFilter::Nearby(-0.5, 1e-7, -1, 1)
            << GeoFilter::Radius(13.3846, 52.5323, 25) << GeoFilter::Radius(179.9, 70, 500)
            << GeoFilter::Radius(0, 89.9, 100) << GeoFilter::Radius(0, 0, 0)
            << GeoFilter::CentreByPostalCode("10115")
            << GeoFilter::CentreByPostalCode("LI", "FL", "9490")
            << GeoFilter::CentreByPlace("Ortsteil", "M?nchen*") << GeoFilter::Place("DE", "10115")
            << GeoFilter::Place("BE", "1420", "Braine-l'Alleud") << GeoFilter::WithKey(17)
            << GeoFilter::KeyAbove(-3)
            << GeoFilter::Not(GeoFilter::IsNull(GeoFilter::Field("Memo")));
    return filters;
}

} // namespace

TEST(GeoFilterText, ReadsBackEveryFilterTheProgramWrites) {
    const CGeoTableDesc& desc = CGeoDatabase().m_Table;
    for (const CGeoFilter& filter : programFilters()) {
        CGeoFilter read;
        QString error;
        ASSERT_TRUE(GeoFilterText::Parse(desc, filter.Text(), &read, &error))
            << filter.Text().toStdString() << ": " << error.toStdString();
        EXPECT_TRUE(read == filter)
            << filter.Text().toStdString() << " read as " << read.Text().toStdString();
    }
}

TEST(GeoFilterText, TakesHandWrittenFiltersAndRefusesBadOnesInGerman) {
    const CGeoTableDesc& desc = CGeoDatabase().m_Table;
    struct Case {
        const char* text;
        const char* read; // the tree's text; null when the text is refused
    };
    const Case cases[] = {
        {"", ""},
        {"   ", ""},
        {"ort = 'Wien'", "[Ort]='Wien'"},
        {"[PLZ] like '1*' or NOT [Ort] LIKE 'B*'", "[PLZ] LIKE '1*' OR NOT [Ort] LIKE 'B*'"},
        {"[Ort] NOT LIKE 'B*'", "NOT [Ort] LIKE 'B*'"},
        {"[Memo] IS NOT NULL AND ([Staat] != 'DE')", "[Memo] IS NOT NULL AND [Staat]<>'DE'"},
        {"GeoNumber([Langengrad]) BETWEEN -1 AND 2.5",
         "GeoNumber([Langengrad]) BETWEEN -1 AND 2.5"},
        {"foldlike('*strasse*', [Ort])", "FoldLike('*strasse*', [Ort])"},
        {"[Ort] = 'O''Neill'", "[Ort]='O''Neill'"},
        {"[Ort] LIKE 'x", nullptr},
        {"[Ort] LIKE 'x' AND", nullptr},
        {"[Nirgends] = 1", nullptr},
        {"[Ort", nullptr},
        {"(([Ort] = 'a')", nullptr},
        {"[Ort] = 'a')", nullptr},
        {"[Ort] = 1 2", nullptr},
        {"Exec('x')", nullptr},
        {"[Ort] = 'a'; DROP TABLE GEO", nullptr},
        {"GeoDistance([Langengrad], 1)", nullptr},
        {"[Ort] IS 'a'", nullptr},
        {"1..2 = 1", nullptr},
    };
    for (const Case& c : cases) {
        const CGeoFilter before = GeoFilter::WithKey(1);
        CGeoFilter filter = before;
        QString error;
        const bool read = GeoFilterText::Parse(desc, QString::fromUtf8(c.text), &filter, &error);
        EXPECT_EQ(read, c.read != nullptr) << c.text;
        if (c.read) {
            EXPECT_EQ(filter.Text(), QString::fromUtf8(c.read)) << c.text;
        } else {
            EXPECT_TRUE(error.startsWith("Der Filter ist fehlerhaft: ")) << error.toStdString();
            EXPECT_TRUE(filter == before) << c.text;
        }
    }
}

TEST(GeoFilterSql, ValuesAreBoundInTheOrderOfTheirPlaceholders) {
    const CGeoTableDesc& desc = CGeoDatabase().m_Table;
    const CGeoFilter filter =
        GeoFilter::And({GeoFilter::Search("x') OR 1=1 --"), GeoFilter::KeyAbove(5)});
    for (const CGeoSqlDialect* sql : {&GeoSqlSqlite::Dialect(), &GeoSqlPostgres::Dialect()}) {
        const CGeoQuery query = sql->FilteredQuery(desc, filter);
        EXPECT_FALSE(query.sql.contains("1=1")) << query.sql.toStdString();
        ASSERT_EQ(query.values.size(), 11);
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(query.values[i], QVariant("*x') OR 1=1 --*"));
        EXPECT_EQ(query.values[10], QVariant(qlonglong(5)));
    }
    // The file's marks are positional; the server's numbered.
    const QString file = GeoSqlSqlite::Dialect().FilteredQuery(desc, filter).sql;
    const QString server = GeoSqlPostgres::Dialect().FilteredQuery(desc, filter).sql;
    EXPECT_EQ(file.count('?'), 11);
    EXPECT_TRUE(server.contains("$1") && server.contains("id_geo > $11")) << server.toStdString();
}

class EngineFilter : public EngineTest {};

KELVO_ON_BOTH_ENGINES(EngineFilter);

// Every search row of the table on each engine: the one place of the row found or not, and
// nothing else of the table.
TEST_P(EngineFilter, SearchTextsAreTheUsersTextOnBothEngines) {
    CGeoDatabase db;
    OpenEmpty(db);
    const QList<CaseTable::Row> rows = CaseTable::Read("search");
    QList<QStringList> places;
    for (const CaseTable::Row& row : rows)
        places << QStringList{"DE", row.Text(1)};
    ASSERT_EQ(TestSupport::InsertRows(db, {GEO_STAAT, GEO_ORT}, places), "");
    for (int i = 0; i < rows.size(); ++i) {
        CGeoRecordset rs(db);
        ASSERT_TRUE(rs.Open(db.Sql().FilteredQuery(
            db.m_Table,
            GeoFilter::And({GeoFilter::Search(rows[i].Text(0)), GeoFilter::WithKey(i + 1)}))))
            << rs.Error().toStdString();
        EXPECT_EQ(rs.MoveNext(), rows[i][2] == "1") << Where("search", rows[i]);
        EXPECT_FALSE(rs.HasError()) << Where("search", rows[i]) << rs.Error().toStdString();
    }
    // The table is whole: no text dropped or changed it.
    EXPECT_EQ(db.GetRecordCount("GEO"), rows.size());
}
