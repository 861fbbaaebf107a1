// Reading an assignment back, on the file and on the server: lines that put places where the
// rules and exceptions already have them add nothing, so that an exported assignment read
// back changes nothing, and the lines that do change something are stored as before.
#include "common/EngineFixture.h"
#include "common/TerritoryCases.h"
#include "common/TestSupport.h"
#include "data/GeoImport.h"
#include "render/territory/TerritoryFile.h"
#include "render/territory/TerritoryStore.h"
#include "store/GeoDatabase.h"

#include <QMap>

#include <gtest/gtest.h>

using TestSupport::GeoNamesLine;

namespace {

class TerritoryImport : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (IsSkipped())
            return;
        OpenWithPlaces(m_db, Line("80331", "München") + Line("80333", "München") +
                                 Line("80333", "Haidhausen") + Line("85221", "Dachau") +
                                 Line("90402", "Nürnberg") + Line("20095", "Hamburg"));
        CTerritoryStore store(m_db);
        m_sued = store.Create({0, "Süd", "#c00000", "", {}});
        m_franken = store.Create({0, "Franken", "#102030", "", {}});
        ASSERT_GT(m_franken, 0) << store.Error().toStdString();
        for (const auto& [id, text] : {std::pair{m_sued, "DE 80-87"}, {m_franken, "DE 90*"}}) {
            QList<CTerritoryRule> rules;
            QString error;
            ASSERT_TRUE(TerritoryRules::Parse(text, &rules, &error));
            ASSERT_TRUE(store.AddRules(id, rules, nullptr)) << store.Error().toStdString();
        }
        ASSERT_TRUE(store.Assign({{"DE", "80333", "Haidhausen", "", m_franken}}));
    }
    static QByteArray Line(const char* plz, const char* ort) {
        return GeoNamesLine("DE", plz, ort, "", "", "", "48.1", "11.5");
    }
    QMap<QString, QString> Placements() { return TerritoryCases::Placements(m_db); }
    CTerritoryData Stored() {
        CTerritoryData data;
        EXPECT_TRUE(CTerritoryStore(m_db).Load(&data));
        return data;
    }
    QString Cli(const QStringList& args) {
        QString out, err;
        EXPECT_EQ(
            TestSupport::RunCli(args + QStringList{"--db", m_strAddress}, m_dir.path(), &out, &err),
            0)
            << err.toStdString();
        return out;
    }

    CGeoDatabase m_db;
    qint64 m_sued = 0, m_franken = 0;
};

} // namespace

TEST_P(TerritoryImport, AnExportedAssignmentReadBackChangesNothing) {
    const QMap<QString, QString> before = Placements();
    ASSERT_EQ(before.value("DE 80333 Haidhausen"), "Franken (einzeln zugewiesen)");
    ASSERT_EQ(before.value("DE 80333 München"), "Süd (Regel DE 80-87)");
    const qint64 changes = CTerritoryStore(m_db).ChangeCount();
    m_db.Close();

    // Range rules and an exception: the file has a line per code and one per place of the
    // shared code, and none of them adds a rule or an exception.
    for (const QString name : {"Gebiete.csv", "Gebiete.xlsx"}) {
        const QString file = m_dir.filePath(name);
        EXPECT_EQ(Cli({"territory", "export", file}), "5 Zeilen nach " + file + " geschrieben.\n");
        EXPECT_EQ(Cli({"territory", "import", file}),
                  "Nichts geändert: die Orte der Datei sind schon so zugewiesen.\n");
    }
    ASSERT_TRUE(m_db.Open(m_strAddress));
    const CTerritoryData after = Stored();
    EXPECT_EQ(after.rules.size(), 2);
    EXPECT_EQ(after.exceptions.size(), 1);
    EXPECT_EQ(Placements(), before);
    // Nothing was written: other users' windows have nothing to read again.
    EXPECT_EQ(CTerritoryStore(m_db).ChangeCount(), changes);
}

TEST_P(TerritoryImport, OnlyTheLinesThatChangeSomethingAreStored) {
    CTerritoryStore store(m_db);
    // Nürnberg's code goes to "Süd" by this file, but its own line keeps it in "Franken":
    // that line is an exception although "Franken" has the place now.
    QList<CTerritoryImportLine> lines{
        {2, "DE", "80331", {}, {}, "Süd", false},
        {3, "DE", "85221", {}, {}, "Franken", false},
        {4, "DE", "90402", {}, {}, "Süd", false},
        {5, "DE", "90402", "Nürnberg", {}, "Franken", true},
        {6, "DE", "80333", "Haidhausen", {}, "Franken", true},
        {7, "DE", "80333", "München", {}, "Süd", true},
        {8, "DE", "80331", {}, {}, "Süd", false},
        {9, "DE", "20095", {}, {}, "Nord", false},
    };
    QStringList created;
    int rules = 0, singles = 0, kept = 0;
    ASSERT_TRUE(store.Import(lines, &created, &rules, &singles, &kept))
        << store.Error().toStdString();
    EXPECT_EQ(TerritoryFile::ImportReport(rules, singles, created, kept),
              "3 Postleitzahlen und 1 einzelner Ort zugewiesen.\nNeu angelegt: Nord\n"
              "Schon so zugewiesen, unverändert: 3 Zeilen");
    const QMap<QString, QString> placed = Placements();
    EXPECT_EQ(placed.value("DE 80331 München"), "Süd (Regel DE 80-87)");
    EXPECT_EQ(placed.value("DE 85221 Dachau"), "Franken (Regel DE 85221*)");
    EXPECT_EQ(placed.value("DE 90402 Nürnberg"), "Franken (einzeln zugewiesen)");
    EXPECT_EQ(placed.value("DE 80333 Haidhausen"), "Franken (einzeln zugewiesen)");
    EXPECT_EQ(placed.value("DE 80333 München"), "Süd (Regel DE 80-87)");
    EXPECT_EQ(placed.value("DE 20095 Hamburg"), "Nord (Regel DE 20095*)");
    EXPECT_EQ(Stored().rules.size(), 5);
    EXPECT_EQ(Stored().exceptions.size(), 2);

    // The same file again: now every line is so assigned.
    created.clear();
    ASSERT_TRUE(store.Import(lines, &created, &rules, &singles, &kept));
    EXPECT_EQ(rules + singles, 0);
    EXPECT_EQ(kept, 7);
    EXPECT_TRUE(created.isEmpty());
    EXPECT_EQ(Placements(), placed);
}

KELVO_ON_BOTH_ENGINES(TerritoryImport);
