// Lists of the user's read through GDAL and placed on GEO, compared with the places an
// independent lookup (tests/render/places/make_lists.py, Python's sqlite3) gives for every row.
#include "common/TestSupport.h"
#include "render/places/ListFiles.h"

#include "render/map/PlaceLookup.h"
#include "render/places/HiddenSheets.h"
#include "render/places/SheetCellText.h"
#include "render/places/TableList.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "store/GeoDatabase.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

struct Expected {
    QString staat, plz, ort, date, group, label, labelXlsx;
    double lon = 0, lat = 0;
    bool placed = false;
    bool hasPlz = true;
};

class TableListData : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const QString shared = TestSupport::SharedGeoNamesDir();
        if (shared.isEmpty())
            return;
        s_dir = std::make_unique<QTemporaryDir>();
        MakeListFiles(*s_dir);
        QFile file(s_dir->filePath("expected.tsv"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QStringList f = QString::fromUtf8(line).split('\t');
            if (f.size() < 10)
                continue;
            Expected e;
            e.hasPlz = f[1] != "-";
            e.staat = f[1];
            e.plz = f[2];
            e.placed = f[3] != "-";
            e.ort = f[3];
            e.lon = f[4].toDouble();
            e.lat = f[5].toDouble();
            e.date = f[6];
            e.group = f[7];
            e.label = f[8];
            e.labelXlsx = f[9];
            s_expected[f[0].toInt()] = e;
        }
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    void SetUp() override {
        if (!s_dir)
            GTEST_SKIP() << "shared GeoNames data not present";
        ASSERT_TRUE(m_db.Open(s_dir->filePath("Kelvo.mde")));
        QString error;
        m_rows = CGeoPlaceRowsCache::Of(m_db).Rows(true, {}, &error);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    }

    static QString path(const char* name) { return s_dir->filePath(name); }

    // Reads a list and checks every row against the independent lookup: the entries, as a
    // map places them, on the expected rows of GEO; the rows without place listed.
    void CheckList(const char* name, int lineOffset, bool xlsx) {
        SCOPED_TRACE(name);
        CTableList list;
        QString error;
        ASSERT_TRUE(TableList::Read(path(name), {}, *m_rows, &list, &error)) << error.toStdString();
        CPlaceLookup lookup;
        lookup.Prepare(TableList::AsOf(list.aEntries, QDate(9999, 12, 31)));
        lookup.Resolve(*m_rows);
        QSet<int> placedLines, unmatchedLines;
        int repaired = 0;
        for (int i = 0; i < list.aEntries.size(); ++i) {
            const CPlaceEntry& entry = list.aEntries[i];
            const int line = entry.m_nLine + lineOffset;
            placedLines.insert(line);
            ASSERT_TRUE(s_expected.count(line)) << line;
            const Expected& e = s_expected[line];
            SCOPED_TRACE(line);
            ASSERT_TRUE(e.placed);
            EXPECT_EQ(entry.m_strStaat, e.staat);
            EXPECT_EQ(entry.m_strPLZ, e.plz);
            const CPlaceLookup::Row* row = lookup.Find(i);
            ASSERT_NE(row, nullptr);
            EXPECT_NEAR(row->dLon, e.lon, 1e-9);
            EXPECT_NEAR(row->dLat, e.lat, 1e-9);
            EXPECT_EQ(QString::fromUtf8(row->ort), e.ort);
            EXPECT_EQ(entry.m_dtDate.isValid() ? entry.m_dtDate.toString(Qt::ISODate) : "-",
                      e.date);
            EXPECT_EQ(entry.m_strLabel, xlsx ? e.labelXlsx : e.label);
            EXPECT_EQ(list.aGroups.indexOf(e.group) >= 0, true);
            EXPECT_EQ(entry.m_crMarker, list.aGroupColors[list.aGroups.indexOf(e.group)]);
            if (!entry.m_strPLZ.startsWith('0'))
                continue;
            ++repaired;
        }
        for (const CTableListIssue& issue : list.aIssues) {
            if (!issue.bPlaced)
                unmatchedLines.insert(issue.nLine + lineOffset);
        }
        for (const auto& [line, e] : s_expected) {
            SCOPED_TRACE(line);
            EXPECT_EQ(placedLines.contains(line), e.placed);
            EXPECT_EQ(unmatchedLines.contains(line), !e.placed);
        }
        EXPECT_EQ(list.nWithoutPlace, unmatchedLines.size());
        EXPECT_EQ(list.nRows, int(s_expected.size()));
        // Three groups, three colours.
        EXPECT_EQ(list.aGroups.size(), 3);
        EXPECT_EQ(QSet<COLORREF>(list.aGroupColors.begin(), list.aGroupColors.end()).size(), 3);
        // The spreadsheets hold most postal codes as numbers: those with a leading zero lost it.
        if (lineOffset == 0) {
            EXPECT_GT(list.nRepaired, 0);
        }
        EXPECT_LE(list.nRepaired, repaired);
    }

    CGeoDatabase m_db;
    std::shared_ptr<const CGeoPlaceRows> m_rows;
    static std::unique_ptr<QTemporaryDir> s_dir;
    static std::map<int, Expected> s_expected;
};

std::unique_ptr<QTemporaryDir> TableListData::s_dir;
std::map<int, Expected> TableListData::s_expected;

TEST_F(TableListData, EveryRowOfEachFormatLandsWhereAnIndependentLookupPutsIt) {
    CheckList("kunden.xlsx", 0, true);
    CheckList("kunden.ods", 0, false);
    // The text files have no title row: each row stands one higher.
    CheckList("kunden.csv", 1, false);
    CheckList("kunden_utf8.csv", 1, false);
    CheckList("kunden.tsv", 1, false);
}

TEST_F(TableListData, TheSecondSheetIsReadByNameWithItsOwnHeader) {
    CTableList list;
    QString error;
    CTableListOptions options;
    options.strSheet = "Filialen";
    ASSERT_TRUE(TableList::Read(path("kunden.xlsx"), options, *m_rows, &list, &error));
    EXPECT_EQ(list.mapping.nHeaderLine, 1);
    EXPECT_EQ(list.mapping.Column(CTableListMapping::Plz), 2);
    EXPECT_EQ(list.mapping.Column(CTableListMapping::Staat), 1);
    ASSERT_EQ(list.aEntries.size(), 2);
    EXPECT_EQ(list.aEntries[1].m_strStaat, "AT");
    EXPECT_EQ(list.aEntries[1].m_strPLZ, "1010"); // AT codes have four digits: nothing added
    EXPECT_EQ(list.nRepaired, 0);

    options.strSheet = "Gibt es nicht";
    EXPECT_FALSE(TableList::Read(path("kunden.xlsx"), options, *m_rows, &list, &error));
    EXPECT_TRUE(error.contains("kein Blatt \"Gibt es nicht\"")) << error.toStdString();
    EXPECT_TRUE(error.contains("Kunden, Filialen")) << error.toStdString();
}

TEST_F(TableListData, ADatedEntryShowsFromItsDayOn) {
    CTableList list;
    QString error;
    ASSERT_TRUE(TableList::Read(path("kunden.ods"), {}, *m_rows, &list, &error));
    ASSERT_TRUE(list.bDated);
    int future = 0;
    for (const CPlaceEntry& e : list.aEntries)
        future += e.m_dtDate.isValid() && e.m_dtDate > QDate::currentDate();
    ASSERT_GT(future, 0);
    // Today: as a place file read today, the later days held back.
    EXPECT_EQ(TableList::AsOf(list.aEntries, QDate::currentDate()).size(),
              list.aEntries.size() - future);
    const QDate first(2099, 1, 2); // the earliest day of the later entries
    const CPlaceList dayBefore = TableList::AsOf(list.aEntries, first.addDays(-1));
    const CPlaceList onTheDay = TableList::AsOf(list.aEntries, first);
    EXPECT_EQ(onTheDay.size(), dayBefore.size() + 1);
    EXPECT_EQ(TableList::AsOf(list.aEntries, QDate(2200, 1, 1)).size(), list.aEntries.size());
    // Before every date only the undated remain.
    for (const CPlaceEntry& e : TableList::AsOf(list.aEntries, QDate(1990, 1, 1)))
        EXPECT_FALSE(e.m_dtDate.isValid());
}

TEST_F(TableListData, AMappingGivenByOptionsOverridesTheGuess) {
    CTableList list;
    QString error;
    CTableListOptions options;
    options.strSheet = "Filialen";
    // Column letters and numbers; the label from the first column; one country for all.
    options.aMapOptions = {"PLZ=C,Text=1,Staat=AT"};
    ASSERT_TRUE(TableList::Read(path("kunden.xlsx"), options, *m_rows, &list, &error))
        << error.toStdString();
    ASSERT_EQ(list.aEntries.size(), 1); // AT 10115 is no Austrian postal code
    EXPECT_EQ(list.aEntries[0].m_strLabel, "Wien");
    EXPECT_EQ(list.nWithoutPlace, 1);
    ASSERT_EQ(list.aIssues.size(), 1);
    EXPECT_EQ(list.aIssues[0].nLine, 2);
    EXPECT_EQ(list.aIssues[0].strReason, "AT 10115 ist nicht in GEO.");
    EXPECT_EQ(list.aIssues[0].values, QStringList({"Mitte", "DE", "10115"}));

    options.aMapOptions = {"Postleitzahl=C"};
    EXPECT_FALSE(TableList::Read(path("kunden.xlsx"), options, *m_rows, &list, &error));
    EXPECT_TRUE(error.contains("Unbekannte Zuordnung")) << error.toStdString();
    options.aMapOptions = {"PLZ=Hausnummer"};
    EXPECT_FALSE(TableList::Read(path("kunden.xlsx"), options, *m_rows, &list, &error));
    EXPECT_EQ(error, "Die Spalte \"Hausnummer\" gibt es nicht.");
}

// A hidden sheet is known for one in either workbook, and its typed cells, as GDAL hands
// them over, are shown as the sheet shows them: among the rows without place, as labels
// and as groups.
TEST_F(TableListData, AHiddenSheetIsKnownAndItsTypedCellsShownAsTheSheetShowsThem) {
    for (const char* name : {"kunden.xlsx", "kunden.ods"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(HiddenSheets::Of(path(name)), QSet<QString>({"Archiv"}));
        CTableList list;
        QString error;
        CTableListOptions options;
        options.strSheet = "Archiv";
        ASSERT_TRUE(TableList::Read(path(name), options, *m_rows, &list, &error))
            << error.toStdString();
        EXPECT_TRUE(list.bSpreadsheet);
        ASSERT_EQ(list.aIssues.size(), 1);
        QStringList shown;
        for (const QString& value : list.aIssues[0].values)
            shown << SheetCellText::Shown(value);
        EXPECT_EQ(shown, QStringList({"99999", "10.12.2026", "1,5"}));
        // Labels and group names on the map too.
        options.aMapOptions = {"Text=B,Gruppe=C"};
        ASSERT_TRUE(TableList::Read(path(name), options, *m_rows, &list, &error))
            << error.toStdString();
        ASSERT_EQ(list.aEntries.size(), 1);
        EXPECT_EQ(list.aEntries[0].m_strPLZ, "01067");
        EXPECT_EQ(list.aEntries[0].m_strLabel, "02.01.2026");
        EXPECT_EQ(list.aEntries[0].m_dtDate, QDate(2026, 1, 2));
        EXPECT_EQ(list.aGroups, QStringList({"2,25"}));
    }
    // A workbook without hidden sheets, a text table and a file that is no workbook.
    EXPECT_TRUE(HiddenSheets::Of(path("kunden.csv")).isEmpty());
    const QString broken = TestSupport::WriteFile(s_dir->filePath("kaputt.xlsx"), "PK\x03\x04xx");
    EXPECT_TRUE(HiddenSheets::Of(broken).isEmpty());
    CTableList text;
    QString error;
    ASSERT_TRUE(TableList::Read(path("kunden.csv"), {}, *m_rows, &text, &error));
    EXPECT_FALSE(text.bSpreadsheet);
}

} // namespace
