// Lists that are no lists, or lists with faults: a German message or a remark per row, and
// the user's file never changed.
#include "common/TestSupport.h"

#include "base/GeoTableDesc.h"
#include "render/map/PlaceLookup.h"
#include "render/places/TableList.h"
#include "render/places/TableListFile.h"
#include "render/places/TableListMapping.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "store/GeoDatabase.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class TableListInput : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_db.Open(m_dir.filePath("Kelvo.mde")));
        ASSERT_EQ(TestSupport::InsertRows(
                      m_db,
                      {GEO_STAAT, GEO_PLZ, GEO_ORT, GEO_ORTSTEIL, GEO_LANGENGRAD, GEO_BREITENGRAD},
                      {{"DE", "01067", "Dresden", "", "13.7", "51.05"},
                       {"DE", "80331", "München", "", "11.57", "48.13"},
                       {"DE", "79771", "Klettgau", "Erzingen", "8.44", "47.63"},
                       {"DE", "79771", "Klettgau", "Grießen", "8.43", "47.62"},
                       {"AT", "1010", "Wien", "", "16.37", "48.21"},
                       {"FL", "9490", "Vaduz", "", "9.52", "47.14"}}),
                  "");
        QString error;
        m_rows = CGeoPlaceRowsCache::Of(m_db).Rows(true, {}, &error);
        ASSERT_TRUE(error.isEmpty());
    }

    // Reads the file as a list; the file's bytes stay as they were.
    bool Read(const QString& path, CTableList* list, QString* error,
              const CTableListOptions& options = {}) {
        const QByteArray before = TestSupport::ReadFile(path);
        const QDateTime modified = QFileInfo(path).lastModified();
        const bool ok = TableList::Read(path, options, *m_rows, list, error);
        EXPECT_EQ(TestSupport::ReadFile(path), before);
        EXPECT_EQ(QFileInfo(path).lastModified(), modified);
        return ok;
    }
    QString Write(const char* name, const QByteArray& bytes) {
        return TestSupport::WriteFile(m_dir.filePath(name), bytes);
    }

    QTemporaryDir m_dir;
    CGeoDatabase m_db;
    std::shared_ptr<const CGeoPlaceRows> m_rows;
};

TEST_F(TableListInput, FilesThatAreNoListGetAMessageAndNothingElse) {
    CTableList list;
    QString error;
    EXPECT_FALSE(
        Read(Write("kaputt.xlsx", "PK\x03\x04 nur der Anfang eines Archivs"), &list, &error));
    EXPECT_TRUE(error.contains("ist keine Tabelle, die Kelvo lesen kann")) << error.toStdString();
    // An encrypted workbook is a compound document, not a zip archive.
    QByteArray compound("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    compound.append(4096, '\0');
    EXPECT_FALSE(Read(Write("geheim.xlsx", compound), &list, &error));
    EXPECT_TRUE(error.contains("mit einem Kennwort geschützt")) << error.toStdString();
    EXPECT_FALSE(TableList::Read(m_dir.filePath("fehlt.csv"), {}, *m_rows, &list, &error));
    EXPECT_TRUE(error.contains("gibt es nicht")) << error.toStdString();
    // A sheet without anything like a postal code.
    EXPECT_FALSE(Read(Write("adressen.csv", "Name;Strasse\nMeier;Hauptstr. 1\n"), &list, &error));
    EXPECT_TRUE(error.contains("keine Spalte mit Postleitzahlen")) << error.toStdString();
    EXPECT_TRUE(list.aEntries.isEmpty());
    // Unicode text as a spreadsheet program saves it: two bytes a character.
    const QString utf16 = QStringLiteral("PLZ;Ort\r\n01067;Dresden\r\n");
    QByteArray unicodeText("\xFF\xFE");
    unicodeText.append(reinterpret_cast<const char*>(utf16.utf16()), utf16.size() * 2);
    EXPECT_FALSE(Read(Write("unicode.csv", unicodeText), &list, &error));
    EXPECT_TRUE(error.contains("als UTF-16")) << error.toStdString();
    // A workbook and a picture with the ending of a text file.
    TestSupport::WriteZip(m_dir.filePath("ws.xlsx"), {{"mimetype", "x"}});
    QFile::copy(m_dir.filePath("ws.xlsx"), m_dir.filePath("kunden.csv"));
    EXPECT_FALSE(Read(m_dir.filePath("kunden.csv"), &list, &error));
    EXPECT_TRUE(error.contains("wohl eine Arbeitsmappe (.xlsx, .ods) mit falscher Endung"))
        << error.toStdString();
    EXPECT_FALSE(
        Read(Write("bild.csv", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)), &list, &error));
    EXPECT_TRUE(error.contains("ist keine Textdatei und keine Tabelle")) << error.toStdString();
    // A list of postal codes alone: one cell a line, which GDAL's driver takes for no table.
    ASSERT_TRUE(Read(Write("nur_plz.csv", "PLZ\n01067\n80331\n"), &list, &error))
        << error.toStdString();
    EXPECT_EQ(list.aEntries.size(), 2);
    ASSERT_TRUE(Read(Write("nur_plz.csv", "PLZ;\n01067\n80331\n"), &list, &error));
    EXPECT_EQ(list.aEntries.size(), 2);
    // Its one sheet is named after the file, as for any other text file.
    CTableListFile file;
    ASSERT_TRUE(file.Open(Write("nur_plz.tsv", "PLZ\n10115\n")));
    EXPECT_EQ(file.SheetNames(), QStringList({"nur_plz"}));
    ASSERT_TRUE(Read(m_dir.filePath("nur_plz.tsv"), &list, &error,
                     CTableListOptions{"nur_plz", std::nullopt, {}, {}}))
        << error.toStdString();
    EXPECT_FALSE(Read(m_dir.filePath("nur_plz.tsv"), &list, &error,
                      CTableListOptions{"Blatt2", std::nullopt, {}, {}}));
    EXPECT_TRUE(error.contains("hat kein Blatt \"Blatt2\" (es gibt: nur_plz)"))
        << error.toStdString();
}

// A NUL byte in a text file ends a line for GDAL's CSV reader: the row would lose its
// later cells, or (inside quotes) swallow the rows after it. It reads as a blank instead,
// and the rows it stands in are named.
TEST_F(TableListInput, ANulByteInATextFileReadsAsABlankAndItsRowIsNamed) {
    const char text[] = "PLZ;Ort;Name;Datum\n"
                        "01067;Dresden;A\0B;24.12.2015\n"
                        "\"80331\";\"M\0nchen\";\"Z\";\n"
                        "\"79771\";Grie\xdf"
                        "en;\"C\0\nD\";2015-12-24\n"
                        "1067;Dresden;letzte;\n";
    const QByteArray csv(text, sizeof text - 1);
    ASSERT_EQ(csv.count('\0'), 3);
    CTableList list;
    QString error;
    ASSERT_TRUE(Read(Write("nullen.csv", csv), &list, &error)) << error.toStdString();
    EXPECT_EQ(list.nRows, 4);
    ASSERT_EQ(list.aEntries.size(), 4);
    EXPECT_EQ(list.aEntries[0].m_strLabel, "A B");
    EXPECT_EQ(list.aEntries[0].m_dtDate, QDate(2015, 12, 24));
    EXPECT_EQ(list.aEntries[1].m_strPLZ, "80331");
    EXPECT_EQ(list.aEntries[1].m_strLabel, "Z");
    EXPECT_EQ(list.aEntries[2].m_strPLZ, "79771");
    EXPECT_EQ(list.aEntries[2].m_strOrt, u"Grießen");
    EXPECT_EQ(list.aEntries[2].m_strLabel, "C  D");
    EXPECT_EQ(list.aEntries[2].m_dtDate, QDate(2015, 12, 24));
    EXPECT_EQ(list.aEntries[3].m_strLabel, "letzte");
    QStringList reasons;
    for (const CTableListIssue& issue : list.aIssues)
        reasons
            << QStringLiteral("%1 %2 %3").arg(issue.nLine).arg(issue.bPlaced).arg(issue.strReason);
    EXPECT_EQ(reasons,
              QStringList({"2 1 Ein Nullzeichen (Byte 0) wurde als Leerzeichen gelesen.",
                           "3 1 Den Ort \"M nchen\" gibt es bei DE 80331 nicht; gesetzt auf "
                           "München. Ein Nullzeichen (Byte 0) wurde als Leerzeichen gelesen.",
                           "4 1 Ein Nullzeichen (Byte 0) wurde als Leerzeichen gelesen."}));
}

// A sheet whose XML breaks off after some rows: the driver hands out the rows before the
// damage and reports the failure aside; the list is refused whole, not read in part.
TEST_F(TableListInput, ASheetDamagedHalfWayOrTooLargeForTheReaderIsRefusedWhole) {
    auto cell = [](const QByteArray& text) {
        return QByteArray("<table:table-cell office:value-type=\"string\"><text:p>") + text +
               "</text:p></table:table-cell>";
    };
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
                     "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                     "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                     "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
                     "office:version=\"1.2\"><office:body><office:spreadsheet>"
                     "<table:table table:name=\"Kunden\"><table:table-row>" +
                     cell("PLZ") + cell("Name") + "</table:table-row>";
    for (int i = 0; i < 30; ++i)
        xml += "<table:table-row>" + cell("01067") + cell("Kunde") + "</table:table-row>";
    const QString whole = m_dir.filePath("ganz.ods");
    const QString broken = m_dir.filePath("kaputt.ods");
    const QByteArray mimetype = "application/vnd.oasis.opendocument.spreadsheet";
    const QByteArray manifest =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><manifest:manifest xmlns:manifest="
        "\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" manifest:version=\"1.2\">"
        "<manifest:file-entry manifest:full-path=\"/\" manifest:media-type=\"" +
        mimetype + "\"/></manifest:manifest>";
    TestSupport::WriteZip(whole,
                          {{"mimetype", mimetype},
                           {"META-INF/manifest.xml", manifest},
                           {"content.xml", xml + "</table:table></office:spreadsheet>"
                                                 "</office:body></office:document-content>"}});
    TestSupport::WriteZip(broken, {{"mimetype", mimetype},
                                   {"META-INF/manifest.xml", manifest},
                                   {"content.xml", xml + "<table:table-row><table:table-cell <<"}});
    CTableList list;
    QString error;
    ASSERT_TRUE(Read(whole, &list, &error)) << error.toStdString();
    EXPECT_EQ(list.aEntries.size(), 30);
    EXPECT_FALSE(Read(broken, &list, &error));
    EXPECT_TRUE(error.contains("kann nicht vollständig gelesen werden")) << error.toStdString();
    EXPECT_TRUE(list.aEntries.isEmpty());
    // The preview of the mapping dialog says so too, before anything is placed.
    EXPECT_FALSE(TableList::Preview(broken, QString(), &list, &error));
    EXPECT_TRUE(error.contains("kann nicht vollständig gelesen werden")) << error.toStdString();

    // GDAL's ODS reader stops after 10 MB of cells: the message names that limit and the way
    // out, in German, and nothing of the part read is taken.
    const QString large = m_dir.filePath("gross.ods");
    const QByteArray wide(8000, 'x');
    for (int i = 0; i < 1400; ++i)
        xml += "<table:table-row>" + cell("01067") + cell(wide) + "</table:table-row>";
    TestSupport::WriteZip(large,
                          {{"mimetype", mimetype},
                           {"META-INF/manifest.xml", manifest},
                           {"content.xml", xml + "</table:table></office:spreadsheet>"
                                                 "</office:body></office:document-content>"}});
    EXPECT_FALSE(Read(large, &list, &error));
    EXPECT_TRUE(error.contains("zu groß für den ODS-Leser von GDAL: er liest höchstens 10 MB"))
        << error.toStdString();
    EXPECT_TRUE(error.contains("als .xlsx oder .csv speichern")) << error.toStdString();
    EXPECT_TRUE(list.aEntries.isEmpty());
}

TEST_F(TableListInput, FaultyRowsAreListedAndTheOthersPlaced) {
    QByteArray csv = "PLZ;Ort;Name;Datum\n";
    csv += "1067;Dresden;Alt\x01stadt\x7f;24.12.2015\n";    // controls become blanks
    csv += "79771;Griessen;Ortsteil;2015-12-24\n";          // Ortsteil, folded spelling
    csv += "79771;Rheinheim;kein solcher Ort;31.02.2015\n"; // first place, invalid date
    csv += "99999;Nirgends;;\n";
    csv += ";Berlin;ohne PLZ;\n";
    csv += "80331;M\xfcnchen;" + QByteArray(1024 * 1024, 'x') + ";\n"; // 1 MB cell
    csv += ";;;\n";                                                    // an empty row
    csv += "1010;Wien;Zeile 9;\n";
    CTableList list;
    QString error;
    CTableListOptions options;
    ASSERT_TRUE(Read(Write("kunden.csv", csv), &list, &error, options)) << error.toStdString();
    EXPECT_EQ(list.nRows, 7);
    ASSERT_EQ(list.aEntries.size(), 3);
    EXPECT_EQ(list.aEntries[0].m_strPLZ, "01067");
    EXPECT_EQ(list.aEntries[0].m_strLabel, "Alt stadt");
    EXPECT_EQ(list.aEntries[0].m_dtDate, QDate(2015, 12, 24));
    EXPECT_EQ(list.aEntries[0].m_strDate, "24.12.2015");
    EXPECT_EQ(list.aEntries[1].m_dtDate, QDate(2015, 12, 24));
    EXPECT_FALSE(list.aEntries[2].m_dtDate.isValid());
    EXPECT_EQ(list.aEntries[2].m_strDate, "0");
    EXPECT_EQ(list.nRepaired, 1);
    // Wien is DE 1010 here (no Staat column, DE for all): four digits are not a German code.
    EXPECT_EQ(list.nWithoutPlace, 4);
    QStringList reasons;
    for (const CTableListIssue& issue : list.aIssues)
        reasons
            << QStringLiteral("%1 %2 %3").arg(issue.nLine).arg(issue.bPlaced).arg(issue.strReason);
    EXPECT_EQ(
        reasons,
        QStringList({"4 1 Den Ort \"Rheinheim\" gibt es bei DE 79771 nicht; gesetzt auf Klettgau.",
                     "4 1 Ungültiges Datum \"31.02.2015\"; ohne Datum übernommen.",
                     "5 0 DE 99999 ist nicht in GEO.", "6 0 Keine Postleitzahl.",
                     "7 0 Eine Zelle ist länger als 4.096 Zeichen.",
                     "9 0 DE 01010 ist nicht in GEO."}));
    // A listed row keeps its cells only in part.
    EXPECT_EQ(list.aIssues[4].values.value(2).size(), 100);

    // The Ort picks among the places of the postal code as the map finds them: Grießen by
    // its Ortsteil, the unknown Rheinheim on the code's first place.
    CPlaceLookup lookup;
    lookup.Prepare(TableList::AsOf(list.aEntries, QDate(9999, 12, 31)));
    lookup.Resolve(*m_rows);
    ASSERT_TRUE(lookup.Find(1) && lookup.Find(2));
    EXPECT_DOUBLE_EQ(lookup.Find(1)->dLon, 8.43);
    EXPECT_DOUBLE_EQ(lookup.Find(2)->dLon, 8.44);
}

// Text files as spreadsheet programs and people write them: the separator is the one the
// rows share, whatever the first line holds, and a row keeps every cell of its line.
TEST_F(TableListInput, TheSeparatorIsTheOneTheRowsShareAndNoCellIsDropped) {
    CTableList list;
    QString error;
    // A German export: a title with a comma above a ";" table, quoted cells with ";" and a
    // line break, decimal commas, Windows-1252.
    QByteArray german = "Kundenliste, Stand 11/2015\r\n"
                        "Land;PLZ;Ort;Firma;Datum;Umsatz\r\n"
                        "Deutschland;1067;Dresden;\"Meier; S\xf6hne\r\nz. Hd. Frau M\xfcller\";"
                        "24.12.2015;1234,50\r\n"
                        "Deutschland;99999;Nirgends;Niemand;;0,5\r\n"
                        "\xd6sterreich;1010;Wien;\"Huber, Wien\";2015-12-24;17,00\r\n";
    ASSERT_TRUE(Read(Write("export.csv", german), &list, &error)) << error.toStdString();
    EXPECT_EQ(list.mapping.nHeaderLine, 2);
    ASSERT_EQ(list.aEntries.size(), 2);
    EXPECT_EQ(list.aEntries[0].m_strPLZ, "01067");
    EXPECT_EQ(list.aEntries[0].m_strLabel, u"Meier; Söhne z. Hd. Frau Müller");
    EXPECT_EQ(list.aEntries[0].m_dtDate, QDate(2015, 12, 24));
    EXPECT_EQ(list.aEntries[1].m_strStaat, "AT");
    EXPECT_EQ(list.aEntries[1].m_strLabel, "Huber, Wien");
    ASSERT_EQ(list.aIssues.size(), 1);
    EXPECT_EQ(list.aIssues[0].nLine, 4); // records, not lines, are counted
    EXPECT_EQ(list.aIssues[0].strReason, "DE 99999 ist nicht in GEO.");

    // An unquoted comma in the header of a ";" file.
    ASSERT_TRUE(
        Read(Write("komma.csv", "PLZ;Name;Notiz, intern\n80331;Meier, Anna;x\n"), &list, &error))
        << error.toStdString();
    ASSERT_EQ(list.aEntries.size(), 1);
    EXPECT_EQ(list.aEntries[0].m_strPLZ, "80331");
    EXPECT_EQ(list.aEntries[0].m_strLabel, "Meier, Anna");

    // A "," table under a title with a ";"; a TSV whose names hold commas.
    ASSERT_TRUE(Read(Write("intl.csv", "Kunden; Stand 2015\nZip,City,Name\n01067,Dresden,A;B\n"),
                     &list, &error))
        << error.toStdString();
    ASSERT_EQ(list.aEntries.size(), 1);
    EXPECT_EQ(list.aEntries[0].m_strLabel, "A;B");
    ASSERT_TRUE(
        Read(Write("liste.tsv", "PLZ\tName\n01067\tMeier, Anna\n80331\tB, C\n"), &list, &error))
        << error.toStdString();
    ASSERT_EQ(list.aEntries.size(), 2);
    EXPECT_EQ(list.aEntries[1].m_strLabel, "B, C");

    // Rows longer than the first line: the later cells can be mapped all the same.
    CTableListOptions options;
    options.aMapOptions = {"PLZ=1", "Text=3", "Datum=4", "Gruppe=5"};
    ASSERT_TRUE(Read(Write("lang.csv", "PLZ;Ort\n01067;Dresden;Kunde A;24.12.2015;Nord\n"
                                       "80331;M\xfcnchen;Kunde B;;S\xfc"
                                       "d\n"),
                     &list, &error, options))
        << error.toStdString();
    ASSERT_EQ(list.aEntries.size(), 2);
    EXPECT_EQ(list.aEntries[0].m_strLabel, "Kunde A");
    EXPECT_EQ(list.aEntries[0].m_dtDate, QDate(2015, 12, 24));
    EXPECT_EQ(list.aGroups, QStringList({"Nord", QStringLiteral("Süd")}));
}

// Commas in every line of a ";" file (names, amounts with decimal commas) can split the lines
// more alike than its ";" do; the header names its columns only by ";".
TEST_F(TableListInput, ASemicolonFileWithMoreCommasIsReadByTheSeparatorItsHeaderNames) {
    CTableList list;
    QString error;
    // Every line holds one more "," cell than ";" cells.
    ASSERT_TRUE(Read(Write("mehr_kommas.csv", "PLZ;Name, Vorname, Titel;Umsatz, EUR\n"
                                              "01067;Meier, Anna, Dr.;1,5\n"
                                              "80331;Huber, Max, Prof.;2,25\n"),
                     &list, &error))
        << error.toStdString();
    ASSERT_EQ(list.aEntries.size(), 2);
    EXPECT_EQ(list.header, QStringList({"PLZ", "Name, Vorname, Titel", "Umsatz, EUR"}));
    EXPECT_EQ(list.aEntries[1].m_strPLZ, "80331");
    // Rows without their empty last cells: by "," every line has two cells, by ";" three or
    // four.
    ASSERT_TRUE(Read(Write("ungleich.csv", "PLZ;Ort;Umsatz, EUR;Bemerkung\n"
                                           "01067;Dresden;1,5\n"
                                           "80331;M\xfcnchen;2,5;R\xfc"
                                           "ckruf\n"
                                           "01067;Dresden;3,75\n"),
                     &list, &error))
        << error.toStdString();
    ASSERT_EQ(list.aEntries.size(), 3);
    EXPECT_EQ(list.aEntries[1].m_strPLZ, "80331");
    // The dialog's preview is read by the same separator; a "," file stays one.
    ASSERT_TRUE(TableList::Preview(Write("komma.csv", "Zip,City,Name\n01067,Dresden,\"A; B\"\n"),
                                   QString(), &list, &error));
    EXPECT_EQ(list.preview.value(1), QStringList({"01067", "Dresden", "A; B"}));
}

TEST_F(TableListInput, CountriesByNameAndLiechtensteinAsStored) {
    CTableList list;
    QString error;
    ASSERT_TRUE(Read(Write("laender.csv", "Land,PLZ\nLI,9490\n\xc3\x96sterreich,1010\nde,80331\n"),
                     &list, &error));
    ASSERT_EQ(list.aEntries.size(), 3);
    EXPECT_EQ(list.aEntries[0].m_strStaat, "FL");
    EXPECT_EQ(list.aEntries[1].m_strStaat, "AT");
    EXPECT_EQ(list.aEntries[2].m_strStaat, "DE");
}

TEST_F(TableListInput, MoreThanAMillionRowsAreRefused) {
    QByteArray csv = "Staat;PLZ\n";
    csv.reserve(12 * (TableList::kMaxRows + 2));
    for (int i = 0; i <= TableList::kMaxRows; ++i)
        csv += "AT;1010\n";
    CTableList list;
    QString error;
    EXPECT_FALSE(Read(Write("gross.csv", csv), &list, &error));
    EXPECT_EQ(error,
              "Die Liste \"gross.csv\" hat mehr als 1.000.000 Zeilen. Kelvo liest sie nicht.");
    EXPECT_TRUE(list.aEntries.isEmpty());
}

TEST(TableListMapping, TheHeaderRowAndColumnsAreGuessedFromTheirNames) {
    struct Case {
        QList<QStringList> rows;
        int header;
        int staat, plz, ort, text, datum, gruppe;
    } cases[] = {
        // A title above the header, names in other spellings and cases.
        {{{"Kundenliste 2026"},
          {},
          {"Nr", "Land", "Postleitzahl", "Stadt", "Firma", "Termin", "Kategorie"}},
         3,
         1,
         2,
         3,
         4,
         5,
         6},
        {{{"ZIP", "Country", "City", "Name", "Date", "Group"}}, 1, 1, 0, 2, 3, 4, 5},
        // A CRM export: merged cells above the header, the date column known by its dates
        // (as the spreadsheet hands them out), the group by a compound name.
        {{{"Kundenliste CRM, Stand 11/2026"},
          {},
          {"Adresse", "", "", "Kunde"},
          {"Land", "PLZ", "Ort", "Firma", "Erstkontakt", "Umsatz", "Vertriebsgebiet"},
          {"Deutschland", "1067", "Dresden", "A", "2026/12/10", "1.5", "Nord"},
          {"", "", "", "", "", "", ""},
          {"Deutschland", "80331", "", "B", "2026/01/02 10:30:00", "2", "Süd"}},
         4,
         0,
         1,
         2,
         3,
         4,
         6},
        {{{"PLZ", "Kundengruppe", "Anlagedatum"}, {"01067", "A", "x"}}, 1, -1, 0, -1, -1, 2, 1},
        // Dates in some cells of a column only make no date column.
        {{{"PLZ", "Notiz", "Beginn"},
          {"01067", "x", "24.12.2026"},
          {"80331", "24.12.2026", "bald"}},
         1,
         -1,
         0,
         -1,
         -1,
         -1,
         -1},
        {{{" P.L.Z. ", "Größe", "Ort"}}, 1, -1, 0, 2, -1, -1, -1},
        // No header: the postal codes are the column of 4- and 5-digit numbers.
        {{{"Meier", "DE", "1067"}, {"Huber", "AT", "1010.0"}, {"", "", ""}},
         0,
         1,
         2,
         -1,
         -1,
         -1,
         -1},
        // Nothing to go by.
        {{{"Meier", "Hauptstr. 1"}}, 0, -1, -1, -1, -1, -1, -1},
    };
    for (const Case& c : cases) {
        QList<int> lines;
        for (int i = 0; i < c.rows.size(); ++i)
            lines << i + 1;
        const CTableListMapping m = TableListMapping::Guess(c.rows, lines);
        SCOPED_TRACE(c.rows.value(c.header > 0 ? c.header - 1 : 0).join('|').toStdString());
        EXPECT_EQ(m.nHeaderLine, c.header);
        EXPECT_EQ(m.Column(CTableListMapping::Staat), c.staat);
        EXPECT_EQ(m.Column(CTableListMapping::Plz), c.plz);
        EXPECT_EQ(m.Column(CTableListMapping::Ort), c.ort);
        EXPECT_EQ(m.Column(CTableListMapping::Text), c.text);
        EXPECT_EQ(m.Column(CTableListMapping::Datum), c.datum);
        EXPECT_EQ(m.Column(CTableListMapping::Gruppe), c.gruppe);
    }
}

} // namespace
