// LIKE with the classic desktop-database wildcards, and the search and nearby filters
// evaluated by the engine.
#include "base/JetLike.h"
#include "common/TestSupport.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"
#include "store/GeoRecordset.h"

#include <gtest/gtest.h>

// The wildcards, case and umlauts are rows of tests/cases/like.tsv; here are the texts no
// server stores (malformed UTF-8) or folds alike.
TEST(JetLikePattern, BytesBeyondAsciiThatStandForLettersOrDigits) {
    struct Case {
        const char* pattern;
        const char* text;
        bool match;
    } cases[] = {
        // A word between stars, found in the bytes; characters beyond ASCII that stand for
        // ASCII letters or digits still count.
        {"*ks*", "\xE2\x84\xAA\xC5\xBF", true}, // Kelvin sign, long s
        {"*kS*", "Bä\xE2\x84\xAAS", true},
        {"*101*",
         "\xC0\xB1"
         "01",
         true}, // an overlong "1", as the decoder reads it
        {"*a1*",
         "x\xE0\x81\x81"
         "1",
         true},
        {"*k*", "\xE2\x84", false}, // a cut-off sequence is no letter
    };
    for (const auto& c : cases) {
        CJetLikePattern p{QByteArrayView(c.pattern)};
        ASSERT_TRUE(p.IsValid()) << c.pattern;
        EXPECT_EQ(p.Matches(QByteArrayView(c.text)), c.match) << c.pattern << " / " << c.text;
    }
}

TEST(JetLikePattern, UnclosedBracketIsAnError) {
    CJetLikePattern p{QByteArrayView("*[ab*")};
    EXPECT_FALSE(p.IsValid());
    EXPECT_TRUE(p.Error().contains("["));
    EXPECT_FALSE(p.Matches(QByteArrayView("a")));
}

namespace {

class FilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_db.Open(m_dir.filePath("Kelvo.mde")));
        add("DE", "10115", "Berlin", "Mitte", "13.3833", "52.5323", "");
        add("BE", "1420", "Braine-l'Alleud", "", "4.3667", "50.6833", "");
        add("AT", "1010", "Wien", "Innere Stadt", "16.3667", "48.2", "");
        add("DE", "80331", "München", "", "11.5755", "48.1374", "Treffen 101 Uhr");
        add("CH", "8001", "Zürich", "", "8.5417", "47.3769", "");
        add("DE", "20095", "Hamburg", "", "10.0", "53.55", "");
        add("DE", "21000", "Nirgendwo", "", "n/a", "", "");
    }
    void add(const char* staat, const char* plz, const char* ort, const char* teil, const char* lon,
             const char* lat, const char* memo) {
        auto v = [](const char* s) { return *s ? QVariant(QString::fromUtf8(s)) : QVariant(); };
        CGeoRecordset rs(m_db);
        ASSERT_TRUE(rs.Open("INSERT INTO GEO (Staat, PLZ, Ort, Ortsteil, Langengrad, "
                            "Breitengrad, Memo) VALUES (?,?,?,?,?,?,?)",
                            {v(staat), v(plz), v(ort), v(teil), v(lon), v(lat), v(memo)}));
        ASSERT_TRUE(rs.Execute()) << rs.Error().toStdString();
    }
    // Ort of the rows the filter selects, in the standard order; "ERROR: ..." on failure.
    QStringList places(const CGeoFilter& filter) {
        CGeoRecordset rs(m_db);
        QStringList out;
        if (rs.Open(m_db.Sql().FilteredQuery(m_db.m_Table, filter)))
            while (rs.MoveNext())
                out << rs.FieldText(GEO_ORT);
        if (rs.HasError())
            out << "ERROR: " + rs.Error();
        return out;
    }
    QTemporaryDir m_dir;
    CGeoDatabase m_db;
};

} // namespace

TEST_F(FilterTest, SearchFindsTextInAnyOfTenFieldsInStandardOrder) {
    EXPECT_EQ(places(GeoFilter::Search("101")), (QStringList{"Wien", "Berlin", "München"}));
    EXPECT_EQ(places(GeoFilter::Search("innere")), QStringList{"Wien"});
    EXPECT_EQ(places(GeoFilter::Search("treffen")), QStringList{"München"}); // memo only
    EXPECT_EQ(places(GeoFilter::Search("MÜN")), QStringList{"München"});
}

TEST_F(FilterTest, SearchNeverMatchesThroughCoordinatesOrKey) {
    EXPECT_TRUE(places(GeoFilter::Search("3833")).isEmpty());
    EXPECT_TRUE(places(GeoFilter::Search("52.53")).isEmpty());
    const QStringList byKey = places(GeoFilter::Search("7")); // key 7 exists
    EXPECT_FALSE(byKey.contains("Nirgendwo"));
}

TEST_F(FilterTest, QuotesInSearchTextsAreData) {
    EXPECT_EQ(places(GeoFilter::Search("l'Alleud")), QStringList{"Braine-l'Alleud"});
    EXPECT_TRUE(places(GeoFilter::Search("x' OR '1'='1")).isEmpty());
    EXPECT_TRUE(places(GeoFilter::Search("'; DROP TABLE GEO; --")).isEmpty());
    EXPECT_EQ(m_db.GetRecordCount("GEO"), 7);
}

TEST_F(FilterTest, WildcardsInSearchTextsKeepTheirMeaningAndBadPatternsFail) {
    EXPECT_EQ(places(GeoFilter::Search("Z?rich")), QStringList{"Zürich"});
    EXPECT_EQ(places(GeoFilter::Search("8##31")), QStringList{"München"});
    const QStringList bad = places(GeoFilter::Search("[ab"));
    ASSERT_EQ(bad.size(), 1);
    EXPECT_TRUE(bad.first().startsWith("ERROR: Ungültiges Suchmuster"))
        << bad.first().toStdString();
}

TEST_F(FilterTest, NearbyComparesCoordinatesAsNumbers) {
    // Around 10° E the bounds have one and two digits before the point.
    EXPECT_EQ(places(GeoFilter::Nearby(9.85, 10.15, 53.45, 53.65)), QStringList{"Hamburg"});
    EXPECT_EQ(places(GeoFilter::Nearby(-1, 20, 40, 60)).size(), 6);       // "n/a" never matches
    EXPECT_TRUE(places(GeoFilter::Nearby(10.0, 10.1, 53, 54)).isEmpty()); // strict bounds
}

TEST(JetLikePattern, SegmentsBetweenStarsAndAnchors) {
    struct Case {
        const char* pattern;
        const char* text;
        bool match;
    } cases[] = {
        {"a*a", "a", false},
        {"a*a", "aa", true},
        {"*ab?d*", "xabcabd", false},
        {"*ab?d*", "abxabzd", true},
        {"*#?#*", "a1b2", true},
        {"?*?", "x", false},
        {"*aab*", "aaab", true},
        {"a*[bc]*d", "axcyd", true},
        {"*ü?*", "xÜ", false},
        {"*Ü?*", "MÜNCHEN", true},
        {"", "", true},
        {"", "a", false},
    };
    for (const auto& c : cases) {
        CJetLikePattern p{QByteArrayView(c.pattern)};
        EXPECT_EQ(p.Matches(QByteArrayView(c.text)), c.match) << c.pattern << " / " << c.text;
    }
}

// A memo of megabytes and a search text of thousands of characters, in the shapes where
// a backtracking matcher compares every text position with most of the pattern.
TEST_F(FilterTest, HugeMemosAgainstLongPatterns) {
    const QString memo = QString(4'000'000, 'a') + "b";
    add("DE", "99999", "Langmemo", "", "9", "50", "");
    ASSERT_TRUE(m_db.Execute("UPDATE GEO SET Memo = '" + memo + "' WHERE Ort = 'Langmemo'"));
    const QString run(20'000, 'a');
    EXPECT_EQ(places(GeoFilter::Search(run + "b")), QStringList{"Langmemo"});
    EXPECT_TRUE(places(GeoFilter::Search(run + "c")).isEmpty());
    EXPECT_TRUE(places(GeoFilter::Search(QString(1999, 'a') + "?c")).isEmpty());
    EXPECT_EQ(places(GeoFilter::Search(QString(1999, 'a') + "#")), QStringList{});
    EXPECT_EQ(places(GeoFilter::Search(QString(1000, 'a') + "*" + QString(1000, 'a') + "b")),
              QStringList{"Langmemo"});
    const QString umlauts = QString(500'000, QChar(0xE4)) + "x";
    ASSERT_TRUE(m_db.Execute("UPDATE GEO SET Memo = '" + umlauts + "' WHERE Ort = 'Langmemo'"));
    QString sets;
    for (int i = 0; i < 1000; ++i)
        sets += "[äö]";
    EXPECT_EQ(places(GeoFilter::Search(sets + "[!a]")), QStringList{"Langmemo"});
    EXPECT_TRUE(places(GeoFilter::Search(sets + "y")).isEmpty());
}
