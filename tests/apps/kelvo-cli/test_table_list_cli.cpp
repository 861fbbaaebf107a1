// kelvo-cli with the user's lists: places --table, export --format places --table and
// render --places, run as processes on lists made from the shared data.
#include "common/TestSupport.h"
#include "render/places/ListFiles.h"

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

namespace {

class TableListCli : public ::testing::Test {
protected:
    void SetUp() override {
        if (TestSupport::SharedGeoNamesDir().isEmpty())
            GTEST_SKIP() << "shared GeoNames data not present";
        MakeListFiles(m_dir);
    }
    QString Path(const char* name) const { return m_dir.filePath(name); }
    int Run(const QStringList& args, QString* out, QString* err) {
        return TestSupport::RunCli(args, m_dir.path(), out, err);
    }
    QTemporaryDir m_dir;
};

TEST_F(TableListCli, AListConvertedToAPlaceFileIsReadBackWithEveryEntryFound) {
    QString out, err;
    ASSERT_EQ(
        Run({"places", "--table", Path("kunden.xlsx"), "--db", Path("Kelvo.mde")}, &out, &err), 0)
        << err.toStdString();
    // The rows without place on standard error, with their row numbers and cells.
    EXPECT_TRUE(err.contains("Zeile 8: DE 99999 ist nicht in GEO. (DE;99999;;ohne Ort;;Nord)"))
        << err.toStdString();
    EXPECT_TRUE(err.contains("Zeile 12: XX 12345 ist nicht in GEO."));
    EXPECT_TRUE(err.contains("Zeile 15: Keine Postleitzahl."));
    const QStringList listLines = out.trimmed().split('\n');
    ASSERT_TRUE(listLines.last().contains("ohne Ort in GEO: 3")) << listLines.last().toStdString();

    ASSERT_EQ(Run({"export", "--db", Path("Kelvo.mde"), "--format", "places", "--table",
                   Path("kunden.xlsx"), Path("kunden.txt")},
                  &out, &err),
              0)
        << err.toStdString();
    EXPECT_TRUE(err.contains("3 Zeilen ohne Ort in GEO nicht geschrieben.")) << err.toStdString();
    ASSERT_EQ(Run({"places", "--db", Path("Kelvo.mde"), Path("kunden.txt")}, &out, &err), 0);
    EXPECT_EQ(err, ""); // every entry has its place
    EXPECT_TRUE(out.contains("0 Einträge ohne Ort in GEO")) << out.right(200).toStdString();
    // The same entries as the list gives today: the place file holds later days back too.
    // Separators in a label become blanks in the file.
    QStringList fileLines = out.trimmed().split('\n');
    fileLines.removeLast();
    QStringList entries = listLines.mid(0, listLines.size() - 1);
    entries.replaceInStrings(";", " ");
    ASSERT_EQ(fileLines.size(), entries.size());
    for (int i = 0; i < entries.size(); ++i)
        EXPECT_EQ(fileLines[i].toStdString(), entries[i].toStdString());
}

// The list is the user's: a place file is never written over it, by its name or a link to it.
TEST_F(TableListCli, AListIsNeverWrittenOverByItsPlaceFile) {
    QString out, err;
    const QByteArray before = TestSupport::ReadFile(Path("kunden.csv"));
    ASSERT_TRUE(QFile::link(Path("kunden.csv"), Path("verweis.txt")));
    for (const char* target : {"kunden.csv", "verweis.txt"}) {
        SCOPED_TRACE(target);
        EXPECT_EQ(Run({"export", "--db", Path("Kelvo.mde"), "--format", "places", "--table",
                       Path("kunden.csv"), Path(target)},
                      &out, &err),
                  1);
        EXPECT_TRUE(err.contains("Die Liste selbst wird nicht überschrieben")) << err.toStdString();
        EXPECT_EQ(TestSupport::ReadFile(Path("kunden.csv")), before);
    }
}

TEST_F(TableListCli, AListIsDrawnAsItsPlaceFile) {
    // Without an Ort column every row lands on its postal code's first place (and without
    // labels, whose separators the file turns into blanks); with it the file keeps each row's
    // place among those of its postal code. Either way the list and its file draw alike.
    QString out, err;
    const QString db = Path("Kelvo.mde");
    auto drawBoth = [&](const QString& map, const char* name) {
        const QString file = Path(qPrintable(QString(name) + ".txt")),
                      list = Path(qPrintable(QString(name) + "_liste.png")),
                      drawn = Path(qPrintable(QString(name) + "_datei.png"));
        EXPECT_EQ(Run({"export", "--db", db, "--format", "places", "--table", Path("kunden.ods"),
                       "--map", map, file},
                      &out, &err),
                  0);
        EXPECT_EQ(Run({"render", "--db", db, "--places", Path("kunden.ods"), "--map", map, list},
                      &out, &err),
                  0)
            << err.toStdString();
        EXPECT_EQ(Run({"render", "--db", db, "--places", file, drawn}, &out, &err), 0);
        const QImage fromList(list);
        EXPECT_FALSE(fromList.isNull());
        EXPECT_EQ(fromList, QImage(drawn));
        return fromList;
    };
    const QImage fromList = drawBoth("Ort=,Text=", "ohne_ort");
    ASSERT_FALSE(fromList.isNull());
    EXPECT_NE(drawBoth("Text=", "mit_ort"), fromList);
    // A later reference day shows more markers.
    ASSERT_EQ(Run({"render", "--db", db, "--places", Path("kunden.ods"), "--map",
                   "Ort=,Text=", "--stichtag", "1.1.2200", Path("spaeter.png")},
                  &out, &err),
              0);
    EXPECT_NE(QImage(Path("spaeter.png")), fromList);

    // Coloured by age: other pixels; rules that are no rules, or rules for a place file,
    // are refused and nothing is drawn.
    ASSERT_EQ(Run({"render", "--db", db, "--places", Path("kunden.ods"), "--map",
                   "Ort=,Text=", "--age-rules", "30=0,0,255", Path("alter.png")},
                  &out, &err),
              0)
        << err.toStdString();
    EXPECT_NE(QImage(Path("alter.png")), fromList);
    EXPECT_EQ(Run({"render", "--db", db, "--places", Path("kunden.ods"), "--age-rules",
                   "30=0,0,256", Path("falsch.png")},
                  &out, &err),
              2);
    EXPECT_TRUE(err.contains("Die Regel \"30=0,0,256\" ist ungültig")) << err.toStdString();
    EXPECT_EQ(Run({"render", "--db", db, "--places", Path("kunden.txt"), "--age-rules",
                   "30=0,0,255", Path("falsch.png")},
                  &out, &err),
              2);
    EXPECT_FALSE(QFile::exists(Path("falsch.png")));
}

} // namespace
