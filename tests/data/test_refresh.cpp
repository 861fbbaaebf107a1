// Importing a country again replaces its rows and keeps every memo, on the file and on the
// server alike.
#include "common/EngineFixture.h"
#include "common/TestSupport.h"
#include "data/GeoImport.h"
#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"

#include <QDir>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using TestSupport::GeoNamesLine;

namespace {

QByteArray de(const QString& plz, const QString& place) {
    return GeoNamesLine("DE", plz, place, "Land", "", "", "50.1", "10.1");
}

class RefreshTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (!IsSkipped())
            OpenEmpty(m_db);
    }

    CGeoImporter::Result import(const QByteArray& bytes, bool append = false) {
        const QString file = TestSupport::WriteFile(
            m_dir.filePath(QStringLiteral("f%1.txt").arg(++m_nFiles)), bytes);
        CGeoImporter importer(m_db);
        importer.SetAppend(append);
        return importer.Run({file});
    }
    void exec(const QString& sql) {
        ASSERT_TRUE(m_db.Execute(sql)) << m_db.LastError().toStdString();
    }
    // "ID|Staat|PLZ|Ort|Ortsteil|Memo" of every row, in key order.
    QStringList table() {
        CGeoRecordset rs(m_db);
        EXPECT_TRUE(
            rs.Open("SELECT ID_Geo, Staat, PLZ, Ort, Ortsteil, Memo FROM GEO ORDER BY ID_Geo"));
        QStringList rows;
        while (rs.MoveNext()) {
            QStringList fields;
            for (int i = 0; i < 6; ++i)
                fields << (rs.IsNull(i) ? QStringLiteral("-") : rs.FieldText(i));
            rows << fields.join('|');
        }
        return rows;
    }
    // What the database holds: the file's bytes, or on a server every row.
    QByteArray Snapshot() {
        if (OnServer())
            return table().join('\n').toUtf8();
        m_db.Close();
        const QByteArray bytes = TestSupport::ReadFile(m_strAddress);
        EXPECT_TRUE(m_db.Open(m_strAddress));
        return bytes;
    }

    CGeoDatabase m_db;
    int m_nFiles = 0;
};

} // namespace

KELVO_ON_BOTH_ENGINES(RefreshTest);

TEST_P(RefreshTest, MemosMoveToTheNewRowsAndStayOnRowsNoLongerInTheData) {
    ASSERT_TRUE(import(de("10115", "Berlin") + de("20095", "Hamburg") + de("50667", "Köln") +
                       de("50667", "Köln") + de("50667", "Köln") + de("01067", "Dresden") +
                       de("80331", "München") + de("10115", "Berlin") +
                       GeoNamesLine("AT", "1010", "Wien", "", "", "", "48.2", "16.4"))
                    .ok);
    exec("UPDATE GEO SET Memo = 'Büro' WHERE ID_Geo = 1");
    exec("UPDATE GEO SET Memo = 'Hafen' WHERE ID_Geo = 2");
    exec("UPDATE GEO SET Memo = 'x' WHERE ID_Geo IN (3, 5)");
    exec("UPDATE GEO SET Memo = 'y\nz' WHERE ID_Geo = 4");
    exec("UPDATE GEO SET Memo = 'alt' WHERE ID_Geo = 6");
    exec("UPDATE GEO SET Memo = ' ' WHERE ID_Geo = 7"); // a cleared memo is no memo
    exec("UPDATE GEO SET Ortsteil = 'Mitte', Memo = 'Mitte' WHERE ID_Geo = 8");
    exec("UPDATE GEO SET Memo = 'Oper' WHERE ID_Geo = 9");

    // Hamburg renamed, Dresden gone, Köln once, München without memo, Berlin in capitals, a
    // new place.
    const CGeoImporter::Result result =
        import(de("10115", "BERLIN") + de("20095", "Hamburg-Altstadt") + de("50667", "Köln") +
               de("80331", "München") + de("10117", "Berlin"));
    ASSERT_TRUE(result.ok) << result.fatal.toStdString();
    ASSERT_EQ(result.countries.size(), 1);
    const CountryRefreshResult& c = result.countries[0];
    EXPECT_EQ(c.country, "DE");
    EXPECT_EQ(c.rowsBefore, 8);
    EXPECT_EQ(c.rowsAfter, 5 + 3);
    EXPECT_EQ(c.memosCarried, 4); // Berlin, the three Köln rows
    EXPECT_EQ(c.memosKept, 3);    // Hamburg, Dresden, Berlin-Mitte
    EXPECT_EQ(result.totalRows, 9);

    // The places that stay keep their keys; only Hamburg-Altstadt and 10117 are new.
    EXPECT_EQ(table(), QStringList({
                           "1|DE|10115|BERLIN|-|Büro",
                           "2|DE|20095|Hamburg|-|Hafen",
                           "3|DE|50667|Köln|-|x\ny\nz",
                           "6|DE|01067|Dresden|-|alt",
                           "7|DE|80331|München|-|-",
                           "8|DE|10115|Berlin|Mitte|Mitte",
                           "9|AT|1010|Wien|-|Oper",
                           "10|DE|20095|Hamburg-Altstadt|-|-",
                           "11|DE|10117|Berlin|-|-",
                       }));

    // Next year's data brings Hamburg back: the row kept for its memo is Hamburg again,
    // nothing doubles.
    const CGeoImporter::Result again = import(de("20095", "Hamburg") + de("50667", "Köln"));
    ASSERT_TRUE(again.ok);
    EXPECT_EQ(again.countries[0].rowsBefore, 8);
    EXPECT_EQ(again.countries[0].memosCarried, 2);
    EXPECT_EQ(again.countries[0].memosKept, 3); // Dresden, Berlin-Mitte, BERLIN
    EXPECT_EQ(table().filter("|Hamburg|").join(';'), "2|DE|20095|Hamburg|-|Hafen");
    EXPECT_EQ(table().filter("Köln").join(';'), "3|DE|50667|Köln|-|x\ny\nz");
}

TEST_P(RefreshTest, AppendingAddsAndAFailedRunLeavesTheFileByteIdentical) {
    const QByteArray rows = de("10115", "Berlin") + de("20095", "Hamburg");
    ASSERT_TRUE(import(rows).ok);
    exec("UPDATE GEO SET Memo = 'Büro' WHERE ID_Geo = 1");
    ASSERT_TRUE(import(rows, true).ok);
    EXPECT_EQ(table().size(), 4);
    ASSERT_TRUE(import(rows).ok);
    // Each place keeps its first row, which takes the memos of all.
    EXPECT_EQ(table(), QStringList({"1|DE|10115|Berlin|-|Büro", "2|DE|20095|Hamburg|-|-"}));

    // The second file fails after the first has been read and old rows would have gone.
    const QByteArray before = Snapshot();
    const QString good = TestSupport::WriteFile(m_dir.filePath("good.txt"), de("99999", "Neu"));
    const QString bad =
        TestSupport::WriteFile(m_dir.filePath("bad.txt"), de("10115", "Berlin") + "DE\tkaputt\n");
    CGeoImporter importer(m_db);
    const CGeoImporter::Result result = importer.Run({good, bad});
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.countries.isEmpty());
    EXPECT_EQ(result.totalRows, 2);
    EXPECT_EQ(Snapshot(), before);
}

TEST_P(RefreshTest, CancellingChangesNothing) {
    ASSERT_TRUE(import(de("10115", "Berlin")).ok);
    const QByteArray before = Snapshot();
    QByteArray many;
    for (int i = 0; i < 3000; ++i)
        many += de(QString::number(20000 + i), "Ort");
    const QString file = TestSupport::WriteFile(m_dir.filePath("many.txt"), many);
    CGeoImporter importer(m_db);
    int calls = 0;
    importer.SetPercent([&](int percent) { return ++calls < 2 || percent == 0; });
    const CGeoImporter::Result result = importer.Run({file});
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(Snapshot(), before);
}

TEST_P(RefreshTest, SecondImportOfTheSharedGermanDataKeepsItsRowsAndEveryMemo) {
    KELVO_REQUIRE_SHARED_DATA(shared);
    CGeoImporter importer(m_db);
    ASSERT_TRUE(
        importer.Run({QDir(shared).filePath("DE.txt"), QDir(shared).filePath("LI.txt")}).ok);
    exec("UPDATE GEO SET Memo = 'Memo ' || ID_Geo WHERE ID_Geo % 23 = 0");
    const QStringList memosBefore = table().filter("Memo ");
    const CGeoImporter::Result result = importer.Run({QDir(shared).filePath("DE.txt")});
    ASSERT_TRUE(result.ok);
    ASSERT_EQ(result.countries.size(), 1);
    EXPECT_EQ(result.countries[0].rowsBefore, 23297);
    EXPECT_EQ(result.countries[0].rowsAfter, 23297);
    EXPECT_EQ(result.countries[0].memosKept, 0);
    EXPECT_EQ(result.totalRows, 23297 + 13);
    // Every memo is still there, on a row with the same place.
    QStringList placesBefore, placesAfter;
    for (const QString& row : memosBefore)
        placesBefore << row.section('|', 1, 3) + "|" + row.section('|', 5);
    CGeoRecordset rs(m_db);
    ASSERT_TRUE(rs.Open("SELECT Staat, PLZ, Ort, Memo FROM GEO WHERE Memo IS NOT NULL"));
    while (rs.MoveNext()) {
        for (const QString& memo : rs.FieldText(3).split('\n'))
            placesAfter
                << QStringList{rs.FieldText(0), rs.FieldText(1), rs.FieldText(2), memo}.join('|');
    }
    // Old rows of one place give each of its new rows all their memos.
    for (QStringList* places : {&placesBefore, &placesAfter}) {
        places->removeDuplicates();
        places->sort();
    }
    EXPECT_EQ(placesAfter, placesBefore);
    EXPECT_EQ(result.countries[0].memosCarried, memosBefore.filter("|DE|").size());
}

TEST_P(RefreshTest, AFailedRunAfterARefreshLeavesTheFileByteIdentical) {
    KELVO_REQUIRE_SHARED_DATA(shared);
    const QString deFile = QDir(shared).filePath("DE.txt");
    CGeoImporter importer(m_db);
    ASSERT_TRUE(importer.Run({deFile, QDir(shared).filePath("AT.txt")}).ok);
    ASSERT_TRUE(importer.Run({deFile}).ok); // the old rows leave free pages behind
    const QByteArray before = Snapshot();
    const QString bad = TestSupport::WriteFile(m_dir.filePath("bad.txt"), "DE\tkaputt\n");
    EXPECT_FALSE(importer.Run({QDir(shared).filePath("AT.txt"), deFile, bad}).ok);
    EXPECT_TRUE(Snapshot() == before);
}

namespace {

// 3,000 places of DE as the data of year `year`: every place's coordinates move a little each
// year, a few places leave and come back, and each year brings one place of its own.
QByteArray yearOfData(int year) {
    QByteArray lines;
    for (int i = 0; i < 3000; ++i) {
        if (year > 0 && i % 97 == year % 97)
            continue;
        lines +=
            GeoNamesLine("DE", QString::number(10000 + i), QStringLiteral("Ort %1").arg(i), "Land",
                         "", "", QString::number(50 + i * 1e-4 + year * 1e-6, 'f', 6), "10.1");
    }
    return lines + de(QString::number(90000 + year), "Neu");
}

} // namespace

TEST_P(RefreshTest, PlacesThatStayKeepTheirKeysAndTheFileDoesNotGrow) {
    ASSERT_TRUE(import(yearOfData(0)).ok);
    exec("UPDATE GEO SET Memo = 'Memo ' || ID_Geo WHERE ID_Geo % 10 = 0");
    // "PLZ|Ort" -> "ID|Memo" of every place.
    auto places = [this] {
        QMap<QString, QString> byPlace;
        for (const QString& row : table())
            byPlace[row.section('|', 2, 3)] = row.section('|', 0, 0) + "|" + row.section('|', 5);
        return byPlace;
    };
    auto pragma = [this](const char* name) {
        CGeoRecordset rs(m_db);
        EXPECT_TRUE(rs.Open(QStringLiteral("PRAGMA %1").arg(name)) && rs.MoveNext());
        return rs.FieldInt(0);
    };
    const QMap<QString, QString> first = places();
    const qint64 pagesFirst = OnServer() ? 0 : pragma("page_count");

    for (int year = 1; year <= 10; ++year) {
        const QByteArray data = yearOfData(year);
        const CGeoImporter::Result result = import(data);
        ASSERT_TRUE(result.ok) << result.fatal.toStdString();
        EXPECT_EQ(result.countries[0].rowsAfter, data.count('\n') + result.countries[0].memosKept);
        EXPECT_EQ(result.totalRows, result.countries[0].rowsAfter);
    }
    // Every place there from the start keeps its key and its memo; a place that left without
    // a memo and came back is a new row.
    const QMap<QString, QString> last = places();
    int kept = 0;
    for (auto it = first.begin(); it != first.end(); ++it) {
        if (!last.contains(it.key()))
            continue;
        const int place = it.key().section('|', 1).section(' ', 1).toInt() % 97;
        const bool left = place >= 1 && place <= 10;
        const bool memo = !it.value().endsWith("|-");
        if (!left || memo) {
            EXPECT_EQ(last[it.key()], it.value()) << qPrintable(it.key());
            ++kept;
        }
    }
    EXPECT_GT(kept, 2600);
    if (!OnServer()) {
        // Rows written over in place: neither a second copy of the country nor its free pages.
        EXPECT_LE(pragma("page_count"), pagesFirst * 11 / 10);
        EXPECT_LE(pragma("freelist_count"), pagesFirst / 10);
    }

    // The same data once more writes nothing at all.
    const QByteArray before = Snapshot();
    ASSERT_TRUE(import(yearOfData(10)).ok);
    EXPECT_TRUE(Snapshot() == before);
}
