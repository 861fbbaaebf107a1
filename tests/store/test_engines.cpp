// The same behaviour on the SQLite file and on a PostgreSQL server: schema, standard order,
// search, nearby box, writing back and importing, each from one test body for both engines;
// then the shared data, query by query (search, spellings folded, box, radius), on both at
// once.
#include "common/EngineFixture.h"
#include "common/TestSupport.h"
#include "data/GeoImport.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"
#include "store/GeoFilterText.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"

#include <gtest/gtest.h>

namespace {

// Rows that the order and the filters must get right: NULL keys, keys equal but for case,
// umlauts, coordinates as texts with spaces, exponents, no number, out of range.
struct Row {
    int id;
    const char* staat;
    const char* plz;
    const char* ort;
    const char* lon;
    const char* lat;
    const char* memo;
};
const Row kRows[] = {
    {1, "DE", "10115", "Berlin", "13.38", "52.53", nullptr},
    {2, "de", "0815", "münchen", "11.5", "48.1", "Memo A"},
    {3, "AT", "1010", "Wien", " 16.37 ", "48.2", nullptr},
    {4, nullptr, "99", "Ohne Staat", "abc", "50", nullptr},
    {5, "DE", "a1", "Straße", "1e1", "4.5e1", nullptr},
    {6, "DE", "A1", "STRASSE", "10.0", "45", "o'Neill"},
    {7, "Ä", "1", "Ärger", "1e400", "1e-400", nullptr},
    {8, "DE", nullptr, "Öhringen", "9.5", "49.2", nullptr},
    {9, "de", "10115", "Mitte", "13.4", "52.52", "x"},
    {10, "FL", "9490", "Vaduz", "-0", "1e-400", nullptr},
};

QVariant value(const char* text) {
    return text ? QVariant(QString::fromUtf8(text)) : QVariant();
}

void insertRows(CGeoDatabase& db) {
    CGeoRecordset rs(db);
    ASSERT_TRUE(rs.Open(db.Sql().InsertRowWithKey(db.m_Table))) << rs.Error().toStdString();
    for (const Row& row : kRows) {
        QVariantList values(db.m_Table.m_nFields);
        values[GEO_ID] = row.id;
        values[GEO_STAAT] = value(row.staat);
        values[GEO_PLZ] = value(row.plz);
        values[GEO_ORT] = value(row.ort);
        values[GEO_LANGENGRAD] = value(row.lon);
        values[GEO_BREITENGRAD] = value(row.lat);
        values[GEO_MEMO] = value(row.memo);
        ASSERT_TRUE(rs.Rebind(values) && rs.Execute()) << rs.Error().toStdString();
    }
    const QString numbering = db.Sql().ContinueNumbering(db.m_Table);
    ASSERT_TRUE(numbering.isEmpty() || db.Execute(numbering)) << db.LastError().toStdString();
}

// A filter written by hand.
CGeoFilter parsed(const char* text) {
    CGeoFilter filter;
    QString error;
    EXPECT_TRUE(
        GeoFilterText::Parse(CGeoDatabase().m_Table, QString::fromUtf8(text), &filter, &error))
        << error.toStdString();
    return filter;
}

// The keys of the rows a filter keeps, in the order the engine gives them.
QList<int> keys(CGeoDatabase& db, const CGeoFilter& filter, QString* error = nullptr) {
    CGeoRecordset rs(db);
    QList<int> found;
    if (rs.Open(db.Sql().FilteredQuery(db.m_Table, filter))) {
        while (rs.MoveNext())
            found << int(rs.FieldInt(GEO_ID));
    }
    if (error)
        *error = rs.Error();
    return found;
}

// Every field of every row a filter keeps, one line a row.
QStringList rows(CGeoDatabase& db, const CGeoFilter& filter, QString* error) {
    CGeoRecordset rs(db);
    QStringList lines;
    if (rs.Open(db.Sql().FilteredQuery(db.m_Table, filter))) {
        while (rs.MoveNext()) {
            QStringList fields;
            for (int i = 0; i < rs.FieldCount(); ++i)
                fields << (rs.IsNull(i) ? QStringLiteral("<NULL>") : rs.FieldText(i));
            lines << fields.join(QLatin1Char('\t'));
        }
    }
    *error = rs.Error();
    return lines;
}

class EngineRules : public EngineTest {};

} // namespace

KELVO_ON_BOTH_ENGINES(EngineRules);

TEST_P(EngineRules, SchemaIsMadeOnceAndRefusesWhatTheFileRefuses) {
    const QString address = EmptyDatabase();
    {
        CGeoDatabase db;
        ASSERT_TRUE(db.Open(address)) << db.OpenError().toStdString();
        EXPECT_EQ(db.IsServer(), OnServer());
        EXPECT_EQ(db.GetRecordCount("GEO"), 0);
        insertRows(db);
        // Empty texts and texts beyond the field's size are refused; NULL is no text.
        CGeoRecordset rs(db);
        ASSERT_TRUE(rs.Open(db.Sql().InsertRow(db.m_Table)));
        QVariantList values(db.m_Table.m_nFields - 1);
        values[GEO_STAAT - 1] = QString(41, QLatin1Char('x'));
        EXPECT_FALSE(rs.Rebind(values) && rs.Execute());
        EXPECT_FALSE(rs.Error().isEmpty());
        values[GEO_STAAT - 1] = QString();
        values[GEO_ORT - 1] = QString("");
        EXPECT_FALSE(rs.Rebind(values) && rs.Execute());
        values[GEO_STAAT - 1] = QString(40, QChar(0xE4)); // 40 characters, 80 bytes
        values[GEO_ORT - 1] = QVariant();
        EXPECT_TRUE(rs.Rebind(values) && rs.Execute()) << rs.Error().toStdString();
    }
    // Reopening finds the rows; new keys come after the largest one.
    CGeoDatabase again;
    ASSERT_TRUE(again.Open(address)) << again.OpenError().toStdString();
    EXPECT_EQ(again.GetRecordCount("GEO"), 11);
    const QList<int> added = keys(again, parsed("[Staat] LIKE 'ää*'"));
    ASSERT_EQ(added.size(), 1);
    EXPECT_GT(added[0], 10);
}

TEST_P(EngineRules, OrderSearchAndNearbyBoxGiveTheSameRows) {
    CGeoDatabase db;
    ASSERT_TRUE(db.Open(EmptyDatabase())) << db.OpenError().toStdString();
    insertRows(db);

    // NULL first, case folded for A-Z only (Ä after every ASCII letter), equal keys by key.
    EXPECT_EQ(keys(db, CGeoFilter()), (QList<int>{4, 3, 8, 2, 1, 9, 5, 6, 10, 7}));

    const struct {
        const char* text;
        QList<int> keys;
    } searches[] = {
        {"101", {3, 1, 9}},  {"MÜNCHEN", {2}}, {"straße", {5}},
        {"str*e", {5, 6}},   {"ä", {7}},       {"#1#", {3, 2, 1, 9}},
        {"[a-c]erlin", {1}}, {"o'neill", {6}}, {"?", {4, 3, 8, 2, 1, 9, 5, 6, 10, 7}},
        {"x", {9}},          {"nirgends", {}},
    };
    for (const auto& search : searches) {
        QString error;
        EXPECT_EQ(keys(db, GeoFilter::Search(QString::fromUtf8(search.text)), &error), search.keys)
            << search.text << " " << error.toStdString();
    }
    QString error;
    EXPECT_TRUE(keys(db, GeoFilter::Search("[ab"), &error).isEmpty());
    EXPECT_TRUE(error.contains("Ungültiges Suchmuster")) << error.toStdString();

    // Coordinates compared as numbers: spaces and exponents count, no number never matches,
    // a number too large is none, one too small is 0.
    EXPECT_EQ(keys(db, GeoFilter::Nearby(9, 17, 44, 53)), (QList<int>{3, 8, 2, 1, 9, 5, 6}));
    EXPECT_EQ(keys(db, GeoFilter::Nearby(-1, 1, -1, 1)), QList<int>{10});
    // A comparison of a text field ignores the case of A-Z only.
    EXPECT_EQ(keys(db, parsed("[Staat] = 'de' AND [PLZ] > '1'")), (QList<int>{1, 9, 5, 6}));
}

TEST_P(EngineRules, MemosAreWrittenByKeyWithoutOverwritingAndImportsAreAllOrNothing) {
    CGeoDatabase db;
    ASSERT_TRUE(db.Open(EmptyDatabase())) << db.OpenError().toStdString();
    insertRows(db);
    QStringList values(db.m_Table.m_nFields);
    values[GEO_ID] = "2";
    values[GEO_STAAT] = "ZZ"; // only the memo is written
    values[GEO_MEMO] = "Neues Memo";
    EXPECT_TRUE(db.UpdateFields(db.m_Table, values, {GEO_MEMO}));
    EXPECT_EQ(keys(db, GeoFilter::Search("neues")), QList<int>{2});
    EXPECT_TRUE(keys(db, GeoFilter::Search("ZZ")).isEmpty());
    values[GEO_ID] = "99";
    EXPECT_FALSE(db.UpdateFields(db.m_Table, values, {GEO_MEMO}));
    EXPECT_TRUE(db.LastError().isEmpty());

    // Two users save the memo of one row: the second save, made over a memo it never saw,
    // is refused and told what is stored now.
    CGeoDatabase other;
    ASSERT_TRUE(other.Open(db.FilePath()));
    QVariant seen, stored;
    ASSERT_TRUE(db.ReadMemo(db.m_Table, 1, &seen));
    EXPECT_TRUE(seen.isNull());
    EXPECT_EQ(other.UpdateMemo(db.m_Table, 1, QVariant(), "zuerst", &stored),
              CGeoDatabase::MemoWrite::Saved);
    EXPECT_EQ(db.UpdateMemo(db.m_Table, 1, seen, "danach", &stored),
              CGeoDatabase::MemoWrite::Conflict);
    EXPECT_EQ(stored.toString(), "zuerst");
    EXPECT_EQ(db.UpdateMemo(db.m_Table, 1, stored, "danach", &stored),
              CGeoDatabase::MemoWrite::Saved);
    EXPECT_EQ(db.UpdateMemo(db.m_Table, 99, QVariant(), "x", &stored),
              CGeoDatabase::MemoWrite::Missing);
    ASSERT_TRUE(other.ReadMemo(db.m_Table, 1, &seen));
    EXPECT_EQ(seen.toString(), "danach");
    // A change of case only is a change too.
    EXPECT_EQ(other.UpdateMemo(db.m_Table, 1, seen, "DANACH", &stored),
              CGeoDatabase::MemoWrite::Saved);
    EXPECT_EQ(db.UpdateMemo(db.m_Table, 1, seen, "mein Text", &stored),
              CGeoDatabase::MemoWrite::Conflict);
    EXPECT_EQ(stored.toString(), "DANACH");

    const QString good = TestSupport::WriteFile(
        m_dir.filePath("good.txt"),
        TestSupport::GeoNamesLine("AT", "6020", "Innsbruck", "Tirol", "", "", "47.26", "11.39") +
            TestSupport::GeoNamesLine("LI", "9490", "Vaduz", "", "", "", "47.14", "9.52"));
    const QString bad =
        TestSupport::WriteFile(m_dir.filePath("bad.txt"), "AT\t6020\tnur drei Spalten\n");
    CGeoImporter importer(db);
    importer.SetAppend(true);
    EXPECT_FALSE(importer.Run({good, bad}).ok);
    EXPECT_EQ(db.GetRecordCount("GEO"), 10);
    const CGeoImporter::Result result = importer.Run({good});
    EXPECT_TRUE(result.ok) << result.fatal.toStdString();
    EXPECT_EQ(result.totalRows, 12);
    // Equal keys in the order of their rows' keys: the old row first.
    const QList<int> vaduz = keys(db, GeoFilter::Search("vaduz"));
    ASSERT_EQ(vaduz.size(), 2);
    EXPECT_EQ(vaduz[0], 10);
}

TEST(SharedDataOnBothEngines, EveryQueryGivesTheSameRowsInTheSameOrder) {
    KELVO_REQUIRE_SERVER();
    KELVO_REQUIRE_SHARED_DATA(data);
    QTemporaryDir dir;
    CGeoDatabase file, server;
    ASSERT_TRUE(file.Open(SharedFile(dir.path())));
    ASSERT_TRUE(server.Open(TestServer::SharedDatabase())) << server.OpenError().toStdString();
    ASSERT_TRUE(server.IsServer());

    QList<CGeoFilter> filters{CGeoFilter()};
    for (const char* text :
         {"101",   "berlin", "MÜNCHEN",      "ß", "strasse", "a*b",   "B?rlin", "#9#", "[!a-z]*",
          "[ä-ü]", "o'n",    "sankt*gallen", "-", "ÉÈ",      "1*1*1", "'",      "%",   "_",
          "\\",    "[[]*",   "$1",           "\""})
        filters << GeoFilter::Search(QString::fromUtf8(text));
    for (const char* text : {"strasse", "MUENCHEN", "zürich", "k*ln", "M??nchen", "[ü]*", "ae"})
        filters << GeoFilter::Search(QString::fromUtf8(text), true);
    filters << GeoFilter::Nearby(8.5, 9.5, 47, 48) << GeoFilter::Nearby(13, 14, 52, 53)
            << GeoFilter::Nearby(-180, 180, -90, 90);
    // Radius searches: around Berlin 10115, on the Belgian-German border, the very point of a
    // place (radius 0), and the whole globe.
    filters << GeoFilter::Radius(13.3846, 52.5323, 25) << GeoFilter::Radius(6.1154, 50.6672, 20)
            << GeoFilter::Radius(13.3846, 52.5323, 0) << GeoFilter::Radius(0, 0, 20000);
    for (const CGeoFilter& filter : filters) {
        QString fileError, serverError;
        const QStringList expected = rows(file, filter, &fileError);
        const QStringList got = rows(server, filter, &serverError);
        EXPECT_TRUE(fileError.isEmpty() && serverError.isEmpty()) << filter.Text().toStdString();
        ASSERT_EQ(got.size(), expected.size()) << filter.Text().toStdString();
        for (int i = 0; i < got.size(); ++i)
            ASSERT_EQ(got[i], expected[i]) << filter.Text().toStdString() << " row " << i;
    }
}
