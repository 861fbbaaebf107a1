// The territory tables on the file and on the server: rules and exceptions as stored, the
// more specific rule winning, a refresh of the postal data keeping every assignment, two
// users changing one territory, and input that is refused with nothing changed.
#include "common/CaseTable.h"
#include "common/EngineFixture.h"
#include "common/TerritoryCases.h"
#include "common/TestSupport.h"
#include "data/GeoCopy.h"
#include "data/GeoImport.h"
#include "render/territory/TerritoryCopy.h"
#include "render/territory/TerritoryStore.h"
#include "store/GeoDatabase.h"

#include <QMap>
#include <QSet>

#include <gtest/gtest.h>

using TestSupport::GeoNamesLine;

namespace {

GeoCopy::Options withTerritories() {
    GeoCopy::Options options;
    options.copyTerritories = TerritoryCopy::Copy;
    return options;
}

class TerritoryStore : public EngineTest {
protected:
    void Import(CGeoDatabase& db, const QByteArray& lines, bool append = false) {
        const QString path = TestSupport::WriteFile(m_dir.filePath("places.txt"), lines);
        CGeoImporter importer(db);
        importer.SetAppend(append);
        const CGeoImporter::Result result = importer.Run({path});
        ASSERT_TRUE(result.ok) << result.fatal.toStdString();
    }
    qint64 Create(CTerritoryStore& store, const QString& name) {
        CTerritory t;
        t.name = name;
        t.color = "#102030";
        const qint64 id = store.Create(t);
        EXPECT_GT(id, 0) << store.Error().toStdString();
        return id;
    }
    void AddRules(CTerritoryStore& store, qint64 id, const QString& text) {
        QList<CTerritoryRule> rules;
        QString error;
        ASSERT_TRUE(TerritoryRules::Parse(text, &rules, &error)) << error.toStdString();
        ASSERT_TRUE(store.AddRules(id, rules, nullptr)) << store.Error().toStdString();
    }
    static QMap<QString, QString> Placements(CGeoDatabase& db) {
        return TerritoryCases::Placements(db);
    }
    static QByteArray Line(const char* staat, const char* plz, const char* ort,
                           const char* lat = "48.1") {
        return GeoNamesLine(staat, plz, ort, "", "", "", lat, "11.5");
    }
};

} // namespace

TEST_P(TerritoryStore, RulesAndExceptionsSurviveARefreshOfThePostalData) {
    CGeoDatabase db;
    OpenEmpty(db);
    Import(db, Line("DE", "80331", "München") + Line("DE", "80333", "München") +
                   Line("DE", "85221", "Dachau") + Line("DE", "88045", "Friedrichshafen") +
                   Line("DE", "90402", "Nürnberg") + Line("DE", "20095", "Hamburg") +
                   Line("AT", "1010", "Wien"));
    CTerritoryStore store(db);
    // A database without territories reads as such, and reading makes no tables.
    CTerritoryData data;
    ASSERT_TRUE(store.Load(&data)) << store.Error().toStdString();
    EXPECT_FALSE(data.tablesExist);
    ASSERT_TRUE(store.Load(&data));
    EXPECT_FALSE(data.tablesExist);

    const qint64 sued = Create(store, "Süd"), franken = Create(store, "Franken"),
                 see = Create(store, "Bodensee");
    AddRules(store, sued, "DE 80-87");
    AddRules(store, franken, "DE 90*");
    AddRules(store, see, "DE 88*");
    ASSERT_TRUE(store.Assign({{"DE", "80333", "München", "", franken}}))
        << store.Error().toStdString();
    const QMap<QString, QString> before = Placements(db);
    EXPECT_EQ(before.value("DE 80331 München"), "Süd (Regel DE 80-87)");
    EXPECT_EQ(before.value("DE 80333 München"), "Franken (einzeln zugewiesen)");
    EXPECT_EQ(before.value("DE 88045 Friedrichshafen"), "Bodensee (Regel DE 88*)");
    EXPECT_EQ(before.value("DE 90402 Nürnberg"), "Franken (Regel DE 90*)");
    EXPECT_EQ(before.value("DE 20095 Hamburg"), "- (keine Regel)");
    EXPECT_EQ(before.value("AT 1010 Wien"), "- (keine Regel)");

    // The refresh moves a place, drops one and brings two; territories are not its business.
    Import(db, Line("DE", "80331", "München", "48.2") + Line("DE", "80333", "München") +
                   Line("DE", "85221", "Dachau") + Line("DE", "85221", "Dachau-Ost") +
                   Line("DE", "88045", "Friedrichshafen") + Line("DE", "90402", "Nürnberg") +
                   Line("DE", "87700", "Memmingen"));
    const QMap<QString, QString> after = Placements(db);
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (it.key() != "DE 20095 Hamburg") {
            EXPECT_EQ(after.value(it.key()), it.value()) << it.key().toStdString();
        }
    }
    EXPECT_FALSE(after.contains("DE 20095 Hamburg"));
    EXPECT_EQ(after.value("DE 85221 Dachau-Ost"), "Süd (Regel DE 80-87)");
    EXPECT_EQ(after.value("DE 87700 Memmingen"), "Süd (Regel DE 80-87)");
    ASSERT_TRUE(store.Load(&data));
    EXPECT_EQ(data.rules.size(), 3);
    EXPECT_EQ(data.exceptions.size(), 1);

    // Deleting a territory: its places go to another one, or follow the remaining rules.
    ASSERT_TRUE(store.Delete(franken, see)) << store.Error().toStdString();
    EXPECT_EQ(Placements(db).value("DE 80333 München"), "Bodensee (einzeln zugewiesen)");
    EXPECT_EQ(Placements(db).value("DE 90402 Nürnberg"), "Bodensee (Regel DE 90*)");
    ASSERT_TRUE(store.Delete(see, 0)) << store.Error().toStdString();
    EXPECT_EQ(Placements(db).value("DE 80333 München"), "Süd (Regel DE 80-87)");
    EXPECT_EQ(Placements(db).value("DE 90402 Nürnberg"), "- (keine Regel)");
}

TEST_P(TerritoryStore, TheCaseRulesPlaceTheSamePlacesOnEveryEngine) {
    CGeoDatabase db;
    OpenEmpty(db);
    // A row for every place of the table and for every rule, so that each rule matches.
    QByteArray lines;
    QSet<QString> seen;
    auto add = [&](const QByteArray& staat, const QByteArray& plz) {
        if (!seen.contains(staat + plz) && staat == staat.toUpper()) {
            seen.insert(staat + plz);
            lines += Line(staat, plz, "Ort");
        }
    };
    const QList<CaseTable::Row> rows = CaseTable::Read("territory_rules");
    for (const CaseTable::Row& row : rows) {
        if (row[0] != "place")
            continue;
        const auto [staat, plz] = TerritoryCases::Place(row.Text(2));
        add(staat, plz);
        for (const auto& rule : TerritoryCases::Rules(row.Text(1)))
            add(rule.second.staat, rule.second.from.leftJustified(5, '0'));
    }
    Import(db, lines);
    CTerritoryStore store(db);
    for (const CaseTable::Row& row : rows) {
        if (row[0] != "place")
            continue;
        // The territories of the row alone, in its order.
        CTerritoryData data;
        ASSERT_TRUE(store.Load(&data));
        for (const CTerritory& t : data.territories)
            ASSERT_TRUE(store.Delete(t.id, 0)) << store.Error().toStdString();
        for (const auto& [name, rule] : TerritoryCases::Rules(row.Text(1))) {
            ASSERT_TRUE(store.Load(&data));
            const CTerritory* t = data.FindByName(name);
            const qint64 id = t ? t->id : Create(store, name);
            ASSERT_TRUE(store.AddRules(id, {rule}, nullptr))
                << CaseTable::Where("territory_rules", row) << store.Error().toStdString();
        }
        const auto [staat, plz] = TerritoryCases::Place(row.Text(2));
        const QString place = QStringLiteral("%1 %2 Ort")
                                  .arg(QString::fromUtf8(staat).toUpper(), QString::fromUtf8(plz));
        const QString rule = row.Text(4) == "-" ? "keine Regel" : "Regel " + row.Text(4);
        EXPECT_EQ(Placements(db).value(place), QStringLiteral("%1 (%2)").arg(row.Text(3), rule))
            << CaseTable::Where("territory_rules", row);
    }
}

TEST_P(TerritoryStore, TwoUsersChangingOneTerritoryAreToldAndNothingIsLost) {
    CGeoDatabase db, other;
    OpenEmpty(db);
    Import(db, Line("DE", "80331", "München") + Line("DE", "90402", "Nürnberg"));
    ASSERT_TRUE(other.Open(m_strAddress)) << other.OpenError().toStdString();
    CTerritoryStore mine(db), theirs(other);
    const qint64 nord = Create(mine, "Nord");
    CTerritoryData seenByMe, seenByThem;
    ASSERT_TRUE(mine.Load(&seenByMe));
    ASSERT_TRUE(theirs.Load(&seenByThem));
    const CTerritory read = seenByMe.territories.first();

    CTerritory changed = read, stored;
    changed.responsible = "Bea";
    changed.memo = "Bea übernimmt ab März";
    EXPECT_EQ(theirs.Update(seenByThem.territories.first(), changed, &stored),
              CTerritoryStore::Write::Saved);
    // My edit began before theirs was saved: refused, and I am shown what is stored now.
    CTerritory mineChanged = read;
    mineChanged.color = "#ff0000";
    EXPECT_EQ(mine.Update(read, mineChanged, &stored), CTerritoryStore::Write::Conflict);
    EXPECT_EQ(stored.responsible, "Bea");
    EXPECT_EQ(stored.memo.toString(), "Bea übernimmt ab März");
    EXPECT_EQ(stored.color, "#102030");
    // Taking their version and changing it again is saved.
    mineChanged = stored;
    mineChanged.color = "#ff0000";
    EXPECT_EQ(mine.Update(stored, mineChanged, &stored), CTerritoryStore::Write::Saved);
    // A change of case only is a change too.
    CTerritory upper = mineChanged;
    upper.memo = "BEA übernimmt ab März";
    EXPECT_EQ(theirs.Update(mineChanged, upper, &stored), CTerritoryStore::Write::Saved);
    EXPECT_EQ(mine.Update(mineChanged, mineChanged, &stored), CTerritoryStore::Write::Conflict);

    // They delete it while I assign to it: my assignment is refused whole.
    ASSERT_TRUE(theirs.Delete(nord, 0)) << theirs.Error().toStdString();
    EXPECT_FALSE(
        mine.Assign({{"DE", "90402", "Nürnberg", "", 0}, {"DE", "80331", "München", "", nord}}));
    // Named by what I had read; a message of another kind is left as it is.
    const QString gone = "Das Gebiet \"Nord\" gibt es nicht mehr: ein anderer Benutzer hat es "
                         "gelöscht. Es wurde nichts geändert.";
    EXPECT_EQ(mine.Error(seenByMe), gone);
    EXPECT_EQ(mine.Error(CTerritoryData()), QString(gone).remove(" \"Nord\""));
    QList<CTerritoryRule> rules;
    QString error;
    ASSERT_TRUE(TerritoryRules::Parse("DE 8*", &rules, &error));
    EXPECT_FALSE(mine.AddRules(nord, rules, nullptr));
    EXPECT_EQ(mine.Error(seenByMe), gone);
    EXPECT_FALSE(mine.Delete(nord, 0));
    EXPECT_EQ(mine.Error(seenByMe), gone);
    ASSERT_TRUE(TerritoryRules::Parse("DE 99*", &rules, &error));
    EXPECT_FALSE(mine.AddRules(nord, rules, nullptr));
    EXPECT_TRUE(mine.Error(seenByMe).contains("trifft keinen Ort"));
    EXPECT_EQ(mine.Update(upper, mineChanged, &stored), CTerritoryStore::Write::Missing);
    CTerritoryData now;
    ASSERT_TRUE(theirs.Load(&now));
    EXPECT_TRUE(now.territories.isEmpty());
    EXPECT_TRUE(now.rules.isEmpty());
    EXPECT_TRUE(now.exceptions.isEmpty());
}

TEST_P(TerritoryStore, BadInputIsRefusedWholeWithAGermanMessage) {
    CGeoDatabase db;
    OpenEmpty(db);
    Import(db, Line("DE", "80331", "München") + Line("DE", "82031", "Grünwald") +
                   Line("DE", "90402", "Nürnberg"));
    CTerritoryStore store(db);
    const QString odd = "Süd-Ost; \"Bayern\" 'n' Co. \U0001F600 Robert'); DROP TABLE GEO;--";
    const qint64 a = Create(store, odd), b = Create(store, "B");
    AddRules(store, a, "DE 82-86");

    auto refused = [&](qint64 id, const QString& text, const char* says) {
        QList<CTerritoryRule> rules;
        QString error;
        ASSERT_TRUE(TerritoryRules::Parse(text, &rules, &error));
        EXPECT_FALSE(store.AddRules(id, rules, nullptr)) << text.toStdString();
        EXPECT_TRUE(store.Error().contains(says)) << store.Error().toStdString();
    };
    // The first rule is fine, the second overlaps one just as wide: neither is stored.
    refused(b, "DE 90*, DE 80-84", "keine von beiden ist enger");
    refused(b, "DE 90*, DE 99*", "DE 99* trifft keinen Ort");
    CTerritoryData data;
    ASSERT_TRUE(store.Load(&data));
    ASSERT_EQ(data.rules.size(), 1);
    EXPECT_EQ(data.FindByName(odd)->id, a);

    // Names: taken, empty or with control characters.
    CTerritory t;
    t.color = "#000000";
    for (const QString& name : {odd, QString(" "), QString("Nord\nSüd")}) {
        t.name = name;
        EXPECT_EQ(store.Create(t), 0);
        EXPECT_FALSE(store.Error().isEmpty());
    }
    t.name = "C";
    t.color = "rot";
    EXPECT_EQ(store.Create(t), 0);
    CTerritory renamed = *data.Find(b), stored;
    renamed.name = odd;
    EXPECT_EQ(store.Update(*data.Find(b), renamed, &stored), CTerritoryStore::Write::Failed);
    EXPECT_TRUE(store.Error().contains("gibt es schon")) << store.Error().toStdString();

    // The same range again moves the rule, and says so.
    QStringList notes;
    QList<CTerritoryRule> rules;
    QString error;
    ASSERT_TRUE(TerritoryRules::Parse("DE 82-86", &rules, &error));
    ASSERT_TRUE(store.AddRules(b, rules, &notes)) << store.Error().toStdString();
    ASSERT_EQ(notes.size(), 1);
    EXPECT_TRUE(notes[0].contains("gehört jetzt zum Gebiet \"B\""));
    EXPECT_EQ(Placements(db).value("DE 82031 Grünwald"), "B (Regel DE 82-86)");

    // An import naming a place not in GEO, or one code twice, stores nothing.
    QStringList created;
    int ruleCount = 0, singles = 0, kept = 0;
    QList<CTerritoryImportLine> lines{{2, "DE", "80331", {}, {}, "Neu", false},
                                      {3, "DE", "99999", {}, {}, "Neu", false}};
    EXPECT_FALSE(store.Import(lines, &created, &ruleCount, &singles, &kept));
    EXPECT_TRUE(store.Error().startsWith("Zeile 3: DE 99999 ist nicht in GEO."));
    lines[1] = {3, "DE", "80331", {}, {}, "Anders", false};
    EXPECT_FALSE(store.Import(lines, &created, &ruleCount, &singles, &kept));
    EXPECT_TRUE(store.Error().contains("steht schon in Zeile 2"));
    ASSERT_TRUE(store.Load(&data));
    EXPECT_EQ(data.territories.size(), 2);
    EXPECT_EQ(data.rules.size(), 1);
}

TEST_P(TerritoryStore, TenThousandTerritoriesAreImportedInOneGo) {
    CGeoDatabase db;
    OpenEmpty(db);
    constexpr int kCount = 10000;
    Import(db, TestSupport::NumberedPlaces(kCount, 2026));
    QList<CTerritoryImportLine> lines;
    for (int i = 0; i < kCount; ++i)
        lines << CTerritoryImportLine{i + 2, "DE", QByteArray::number(100000 + i),
                                      {},    {},   QStringLiteral("Gebiet %1").arg(i),
                                      false};
    CTerritoryStore store(db);
    QStringList created;
    int rules = 0, singles = 0, kept = 0;
    ASSERT_TRUE(store.Import(lines, &created, &rules, &singles, &kept))
        << store.Error().toStdString();
    EXPECT_EQ(created.size(), kCount);
    EXPECT_EQ(rules, kCount);
    const QMap<QString, QString> placed = Placements(db);
    EXPECT_EQ(placed.value("DE 100000 Ort 0"), "Gebiet 0 (Regel DE 100000*)");
    EXPECT_EQ(placed.value("DE 109999 Ort 9999"), "Gebiet 9999 (Regel DE 109999*)");
    CTerritoryData data;
    ASSERT_TRUE(store.Load(&data));
    EXPECT_EQ(data.territories.size(), kCount);
    // The batch tool lists each of them with its rule, and the places in none.
    QString out, err;
    ASSERT_EQ(
        TestSupport::RunCli({"territory", "list", "--db", m_strAddress}, m_dir.path(), &out, &err),
        0)
        << err.toStdString();
    const QStringList listed = out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(listed.size(), kCount + 2);
    EXPECT_TRUE(listed[kCount - 1].startsWith("Gebiet 9999\t#"))
        << listed[kCount - 1].toStdString();
    EXPECT_TRUE(listed[kCount - 1].endsWith("\t1\tDE 109999*"));
    EXPECT_EQ(listed[kCount], "(kein Gebiet)\t\t\t0\t");
}

TEST_P(TerritoryStore, TheBatchToolListsEveryRuleOfATerritory) {
    CGeoDatabase db;
    OpenEmpty(db);
    QByteArray lines;
    for (const char* plz : {"10115", "20095", "30159", "40213", "50667", "60311", "70173"})
        lines += Line("DE", plz, "Ort");
    Import(db, lines);
    CTerritoryStore store(db);
    AddRules(store, Create(store, "Nord"), "DE 1*, DE 2*, DE 3*, DE 4*, DE 50-59, DE 60311");
    Create(store, "Leer %2 <&>"); // a name is printed as written
    QString out, err;
    ASSERT_EQ(
        TestSupport::RunCli({"territory", "list", "--db", m_strAddress}, m_dir.path(), &out, &err),
        0)
        << err.toStdString();
    EXPECT_EQ(out.split('\n'),
              QStringList({"Nord\t#102030\t\t6\tDE 1*, DE 2*, DE 3*, DE 4*, DE 50-59, DE 60311*",
                           "Leer %2 <&>\t#102030\t\t0\t", "(kein Gebiet)\t\t\t1\t",
                           "Größtes minus kleinstes Gebiet: 6 Orte", ""}));
    // Without a command it says which there are.
    EXPECT_EQ(TestSupport::RunCli({"territory", "--db", m_strAddress}, m_dir.path(), &out, &err),
              2);
    EXPECT_TRUE(err.startsWith("territory erwartet einen Befehl: list, new, assign, delete, "
                               "where, export, import oder areas.\n"))
        << err.toStdString();
}

KELVO_ON_BOTH_ENGINES(TerritoryStore);

TEST_P(TerritoryStore, ACopyTakesTheTerritoriesWithTheirKeysAndThePostalCodeAreas) {
    CGeoDatabase db;
    OpenEmpty(db);
    Import(db, Line("DE", "80331", "München") + Line("DE", "90402", "Nürnberg"));
    CTerritoryStore store(db);
    const qint64 gone = Create(store, "Weg"), sued = Create(store, "Süd");
    ASSERT_TRUE(store.Delete(gone, 0));
    AddRules(store, sued, "DE 8*");
    ASSERT_TRUE(store.Assign({{"DE", "90402", "Nürnberg", "", sued}}));
    const QMap<QString, QString> placed = Placements(db);
    // The user's postal-code areas go along, byte for byte.
    const QList<CPostalArea> areas{{"DE", "80331", QByteArray("\1\3\0", 3) + "München"},
                                   {"AT", "1010", "Wien"}};
    ASSERT_TRUE(store.ImportAreas(areas)) << store.Error().toStdString();
    const auto areasOf = [](CGeoDatabase& database) {
        CPostalAreas read;
        CTerritoryStore reader(database);
        EXPECT_TRUE(reader.LoadAreas(&read)) << reader.Error().toStdString();
        return read;
    };
    const CPostalAreas stored = areasOf(db);
    ASSERT_EQ(stored.size(), 2);

    // To a new file, and from there (on the server's run) to a database of the server.
    CGeoDatabase copy;
    ASSERT_TRUE(copy.OpenNew(m_dir.filePath("Kopie.mde")));
    GeoCopy::Result result = GeoCopy::Copy(db, copy, withTerritories());
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.territories, 1);
    ASSERT_TRUE(copy.PublishNew());
    EXPECT_EQ(Placements(copy), placed);
    EXPECT_EQ(areasOf(copy), stored);
    CGeoDatabase server;
    if (OnServer()) {
        TestServer::CScratchDatabase scratch;
        ASSERT_TRUE(server.Open(scratch.Address())) << server.OpenError().toStdString();
        result = GeoCopy::Copy(copy, server, withTerritories());
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        EXPECT_EQ(Placements(server), placed);
        EXPECT_EQ(areasOf(server), stored);
        // New territories are numbered after the copied ones, never reusing a key.
        CTerritoryStore serverStore(server);
        EXPECT_GT(Create(serverStore, "Neu"), sued);
        server.Close();
    }
    CTerritoryStore copied(copy);
    EXPECT_GT(Create(copied, "Neu"), sued);
    // A target that has territories already is refused, and nothing is copied.
    std::unique_ptr<TestServer::CScratchDatabase> scratch;
    if (OnServer())
        scratch = std::make_unique<TestServer::CScratchDatabase>();
    CGeoDatabase again;
    ASSERT_TRUE(again.Open(scratch ? scratch->Address() : m_dir.filePath("Leer.mde")));
    CTerritoryStore other(again);
    Create(other, "Da");
    result = GeoCopy::Copy(copy, again, withTerritories());
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains("schon Gebiete")) << result.error.toStdString();
    EXPECT_EQ(again.GetRecordCount("GEO"), 0);
    // So is one that has areas of its own, which stay as they were.
    std::unique_ptr<TestServer::CScratchDatabase> scratch2;
    if (OnServer())
        scratch2 = std::make_unique<TestServer::CScratchDatabase>();
    CGeoDatabase withAreas;
    ASSERT_TRUE(withAreas.Open(scratch2 ? scratch2->Address() : m_dir.filePath("Flaechen.mde")));
    CTerritoryStore own(withAreas);
    ASSERT_TRUE(own.ImportAreas({{"DE", "80331", "eigene"}})) << own.Error().toStdString();
    result = GeoCopy::Copy(copy, withAreas, withTerritories());
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains("schon PLZ-Flächen")) << result.error.toStdString();
    EXPECT_EQ(withAreas.GetRecordCount("GEO"), 0);
    CPostalAreas kept;
    ASSERT_TRUE(own.LoadAreas(&kept));
    EXPECT_EQ(kept, CPostalAreas({{PostalAreas::Key("DE", "80331"), "eigene"}}));
}

TEST_P(TerritoryStore, TheBatchToolWritesLargeCountsWithThousandsSeparators) {
    CGeoDatabase db;
    OpenEmpty(db);
    Import(db, TestSupport::NumberedPlaces(1234, 2026));
    db.Close();
    const auto cli = [&](const QStringList& args) {
        QString out, err;
        EXPECT_EQ(
            TestSupport::RunCli(args + QStringList{"--db", m_strAddress}, m_dir.path(), &out, &err),
            0)
            << err.toStdString();
        return out;
    };
    cli({"territory", "new", "Groß"});
    // One territory has no spread to tell.
    EXPECT_TRUE(cli({"territory", "list"}).endsWith("\t0\t\n(kein Gebiet)\t\t\t1234\t\n"));
    cli({"territory", "new", "Klein"});
    EXPECT_EQ(cli({"territory", "assign", "Groß", "DE 1*"}),
              "1 Regel dem Gebiet \"Groß\" zugewiesen.\n");
    EXPECT_TRUE(
        cli({"territory", "list"}).endsWith("Größtes minus kleinstes Gebiet: 1.234 Orte\n"));
    const QString csv = m_dir.filePath("Gebiete.csv");
    EXPECT_EQ(cli({"territory", "export", csv}), "1.234 Zeilen nach " + csv + " geschrieben.\n");
    // Read back, it adds no rule beside the one that places every line already.
    EXPECT_EQ(cli({"territory", "import", csv}),
              "Nichts geändert: die Orte der Datei sind schon so zugewiesen.\n");
    EXPECT_EQ(cli({"territory", "assign", "--place", "DE 100007", "Klein"}),
              "1 Ort dem Gebiet \"Klein\" zugewiesen.\n");
    // An import that makes many territories names the first twenty.
    QByteArray lines = "Staat;PLZ;Gebiet\n";
    QStringList first;
    for (int i = 0; i < 25; ++i) {
        lines += "DE;" + QByteArray::number(101000 + i) + ";Neu " + QByteArray::number(i) + "\n";
        if (i < 20)
            first << QStringLiteral("Neu %1").arg(i);
    }
    const QString many = TestSupport::WriteFile(m_dir.filePath("Neu.csv"), lines);
    // Made after a deletion, the new territories still take colours no other one has.
    cli({"territory", "delete", "Groß"});
    EXPECT_EQ(cli({"territory", "import", many}),
              "25 Postleitzahlen und 0 einzelne Orte zugewiesen.\nNeu angelegt: " +
                  first.join(", ") + " und 5 weitere\n");
    CTerritoryData data;
    ASSERT_TRUE(db.Open(m_strAddress));
    ASSERT_TRUE(CTerritoryStore(db).Load(&data));
    EXPECT_EQ(TerritoryNames::UsedColors(data.territories).size(), 26);
}
