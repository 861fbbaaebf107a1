// The schema of a new database file and the SQL texts built from the description.
#include "common/TestSupport.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"
#include "store/sqlite/GeoSqlSqlite.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

class SchemaTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(m_db.Open(m_dir.filePath(QStringLiteral("Kelvo.mde"))))
            << m_db.OpenError().toStdString();
    }
    QStringList column(const QString& sql, int field) {
        CGeoRecordset rs(m_db);
        EXPECT_TRUE(rs.Open(sql)) << rs.Error().toStdString();
        QStringList values;
        while (rs.MoveNext())
            values << rs.FieldText(field);
        return values;
    }
    bool insert(const QString& field, const QString& value) {
        return m_db.Execute(
            QStringLiteral("INSERT INTO GEO ([%1]) VALUES ('%2')").arg(field, value));
    }
    QTemporaryDir m_dir;
    CGeoDatabase m_db;
};

} // namespace

TEST_F(SchemaTest, NewFileHasThirteenFieldsInOrderWithTypes) {
    const QStringList names = column(QStringLiteral("PRAGMA table_info(GEO)"), 1);
    EXPECT_EQ(names, (QStringList{"ID_Geo", "Staat", "PLZ", "Bundesland", "Regierungsbezirk",
                                  "Landkreis", "Verwaltung", "Ort", "Ortsteil", "KFZ", "Langengrad",
                                  "Breitengrad", "Memo"}));
    const QStringList types = column(QStringLiteral("PRAGMA table_info(GEO)"), 2);
    EXPECT_EQ(types.first(), "INTEGER");
    for (int i = 1; i < types.size(); ++i)
        EXPECT_EQ(types[i], "TEXT") << names[i].toStdString();
    // The key is the auto-numbered rowid.
    const QStringList pk = column(QStringLiteral("PRAGMA table_info(GEO)"), 5);
    EXPECT_EQ(pk.first(), "1");
    EXPECT_TRUE(column("SELECT sql FROM sqlite_master WHERE name='GEO'", 0)
                    .first()
                    .contains("AUTOINCREMENT"));
}

TEST_F(SchemaTest, OnlyIndexIsUniquePrimaryKeyOnIdGeo) {
    CGeoRecordset rs(m_db);
    ASSERT_TRUE(rs.Open("SELECT name, \"unique\" FROM pragma_index_list('GEO')"));
    ASSERT_TRUE(rs.MoveNext());
    EXPECT_EQ(rs.FieldText(0), "PrimaryKey");
    EXPECT_EQ(rs.FieldInt(1), 1);
    EXPECT_FALSE(rs.MoveNext());
    EXPECT_EQ(column("SELECT name FROM pragma_index_info('PrimaryKey')", 0), QStringList{"ID_Geo"});
}

TEST_F(SchemaTest, RefusesEmptyAndOverlongTextsButNotLongMemos) {
    EXPECT_FALSE(insert("Staat", ""));
    EXPECT_FALSE(insert("Memo", ""));
    EXPECT_TRUE(insert("Staat", QString(40, 'x')));
    EXPECT_FALSE(insert("Staat", QString(41, 'x')));
    EXPECT_TRUE(insert("Ort", QString(100, QChar(0xE4)))); // characters, not bytes
    EXPECT_FALSE(insert("Ort", QString(101, 'o')));
    EXPECT_TRUE(insert("Memo", QString(5000, 'm')));
    // NULL is a field without a value, which every field accepts.
    EXPECT_TRUE(m_db.Execute("INSERT INTO GEO (Staat) VALUES (NULL)"));
    EXPECT_EQ(m_db.GetRecordCount("GEO"), 4);
}

TEST_F(SchemaTest, TextsKeepTheirCharactersAndCompareWithoutCase) {
    // TEXT affinity: a memo or postal code that looks like a number stays as written.
    ASSERT_TRUE(m_db.Execute("INSERT INTO GEO (Staat, PLZ, Memo) VALUES ('de', '01067', '007')"));
    ASSERT_TRUE(m_db.Execute("INSERT INTO GEO (Staat, PLZ) VALUES ('AT', '1010')"));
    ASSERT_TRUE(m_db.Execute("INSERT INTO GEO (Staat, PLZ) VALUES ('DE', '10115')"));
    EXPECT_EQ(column("SELECT PLZ FROM GEO WHERE Memo = '007'", 0), QStringList{"01067"});
    EXPECT_EQ(column(GeoSqlSqlite::Dialect().StandardQuery(m_db.m_Table), GEO_PLZ),
              (QStringList{"1010", "01067", "10115"}));
}

TEST(GeoSqlTexts, AreBuiltFromTheDescription) {
    CGeoDatabase db;
    const CGeoTableDesc& d = db.m_Table;
    const CGeoSqlDialect& sql = GeoSqlSqlite::Dialect();
    EXPECT_EQ(sql.StandardQuery(d), "SELECT * FROM GEO ORDER BY Staat, PLZ;");
    EXPECT_EQ(sql.FilteredQuery(d, CGeoFilter()).sql, sql.StandardQuery(d));
    // Values are bound, never written into the statement.
    const CGeoQuery like = sql.FilteredQuery(d, GeoFilter::Like(GeoFilter::Field("PLZ"), "1*"));
    EXPECT_EQ(like.sql, "SELECT * FROM GEO WHERE (PLZ LIKE ?) ORDER BY Staat, PLZ;");
    EXPECT_EQ(like.values, QVariantList{"1*"});
    EXPECT_EQ(sql.RowByKey(d, "17"), "SELECT * FROM GEO WHERE [ID_GEO]=17");
    EXPECT_EQ(sql.RowByKey(d, "17 OR 1=1"), "SELECT * FROM GEO WHERE [ID_GEO]=NULL");
    EXPECT_EQ(GeoFilter::Search("l'A").Text().count("LIKE '*l''A*'"), 10);
    EXPECT_EQ(GeoFilter::Search("%1").Text(), GeoFilter::Search("x").Text().replace("*x*", "*%1*"));
    EXPECT_EQ(GeoFilter::Nearby(8.457143, 8.757143, 49.196296, 49.396296).Text(),
              "(GeoNumber([Langengrad])>8.457143 AND GeoNumber([Langengrad])<8.757143) AND "
              "(GeoNumber([Breitengrad])>49.196296 AND GeoNumber([Breitengrad])<49.396296)");
}

TEST(GeoTableDescription, HoldsTypesSizesAlignmentsAndStrictIndexes) {
    CGeoDatabase db;
    const CGeoTableDesc& d = db.m_Table;
    EXPECT_EQ(d.m_nFields, 13);
    EXPECT_EQ(d.m_strFileName, "Kelvo.mde");
    EXPECT_EQ(d.m_aFieldType, (QList<int>{4, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 12}));
    EXPECT_EQ(d.m_aFieldSize,
              (QList<int>{4, 40, 50, 100, 100, 100, 100, 100, 100, 40, 60, 60, 200}));
    EXPECT_EQ(d.m_aColumnFormat, (QList<int>{0, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(d.m_aFieldAttributes.first(), 16);
    EXPECT_EQ(d.FieldIndex("ortsteil"), GEO_ORTSTEIL);
    EXPECT_THROW(d.FieldName(13), std::out_of_range);
    EXPECT_THROW(d.FieldSize(-1), std::out_of_range);
}
