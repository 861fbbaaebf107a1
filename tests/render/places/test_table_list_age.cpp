// Colouring a list's dated entries by their age on the reference day.
#include "common/CaseTable.h"

#include "render/places/TableList.h"
#include "render/places/TableListAge.h"

#include <gtest/gtest.h>

namespace {

TEST(TableListAge, RulesAsWrittenAndRefused) {
    const QList<CaseTable::Row> rows = CaseTable::Read("age_rules");
    ASSERT_FALSE(rows.isEmpty());
    for (const CaseTable::Row& row : rows) {
        SCOPED_TRACE(CaseTable::Where("age_rules", row));
        QList<CAgeRule> rules{CAgeRule{7, RGB(1, 1, 1)}};
        QString error;
        const bool ok = TableListAge::Parse(row.Text(0), &rules, &error);
        if (row.Text(1) == "ERROR") {
            EXPECT_FALSE(ok);
            EXPECT_FALSE(error.isEmpty());
            // A refused text leaves the rules as they were.
            EXPECT_EQ(rules, (QList<CAgeRule>{CAgeRule{7, RGB(1, 1, 1)}}));
            continue;
        }
        ASSERT_TRUE(ok) << error.toStdString();
        EXPECT_EQ(TableListAge::Format(rules), row.Text(1));
    }
}

TEST(TableListAge, TheLongestRuleOverstepped) {
    QList<CAgeRule> rules;
    QString error;
    ASSERT_TRUE(TableListAge::Parse("90=255,0,0; 30=255,165,0", &rules, &error));
    const QDate day(2026, 12, 24);
    EXPECT_EQ(TableListAge::RuleFor(rules, day.addDays(-30), day), nullptr); // "über 30": no
    EXPECT_EQ(TableListAge::RuleFor(rules, day.addDays(-31), day)->nDays, 30);
    EXPECT_EQ(TableListAge::RuleFor(rules, day.addDays(-90), day)->nDays, 30);
    EXPECT_EQ(TableListAge::RuleFor(rules, day.addDays(-91), day)->nDays, 90);
    EXPECT_EQ(TableListAge::RuleFor(rules, day.addDays(5), day), nullptr); // later: not shown
    EXPECT_EQ(TableListAge::RuleFor(rules, QDate(), day), nullptr);        // undated
    EXPECT_EQ(TableListAge::RuleText(rules[0]), "seit über 30 Tagen");
    EXPECT_EQ(TableListAge::RuleText(CAgeRule{1, 0}), "seit über 1 Tag");

    // The entries shown on the day: only the old ones change colour, fill and text alike;
    // the list's own entries keep theirs.
    CPlaceList entries(3);
    for (CPlaceEntry& e : entries) {
        e.m_crMarker = RGB(31, 119, 180);
        e.m_strMarkerColor = "31,119,180";
    }
    entries[0].m_dtDate = day.addDays(-100);
    entries[1].m_dtDate = day.addDays(-10);
    CPlaceList shown = TableList::AsOf(entries, day);
    TableListAge::Colour(shown, rules, day);
    EXPECT_EQ(shown[0].m_crMarker, RGB(255, 0, 0));
    EXPECT_EQ(shown[0].m_strMarkerColor, "255,0,0");
    EXPECT_EQ(shown[1].m_crMarker, RGB(31, 119, 180));
    EXPECT_EQ(shown[2].m_crMarker, RGB(31, 119, 180));
    EXPECT_EQ(entries[0].m_crMarker, RGB(31, 119, 180));
    // A day 70 days on: the younger entry is past 30 days too.
    shown = TableList::AsOf(entries, day.addDays(70));
    TableListAge::Colour(shown, rules, day.addDays(70));
    EXPECT_EQ(shown[1].m_crMarker, RGB(255, 165, 0));
}

} // namespace
