#include "render/map/MapCanvas.h"

#include "render/draw/DeviceContext.h"
#include "render/map/AxisLabels.h"

#include <algorithm>

namespace {
// A latitude label starts this far left of the frame (with two decimals).
constexpr int kLatLabelOffset = 39;
// A longer latitude label keeps this many pixels from the window's left edge.
constexpr int kLabelEdge = 2;
} // namespace

// The frame with its grid and graduated axes, drawn first on every repaint. Labels are
// written at their top-left corner: latitudes left of the frame, longitudes below it.
void CMapCanvas::DrawAxes(CDeviceContext& dc, QSize outerSize) {
    if (m_bKeepAspect)
        FitAspect(outerSize);
    dc.SelectObject(m_fontAxis);
    const int top = m_nMarginY, bottom = outerSize.height() - m_nMarginY;
    const int height = bottom - top;

    // Latitude lines from the north down. A label needs 16 pixels below the last one.
    std::vector<int> ys;
    std::vector<double> lats;
    for (int i = 0; i <= m_nLatSteps; ++i) {
        ys.push_back(top + int(double(i * height) / m_nLatSteps));
        lats.push_back(m_dLatNorth - (m_dLatNorth - m_dLatSouth) / m_nLatSteps * i);
    }
    const std::vector<CAxisTick> latTicks =
        AxisLabels::Ticks(ys, lats, [](int distance, const QString&) { return distance > 15; });
    // A label with more than two decimals ends where its two-decimal form would; the frame
    // moves right as far as such labels need.
    std::vector<int> latShift(latTicks.size(), 0);
    int left = m_nMarginX;
    for (size_t i = 0; i < latTicks.size(); ++i) {
        const CAxisTick& tick = latTicks[i];
        const QString twoDecimals = AxisLabels::Format(tick.dValue);
        if (!tick.bLabelled || tick.strLabel == twoDecimals)
            continue;
        latShift[i] = std::max(0, dc.GetTextExtent(tick.strLabel).width() -
                                      dc.GetTextExtent(twoDecimals).width());
        left = std::max(left, kLatLabelOffset + latShift[i] + kLabelEdge);
    }
    m_rectPlot = CRect{left, top, outerSize.width() - m_nMarginX, bottom};
    const int right = m_rectPlot.right, width = m_rectPlot.Width();

    // The frame blanks the plot area with the white brush.
    dc.SelectObject(m_penBlack);
    dc.Rectangle(m_rectPlot);
    if (m_bShowBaseMap)
        DrawBaseMap(dc);
    // The grid pen draws the ticks too.
    dc.SelectObject(m_penGrid);

    // The grid starts one pixel inside the frame; the top and bottom rows get only a label
    // and a tick.
    for (size_t i = 0; i < latTicks.size(); ++i) {
        const int y = latTicks[i].nPos;
        dc.MoveTo(left + 1, y);
        if (i > 0 && int(i) < m_nLatSteps)
            dc.LineTo(right - 1, y);
        if (latTicks[i].bLabelled) {
            dc.TextOut(left - kLatLabelOffset - latShift[i], y - 5, latTicks[i].strLabel);
            dc.MoveTo(left, y);
            dc.LineTo(left - 5, y);
        }
    }

    // Longitude lines from the west; the last one lies at x = right, just outside the
    // frame. A label needs more than 10 pixels per character after the last one.
    std::vector<int> xs;
    std::vector<double> lons;
    for (int i = 0; i <= m_nLonSteps; ++i) {
        xs.push_back(left + int(double(i * width) / m_nLonSteps));
        lons.push_back(m_dLonWest + (m_dLonEast - m_dLonWest) / m_nLonSteps * i);
    }
    const std::vector<CAxisTick> lonTicks = AxisLabels::Ticks(
        xs, lons, [](int distance, const QString& label) { return distance > 10 * label.size(); });
    for (size_t i = 0; i < lonTicks.size(); ++i) {
        const int x = lonTicks[i].nPos;
        dc.MoveTo(x, bottom - 1);
        if (i > 0)
            dc.LineTo(x, top + 1);
        if (lonTicks[i].bLabelled) {
            dc.TextOut(x - 10, bottom + 9, lonTicks[i].strLabel);
            dc.MoveTo(x, bottom);
            dc.LineTo(x, bottom + 5);
        }
    }
}
