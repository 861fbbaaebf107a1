// kelvo-cli import and search, on small files written here and on the shared GeoNames data.
#include "common/TestSupport.h"
#include "data/GeoImport.h"
#include "store/GeoBackend.h"
#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"

#include <QDir>

#include <gtest/gtest.h>

using TestSupport::GeoNamesLine;

namespace {

class ImportTest : public ::testing::Test {
protected:
    QString file(const QString& name, const QByteArray& bytes) {
        return TestSupport::WriteFile(m_dir.filePath(name), bytes);
    }
    int cli(const QStringList& args, QString* out = nullptr, QString* err = nullptr) {
        return TestSupport::RunCli(args, m_dir.path(), out, err);
    }
    int rows() {
        CGeoDatabase db;
        return db.Open(m_dir.filePath("Kelvo.mde")) ? db.GetRecordCount("GEO") : -1;
    }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(ImportTest, MapsColumnsAndCountriesAndLeavesMissingValuesNull) {
    file("li.txt", GeoNamesLine("LI", "9490", "Vaduz", "Vaduz", "", "", "47.1415", "9.5215") +
                       GeoNamesLine("DE", "01067", "Dresden", "Sachsen", "Dresden",
                                    "Kreisfreie Stadt Dresden", "51.0564", "13.7217"));
    QString out;
    ASSERT_EQ(cli({"import", "li.txt"}, &out), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("li.txt: 2 Zeilen importiert"));
    EXPECT_TRUE(out.contains("Zeilen in GEO: 2"));

    CGeoDatabase db;
    ASSERT_TRUE(db.Open(m_dir.filePath("Kelvo.mde")));
    CGeoRecordset rs(db);
    ASSERT_TRUE(rs.Open("SELECT Staat, PLZ, Ort, Bundesland, Regierungsbezirk, Landkreis, "
                        "Langengrad, Breitengrad, typeof(Regierungsbezirk), typeof(Verwaltung), "
                        "typeof(Memo) FROM GEO ORDER BY ID_Geo"));
    ASSERT_TRUE(rs.MoveNext());
    EXPECT_EQ(rs.FieldText(0), "FL");
    EXPECT_EQ(rs.FieldText(6), "9.5215");  // longitude
    EXPECT_EQ(rs.FieldText(7), "47.1415"); // latitude
    EXPECT_EQ(rs.FieldText(8), "null");
    EXPECT_EQ(rs.FieldText(9), "null");
    EXPECT_EQ(rs.FieldText(10), "null");
    ASSERT_TRUE(rs.MoveNext());
    EXPECT_EQ(rs.FieldText(1), "01067");
    EXPECT_EQ(rs.FieldText(4), "Dresden");
    EXPECT_EQ(rs.FieldText(5), "Kreisfreie Stadt Dresden");
    rs.Close();

    // The import leaves the index a window's first rows come from.
    ASSERT_TRUE(rs.Open("SELECT sql FROM sqlite_master WHERE name = 'GEO_order'"));
    ASSERT_TRUE(rs.MoveNext());
    EXPECT_EQ(rs.FieldText(0), "CREATE INDEX GEO_order ON GEO (Staat, PLZ)");
    rs.Close();
    EXPECT_TRUE(db.Backend()->FirstRowsFromIndex(db.m_Table));
}

TEST_F(ImportTest, CountryMapCanBeChanged) {
    file("a.txt", GeoNamesLine("LI", "9490", "Vaduz", "", "", "", "47.1", "9.5") +
                      GeoNamesLine("AT", "1010", "Wien", "", "", "", "48.2", "16.3"));
    ASSERT_EQ(cli({"import", "--map-country", "AT=OE", "a.txt"}), 0);
    QString out;
    ASSERT_EQ(cli({"search", "Vaduz"}, &out), 0);
    EXPECT_TRUE(out.startsWith("FL, 9490, ")) << out.toStdString();
    ASSERT_EQ(cli({"search", "Wien"}, &out), 0);
    EXPECT_TRUE(out.startsWith("OE, 1010, ")) << out.toStdString();
}

TEST_F(ImportTest, BadLinesStopTheWholeRunAndChangeNothing) {
    const QByteArray good = GeoNamesLine("DE", "10115", "Berlin", "", "", "", "52.5", "13.4");
    file("good.txt", good + good);
    file("bad.txt", good + "DE\t1\tzu wenig Spalten\n" +
                        GeoNamesLine("DE", "2", "X", "", "", "", "52,5", "13.4") +
                        GeoNamesLine("DE", QString(51, '9'), "X", "", "", "", "52.5", "13.4"));
    ASSERT_EQ(cli({"import", "good.txt"}), 0);
    const QByteArray before = TestSupport::ReadFile(m_dir.filePath("Kelvo.mde"));
    QString out, err;
    EXPECT_EQ(cli({"import", "good.txt", "bad.txt"}, &out, &err), 1);
    EXPECT_TRUE(err.contains("bad.txt:2: 3 statt 12 Spalten")) << err.toStdString();
    EXPECT_TRUE(err.contains("bad.txt:3: Koordinate ist keine Zahl"));
    EXPECT_TRUE(err.contains("bad.txt:4: PLZ ist länger als erlaubt"));
    EXPECT_TRUE(err.contains("unverändert"));
    EXPECT_EQ(TestSupport::ReadFile(m_dir.filePath("Kelvo.mde")), before);
    EXPECT_EQ(rows(), 2);

    EXPECT_EQ(cli({"import", "missing.txt"}, &out, &err), 1);
    EXPECT_EQ(rows(), 2);
}

TEST_F(ImportTest, SkipInvalidImportsTheRestAndListsAtMostTwenty) {
    QByteArray bytes;
    for (int i = 0; i < 25; ++i)
        bytes += "kaputt\n" +
                 GeoNamesLine("DE", QString::number(10000 + i), "Ort", "", "", "", "50", "10");
    file("mixed.txt", bytes);
    QString out, err;
    ASSERT_EQ(cli({"import", "--skip-invalid", "mixed.txt"}, &out, &err), 0) << err.toStdString();
    EXPECT_EQ(err.count("Ungültige Zeile"), 20);
    EXPECT_TRUE(err.contains("und 5 weitere"));
    EXPECT_TRUE(out.contains("25 Zeilen importiert, 25 übersprungen"));
    EXPECT_EQ(rows(), 25);
}

TEST_F(ImportTest, SearchListsRowsInCopyFormatWithTitle) {
    file("x.txt", GeoNamesLine("BE", "1420", "Braine-l'Alleud", "Wallonie", "Brabant Wallon", "",
                               "50.68", "4.37") +
                      GeoNamesLine("AT", "1010", "Wien", "Wien", "", "", "48.2", "16.37"));
    ASSERT_EQ(cli({"import", "x.txt"}), 0);
    QString out;
    ASSERT_EQ(cli({"search", "l'Alleud"}, &out), 0);
    EXPECT_EQ(out, "BE, 1420, Wallonie, Brabant Wallon, , , Braine-l'Alleud, , , 4.37, 50.68, \n"
                   "1 \"l'Alleud\" in GEO\n");
    ASSERT_EQ(cli({"search", "nichts"}, &out), 0);
    EXPECT_EQ(out, "0 \"nichts\" in GEO\n");
    QString err;
    EXPECT_EQ(cli({"search", "[ab"}, &out, &err), 1);
    EXPECT_TRUE(err.contains("Ungültiges Suchmuster")) << err.toStdString();
    EXPECT_EQ(cli({"search", "--db", "nirgends.mde", "x"}, &out, &err), 1);
    EXPECT_FALSE(QFile::exists(m_dir.filePath("nirgends.mde")));
}

TEST_F(ImportTest, SharedGeoNamesData) {
    KELVO_REQUIRE_SHARED_DATA(shared);
    QStringList args{"import"};
    for (const char* c : {"DE", "AT", "CH", "BE", "LI"})
        args << QDir(shared).filePath(QString::fromLatin1(c) + ".txt");
    QString out, err;
    ASSERT_EQ(cli(args, &out, &err), 0) << err.toStdString();
    EXPECT_TRUE(out.contains("Zeilen in GEO: 49568")) << out.toStdString();
    EXPECT_TRUE(out.contains("LI.txt: 13 Zeilen importiert"));
    EXPECT_TRUE(err.contains("DE.txt: 20000 Zeilen"));

    EXPECT_EQ(TestSupport::RowsByCountry(m_dir.filePath("Kelvo.mde")),
              (QStringList{"AT=18957", "BE=2781", "CH=4520", "DE=23297", "FL=13"}));

    ASSERT_EQ(cli({"search", "101"}, &out), 0);
    QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    const QString title = lines.takeLast();
    EXPECT_EQ(title, QStringLiteral("%1 \"101\" in GEO").arg(lines.size()));
    EXPECT_GT(lines.size(), 100);
    QString previous;
    for (const QString& line : lines) {
        EXPECT_TRUE(line.contains("101")) << line.toStdString();
        const QString key = line.section(", ", 0, 0) + " " + line.section(", ", 1, 1).toLower();
        EXPECT_LE(previous.compare(key, Qt::CaseInsensitive), 0) << line.toStdString();
        previous = key;
    }
}
