// Drawing the GEO rows: colours, pixels and squares, names, memo marks, the selected place
// and the progress of a repaint.
#include "base/Progress.h"
#include "common/TestSupport.h"
#include "render/draw/DeviceContext.h"
#include "render/map/MapImage.h"
#include "render/map/MapStyle.h"
#include "render/map/MapTestSupport.h"

#include <QPainter>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <gtest/gtest.h>

using namespace MapTest;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// Records what a repaint reports.
class RecordingProgress : public CProgress {
public:
    void Start(const QString& caption) override { captions << caption; }
    void SetPos(int percent) override { positions << percent; }
    void Finish() override { ++finished; }
    QStringList captions;
    QList<int> positions;
    int finished = 0;
};

// The default settings with a selected place.
CMapSettings WithSelectedPlace(double lon, double lat, const QString& name) {
    CMapSettings settings = DefaultSettings();
    settings.selected = CMapSelectedPlace{lon, lat, name};
    return settings;
}

} // namespace

TEST(MapStyle, LabelsKeepTwentyCharacters) {
    const QString twenty = QStringLiteral("Hohenschönhausen-Ost");
    ASSERT_EQ(twenty.size(), 20);
    EXPECT_EQ(MapStyle::FormatLabel(twenty), " " + twenty + " ");
    EXPECT_EQ(MapStyle::FormatLabel(twenty + "West1"), " " + twenty + "... ");
}

TEST(MapPlaces, EachRowIsAPixelInItsCountryColourInsideThePlot) {
    TempGeo geo({{"DE", "10115", "Berlin", "13.4", "52.5"},
                 {"de", "01067", "klein", "8.6", "49.3"},
                 {"", "99", "ohne Staat", "10.0", "50.0"},
                 {"FL", "9490", "Vaduz", "9.52", "47.14"},
                 {"DE", "99999", "links draussen", "2.0", "50.0"},
                 {"AT", "1010", "ohne Zahl", "Wien", "48.2"}});
    CMapCanvas canvas(geo.Db(), DefaultSettings());
    const QImage img = Render(canvas);
    EXPECT_EQ(Pixel(img, 558, 192), RGB(255, 0, 0));
    EXPECT_EQ(Pixel(img, 334, 364), kBlack); // lower-case "de"
    EXPECT_EQ(Pixel(img, 400, 327), kBlack); // no Staat
    const QPoint vaduz = canvas.LonLatToPoint(9.52, 47.14);
    EXPECT_EQ(Pixel(img, vaduz.x(), vaduz.y()), RGB(200, 0, 200));
    // One pixel each: the neighbours stay white.
    EXPECT_EQ(CountColor(img, 556, 190, 5, 5, RGB(255, 0, 0)), 1);
    EXPECT_EQ(Pixel(img, 26, 327), kWhite); // outside the plot: not drawn
    // A longitude that is no number counts as 0: far left of the plot, not drawn.
    EXPECT_EQ(CountColor(img, 0, 0, 800, 600, RGB(0, 200, 0)), 0);
}

TEST(MapPlaces, HalfSizeTwoDrawsFourByFourSquares) {
    TempGeo geo({{"CH", "8001", "Zürich", "8.6", "49.3"}});
    CMapCanvas canvas(geo.Db(), DefaultSettings(false, 2));
    const QImage img = Render(canvas);
    const COLORREF blue = RGB(0, 0, 200);
    EXPECT_EQ(CountColor(img, 332, 362, 4, 4, blue), 16); // (x-2, y-2) to (x+1, y+1)
    EXPECT_EQ(CountColor(img, 320, 350, 30, 30, blue), 16);
}

TEST(MapPlaces, NamesOnlyWhereThePoint100Right25DownIsInsideThePlot) {
    TempGeo geo({{"DE", "60311", "Frankfurt", "8.6", "49.3", {}, "Altstadt"},
                 {"DE", "78462", "rechts am Rand", "16.0", "50.0"},
                 {"DE", "79098", "unten am Rand", "8.0", "45.8"}});
    CMapCanvas canvas(geo.Db(), DefaultSettings(true, 0));
    const QImage img = Render(canvas);
    // One-pixel places: the name's cell starts at the place itself.
    EXPECT_EQ(Pixel(img, 335, 365), RGB(240, 240, 240));
    EXPECT_EQ(Pixel(img, 335, 377), RGB(220, 220, 0)); // Ortsteil 11 pixels lower
    const QPoint right = canvas.LonLatToPoint(16.0, 50.0);
    const QPoint low = canvas.LonLatToPoint(8.0, 45.8);
    EXPECT_EQ(CountColor(img, right.x(), right.y(), 30, 12, RGB(240, 240, 240)), 0);
    EXPECT_EQ(CountColor(img, low.x(), low.y(), 30, 12, RGB(240, 240, 240)), 0);
    EXPECT_EQ(Pixel(img, right.x(), right.y()), RGB(255, 0, 0));
}

TEST(MapPlaces, MemoMarksAlsoOutsideThePlotInTheFontSelectedLast) {
    // Right of the frame: (768, 327).
    const GeoRow memoRow{"DE", "99998", "Rechtsaussen", "17.9", "50.0", "  Notiz  "};
    const GeoRow blankMemo{"DE", "99999", "Leer", "17.9", "47.0", " \t "};
    TempGeo geo({memoRow, blankMemo});
    CMapCanvas canvas(geo.Db(), DefaultSettings());
    canvas.m_bShowMemos = true;
    QImage img = Render(canvas);
    ASSERT_EQ(canvas.LonLatToPoint(17.9, 50.0), QPoint(768, 327));
    EXPECT_EQ(CountColor(img, 759, 327, 19, 1, kBlack), 19); // arms of 10, ends left out
    EXPECT_EQ(Pixel(img, 758, 327), kWhite);
    EXPECT_EQ(Pixel(img, 778, 327), kWhite);
    EXPECT_EQ(CountColor(img, 768, 318, 1, 19, kBlack), 19);
    EXPECT_EQ(Pixel(img, 768, 317), kWhite);
    // Place label on grey at (x+5, y+5), memo on yellow at (x+5, y+20); without a name
    // drawn before, the axis font (14 high) is still selected.
    EXPECT_EQ(Pixel(img, 774, 333), RGB(200, 200, 200));
    EXPECT_EQ(Pixel(img, 774, 345), RGB(200, 200, 200));
    EXPECT_EQ(Pixel(img, 774, 346), kWhite);
    EXPECT_EQ(Pixel(img, 774, 348), RGB(255, 255, 0));
    // A memo of blanks only has no mark.
    const QPoint blank = canvas.LonLatToPoint(17.9, 47.0);
    EXPECT_EQ(CountColor(img, blank.x() - 10, blank.y(), 21, 1, kBlack), 0);

    // A name drawn earlier in the same repaint leaves the names font (12 high) selected.
    geo.Insert({{"AT", "1010", "Wien", "8.6", "49.3"}});
    canvas.m_bShowNames = true;
    img = Render(canvas);
    EXPECT_EQ(Pixel(img, 774, 343), RGB(200, 200, 200));
    EXPECT_EQ(Pixel(img, 774, 344), kWhite);
}

TEST(MapPlaces, SelectedPlaceIsMarkedInsideThePlotOnly) {
    TempGeo geo;
    {
        CMapCanvas canvas(geo.Db(), DefaultSettings());
        const QImage img = Render(canvas); // 0 E 0 N: outside
        EXPECT_EQ(CountColor(img, 0, 0, 800, 600, RGB(200, 200, 100)), 0);
    }
    CMapCanvas canvas(geo.Db(), WithSelectedPlace(10.0, 50.0, QStringLiteral("Fulda")));
    const QImage img = Render(canvas);
    EXPECT_EQ(CountColor(img, 391, 327, 19, 1, kBlack), 19);
    // The label's cell at (x+5, y+5) is 22 high; the grid line at y = 354 shows below it.
    EXPECT_EQ(Pixel(img, 406, 332), RGB(200, 200, 100));
    EXPECT_EQ(Pixel(img, 406, 332 + 21), RGB(200, 200, 100));
    EXPECT_EQ(Pixel(img, 406, 332 + 22), RGB(200, 200, 200));
}

TEST(MapPlaces, ProgressRunsOncePerRepaintAlsoForAnEmptyTable) {
    TempGeo geo;
    CMapCanvas canvas(geo.Db(), DefaultSettings());
    RecordingProgress empty;
    EXPECT_TRUE(canvas.Repaint(QSize(800, 600), QSize(800, 600), &empty).isEmpty());
    EXPECT_EQ(empty.captions, QStringList{QStringLiteral("Mappe wird gezeichnet:")});
    EXPECT_TRUE(empty.positions.isEmpty());
    EXPECT_EQ(empty.finished, 1);

    QList<GeoRow> rows;
    for (int i = 0; i < 7; ++i)
        rows.append({"DE", QString::number(10000 + i), "Ort", "9", "50"});
    geo.Insert(rows);
    RecordingProgress filled;
    canvas.Repaint(QSize(800, 600), QSize(800, 600), &filled);
    EXPECT_EQ(filled.positions, (QList<int>{0, 14, 28, 42, 57, 71, 85}));
    EXPECT_EQ(filled.finished, 1);
    // With the rows kept the bar follows the drawing, in the same steps.
    RecordingProgress kept;
    canvas.Repaint(QSize(800, 600), QSize(800, 600), &kept);
    EXPECT_EQ(kept.positions, (QList<int>{0, 14, 28, 42, 57, 71, 85}));
}

// The dots a window's image gets set straight in its lines are those the painter fills on
// any other image: every row inside the plot and none on its edge or beyond, of rows on one
// pixel the later in Staat order on top; the progress of a repaint from kept rows passes
// every percent once.
TEST(MapPlaces, DotsSetInTheImageAreThoseThePainterFills) {
    const char* staaten[] = {"DE", "AT", "", "CH", "FL", "BE"};
    QList<GeoRow> rows;
    for (int i = 0; i < 3200; ++i) {
        const QString lon = QString::number(2.4 + (i % 160) * 0.095, 'f', 4);
        const QString lat = QString::number(45.4 + (i / 160) * 0.53, 'f', 4);
        // Each place twice, of two countries, the later one in the table first.
        rows.append({staaten[(i + 1) % 6], QString::number(i), "Ort", lon, lat});
        rows.append({staaten[i % 6], QString::number(i), "Ort", lon, lat});
    }
    TempGeo geo(rows);
    CMapCanvas canvas(geo.Db(), DefaultSettings());
    const QImage direct = Render(canvas);

    QImage filled(800, 600, QImage::Format_RGB888);
    filled.fill(Qt::white);
    {
        QPainter painter(&filled);
        CDeviceContext dc(painter);
        ASSERT_TRUE(canvas.OnDraw(dc, QSize(800, 600)).isEmpty());
    }
    EXPECT_EQ(direct, filled.convertToFormat(QImage::Format_RGB32));
    for (const COLORREF color : {RGB(255, 0, 0), RGB(0, 200, 0), RGB(0, 0, 200)})
        EXPECT_GT(CountColor(direct, 0, 0, 800, 600, color), 100);

    RecordingProgress progress;
    canvas.Repaint(QSize(800, 600), QSize(800, 600), &progress);
    QList<int> percents;
    for (int p = 0; p < 100; ++p)
        percents << p;
    EXPECT_EQ(progress.positions, percents);
    EXPECT_EQ(canvas.BackBuffer(), direct);
}

TEST(MapPlaces, WithoutADatabaseTheFrameAndSelectedPlaceAreStillDrawn) {
    CGeoDatabase closed;
    CMapCanvas canvas(closed, WithSelectedPlace(10.0, 50.0, QStringLiteral("Fulda")));
    const QImage img = Render(canvas);
    EXPECT_EQ(Pixel(img, 50, 310), kBlack);
    EXPECT_EQ(Pixel(img, 406, 333), RGB(200, 200, 100));
}

TEST(MapPlaces, ARepaintReadsTheDatabaseOnlyWhenItsDataHasChanged) {
    TempGeo geo({{"DE", "10115", "Berlin", "13.4", "52.5"}});
    // Every statement this connection runs that reads table GEO.
    int reads = 0;
    sqlite3_trace_v2(
        TestSupport::SqliteHandle(geo.Db()), SQLITE_TRACE_STMT,
        [](unsigned, void* counter, void* stmt, void*) {
            if (QByteArray(sqlite3_sql(static_cast<sqlite3_stmt*>(stmt))).contains("FROM GEO"))
                ++*static_cast<int*>(counter);
            return 0;
        },
        &reads);
    CMapCanvas canvas(geo.Db(), DefaultSettings());
    canvas.m_bShowMemos = true;
    Render(canvas);
    EXPECT_GT(reads, 0);
    // A resize, a switch, a second map: nothing is read.
    reads = 0;
    Render(canvas, 640, 480);
    canvas.m_bShowNames = true;
    QImage img = Render(canvas);
    EXPECT_EQ(Pixel(img, 558, 192), RGB(240, 240, 240)); // the name's cell
    CMapCanvas second(geo.Db(), DefaultSettings());
    img = Render(second);
    EXPECT_EQ(reads, 0);
    EXPECT_EQ(Pixel(img, 558, 192), RGB(255, 0, 0));
    canvas.m_bShowNames = false;

    // Another program adds a place; this one writes a memo: each shows at the next repaint.
    CGeoDatabase other;
    ASSERT_TRUE(other.Open(geo.Path()));
    ASSERT_TRUE(other.Execute("INSERT INTO GEO (Staat, PLZ, Langengrad, Breitengrad) VALUES "
                              "('AT', '1010', '16.37', '48.21')"));
    img = Render(canvas);
    const QPoint wien = canvas.LonLatToPoint(16.37, 48.21);
    EXPECT_EQ(Pixel(img, wien.x(), wien.y()), RGB(0, 200, 0));
    ASSERT_TRUE(geo.Db().UpdateFields(
        geo.Db().m_Table, {"1", "", "", "", "", "", "", "", "", "", "", "", "Notiz"}, {GEO_MEMO}));
    img = Render(canvas);
    EXPECT_EQ(Pixel(img, 558 + 10 - 1, 192), kBlack); // the memo's cross
    sqlite3_trace_v2(TestSupport::SqliteHandle(geo.Db()), 0, nullptr, nullptr);
}

TEST(MapPlaces, OnPaperAMarkerALaterOneCoversIsLeftOut) {
    // Wien and a Swiss row at the same point, Berlin twice: rows are drawn in Staat, PLZ
    // order, so the Swiss marker covers the Austrian one and the second Berlin the first.
    TempGeo geo({{"AT", "1010", "Wien", "16.4", "48.2"},
                 {"CH", "9999", "Gleich", "16.4", "48.2"},
                 {"DE", "10115", "Berlin", "13.4", "52.5"},
                 {"DE", "10117", "Berlin", "13.4", "52.5"},
                 {"DE", "80331", "München", "11.6", "48.1"}});
    CMapCanvas canvas(geo.Db(), DefaultSettings(false, 3));
    QTemporaryDir dir;
    const QString path = dir.filePath("karte.svg");
    QString error;
    ASSERT_TRUE(MapImage::WriteSvg(canvas, QSize(800, 600), path, &error)) << error.toStdString();
    const QByteArray svg = TestSupport::ReadFile(path);
    auto fills = [&](const char* staat) {
        const COLORREF c = MapStyle::CountryColor(staat);
        const QByteArray name = QStringLiteral("fill=\"#%1%2%3\"")
                                    .arg(GetRValue(c), 2, 16, QLatin1Char('0'))
                                    .arg(GetGValue(c), 2, 16, QLatin1Char('0'))
                                    .arg(GetBValue(c), 2, 16, QLatin1Char('0'))
                                    .toLatin1();
        return svg.count(name);
    };
    EXPECT_EQ(fills("AT"), 0) << svg.constData();
    EXPECT_GT(fills("CH"), 0);
    EXPECT_GT(fills("DE"), 0);
    // The window's picture is as it always was: each marker drawn.
    const QImage img = Render(canvas);
    const QPoint wien = canvas.LonLatToPoint(16.4, 48.2), berlin = canvas.LonLatToPoint(13.4, 52.5);
    EXPECT_EQ(Pixel(img, wien.x(), wien.y()), MapStyle::CountryColor("CH"));
    EXPECT_EQ(Pixel(img, berlin.x(), berlin.y()), MapStyle::CountryColor("DE"));
}
