#include "mapview/MapCanvas.h"

#include "draw/DeviceContext.h"

// The frame with its grid and graduated axes, drawn first on every repaint. Labels are
// written at their top-left corner: latitudes left of the frame, longitudes below it.
void CMapCanvas::DrawAxes(CDeviceContext& dc, QSize outerSize) {
    dc.SelectObject(m_fontAxis);
    m_rectPlot = CRect{m_nMarginX, m_nMarginY, outerSize.width() - m_nMarginX,
                       outerSize.height() - m_nMarginY};
    const int left = m_rectPlot.left, top = m_rectPlot.top;
    const int right = m_rectPlot.right, bottom = m_rectPlot.bottom;
    const int width = m_rectPlot.Width(), height = m_rectPlot.Height();

    // The frame blanks the plot area with the white brush.
    dc.SelectObject(m_penBlack);
    dc.Rectangle(m_rectPlot);
    // The grid pen draws the ticks too.
    dc.SelectObject(m_penGrid);

    // Latitude lines from the north down; the grid starts one pixel inside the frame, the
    // top and bottom rows get only a label and a tick. A label needs 16 pixels below the
    // last one.
    int lastY = -100;
    for (int i = 0; i <= m_nLatSteps; ++i) {
        const int y = top + int(double(i * height) / m_nLatSteps);
        dc.MoveTo(left + 1, y);
        if (i > 0 && i < m_nLatSteps)
            dc.LineTo(right - 1, y);
        const QString label =
            QString::asprintf("%5.2f", m_dLatNorth - (m_dLatNorth - m_dLatSouth) / m_nLatSteps * i);
        if (y - lastY > 15) {
            dc.TextOut(left - 39, y - 5, label);
            dc.MoveTo(left, y);
            dc.LineTo(left - 5, y);
            lastY = y;
        }
    }

    // Longitude lines from the west; the last one lies at x = right, just outside the
    // frame. A label needs more than 10 pixels per character after the last one.
    int lastX = -100;
    for (int i = 0; i <= m_nLonSteps; ++i) {
        const int x = left + int(double(i * width) / m_nLonSteps);
        dc.MoveTo(x, bottom - 1);
        if (i > 0)
            dc.LineTo(x, top + 1);
        const QString label =
            QString::asprintf("%5.2f", m_dLonWest + (m_dLonEast - m_dLonWest) / m_nLonSteps * i);
        if (x - lastX > 10 * label.size()) {
            dc.TextOut(x - 10, bottom + 9, label);
            lastX = x;
            dc.MoveTo(x, bottom);
            dc.LineTo(x, bottom + 5);
        }
    }
}
