// Searching with the German spellings folded: ä = ae, ö = oe, ü = ue, ß = ss on both sides,
// then the classic LIKE rules; on the file and on the server alike.
#include "base/FoldLike.h"
#include "common/EngineFixture.h"
#include "common/TestSupport.h"
#include "render/table/GeoTableModel.h"
#include "render/table/TableFill.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"
#include "store/GeoRecordset.h"

#include <gtest/gtest.h>

TEST(FoldLike, FoldTable) {
    struct Case {
        const char* text;
        const char* folded;
        const char* pattern; // the same text folded as a pattern
    } cases[] = {
        {"Straße", "Strasse", "Strasse"},
        {"STRAẞE", "STRAssE", "STRAssE"},
        {"Ärger Öl Über äöü", "aerger oel ueber aeoeue", "aerger oel ueber aeoeue"},
        {"Mu\xcc\x88nchen", "Muenchen", "Muenchen"}, // u + combining diaeresis
        {"e\xcc\x88", "e\xcc\x88", "e\xcc\x88"},     // only after a, o and u
        {"Zürich*[üß]?", "Zuerich*[uess]?", "Zuerich*[üß]?"},
        {"Koeln", "Koeln", "Koeln"},
        {"Genève", "Genève", "Genève"},
        {"o\xcc\x88\xcc\x88", "oe\xcc\x88", "oe\xcc\x88"}, // the second follows an e
        {"ü\xff", "ue\xef\xbf\xbd", "ue\xef\xbf\xbd"},     // no UTF-8: a replacement character
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FoldLike::FoldText(c.text), QByteArray(c.folded)) << c.text;
        EXPECT_EQ(FoldLike::FoldPattern(c.text), QByteArray(c.pattern)) << c.text;
    }
    // A byte-order mark is a character of the text, as on the server.
    EXPECT_EQ(FoldLike::FoldText("\xEF\xBB\xBFÜber"), "\xEF\xBB\xBFueber");
}

namespace {

class FoldSearchTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (IsSkipped())
            return;
        OpenEmpty(m_db);
        EXPECT_EQ(TestSupport::InsertRows(m_db, {GEO_STAAT, GEO_PLZ, GEO_ORT, GEO_MEMO},
                                          {{"DE", "80331", "München", "Hauptstraße 1"},
                                           {"DE", "10115", "Berlin", "Gartenstrasse"},
                                           {"CH", "8001", "Zürich", "Bahnhofstr."},
                                           {"DE", "50667", "Köln", "Am Hof"},
                                           {"AT", "1010", "Wien", "STRASSE DER STRAẞEN"},
                                           {"DE", "99084", "Erfurt", ""},
                                           {"DE", "48143", "Mu\u0308nster", "ÖLBERG"}}),
                  "");
    }
    // Ort of the rows a search window lists, in Staat, PLZ order; "ERROR: ..." on failure.
    QStringList Find(const QString& text, bool fold = true) {
        CGeoTableModel model;
        const CTableFillResult result =
            FillTableModel(m_db, m_db.m_Table, GeoFilter::Search(text, fold), model, nullptr);
        QStringList places;
        for (int i = 0; i < model.RowCount(); ++i)
            places << model.Cell(i, GEO_ORT);
        if (!result.m_strError.isEmpty())
            places << "ERROR: " + result.m_strError;
        return places;
    }
    CGeoDatabase m_db;
};

} // namespace

KELVO_ON_BOTH_ENGINES(FoldSearchTest);

TEST_P(FoldSearchTest, SpellingsMatchBothWaysAndWildcardsStillWork) {
    const QStringList strassen{"Wien", "Berlin", "München"};
    EXPECT_EQ(Find("strasse"), strassen);
    EXPECT_EQ(Find("Straße"), strassen);
    EXPECT_EQ(Find("STRASSE", false), (QStringList{"Wien", "Berlin"})); // without folding
    EXPECT_EQ(Find("Muenchen"), QStringList{"München"});
    EXPECT_EQ(Find("Zuerich"), QStringList{"Zürich"});
    EXPECT_EQ(Find("zürich"), QStringList{"Zürich"});
    EXPECT_EQ(Find("koeln"), QStringList{"Köln"});
    EXPECT_EQ(Find("K*ln"), QStringList{"Köln"});
    EXPECT_EQ(Find("M??nchen"), QStringList{"München"}); // ü is two characters once folded
    EXPECT_EQ(Find("8##31"), QStringList{"München"});
    EXPECT_EQ(Find("str[.a]"), (QStringList{"Wien", "Zürich", "Berlin", "München"}));
    EXPECT_EQ(Find("x' OR '1'='1"), QStringList{});
    // A combining diaeresis, capitals.
    EXPECT_EQ(Find("muenster"), QStringList{"Mu\u0308nster"});
    EXPECT_EQ(Find("oelberg"), QStringList{"Mu\u0308nster"});
    EXPECT_EQ(Find("Ölberg"), QStringList{"Mu\u0308nster"});
    const QStringList bad = Find("[ab");
    ASSERT_EQ(bad.size(), 1);
    EXPECT_TRUE(bad.first().startsWith("ERROR: Ungültiges Suchmuster")) << qPrintable(bad.first());
}

TEST_P(FoldSearchTest, SearchCommandFoldsOnRequest) {
    const QString path = m_strAddress;
    m_db.Close();
    QString out;
    ASSERT_EQ(
        TestSupport::RunCli({"search", "--db", path, "--fold", "muenchen"}, m_dir.path(), &out), 0);
    EXPECT_EQ(out, QStringLiteral("DE, 80331, , , , , München, , , , , Hauptstraße 1\n"
                                  "1 \"muenchen\" in GEO\n"));
    ASSERT_EQ(TestSupport::RunCli({"search", "--db", path, "muenchen"}, m_dir.path(), &out), 0);
    EXPECT_EQ(out, QStringLiteral("0 \"muenchen\" in GEO\n"));
}
