// A list's compact entries give back exactly what was put in.
#include "common/LiveHeap.h"
#include "render/places/TableList.h"
#include "render/places/TableListEntries.h"

#include <gtest/gtest.h>

namespace {

CPlaceEntry entry(int line, const QString& plz, const QString& label) {
    CPlaceEntry e;
    e.m_nLine = line;
    e.m_bBlinkPhase = true;
    e.m_strStaat = "DE";
    e.m_strPLZ = plz;
    e.m_strDate = "0";
    e.m_strMarkerSize = "4";
    e.m_strBlink = "0";
    e.m_strMarkerColor = "0";
    e.m_strTextColor = "0";
    e.m_strFontHeight = label == "0" ? "0" : "14";
    e.m_strLabel = label;
    e.m_crMarker = RGB(200, 200, 0);
    return e;
}

void expectSame(const CPlaceEntry& a, const CPlaceEntry& b) {
    EXPECT_EQ(a.m_bBlinkPhase, b.m_bBlinkPhase);
    EXPECT_EQ(a.m_strStaat, b.m_strStaat);
    EXPECT_EQ(a.m_strPLZ, b.m_strPLZ);
    EXPECT_EQ(a.m_strDate, b.m_strDate);
    EXPECT_EQ(a.m_strMarkerSize, b.m_strMarkerSize);
    EXPECT_EQ(a.m_strBlink, b.m_strBlink);
    EXPECT_EQ(a.m_strMarkerColor, b.m_strMarkerColor);
    EXPECT_EQ(a.m_strTextColor, b.m_strTextColor);
    EXPECT_EQ(a.m_strFontHeight, b.m_strFontHeight);
    EXPECT_EQ(a.m_strLabel, b.m_strLabel);
    EXPECT_EQ(a.m_crMarker, b.m_crMarker);
    EXPECT_EQ(a.m_crText, b.m_crText);
    EXPECT_EQ(a.m_dtDate, b.m_dtDate);
    EXPECT_EQ(a.m_nLine, b.m_nLine);
    EXPECT_EQ(a.m_strOrt, b.m_strOrt);
}

TEST(TableListEntries, EveryFieldComesBackAsAppended) {
    QList<CPlaceEntry> in;
    in << entry(2, "01067", "Kunde Ä");
    in << entry(3, "01067", "0"); // the same postal code, the place name as label
    CPlaceEntry e = entry(4, "1010", "Wien");
    e.m_strStaat = "AT";
    e.m_strOrt = "Wien, Innere Stadt";
    e.m_dtDate = QDate(2026, 12, 24);
    e.m_strDate = "24.12.2026";
    e.m_strMarkerSize = "9";
    e.m_strBlink = "1";
    e.m_strMarkerColor = "31,119,180";
    e.m_crMarker = RGB(31, 119, 180);
    e.m_crText = RGB(1, 2, 3);
    e.m_strTextColor = "1,2,3";
    e.m_bBlinkPhase = false;
    in << e;
    e.m_nLine = 5;
    e.m_strLabel = QString(4096, u'x') + "\u20ac"; // a long cell, beyond Latin-1
    e.m_strOrt = "wien innere stadt";
    in << e;
    in << entry(6, "", ""); // empty texts stay empty, not "0"

    CTableListEntries entries;
    for (const CPlaceEntry& one : in)
        ASSERT_TRUE(entries.Append(one));
    ASSERT_EQ(entries.size(), in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        SCOPED_TRACE(i);
        expectSame(entries[i], in[i]);
        EXPECT_EQ(entries.Date(i), in[i].m_dtDate);
    }
    EXPECT_EQ(entries.Dates(), QList<QDate>{QDate(2026, 12, 24)});
    qsizetype n = 0;
    for (const CPlaceEntry& one : entries)
        expectSame(one, in[n++]);
    EXPECT_EQ(n, in.size());
}

TEST(TableListEntries, AnEntryBeyondTheTextLimitIsRefusedAndTheOthersStay) {
    CTableListEntries entries(64);
    ASSERT_TRUE(entries.Append(entry(2, "10115", "Berlin")));
    // Its new postal code and long label do not fit: neither is kept.
    EXPECT_FALSE(entries.Append(entry(3, "80331", QString(60, u'm'))));
    ASSERT_EQ(entries.size(), 1);
    // The postal code refused before is stored anew when it comes again, not pointing
    // past the end.
    ASSERT_TRUE(entries.Append(entry(4, "80331", "M")));
    ASSERT_TRUE(entries.Append(entry(5, "80331", "N")));
    EXPECT_EQ(entries[1].m_strPLZ, "80331");
    EXPECT_EQ(entries[2].m_strPLZ, "80331");
    EXPECT_EQ(entries[0].m_strLabel, "Berlin");
}

TEST(TableListEntries, AMapsPlaceListOfThemKeepsOneCopyOfEachPostalCodeAndPlaceName) {
    // A list of few places on many rows, as a customer list is, handed out at once.
    CTableListEntries entries;
    constexpr int kRows = 20'000;
    for (int i = 0; i < kRows; ++i) {
        CPlaceEntry e = entry(i + 2, QStringLiteral("%1").arg(10115 + i % 50), "0");
        e.m_strOrt = QStringLiteral("Berlin-Ortsteil %1").arg(i % 50);
        ASSERT_TRUE(entries.Append(e));
    }
    const qint64 before = LiveHeap::Bytes();
    const CPlaceList places = TableList::AsOf(entries, QDate(2026, 12, 24));
    const qint64 perEntry = (LiveHeap::Bytes() - before) / kRows;
    ASSERT_EQ(places.size(), kRows);
    EXPECT_EQ(places[kRows - 1].m_strOrt, "Berlin-Ortsteil 49");
    EXPECT_LT(perEntry, qint64(sizeof(CPlaceEntry)) + 16);
}

} // namespace
