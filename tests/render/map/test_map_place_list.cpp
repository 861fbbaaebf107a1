// The place list on the map: markers and labels, the rows found for the entries, blinking,
// and an engine error during a repaint.
#include "base/Progress.h"
#include "render/draw/DeviceContext.h"
#include "render/map/MapTestSupport.h"
#include "render/places/PlaceFile.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "store/GeoRecordset.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace MapTest;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

CPlaceList readPlaces(const QByteArray& file) {
    CPlaceList places;
    CPlaceFileReader().Read(file, places);
    return places;
}

CPlaceEntry entry(const QString& staat, const QString& plz) {
    CPlaceList list = readPlaces("XX;1;0;0;0;0;0;0;0");
    list[0].m_strStaat = staat;
    list[0].m_strPLZ = plz;
    return list[0];
}

int textWidth(int fontHeight, const QString& text) {
    QImage image(1, 1, QImage::Format_RGB32);
    QPainter painter(&image);
    CDeviceContext dc(painter);
    dc.SelectObject(CFont(fontHeight));
    return dc.GetTextExtent(text).width();
}

class CountingProgress : public CProgress {
public:
    void Start(const QString&) override { ++started; }
    void SetPos(int) override {}
    void Finish() override { ++finished; }
    int started = 0, finished = 0;
};

const GeoRow kFrankfurt{"DE", "60311", "Frankfurt", "8.6", "49.3"}; // (334, 364)

} // namespace

TEST(MapPlaceList, MarkerLabelAndCentrePixel) {
    TempGeo geo({kFrankfurt});
    CPlaceList places = readPlaces("DE;60311;0;3;0;255,0,0;0,0,255;14;0\n");
    CMapCanvas canvas(geo.Db(), DefaultSettings());
    canvas.SetPlaceList(&places);
    const QImage img = Render(canvas);
    EXPECT_EQ(places[0].m_nX, 334);
    EXPECT_EQ(places[0].m_nY, 364);
    // Outline (x-3, y-3) to (x+2, y+2), a 4 x 4 fill from (x-2, y-2), black centre.
    EXPECT_EQ(CountColor(img, 331, 361, 6, 6, kBlack), 20 + 1);
    EXPECT_EQ(CountColor(img, 332, 362, 4, 4, kRed), 15);
    EXPECT_EQ(Pixel(img, 334, 364), kBlack);
    EXPECT_EQ(Pixel(img, 337, 364), kWhite);
    EXPECT_EQ(Pixel(img, 331, 360), kWhite);
    // The label " Frankfurt " (the row's Ort) at (x+3, y+3), on the fill colour left by the
    // marker, written in the text colour.
    const int w = textWidth(14, QStringLiteral(" Frankfurt "));
    EXPECT_EQ(Pixel(img, 337, 367), kRed);
    EXPECT_EQ(Pixel(img, 337 + w - 1, 367 + 13), kRed);
    EXPECT_EQ(Pixel(img, 337 + w, 367), kWhite);
    EXPECT_GT(CountColor(img, 337, 367, w, 14, RGB(0, 0, 255)), 5);
}

TEST(MapPlaceList, WithoutMarkerTheLabelKeepsTheBackgroundOfEarlierDrawing) {
    // Squares of half size 2 leave the last fill colour (CH blue) as background colour.
    TempGeo geo({{"CH", "8001", "Zürich", "8.6", "49.3"}, {"AT", "1010", "Wien", "12.0", "48.0"}});
    CPlaceList places = readPlaces("AT;1010;0;0;0;0;0;12;Hallo\nAT;1010;0;0;0;0;255,0,0;0;0\n");
    CMapCanvas canvas(geo.Db(), DefaultSettings(false, 2));
    canvas.SetPlaceList(&places);
    const QImage img = Render(canvas);
    const QPoint wien = canvas.LonLatToPoint(12.0, 48.0);
    const int w = textWidth(12, QStringLiteral(" Hallo "));
    const int blue = CountColor(img, wien.x(), wien.y(), w, 12, RGB(0, 0, 200));
    EXPECT_EQ(Pixel(img, wien.x() + 1, wien.y() + 1), RGB(0, 0, 200));
    EXPECT_EQ(Pixel(img, wien.x() + w - 1, wien.y() + 11), RGB(0, 0, 200));
    EXPECT_EQ(Pixel(img, wien.x(), wien.y()), kBlack);
    EXPECT_GT(w * 12 - blue, 10); // the glyphs
    EXPECT_GT(blue, w * 12 / 2);
}

TEST(MapPlaceList, EntriesFindTheRowThePerEntryQueryGivesFirst) {
    // Duplicates, case variants, blanks, apostrophes and NULLs, each row at its own point.
    const QList<std::pair<QString, QString>> stored = {
        {"DE", "10115 "}, {"de", "10115"}, {"DE", "10115"}, {"at", "1010"}, {"AT", "1010"},
        {"CH", "8001"},   {"CH", "8001"},  {"DE", "O'1"},   {"ÄB", "1"},    {"äb", "2"},
        {"DE", ""},       {"", "5"},       {"DE", "10115"}};
    QList<GeoRow> rows;
    for (int i = 0; i < stored.size(); ++i)
        rows.append({stored[i].first, stored[i].second, QStringLiteral("Ort %1").arg(i),
                     QString::number(4.0 + 0.5 * i), QString::number(46.0 + 0.25 * i)});
    TempGeo geo(rows);

    const QList<std::pair<QString, QString>> wanted = {
        {"DE", "10115"}, {"de", "10115"},     {"dE", "10115"}, {"DE", "10115 "}, {"AT", "1010"},
        {"at", "1010"},  {"ch", "8001"},      {"DE", "O'1"},   {"de", "o'1"},    {"D'", "1'0"},
        {"ÄB", "1"},     {"äb", "1"},         {"äb", "2"},     {"DE", ""},       {"", "5"},
        {"DE", "99999"}, {"'", "' OR 1=1 --"}};
    CPlaceList places;
    for (const auto& w : wanted) {
        places.append(entry(w.first, w.second));
        places.last().m_nX = places.last().m_nY = -5;
    }
    CMapCanvas canvas(geo.Db(), DefaultSettings());
    canvas.SetPlaceList(&places);
    Render(canvas);

    int found = 0;
    for (int i = 0; i < wanted.size(); ++i) {
        SCOPED_TRACE(qPrintable(wanted[i].first + "/" + wanted[i].second));
        CGeoRecordset rs(geo.Db());
        ASSERT_TRUE(rs.Open(QStringLiteral("SELECT * FROM GEO WHERE [Staat]=? AND [PLZ]=?;"),
                            {wanted[i].first, wanted[i].second}));
        QPoint expected(-5, -5);
        if (rs.MoveNext()) {
            expected = canvas.LonLatToPoint(rs.FieldText(rs.FieldIndex("Langengrad")).toDouble(),
                                            rs.FieldText(rs.FieldIndex("Breitengrad")).toDouble());
            ++found;
        }
        EXPECT_FALSE(rs.HasError());
        EXPECT_EQ(QPoint(places[i].m_nX, places[i].m_nY), expected);
    }
    EXPECT_EQ(found, 11);
}

TEST(MapPlaceList, TheLookupKeepsTheSmallestKeyWhateverTheCase) {
    TempGeo geo({{"DE", "1011", "kürzer", "3", "0"},
                 {"FL", "10115", "Liechtenstein", "8", "0"},
                 {"De", "10115", "vier", "4", "0"},
                 {"DE", "10115", "sieben", "7", "0"},
                 {"AT", "10115", "Österreich", "5", "0"},
                 {"de", "10115", "neun", "9", "0"}});
    QString error;
    const std::shared_ptr<const CGeoPlaceRows> rows =
        CGeoPlaceRowsCache::Of(geo.Db()).Rows(true, nullptr, &error);
    ASSERT_TRUE(error.isEmpty());
    CPlaceLookup lookup;
    lookup.Prepare({entry("DE", "10115"), entry("AT", "1010"), entry("de", "10115")});
    lookup.Resolve(*rows);
    ASSERT_NE(lookup.Find(0), nullptr);
    EXPECT_EQ(lookup.Find(0)->ort, QByteArray("vier"));
    EXPECT_EQ(lookup.Find(0)->dLon, 4.0);
    EXPECT_EQ(lookup.Find(2)->ort, QByteArray("vier"));
    EXPECT_EQ(lookup.Find(1), nullptr);
    EXPECT_EQ(lookup.Find(3), nullptr);
}

// Entries are looked up by the place they name; entries naming one place share its row, and
// no two places are taken for one, whatever their texts hold.
TEST(MapPlaceList, EntriesOfOnePlaceShareItsRowAndNoOtherPlaceIsTakenForIt) {
    TempGeo geo({{"DE", "10115", "Berlin", "4", "0"},
                 {"DE", "10115", "Gesundbrunnen", "7", "0"},
                 {"DE", "1", "Eins", "5", "0"}});
    QString error;
    const std::shared_ptr<const CGeoPlaceRows> rows =
        CGeoPlaceRowsCache::Of(geo.Db()).Rows(true, nullptr, &error);
    ASSERT_TRUE(error.isEmpty());
    auto named = [](const QString& staat, const QString& plz, const QString& ort) {
        CPlaceEntry e = entry(staat, plz);
        e.m_strOrt = ort;
        return e;
    };
    CPlaceLookup lookup;
    lookup.Prepare({entry("DE", "10115"), named("DE", "10115", "GESUNDBRUNNEN"),
                    named("DE", "10115", "Nirgendwo"), entry("DE", QStringLiteral("10115\u0000")),
                    entry("DE1", "0115"), entry("DE", "10115"),
                    named("DE", "10115", "gesundbrunnen"), entry("D", "E1")});
    lookup.Resolve(*rows);
    const double lon[] = {4, 7, 4, -1, -1, 4, 7, -1}; // -1: no row
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        const CPlaceLookup::Row* row = lookup.Find(i);
        if (lon[i] < 0) {
            EXPECT_EQ(row, nullptr);
            continue;
        }
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->dLon, lon[i]);
        EXPECT_EQ(row->ort, lon[i] == 4 ? QByteArray("Berlin") : QByteArray("Gesundbrunnen"));
    }
    // Looked up again (the rows of the next repaint), the same.
    lookup.Resolve(*rows);
    ASSERT_NE(lookup.Find(6), nullptr);
    EXPECT_EQ(lookup.Find(6)->dLon, 7.0);
    EXPECT_EQ(lookup.Find(8), nullptr);
}

TEST(MapPlaceList, BlinkingAlternatesColourAndWhiteAndStopsWhenTheListIsHidden) {
    TempGeo geo({kFrankfurt,
                 {"AT", "1010", "Wien", "12.0", "48.0"},
                 {"CH", "8001", "Zürich", "8.0", "47.0"}});
    CPlaceList places = readPlaces("DE;60311;0;3;1;255,0,0;0;0;0\n" // blinks
                                   "AT;1010;0;3;0;0,0,255;0;0;0\n"  // steady
                                   "DE;99999;0;3;1;0;0;0;0\n"       // never found
                                   "CH;8001;0;0;1;0;0;0;0\n");      // blinks, no marker
    CMapCanvas canvas(geo.Db(), DefaultSettings());
    canvas.SetPlaceList(&places);
    Render(canvas);
    const QPoint wien = canvas.LonLatToPoint(12.0, 48.0);
    const QPoint zurich = canvas.LonLatToPoint(8.0, 47.0);
    const QImage before = canvas.BackBuffer();
    EXPECT_EQ(Pixel(before, 332, 362), kRed);

    const COLORREF expected[] = {kRed, kWhite, kRed, kWhite};
    for (const COLORREF colour : expected) {
        const QList<QRect> painted = canvas.OnTimer();
        const QImage& img = canvas.BackBuffer();
        ASSERT_EQ(painted.size(), 2);
        EXPECT_EQ(painted[0], QRect(331, 361, 6, 6));
        EXPECT_EQ(painted[1], QRect(zurich, QSize(1, 1)));
        EXPECT_EQ(CountColor(img, 332, 362, 4, 4, colour), 15);
        EXPECT_EQ(CountColor(img, 331, 361, 6, 6, kBlack), 21);
        EXPECT_EQ(Pixel(img, wien.x() - 2, wien.y() - 2), RGB(0, 0, 255));
        EXPECT_EQ(Pixel(img, zurich.x(), zurich.y()), kBlack);
        EXPECT_EQ(Pixel(img, zurich.x() + 1, zurich.y()),
                  Pixel(before, zurich.x() + 1, zurich.y()));
        EXPECT_EQ(img.copy(0, 0, 10, 10), before.copy(0, 0, 10, 10));
    }
    EXPECT_TRUE(places[0].m_bBlinkPhase);
    EXPECT_TRUE(places[1].m_bBlinkPhase);

    // Hidden: no step, and the next repaint draws no markers.
    canvas.m_bShowFilePlaces = false;
    const QImage shown = canvas.BackBuffer();
    EXPECT_TRUE(canvas.OnTimer().isEmpty());
    EXPECT_EQ(canvas.BackBuffer(), shown);
    EXPECT_TRUE(places[0].m_bBlinkPhase);
    QImage img = Render(canvas);
    EXPECT_EQ(Pixel(img, 332, 362), kWhite);
    EXPECT_EQ(Pixel(img, 334, 364), kRed);

    // Shown again: markers and blinking are back.
    canvas.m_bShowFilePlaces = true;
    img = Render(canvas);
    EXPECT_EQ(Pixel(img, 332, 362), kRed);
    EXPECT_EQ(canvas.OnTimer().size(), 2);
    EXPECT_EQ(Pixel(canvas.BackBuffer(), 332, 362), kRed);
    EXPECT_EQ(canvas.OnTimer().size(), 2);
    EXPECT_EQ(Pixel(canvas.BackBuffer(), 332, 362), kWhite);
}

TEST(MapPlaceList, AnEngineErrorEndsTheRepaintAndIsReportedOnce) {
    TempGeo geo({kFrankfurt});
    CPlaceList places = readPlaces("DE;60311;0;3;1;255,0,0;0;0;0\n");
    CMapCanvas canvas(geo.Db(), DefaultSettings());
    canvas.SetPlaceList(&places);
    // GEO becomes a view whose filter the engine refuses (a malformed pattern).
    ASSERT_TRUE(geo.Db().Execute("ALTER TABLE GEO RENAME TO G2"));
    ASSERT_TRUE(geo.Db().Execute("CREATE VIEW GEO AS SELECT * FROM G2 WHERE Ort LIKE '['"));

    CountingProgress progress;
    const QSize size(800, 600);
    const QString first = canvas.Repaint(size, size, &progress);
    EXPECT_TRUE(first.startsWith(QStringLiteral("Die Karte kann nicht vollständig gezeichnet")))
        << qPrintable(first);
    EXPECT_TRUE(canvas.Repaint(size, size, &progress).isEmpty());
    EXPECT_EQ(progress.started, 2);
    EXPECT_EQ(progress.finished, 2);
    EXPECT_EQ(places[0].m_nX, 0); // the place list was not drawn
    EXPECT_TRUE(canvas.OnTimer().isEmpty());

    // Mended: the next repaint succeeds; a new failure is reported again.
    ASSERT_TRUE(geo.Db().Execute("DROP VIEW GEO"));
    ASSERT_TRUE(geo.Db().Execute("ALTER TABLE G2 RENAME TO GEO"));
    EXPECT_TRUE(canvas.Repaint(size, size, &progress).isEmpty());
    EXPECT_EQ(places[0].m_nX, 334);
    ASSERT_TRUE(geo.Db().Execute("ALTER TABLE GEO RENAME TO G2"));
    ASSERT_TRUE(geo.Db().Execute("CREATE VIEW GEO AS SELECT * FROM G2 WHERE Ort LIKE '['"));
    EXPECT_FALSE(canvas.Repaint(size, size, &progress).isEmpty());
}
