#include "render/map/MapCanvas.h"

#include "base/Progress.h"
#include "render/draw/DeviceContext.h"
#include "render/map/MapCoveredMarkers.h"
#include "render/map/MapStyle.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "render/rows/GeoPlotCells.h"
#include "store/GeoDatabase.h"

#include <algorithm>

namespace {
constexpr int kSizeLimit = 1 << 28;
} // namespace

// The markers as DrawRows draws them for rows without texts, in the same order and with the
// same markers left out, from points read for this plot: a poster of a million places then
// holds 4 bytes a place inside the plot instead of the map rows' 24 while its page is written.
bool CMapCanvas::DrawPlotCells(CDeviceContext& dc, CProgress* progress, QString* readError) {
    if (!dc.HasCellLayer() || m_pGiven || m_pRows || !m_database.IsOpen() || m_bShowNames ||
        m_bShowMemos || m_lookup.IsActive() || UsesTerritories())
        return false;
    // Rows some map holds already cost nothing more.
    if (CGeoPlaceRowsCache::Of(m_database).Cached(false))
        return false;
    const CProjection project = Projection();
    const CGeoPlotCells::Box box{std::min(m_dLonWest, m_dLonEast), std::max(m_dLonWest, m_dLonEast),
                                 std::min(m_dLatSouth, m_dLatNorth),
                                 std::max(m_dLatSouth, m_dLatNorth)};
    dc.BatchCells(true);
    // The layer first: Qt's page under the markers is written out before the points take
    // their memory.
    const bool layer = dc.OpenCellLayer();
    int shown = -1;
    auto readProgress = [&](int percent) {
        if (progress && percent != shown)
            progress->SetPos(shown = percent);
    };
    CGeoPlotCells cells;
    QString error;
    if (cells.ReadFrom(m_database, project, m_rectPlot, box, readProgress, &error) ==
        CGeoPlotCells::Read::Declined) {
        // The layer closes empty; the map rows' markers go over it.
        dc.BatchCells(false);
        return false;
    }
    *readError = error;
    m_countriesDrawn = MapLegend::Countries(cells.Countries(), cells.CountsInBox());
    m_bCountriesDrawn = true;

    std::vector<COLORREF> colors;
    for (const QByteArray& staat : cells.Countries())
        colors.push_back(MapStyle::CountryColor(staat));
    const std::vector<bool> covered = dc.BatchesCells()
                                          ? MapCoveredMarkers::CoveredLater(cells, m_rectPlot)
                                          : std::vector<bool>();
    const int n = std::clamp(m_nMarkerHalfSize, -kSizeLimit, kSizeLimit);
    size_t k = 0;
    cells.ForEach([&](int x, int y, quint32 country) {
        if (covered.empty() || !covered[k]) {
            if (n != 0)
                dc.FillSolidRect(x - n, y - n, 2 * n, 2 * n, colors[country]);
            else
                dc.SetPixel(x, y, colors[country]);
        }
        ++k;
    });
    if (layer)
        dc.CloseCellLayer();
    dc.BatchCells(false);
    return true;
}
