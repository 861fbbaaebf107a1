// The territory rules without a database: typed rules, which rule is the more specific, the
// rules that may not stand side by side, and where a place goes, over the rows of
// tests/cases/territory_rules.tsv.
#include "common/CaseTable.h"
#include "common/TerritoryCases.h"
#include "render/places/TableListValues.h"
#include "render/territory/TerritoryAssigner.h"
#include "store/territory/Territory.h"

#include <gtest/gtest.h>

using CaseTable::Where;

namespace {

// The rules of a row as stored: territory n+1 for the n-th name.
CTerritoryData dataOf(const QString& rules) {
    CTerritoryData data;
    data.tablesExist = true;
    for (const auto& [name, rule] : TerritoryCases::Rules(rules)) {
        const CTerritory* t = data.FindByName(name);
        qint64 id = t ? t->id : 0;
        if (id == 0) {
            id = data.territories.size() + 1;
            data.territories << CTerritory{id, name, "#000000", {}, {}};
        }
        CTerritoryRule stored = rule;
        stored.territory = id;
        stored.id = data.rules.size() + 1;
        data.rules << stored;
    }
    return data;
}

QString nameOf(const CTerritoryData& data, qint64 id) {
    const CTerritory* t = data.Find(id);
    return t ? t->name : QStringLiteral("-");
}

} // namespace

TEST(TerritoryRules, EveryCaseRowGivesItsAnswer) {
    const QList<CaseTable::Row> rows = CaseTable::Read("territory_rules");
    ASSERT_GT(rows.size(), 30);
    for (const CaseTable::Row& row : rows) {
        if (row[0] == "place") {
            const CTerritoryData data = dataOf(row.Text(1));
            const CTerritoryAssigner assigner(data);
            const auto [staat, plz] = TerritoryCases::Place(row.Text(2));
            const CTerritoryAssigner::Placement p = assigner.Place(staat, plz, "Ort", "");
            EXPECT_EQ(nameOf(data, p.territory), row.Text(3)) << Where("territory_rules", row);
            const QString rule = p.rule >= 0 ? assigner.Rules()[p.rule].Text() : "-";
            EXPECT_EQ(rule, row.Text(4)) << Where("territory_rules", row);
        } else if (row[0] == "conflict") {
            const CTerritoryData data = dataOf(row.Text(1));
            QList<CTerritoryRule> added;
            QString error;
            ASSERT_TRUE(TerritoryRules::Parse(row.Text(2), &added, &error))
                << Where("territory_rules", row);
            const QString conflict = TerritoryRules::Conflict(
                data.rules, added.first(), [&](qint64 id) { return nameOf(data, id); });
            EXPECT_EQ(!conflict.isEmpty(), row[3] == "1") << Where("territory_rules", row);
            if (!conflict.isEmpty()) {
                EXPECT_TRUE(conflict.contains(added.first().Text()));
                EXPECT_TRUE(conflict.contains("\"A\""));
            }
        } else if (row[0] == "parse") {
            QList<CTerritoryRule> rules;
            QString error;
            const bool ok = TerritoryRules::Parse(row.Text(1), &rules, &error);
            if (row[2] == "ERROR") {
                EXPECT_FALSE(ok) << Where("territory_rules", row);
                EXPECT_FALSE(error.isEmpty());
                continue;
            }
            ASSERT_TRUE(ok) << Where("territory_rules", row) << error.toStdString();
            QStringList texts;
            for (const CTerritoryRule& r : rules)
                texts << r.Text();
            EXPECT_EQ(texts.join(" | "), row.Text(2)) << Where("territory_rules", row);
        } else {
            ADD_FAILURE() << Where("territory_rules", row) << ": unknown kind";
        }
    }
}

TEST(TerritoryRules, ExceptionsWinOverRulesAndRowsAreCountedPerTerritory) {
    CTerritoryData data = dataOf("A=DE 80-87 | B=DE 8*");
    data.exceptions << CTerritoryException{"DE", "80331", "München", "", 2}
                    << CTerritoryException{"DE", "85221", "Dachau", "Ost", 0};
    const CTerritoryAssigner assigner(data);
    CTerritoryAssigner::Placement p = assigner.Place("DE", "80331", "München", "");
    EXPECT_EQ(p.territory, 2);
    EXPECT_TRUE(p.exception);
    EXPECT_EQ(assigner.Reason(p), "einzeln zugewiesen");
    // Another place of the same code, or the same place with another part, follows the rule.
    p = assigner.Place("DE", "80331", "München", "Altstadt");
    EXPECT_EQ(p.territory, 1);
    EXPECT_EQ(assigner.Reason(p), "Regel DE 80-87");
    // An exception to no territory takes the place out of every rule.
    p = assigner.Place("DE", "85221", "Dachau", "Ost");
    EXPECT_EQ(p.territory, 0);
    EXPECT_TRUE(p.exception);
    EXPECT_EQ(assigner.Reason(assigner.Place("AT", "1010", "Wien", "")), "keine Regel");
    // What each placement overrides: the wider rule under a rule, the best rule under an
    // exception, nothing under the widest.
    p = assigner.Place("DE", "80331", "München", "Altstadt");
    EXPECT_EQ(assigner.Rules().value(assigner.OverlappedRule(p, "DE", "80331")).Text(), "DE 8*");
    p = assigner.Place("DE", "80331", "München", "");
    EXPECT_EQ(assigner.Rules().value(assigner.OverlappedRule(p, "DE", "80331")).Text(), "DE 80-87");
    p = assigner.Place("DE", "88045", "Friedrichshafen", "");
    EXPECT_EQ(assigner.OverlappedRule(p, "DE", "88045"), -1);
    EXPECT_EQ(assigner.OverlappedRule(assigner.Place("AT", "1010", "Wien", ""), "AT", "1010"), -1);

    const std::vector<CTerritoryAssigner::Placement> placements{
        assigner.Place("DE", "80331", "München", ""), assigner.Place("DE", "80333", "München", ""),
        assigner.Place("DE", "88045", "Friedrichshafen", ""),
        assigner.Place("AT", "1010", "Wien", "")};
    const CTerritoryTotals totals = CTerritoryTotals::Count(placements);
    EXPECT_EQ(totals.places.value(1), 1);
    EXPECT_EQ(totals.places.value(2), 2);
    EXPECT_EQ(totals.places.value(0), 1);
    EXPECT_EQ(CTerritoryTotals::Spread(totals.places, data.territories), 1);
}

TEST(TerritoryNames, AnyPrintableTextIsANameButNotControlsOrBlanks) {
    for (const QString& name : {QStringLiteral("Süd-Ost; \"Bayern\" 'n' Co."),
                                QStringLiteral("Robert'); DROP TABLE GEBIET;--"),
                                QStringLiteral("Nord \U0001F600"), QStringLiteral("=SUMME(A1)")})
        EXPECT_TRUE(TerritoryNames::Problem(name).isEmpty()) << name.toStdString();
    for (const QString& name :
         {QString(), QStringLiteral("   "), QStringLiteral("Nord\nSüd"), QStringLiteral("A\tB"),
          QString(TerritoryNames::kMaxName + 1, QLatin1Char('x'))})
        EXPECT_FALSE(TerritoryNames::Problem(name).isEmpty()) << name.toStdString();
    // New territories get distinct colours.
    QStringList colors;
    for (int i = 0; i < 50; ++i) {
        colors << TerritoryNames::DefaultColor(i);
        EXPECT_TRUE(TerritoryNames::IsColor(colors.last())) << colors.last().toStdString();
    }
    colors.removeDuplicates();
    EXPECT_EQ(colors.size(), 50);
}

TEST(TableListValues, NumberCellsAreReadInGermanAndSpreadsheetForms) {
    for (const CaseTable::Row& row : CaseTable::Read("list_numbers")) {
        double value = 0;
        const bool number = TableListValues::Parse(row.Text(0), &value);
        if (row[1] == "-") {
            EXPECT_FALSE(number) << Where("list_numbers", row) << ": " << value;
        } else {
            ASSERT_TRUE(number) << Where("list_numbers", row);
            EXPECT_DOUBLE_EQ(value, row[1].toDouble()) << Where("list_numbers", row);
        }
    }
}
