// Sorting keys, the German order of texts, the Windows-1252 code page, the print layout numbers and
// the row texts of table windows.
#include "base/Cp1252.h"
#include "base/GeoTableDesc.h"
#include "base/InParts.h"
#include "common/CaseTable.h"
#include "render/table/TablePrintLayout.h"
#include "render/table/TableSort.h"
#include "render/table/TableSortFirst.h"
#include "render/table/TableText.h"

#include <QStringList>

#include <algorithm>
#include <set>

#include <gtest/gtest.h>

namespace {

// Texts as cells of a column, given to the sort from the last to the first, as a window's
// rows may be kept in any order.
TableSort::Cells cellsOf(const QStringList& texts) {
    return [texts](int part, int parts, const TableSort::CellBatch& batch) {
        const auto [from, to] = InParts::Share(size_t(texts.size()), part, parts);
        for (size_t i = to; i-- > from;) {
            const QByteArray utf8 = texts[qsizetype(i)].toUtf8();
            const TableSort::Cell cell{int(i), utf8};
            batch({&cell, 1});
        }
    };
}

// The cells of `column` after sorting `cells` with TableSort::SortOrder.
QStringList sorted(const QStringList& cells, int column, bool descending) {
    const std::vector<int> order =
        TableSort::SortOrder(int(cells.size()), cellsOf(cells), column, descending);
    QStringList out;
    for (int i : order)
        out << cells[i];
    return out;
}

} // namespace

TEST(TableSort, EachColumnKindOrdersItsKeys) {
    EXPECT_EQ(sorted({"10115", "01067", "9", "abc"}, GEO_PLZ, false),
              (QStringList{"abc", "9", "01067", "10115"}));
    EXPECT_EQ(sorted({"13.25", "9.5", "-1", "x"}, GEO_LANGENGRAD, false),
              (QStringList{"-1", "x", "9.5", "13.25"}));
    EXPECT_EQ(sorted({"9", "10", "100", "11"}, GEO_ID, false),
              (QStringList{"10", "100", "11", "9"}));
    // German order: umlauts beside their base letters (after them where the rest is alike),
    // case alike (equal texts keep their order), ß as ss.
    EXPECT_EQ(sorted({"äpfel", "apfel", "Zug", "Apfel", "Ähre", "zug"}, GEO_ORT, false),
              (QStringList{"Ähre", "apfel", "Apfel", "äpfel", "Zug", "zug"}));
    EXPECT_EQ(sorted({"Zwota", "Ärzteviertel", "Strassen", "Üxheim", "Zwickau", "Straßberg",
                      "Strasburg", "Arzt"},
                     GEO_ORT, false),
              (QStringList{"Arzt", "Ärzteviertel", "Strasburg", "Straßberg", "Strassen", "Üxheim",
                           "Zwickau", "Zwota"}));
    EXPECT_EQ(sorted({"Zwickau", "Üxheim", "Uelzen", "Ulm"}, GEO_LANDKREIS, true),
              (QStringList{"Zwickau", "Üxheim", "Ulm", "Uelzen"}));
    EXPECT_EQ(sorted({"b", "", "a"}, GEO_MEMO, true), (QStringList{"b", "a", ""}));
}

TEST(TableSort, IsStableInBothDirections) {
    // Rows "key:position"; the sort column holds only the key part.
    const QStringList rows{"2:a", "1:b", "2:c", "1:d", "2:e"};
    QStringList keys;
    for (const QString& r : rows)
        keys << r.left(1);
    for (bool descending : {false, true}) {
        const std::vector<int> order =
            TableSort::SortOrder(int(keys.size()), cellsOf(keys), GEO_PLZ, descending);
        QStringList out;
        for (int i : order)
            out << rows[i];
        EXPECT_EQ(out, descending ? QStringList({"2:a", "2:c", "2:e", "1:b", "1:d"})
                                  : QStringList({"1:b", "1:d", "2:a", "2:c", "2:e"}));
    }
    // Texts, also where they agree in more than their first eight characters.
    const QStringList texts{"Bad Homburg v. d. H.:a", "Bad Homburg:b", "Bad Homburg v. d. H.:c",
                            "Bad Homburg:d",          "Bad Hom:e",     "Bad Homburg:f"};
    QStringList names;
    for (const QString& t : texts)
        names << t.section(':', 0, 0);
    for (bool descending : {false, true}) {
        const std::vector<int> order =
            TableSort::SortOrder(int(names.size()), cellsOf(names), GEO_ORT, descending);
        QStringList out;
        for (int i : order)
            out << texts[i].section(':', 1);
        EXPECT_EQ(out, descending ? QStringList({"a", "c", "b", "d", "f", "e"})
                                  : QStringList({"e", "b", "d", "f", "a", "c"}));
    }
}

TEST(TableSort, FirstRowsOfASortAreTheWholeSortsFirstRows) {
    // Many ties, texts that agree in far more than their first eight bytes, umlauts, empty
    // cells, numbers with signs: the first rows of each column kind, both directions.
    QStringList texts, plz, numbers;
    const QStringList names{"Frankfurt am Main",
                            "Frankfurt (Oder)",
                            "frankfurt am main",
                            "Fränkisch-Crumbach",
                            "",
                            "Bad Homburg v. d. H.",
                            "Bad Homburg",
                            "Zwota",
                            "Ärzteviertel",
                            "Straßberg",
                            "Strassen"};
    for (int i = 0; i < 3000; ++i) {
        texts << names[(i * 7) % names.size()];
        plz << QString::number((i * 37) % 211);
        numbers << (i % 13 == 0 ? QString("x") : QString::number(((i * 53) % 401 - 200) / 7.0));
    }
    struct Case {
        const QStringList* cells;
        int column;
    };
    for (const Case& c :
         {Case{&texts, GEO_ORT}, Case{&plz, GEO_PLZ}, Case{&numbers, GEO_BREITENGRAD}}) {
        for (bool descending : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.column << (descending ? " descending" : ""));
            const int n = int(c.cells->size());
            for (int count : {1, 200, 2999, 5000}) {
                std::vector<int> shown;
                int calls = 0;
                const TableSort::FirstRows first{count, [&](const std::vector<int>& positions) {
                                                     shown = positions;
                                                     ++calls;
                                                 }};
                const std::vector<int> whole =
                    TableSort::SortOrder(n, cellsOf(*c.cells), c.column, descending, &first);
                EXPECT_EQ(calls, 1);
                EXPECT_EQ(shown,
                          std::vector<int>(whole.begin(), whole.begin() + std::min(count, n)));
            }
        }
    }
}

TEST(TableSort, FirstTextsAreTheWholeSortsFirstWhateverOrderTheCellsComeIn) {
    // Every field of the shared order cases, and a generated column of few texts in many
    // rows: ties, umlauts against their base letters, case, ß, texts that start with no
    // letter, empty cells. The rows come forwards, backwards and scattered, as the rows of a
    // window may be kept in any order.
    QStringList texts;
    for (const CaseTable::Row& row : CaseTable::Read("order"))
        for (const QByteArray& field : row.fields)
            texts << QString::fromUtf8(field);
    ASSERT_FALSE(texts.isEmpty());
    QStringList names{""};
    for (const CaseTable::Row& row : CaseTable::Read("sort_texts"))
        for (const QByteArray& field : row.fields)
            names << QString::fromUtf8(field);
    const int cases = int(texts.size());
    const int n = cases + 20000;
    std::vector<int> scattered(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        scattered[size_t(i)] = int((qint64(i) * 7919) % n);
    ASSERT_EQ(std::set<int>(scattered.begin(), scattered.end()).size(), size_t(n));
    // Runs of one text where the scattered walk comes, so that equal texts follow each other
    // there at far-apart positions.
    for (int i = cases; i < n; ++i)
        texts << QString();
    for (int i = 0; i < n; ++i) {
        if (scattered[size_t(i)] >= cases)
            texts[scattered[size_t(i)]] = names[(i / 37) % names.size()];
    }
    const std::vector<QByteArray> utf8 = [&] {
        std::vector<QByteArray> made;
        for (const QString& t : texts)
            made.push_back(t.toUtf8());
        return made;
    }();
    enum class Walk { Forwards, Backwards, Scattered };
    for (Walk walk : {Walk::Forwards, Walk::Backwards, Walk::Scattered}) {
        // Each part in batches of a few cells, so that batches and parts end anywhere (in a
        // run of one text too).
        const TableSort::Cells cells = [&](int part, int parts, const TableSort::CellBatch& batch) {
            std::vector<TableSort::Cell> some;
            const auto [from, to] = InParts::Share(size_t(n), part, parts);
            for (size_t i = from; i < to; ++i) {
                const int p = walk == Walk::Forwards    ? int(i)
                              : walk == Walk::Backwards ? n - 1 - int(i)
                                                        : scattered[i];
                some.push_back({p, utf8[size_t(p)]});
                if (some.size() == 1 + i % 13) {
                    batch(some);
                    some.clear();
                }
            }
            batch(some);
        };
        for (bool descending : {false, true}) {
            const std::vector<int> whole = TableSort::SortOrder(n, cells, GEO_ORT, descending);
            for (int count : {1, 200, n + 5}) {
                const std::vector<int> expected(whole.begin(), whole.begin() + std::min(count, n));
                SCOPED_TRACE(testing::Message()
                             << int(walk) << (descending ? " descending " : " ") << count);
                std::vector<int> shown;
                const TableSort::FirstRows first{
                    count, [&](const std::vector<int>& positions) { shown = positions; }};
                ASSERT_EQ(TableSort::SortOrder(n, cells, GEO_ORT, descending, &first), whole);
                ASSERT_EQ(shown, expected);
                // The cells walked in parts at once, the first rows of the parts merged.
                for (int parts : {2, 3, 7})
                    ASSERT_EQ(TableSortFirst::FirstTexts(cells, parts, size_t(count), descending),
                              expected)
                        << parts << " parts";
            }
        }
    }
    // More parts than rows: parts with no rows at all.
    const TableSort::Cells few = cellsOf({"b", "", "a"});
    EXPECT_EQ(TableSortFirst::FirstTexts(few, 8, 2, false), (std::vector<int>{1, 2}));
    EXPECT_EQ(TableSortFirst::FirstTexts(few, 8, 5, true), (std::vector<int>{0, 2, 1}));
}

TEST(TableSort, ProgressRisesStepByStepWhileTheOrderIsMade) {
    // Many rows with runs of equal texts and numbers, given one at a time.
    QStringList plz, lon, ort;
    for (int i = 0; i < 6000; ++i) {
        plz << QString::number((i * 7919) % 99991);
        lon << QString::number(double((i * 104729) % 36000) / 100.0 - 180.0, 'f', 2);
        ort << QStringLiteral("Ort %1").arg((i * 31) % 700);
    }
    for (const auto& [column, cells] :
         {std::pair(GEO_PLZ, plz), std::pair(GEO_LANGENGRAD, lon), std::pair(GEO_ORT, ort)}) {
        for (bool descending : {false, true}) {
            SCOPED_TRACE(testing::Message() << column << (descending ? " descending" : ""));
            std::vector<int> told;
            bool firstShown = false;
            const TableSort::FirstRows first{200,
                                             [&](const std::vector<int>&) { firstShown = true; }};
            const std::vector<int> order =
                TableSort::SortOrder(int(cells.size()), cellsOf(cells), column, descending, &first,
                                     [&](int percent) { told.push_back(percent); });
            EXPECT_EQ(order,
                      TableSort::SortOrder(int(cells.size()), cellsOf(cells), column, descending));
            EXPECT_TRUE(firstShown);
            // Rising, many steps on the way (not 0 and then 100 at the end), 100 last.
            ASSERT_FALSE(told.empty());
            EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
            EXPECT_EQ(std::adjacent_find(told.begin(), told.end()), told.end());
            EXPECT_EQ(told.back(), 100);
            EXPECT_GE(told.size(), 40u);
            EXPECT_GE(std::count_if(told.begin(), told.end(), [](int p) { return p < 50; }), 20);
        }
    }
}

TEST(TableSort, TextsSortInTheOrderOfTheSharedCases) {
    const QList<CaseTable::Row> lines = CaseTable::Read("sort_texts");
    for (qsizetype i = 0; i < lines.size(); ++i) {
        for (qsizetype j = i; j < lines.size(); ++j) {
            for (const QByteArray& a : lines[i].fields) {
                for (const QByteArray& b : lines[j].fields) {
                    const int c = TableSort::CompareCells(GEO_ORT, QString::fromUtf8(a),
                                                          QString::fromUtf8(b));
                    EXPECT_TRUE(i == j ? c == 0 : c < 0)
                        << CaseTable::Where("sort_texts", lines[j]) << ": " << a.toStdString()
                        << " against " << b.toStdString();
                }
            }
        }
    }
}

TEST(TableSort, CompareCellsFollowsTheColumnKind) {
    EXPECT_LT(TableSort::CompareCells(GEO_PLZ, u"01067", u"10115"), 0);
    EXPECT_EQ(TableSort::CompareCells(GEO_PLZ, u"007", u"7x"), 0);
    EXPECT_LT(TableSort::CompareCells(GEO_BREITENGRAD, u"9.5", u"13.25"), 0);
    EXPECT_GT(TableSort::CompareCells(GEO_ID, u"9", u"10"), 0);
    EXPECT_GT(TableSort::CompareCells(GEO_ORT, u"Z", u"a"), 0);
    EXPECT_GT(TableSort::CompareCells(GEO_ORT, u"z", u"\u00e4"), 0);
    EXPECT_EQ(TableSort::CompareCells(GEO_ORT, u"Stra\u00dfe", u"STRA\u00dfE"), 0);
    EXPECT_LT(TableSort::CompareCells(GEO_ORT, u"Stra\u00dfe", u"Strassen"), 0);
    EXPECT_LT(TableSort::CompareCells(GEO_MEMO, u"M\u00fcller", u"Mullerin"), 0);
}

TEST(Cp1252, MapsTheSpecialRangeBothWays) {
    EXPECT_EQ(Cp1252::FromUnicode(u'\u20ac'), 0x80);
    EXPECT_EQ(Cp1252::FromUnicode(u'\u0178'), 0x9F);
    EXPECT_EQ(Cp1252::FromUnicode(u'\u00fc'), 0xFC);
    EXPECT_EQ(Cp1252::FromUnicode(u'\u4e2d'), '?');
    const QByteArray bytes("K\xf6ln \x80 \x84Zitat\x93", 14);
    EXPECT_EQ(Cp1252::Decode(bytes), QString::fromUtf8("Köln € „Zitat“"));
    EXPECT_EQ(Cp1252::Encode(Cp1252::Decode(bytes)), bytes);
}

TEST(TablePrintLayout, RowsPagesAndCuts) {
    // 600 dpi A4 printable height, line height 14 screen pixels.
    EXPECT_EQ(TablePrintLayout::RowsPerPage(6814, 14), 69);
    EXPECT_GT(TablePrintLayout::RowsPerPage(13628, 14), TablePrintLayout::RowsPerPage(6814, 14));
    EXPECT_EQ(TablePrintLayout::RowsPerPage(50, 14), 1);
    // A page 1090 screen pixels high holds (1090 - 28 - 35) / 14 rows between header and
    // footer: a 1200 dpi printer's 138 rows would run off the paper.
    EXPECT_EQ(TablePrintLayout::RowsThatFit(1090, 14), 73);
    EXPECT_EQ(TablePrintLayout::RowsThatFit(1091, 15), 68);
    EXPECT_EQ(TablePrintLayout::RowsThatFit(40, 14), 1);
    EXPECT_EQ(TablePrintLayout::PageCount(0, 69), 1);
    EXPECT_EQ(TablePrintLayout::PageCount(69, 69), 1);
    EXPECT_EQ(TablePrintLayout::PageCount(70, 69), 2);
    EXPECT_EQ(TablePrintLayout::PageCount(138, 69), 2);

    // Column 100 wide, characters 6 wide: 16 characters, cut above 14 to 11 + "...".
    EXPECT_EQ(TablePrintLayout::FitToColumn("Kurzer Ortsname", 100, 6), "Kurzer Orts...");
    EXPECT_EQ(TablePrintLayout::FitToColumn("Vierzehn Zeich", 100, 6), "Vierzehn Zeich");
    EXPECT_EQ(TablePrintLayout::FitToColumn("DE", 40, 6), "DE");
    EXPECT_EQ(TablePrintLayout::FitToColumn("ABCDE", 40, 6), "A...");

    EXPECT_EQ(TablePrintLayout::FitToPage("abcdefghij", 60, 6), "abcdefghij");
    EXPECT_EQ(TablePrintLayout::FitToPage("abcdefghij", 59, 6), "abcd...");
    EXPECT_EQ(TablePrintLayout::FitToPage("abc", 10, 6), "...");
    EXPECT_EQ(TablePrintLayout::FitToPage("abc", -40, 6), "...");

    EXPECT_EQ(TablePrintLayout::Footer(1, 1, "GEO"), "Seite = 1 / 1       Tabelle = GEO");
}

TEST(TableText, CopyLineAndTitles) {
    QStringList cells{"17", "DE", "10115", "Berlin"};
    for (int i = 4; i < 12; ++i)
        cells << QString();
    cells << "Zeile 1\nZeile 2, mit Komma";
    EXPECT_EQ(TableText::CopyLine(cells),
              "DE, 10115, Berlin, , , , , , , , , Zeile 1\nZeile 2, mit Komma\n");
    CGeoTableDesc desc;
    desc.BuildGeo();
    EXPECT_EQ(TableText::AllRowsTitle(desc), "GEO (Staat+PLZ -> AZ)");
    EXPECT_EQ(TableText::SearchTitle(3, "a%1b", "GEO"), "3 \"a%1b\" in GEO");
}

// The UTF-8 written straight from the database's bytes is what the text of the cell gives:
// malformed bytes become replacement characters, a byte-order mark and NUL stay.
TEST(TableText, Utf8OfACellIsTheUtf8OfItsText) {
    const QByteArray texts[] = {
        "",
        "Zürich",
        "\xEF\xBB\xBF"
        "BOM",
        QByteArray("a\0b", 3),
        "\xFF",
        "ab\xC3",
        "\xC0\x80",
        "\xED\xA0\x80",
        "\xF4\x90\x80\x80",
        "\xE2\x84\xAA",
        "\xF0\x9F\x98\x80x",
    };
    for (const QByteArray& text : texts) {
        QByteArray out("x");
        TableText::AppendUtf8(out, text);
        EXPECT_EQ(out, "x" + TableText::FromUtf8(text).toUtf8()) << text.toHex().constData();
    }
}

TEST(TablePrintLayout, ShrinksInProportionAndElidesByMeasure) {
    using TablePrintLayout::ColumnWidths;
    EXPECT_EQ(ColumnWidths({40, 60, 100}, 200), (QList<int>{40, 60, 100}));
    EXPECT_EQ(ColumnWidths({40, 60, 100}, 100), (QList<int>{20, 30, 50}));
    EXPECT_EQ(ColumnWidths({40, 60, 100}, 0), (QList<int>{0, 0, 0}));
    // Ten units a character.
    auto width = [](const QString& t) { return int(t.size()) * 10; };
    EXPECT_EQ(TablePrintLayout::Elide("Berlin", 60, width), "Berlin");
    EXPECT_EQ(TablePrintLayout::Elide("Berlin", 59, width), "Be...");
    EXPECT_EQ(TablePrintLayout::Elide("Berlin", 30, width), "...");
    EXPECT_EQ(TablePrintLayout::Elide("Berlin", 29, width), "");
}
