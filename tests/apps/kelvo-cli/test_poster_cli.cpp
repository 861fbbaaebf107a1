// kelvo-cli render --poster: the poster on one page and on several smaller pages, read back
// from the PDF with poppler's tools.
#include "common/TestSupport.h"
#include "render/basemap/BaseMapData.h"
#include "render/map/MapPoster.h"
#include "render/map/MapPosterTiles.h"
#include "render/map/MapTestSupport.h"

#include <QImage>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace MapTest;

namespace {

// Page `page` (from 1) of a PDF at `dpi`, in grey.
QImage rasterise(const QString& pdf, int page, int dpi) {
    const QString base = pdf + QStringLiteral("-%1").arg(page);
    const QString n = QString::number(page);
    if (QProcess::execute("pdftoppm", {"-r", QString::number(dpi), "-gray", "-f", n, "-l", n,
                                       "-png", "-singlefile", pdf, base}) != 0)
        return {};
    return QImage(base + ".png").convertToFormat(QImage::Format_Grayscale8);
}

// The mean grey of a square of `side` pixels at (x, y); -1 where it leaves the image.
double meanGrey(const QImage& image, int x, int y, int side) {
    if (x < 0 || y < 0 || x + side > image.width() || y + side > image.height())
        return -1;
    double sum = 0;
    for (int j = y; j < y + side; ++j)
        for (int i = x; i < x + side; ++i)
            sum += image.constScanLine(j)[i];
    return sum / (side * side);
}

// How many squares of a page's part differ from the poster at the same place of the map,
// shifted by `shift` points: (squares compared, squares that differ, squares with ink).
struct Comparison {
    int compared = 0, differing = 0, inked = 0;
};
Comparison compareTile(const QImage& poster, QPointF posterOrigin, const QImage& tile,
                       QPointF tileOrigin, QSizeF part, double shift) {
    constexpr int kDpi = 72, kSide = 8;
    constexpr double kToPixels = kDpi / 72.0;
    Comparison c;
    for (double y = kSide; y + 2 * kSide < part.height(); y += kSide) {
        for (double x = kSide; x + 2 * kSide < part.width(); x += kSide) {
            const double a = meanGrey(tile, int(std::lround((tileOrigin.x() + x) * kToPixels)),
                                      int(std::lround((tileOrigin.y() + y) * kToPixels)), kSide);
            const double b =
                meanGrey(poster, int(std::lround((posterOrigin.x() + x + shift) * kToPixels)),
                         int(std::lround((posterOrigin.y() + y) * kToPixels)), kSide);
            if (a < 0 || b < 0)
                continue;
            ++c.compared;
            c.differing += std::abs(a - b) > 40;
            c.inked += b < 200;
        }
    }
    return c;
}

// Rows spread over the default extent, so that every part of the map has places and names.
QList<GeoRow> spreadRows() {
    QList<GeoRow> rows;
    int n = 0;
    for (double lon = 3.0; lon < 17.5; lon += 0.75)
        for (double lat = 46.0; lat < 55.5; lat += 0.5, ++n)
            rows.append({"DE", QString::number(10000 + n), QStringLiteral("Ort %1").arg(n),
                         QString::number(lon), QString::number(lat)});
    return rows;
}

} // namespace

TEST(PosterCli, TilesShowThePosterPartByPartWithTheirNamesAndOverlap) {
    TempGeo geo(spreadRows());
    const QString dir = QFileInfo(geo.Path()).absolutePath();
    const QStringList common = {"render", "--db",    geo.Path(),    "--names",  "--marker",
                                "3",      "--title", "Vier Seiten", "--poster", "500x350"};
    QString err;
    ASSERT_EQ(TestSupport::RunCli(common + QStringList{dir + "/p.pdf"}, dir, nullptr, &err), 0)
        << qPrintable(err);
    ASSERT_EQ(TestSupport::RunCli(common + QStringList{"--tiles", "A4", dir + "/t.pdf"}, dir,
                                  nullptr, &err),
              0)
        << qPrintable(err);

    const QString info = TestSupport::RunOutput("pdfinfo", {dir + "/t.pdf"});
    EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+4\\n"))) << qPrintable(info);
    EXPECT_TRUE(info.contains(QRegularExpression("Page size:\\s+842 x 595 pts \\(A4\\)")))
        << qPrintable(info);
    EXPECT_TRUE(TestSupport::RunOutput("pdftotext", {"-f", "1", "-l", "1", dir + "/t.pdf", "-"})
                    .contains("Vier Seiten"));
    const QString second =
        TestSupport::RunOutput("pdftotext", {"-f", "2", "-l", "2", dir + "/t.pdf", "-"});
    EXPECT_TRUE(second.contains("Seite 2 von 4 · Zeile 1, Spalte 2")) << qPrintable(second);
    EXPECT_FALSE(second.contains("Vier Seiten"));

    CPosterOptions options;
    ASSERT_TRUE(MapPoster::PageSizeFromName("500x350", &options.pageSize));
    const QPageLayout posterLayout = MapPoster::Layout(options);
    const QSizeF area = posterLayout.paintRect(QPageLayout::Point).size();
    const CPosterTiling tiling = MapPosterTiles::Tiling(area, QPageSize(QPageSize::A4));
    ASSERT_EQ(tiling.nColumns, 2);
    ASSERT_EQ(tiling.nRows, 2);
    // The last parts reach the end of the poster, and neighbours share their strip.
    EXPECT_GE(tiling.Origin(1, 1).x() + tiling.part.width(), area.width());
    EXPECT_GE(tiling.Origin(1, 1).y() + tiling.part.height(), area.height());
    EXPECT_NEAR(tiling.Origin(0, 1).x(), tiling.part.width() - tiling.dOverlap, 1e-9);

    const QImage poster = rasterise(dir + "/p.pdf", 1, 72);
    ASSERT_FALSE(poster.isNull());
    const QPointF posterArea = posterLayout.paintRect(QPageLayout::Point).topLeft();
    const QPointF tileArea = tiling.layout.paintRect(QPageLayout::Point).topLeft();
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 2; ++column) {
            const QImage tile = rasterise(dir + "/t.pdf", row * 2 + column + 1, 72);
            ASSERT_FALSE(tile.isNull());
            const QPointF posterAt = posterArea + tiling.Origin(row, column);
            const QPointF tileAt = tileArea + tiling.part.topLeft();
            const Comparison same =
                compareTile(poster, posterAt, tile, tileAt, tiling.part.size(), 0);
            SCOPED_TRACE(testing::Message() << "Zeile " << row << ", Spalte " << column);
            EXPECT_GT(same.compared, 3000);
            EXPECT_GT(same.inked, 100);
            EXPECT_LT(same.differing, same.inked / 10);
            // The comparison sees a part drawn a few points off.
            const Comparison off =
                compareTile(poster, posterAt, tile, tileAt, tiling.part.size(), 6);
            EXPECT_GT(off.differing, same.inked / 3);
        }
    }
}

TEST(PosterCli, TheScaleBarOnThePageMeasuresTheMap) {
    // Without true proportions the plot spans exactly the extent asked for.
    TempGeo geo({{"DE", "10115", "Berlin", "13.4", "52.5"}});
    const QString dir = QFileInfo(geo.Path()).absolutePath();
    QString err;
    ASSERT_EQ(TestSupport::RunCli({"render", "--db", geo.Path(), "--extent", "5,15,47,55",
                                   "--poster", "A3", dir + "/s.pdf"},
                                  dir, nullptr, &err),
              0)
        << qPrintable(err);
    const QImage page = rasterise(dir + "/s.pdf", 1, 144);
    ASSERT_FALSE(page.isNull());
    // The frame: the columns dark over most of the page's height.
    QList<int> frame;
    for (int x = 0; x < page.width(); ++x) {
        int dark = 0;
        for (int y = 0; y < page.height(); ++y)
            dark += page.constScanLine(y)[x] < 100;
        if (dark > page.height() / 2)
            frame.append(x);
    }
    ASSERT_GE(frame.size(), 2);
    const int plotWidth = frame.last() - frame.first();
    // The bar: the longest dark run of a row below the frame's last dark row.
    int frameBottom = 0;
    for (int y = 0; y < page.height(); ++y)
        if (page.constScanLine(y)[frame.first() + 20] < 100 &&
            page.constScanLine(y)[frame.last() - 20] < 100)
            frameBottom = y;
    int bar = 0;
    for (int y = frameBottom + 1; y < page.height(); ++y) {
        int run = 0;
        for (int x = frame.first(); x < page.width(); ++x) {
            run = page.constScanLine(y)[x] < 100 ? run + 1 : 0;
            bar = std::max(bar, run);
        }
    }
    const QString text = TestSupport::RunOutput("pdftotext", {dir + "/s.pdf", "-"});
    const QRegularExpressionMatch km = QRegularExpression("(\\d+) km").match(text);
    ASSERT_TRUE(km.hasMatch()) << qPrintable(text);
    // 10 degrees of longitude along 51 N.
    const double widthKm =
        10 * 6371.0088 * std::numbers::pi / 180 * std::cos(51 * std::numbers::pi / 180);
    const double expected = km.captured(1).toDouble() / widthKm * plotWidth;
    EXPECT_NEAR(bar, expected, expected * 0.01 + 2) << km.captured(0).toStdString();
}

TEST(PosterCli, PosterSizesAndTilesAreCheckedBeforeAnythingIsWritten) {
    TempGeo geo;
    const QString dir = QFileInfo(geo.Path()).absolutePath();
    const QList<QStringList> bad = {{"--poster", "10x10"},
                                    {"--poster", "600x"},
                                    {"--tiles", "A4"},
                                    {"--poster", "A1", "--tiles", "B5"},
                                    {"--portrait"},
                                    {"--margin", "10"},
                                    {"--poster", "A3", "--margin", "-1"},
                                    {"--poster", "A3", "--margin", "101"},
                                    {"--poster", "A3", "--name-size", "3"},
                                    {"--poster", "A3", "--name-size", "zwölf"}};
    for (const QStringList& args : bad) {
        QString err;
        EXPECT_EQ(TestSupport::RunCli(QStringList{"render", "--db", geo.Path()} + args +
                                          QStringList{dir + "/x.pdf"},
                                      dir, nullptr, &err),
                  2)
            << qPrintable(args.join(' '));
        EXPECT_FALSE(QFileInfo::exists(dir + "/x.pdf"));
    }
    // A poster too small for its margins says so and leaves no file.
    QString err;
    EXPECT_EQ(
        TestSupport::RunCli({"render", "--db", geo.Path(), "--poster", "50x50", dir + "/klein.pdf"},
                            dir, nullptr, &err),
        1);
    EXPECT_TRUE(err.contains("Platz")) << qPrintable(err);
    EXPECT_FALSE(QFileInfo::exists(dir + "/klein.pdf"));
}

// The words of a PDF's first page with their boxes, in points.
static QMap<QString, QRectF> wordBoxes(const QString& pdf) {
    const QString html = TestSupport::RunOutput("pdftotext", {"-bbox", "-l", "1", pdf, "-"});
    static const QRegularExpression word(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    QMap<QString, QRectF> boxes;
    for (const QRegularExpressionMatch& m : word.globalMatch(html)) {
        const QPointF topLeft(m.captured(1).toDouble(), m.captured(2).toDouble());
        const QPointF bottomRight(m.captured(3).toDouble(), m.captured(4).toDouble());
        boxes.insert(m.captured(5), QRectF(topLeft, bottomRight));
    }
    return boxes;
}

// Upright paper, the margins and the names' font height, as the poster dialog chooses them.
TEST(PosterCli, OrientationMarginsAndTheNamesSizeAreTheOnesAskedFor) {
    TempGeo geo({{"DE", "10115", "Berlin", "13.4", "52.5"}});
    const QString dir = QFileInfo(geo.Path()).absolutePath();
    auto poster = [&](const QStringList& options, const QString& name) {
        QString err;
        EXPECT_EQ(TestSupport::RunCli(QStringList{"render", "--db", geo.Path(), "--names",
                                                  "--poster", "A3", "--title", "Titel"} +
                                          options + QStringList{dir + "/" + name},
                                      dir, nullptr, &err),
                  0)
            << qPrintable(err);
        return wordBoxes(dir + "/" + name);
    };
    const QMap<QString, QRectF> plain = poster({}, "a.pdf");
    const QMap<QString, QRectF> asked =
        poster({"--portrait", "--margin", "30", "--name-size", "36"}, "b.pdf");
    EXPECT_TRUE(TestSupport::RunOutput("pdfinfo", {dir + "/b.pdf"}).contains("842 x 1191 pts"));
    ASSERT_TRUE(plain.contains("Titel") && asked.contains("Titel"));
    ASSERT_TRUE(plain.contains("Berlin") && asked.contains("Berlin"));
    // The title starts at the margin: 15 mm at first, then 30 mm.
    EXPECT_NEAR(plain["Titel"].left(), 15 * 72 / 25.4, 2);
    EXPECT_NEAR(asked["Titel"].left(), 30 * 72 / 25.4, 2);
    // The name three times the map's 12 units high.
    EXPECT_NEAR(asked["Berlin"].height() / plain["Berlin"].height(), 3.0, 0.2);
}

TEST(PosterCli, ThePartsOfABaseMapPosterStayInsideTheirFrames) {
    if (!CBaseMapData::Shared().IsAvailable())
        GTEST_SKIP() << "Die Grundkarte ist nicht installiert.";
    TempGeo geo({{"DE", "10115", "Berlin", "13.4", "52.5"}});
    const QString dir = QFileInfo(geo.Path()).absolutePath();
    QString err;
    ASSERT_EQ(TestSupport::RunCli({"render", "--db", geo.Path(), "--basemap", "--poster", "500x350",
                                   "--tiles", "A4", dir + "/t.pdf"},
                                  dir, nullptr, &err),
              0)
        << qPrintable(err);
    CPosterOptions options;
    ASSERT_TRUE(MapPoster::PageSizeFromName("500x350", &options.pageSize));
    const CPosterTiling tiling = MapPosterTiles::Tiling(
        MapPoster::Layout(options).paintRect(QPageLayout::Point).size(), QPageSize(QPageSize::A4));
    const QPointF origin = tiling.layout.paintRect(QPageLayout::Point).topLeft();
    const QImage page = rasterise(dir + "/t.pdf", 1, 72);
    ASSERT_FALSE(page.isNull());
    // The band right of the part, between the marks of the strips: white. The part itself
    // is land and sea there.
    const int left = int(origin.x() + tiling.part.right()) + 2;
    const int top = int(origin.y() + tiling.part.top() + tiling.dOverlap) + 2;
    const int bottom = int(origin.y() + tiling.part.bottom() - tiling.dOverlap) - 2;
    int coloured = 0, inside = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < int(origin.x() + tiling.part.right() + 10); ++x)
            coloured += page.constScanLine(y)[x] < 250;
        inside += page.constScanLine(y)[left - 6] < 250;
    }
    EXPECT_EQ(coloured, 0);
    EXPECT_GT(inside, (bottom - top) / 2);
}
