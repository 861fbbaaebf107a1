// The points a poster reads for its plot alone: the markers of the map rows without texts,
// in their order, with the same markers covered by later ones, and the same counts per
// country for the legend; declined where Staat values differ only in the case of letters.
#include "render/map/MapCoveredMarkers.h"
#include "render/map/MapLegend.h"
#include "render/map/MapTestSupport.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "render/rows/GeoPlotCells.h"

#include <cmath>
#include <tuple>

#include <gtest/gtest.h>

using namespace MapTest;

namespace {

// A tenth of a degree to the unit, north up.
QPoint project(double lon, double lat) {
    return QPoint(int(std::floor(lon * 10)), int(std::floor(-lat * 10)));
}

const CRect kPlot{40, -540, 160, -470}; // 4..16 E, 47..54 N
const CGeoPlotCells::Box kBox{5.0, 15.0, 47.5, 53.5};

// Rows of the given countries in runs of `runLength`, spread over and beyond the plot, in
// pairs on the same point, some on its edges, some without a number for a position.
QList<GeoRow> spreadRows(const QStringList& countries, int runLength) {
    QList<GeoRow> rows;
    for (int i = 0; i < 1500; ++i) {
        const QString staat = countries[(i / runLength) % countries.size()];
        // Two rows after another on each point.
        QString lon = QString::number(2.0 + (i / 2 * 37 % 170) / 10.0);
        QString lat = QString::number(45.0 + (i / 2 * 53 % 110) / 10.0);
        if (i % 97 == 0)
            lon = QStringLiteral("ohne"); // read as 0: outside
        if (i % 11 == 0)
            lat = QStringLiteral("50.05"); // many on one row of cells
        rows.append({staat, QString::number(1000 + i), QStringLiteral("Ort"), lon, lat});
    }
    // The plot's corners: the first cell is inside, the right and bottom edges are not.
    for (const char* at : {"4.0,54.0", "15.99,47.01", "16.0,50.0", "10.0,47.0"}) {
        const QStringList p = QString::fromLatin1(at).split(',');
        rows.append({countries[0], "99999", "Rand", p[0], p[1]});
    }
    return rows;
}

using Marker = std::tuple<int, int, QByteArray>;

} // namespace

TEST(PlotCells, HoldTheMapRowsMarkersInTheirOrderWithTheSameCoveredAndTheSameCounts) {
    const QStringList kinds[] = {{"DE", "AT", "CH"}, {"FL", "", "BE", "DE"}};
    for (const QStringList& countries : kinds) {
        for (const int runLength : {1, 7, 2000}) {
            SCOPED_TRACE(countries.join(',').toStdString() + " runs of " +
                         std::to_string(runLength));
            TempGeo geo;
            ASSERT_TRUE(geo.Db().Execute("BEGIN"));
            geo.Insert(spreadRows(countries, runLength));
            ASSERT_TRUE(geo.Db().Execute("COMMIT"));

            QString error;
            const auto rows = CGeoPlaceRowsCache::Of(geo.Db()).Rows(false, {}, &error);
            ASSERT_TRUE(error.isEmpty());
            std::vector<Marker> expected;
            std::vector<bool> expectedCovered;
            const std::vector<bool> covered =
                MapCoveredMarkers::CoveredLater(*rows, project, kPlot);
            for (quint32 k = 0; k < rows->Size(); ++k) {
                const QPoint pt = project(rows->Coordinates(k).lon, rows->Coordinates(k).lat);
                if (kPlot.PtInRect(pt.x(), pt.y())) {
                    expected.emplace_back(pt.x(), pt.y(), rows->Countries()[rows->Country(k)]);
                    expectedCovered.push_back(covered[k]);
                }
            }

            CGeoPlotCells cells;
            ASSERT_EQ(cells.ReadFrom(geo.Db(), project, kPlot, kBox, {}, &error),
                      CGeoPlotCells::Read::Done);
            ASSERT_TRUE(error.isEmpty());
            std::vector<Marker> actual;
            cells.ForEach([&](int x, int y, quint32 country) {
                actual.emplace_back(x, y, cells.Countries()[country]);
            });
            ASSERT_EQ(actual.size(), expected.size());
            for (size_t i = 0; i < actual.size(); ++i)
                ASSERT_EQ(actual[i], expected[i]) << i;
            std::vector<Marker> backwards;
            cells.ForEachBackwards([&](int x, int y, quint32 country) {
                backwards.emplace(backwards.begin(), x, y, cells.Countries()[country]);
            });
            EXPECT_EQ(backwards, expected);
            EXPECT_EQ(MapCoveredMarkers::CoveredLater(cells, kPlot), expectedCovered);
            EXPECT_GT(std::count(expectedCovered.begin(), expectedCovered.end(), true), 100);

            const CLegendSection fromRows =
                MapLegend::Countries(*rows, kBox.west, kBox.east, kBox.south, kBox.north);
            const CLegendSection fromCells =
                MapLegend::Countries(cells.Countries(), cells.CountsInBox());
            ASSERT_EQ(fromCells.entries.size(), fromRows.entries.size());
            for (qsizetype i = 0; i < fromRows.entries.size(); ++i) {
                EXPECT_EQ(fromCells.entries[i].strText, fromRows.entries[i].strText);
                EXPECT_EQ(fromCells.entries[i].color, fromRows.entries[i].color);
            }
        }
    }
}

TEST(PlotCells, AreDeclinedWhereStaatValuesDifferOnlyInTheCaseOfLetters) {
    TempGeo geo({{"DE", "10115", "Berlin", "13.4", "52.5"},
                 {"de", "80331", "München", "11.6", "48.1"},
                 {"AT", "1010", "Wien", "16.4", "48.2"}});
    CGeoPlotCells cells;
    QString error;
    EXPECT_EQ(cells.ReadFrom(geo.Db(), project, CRect{0, -600, 200, 0}, kBox, {}, &error),
              CGeoPlotCells::Read::Declined);
    EXPECT_EQ(cells.Size(), 0u);
    EXPECT_TRUE(cells.Countries().empty());
    EXPECT_TRUE(error.isEmpty());
}
