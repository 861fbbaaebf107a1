// A poster written as a PDF file with its markers beside Qt's page: the same page as Qt draws
// it whole, read back with poppler and qpdf.
#include "render/map/MapPoster.h"
#include "render/map/MapPosterPdf.h"
#include "render/map/MapTestSupport.h"
#include "render/rows/GeoPlaceRowsCache.h"

#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <QFile>
#include <QImage>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace MapTest;

namespace {

// The first page of a PDF at `dpi`, in colour.
QImage rasterise(const QString& pdf, int dpi) {
    const QString base = pdf + QStringLiteral("-page");
    if (QProcess::execute("pdftoppm", {"-r", QString::number(dpi), "-f", "1", "-l", "1", "-png",
                                       "-singlefile", pdf, base}) != 0)
        return {};
    return QImage(base + ".png").convertToFormat(QImage::Format_RGB32);
}

// The poster as Qt draws it whole on its page.
QString writeWhole(const QString& path, CMapCanvas& canvas, const CPosterOptions& options) {
    QPdfWriter writer(path);
    writer.setResolution(600);
    return MapPoster::Print(writer, canvas, options);
}

struct PageParts {
    int pages = 0;
    int contents = 0; // content streams of the first page
};
PageParts partsOf(const QString& path) {
    QPDF pdf;
    pdf.processFile(QFile::encodeName(path).constData());
    std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
    PageParts parts{int(pages.size()), 0};
    if (!pages.empty()) {
        QPDFObjectHandle contents = pages[0].getObjectHandle().getKey("/Contents");
        parts.contents = contents.isArray() ? contents.getArrayNItems() : 1;
    }
    return parts;
}

// Places of three countries all over the default extent, some on the plot's west edge and
// in its top-right corner, where the legend lies over them, a few on the same point.
QList<GeoRow> posterRows() {
    QList<GeoRow> rows;
    const char* countries[] = {"DE", "AT", "CH"};
    int n = 0;
    for (double lon = 2.5; lon < 17.5; lon += 0.6)
        for (double lat = 45.8; lat < 55.5; lat += 0.4, ++n)
            rows.append({countries[n % 3], QString::number(10000 + n),
                         QStringLiteral("Ort %1").arg(n), QString::number(lon),
                         QString::number(lat)});
    for (int k = 0; k < 3; ++k)
        rows.append(
            {countries[k], QString::number(90000 + k), QStringLiteral("Doppelt"), "10.0", "50.0"});
    return rows;
}

// The poster's places in one write (a few hundred single writes take a while on a busy disk).
void insertPosterRows(TempGeo& geo, const QList<GeoRow>& more = {}) {
    ASSERT_TRUE(geo.Db().BeginWrite());
    geo.Insert(posterRows() + more);
    ASSERT_TRUE(geo.Db().CommitWrite());
}

// The number of pixels in which two PDFs' first pages differ at `dpi`.
int differingPixels(const QString& expectedPdf, const QString& actualPdf, int dpi) {
    const QImage expected = rasterise(expectedPdf, dpi);
    const QImage actual = rasterise(actualPdf, dpi);
    if (expected.isNull() || actual.size() != expected.size())
        return -1;
    int differing = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            differing += expected.pixel(x, y) != actual.pixel(x, y);
    return differing;
}

} // namespace

TEST(MapPosterPdf, ThePageWithItsMarkersBesideQtsPageLooksAsQtDrawsItWhole) {
    TempGeo geo;
    insertPosterRows(geo);
    QTemporaryDir dir;
    struct Case {
        const char* name;
        int markerPoints;
        bool names, declutter, legend;
        bool split; // the markers are kept out of Qt's page
    } cases[] = {
        {"one point", 0, false, false, false, true},
        {"squares, legend over them", 5, false, false, true, true},
        // Within the frame's clipping, the names drawn over the markers after them.
        {"squares at the edge, names without overlap", 7, true, true, true, true},
        // Names drawn between the markers: Qt draws the page whole.
        {"names between the markers", 3, true, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CMapCanvas canvas(geo.Db(), DefaultSettings(c.names));
        canvas.m_bDeclutterNames = c.declutter;
        canvas.m_bShowLegend = c.legend;
        canvas.m_selected = {9.0, 48.0, QStringLiteral("Gewählt")};
        CPosterOptions options;
        ASSERT_TRUE(MapPoster::PageSizeFromName("300x200", &options.pageSize));
        options.strTitle = QStringLiteral("Probe");
        options.nMarkerPoints = c.markerPoints;
        const QString whole = dir.filePath(QStringLiteral("whole.pdf"));
        const QString split = dir.filePath(QStringLiteral("split.pdf"));
        ASSERT_TRUE(writeWhole(whole, canvas, options).isEmpty());
        const QString error = MapPosterPdf::Write(split, canvas, options);
        ASSERT_TRUE(error.isEmpty()) << qPrintable(error);

        const PageParts parts = partsOf(split);
        EXPECT_EQ(parts.pages, 1);
        EXPECT_EQ(parts.contents > 1, c.split) << parts.contents;
        EXPECT_EQ(differingPixels(whole, split, 72), 0);
    }
}

// A map that holds no rows yet reads only the points inside its plot for a poster, and its
// markers come out as from the map rows: the same order, the same covered ones left out.
TEST(MapPosterPdf, AFreshMapsPosterDrawsFromItsOwnPointsAsFromTheMapRows) {
    struct Case {
        const char* name;
        int markerPoints;
        bool legend;
        QList<GeoRow> more;
        bool ownPoints; // read for the poster alone
    } cases[] = {
        {"one point", 0, false, {}, true},
        {"squares, legend over them", 5, true, {}, true},
        // Equal Staat values in other letters need the standard order of the map rows.
        {"Staat in small letters", 3, false, {{"de", "10115", "Berlin", "13.4", "52.5"}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempGeo geo;
        insertPosterRows(geo, c.more);
        QTemporaryDir dir;
        CPosterOptions options;
        ASSERT_TRUE(MapPoster::PageSizeFromName("300x200", &options.pageSize));
        options.strTitle = QStringLiteral("Probe");
        options.nMarkerPoints = c.markerPoints;
        const QString own = dir.filePath(QStringLiteral("own.pdf"));
        const QString fromRows = dir.filePath(QStringLiteral("rows.pdf"));
        {
            CMapCanvas canvas(geo.Db(), DefaultSettings());
            canvas.m_bShowLegend = c.legend;
            const QString error = MapPosterPdf::Write(own, canvas, options);
            ASSERT_TRUE(error.isEmpty()) << qPrintable(error);
            EXPECT_EQ(CGeoPlaceRowsCache::Of(geo.Db()).Cached(false) == nullptr, c.ownPoints);
        }
        {
            CMapCanvas canvas(geo.Db(), DefaultSettings());
            canvas.m_bShowLegend = c.legend;
            Render(canvas); // it holds the map rows now
            const QString error = MapPosterPdf::Write(fromRows, canvas, options);
            ASSERT_TRUE(error.isEmpty()) << qPrintable(error);
        }
        const PageParts parts = partsOf(own);
        EXPECT_EQ(parts.pages, 1);
        EXPECT_GT(parts.contents, 1);
        EXPECT_EQ(differingPixels(fromRows, own, 150), 0);
    }
}

// Markers of more text than one piece of the layer: each piece a stream of its own, read back
// as the one page Qt draws whole.
TEST(MapPosterPdf, MarkersInManyPiecesMakeThePageQtDrawsWhole) {
    QList<GeoRow> rows;
    const char* countries[] = {"DE", "AT", "CH", "BE"};
    for (int i = 0; i < 40000; ++i)
        rows.append({countries[i / 7 % 4], QString::number(i), QStringLiteral("Ort"),
                     QString::number(2.6 + (i % 250) * 0.059),
                     QString::number(45.9 + (i / 250) * 0.06)});
    TempGeo geo;
    ASSERT_TRUE(geo.Db().BeginWrite());
    geo.Insert(rows);
    ASSERT_TRUE(geo.Db().CommitWrite());
    QTemporaryDir dir;
    CPosterOptions options;
    ASSERT_TRUE(MapPoster::PageSizeFromName("300x200", &options.pageSize));
    options.nMarkerPoints = 2;
    const QString whole = dir.filePath(QStringLiteral("whole.pdf"));
    const QString split = dir.filePath(QStringLiteral("split.pdf"));
    {
        CMapCanvas canvas(geo.Db(), DefaultSettings());
        const QString error = MapPosterPdf::Write(split, canvas, options);
        ASSERT_TRUE(error.isEmpty()) << qPrintable(error);
        ASSERT_TRUE(writeWhole(whole, canvas, options).isEmpty());
    }
    const PageParts parts = partsOf(split);
    EXPECT_EQ(parts.pages, 1);
    EXPECT_GT(parts.contents, 6) << "the markers in several pieces";
    EXPECT_EQ(differingPixels(whole, split, 150), 0);
}

TEST(MapPosterPdf, APosterThatCannotBeWrittenSaysSoAndLeavesNoFile) {
    TempGeo geo;
    insertPosterRows(geo);
    CMapCanvas canvas(geo.Db(), DefaultSettings());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fehlt/poster.pdf"));
    const QString error = MapPosterPdf::Write(path, canvas, CPosterOptions());
    EXPECT_TRUE(error.contains(QStringLiteral("kann nicht geschrieben werden")))
        << qPrintable(error);
    EXPECT_FALSE(QFile::exists(path));
}
