#include "render/map/MapPrint.h"

#include "render/draw/DeviceContext.h"
#include "render/map/MapCanvas.h"

#include <algorithm>
#include <cmath>

namespace {

// Logical units per screen dot in the mapping, so that a scale keeps its precision in the
// integer extents.
constexpr int kExtentUnits = 1000;

// The largest scale (at most 1) at which a map of `map` dots fits an area of `area` dots.
double fitScale(QSizeF map, QSize area) {
    if (map.width() <= 0 || map.height() <= 0)
        return 1.0;
    return std::min({1.0, area.width() / map.width(), area.height() / map.height()});
}

} // namespace

CMapPageFit FitMapToPage(QSize outerSize, QSize screenDpi, const QPageLayout& layout,
                         int resolution) {
    const QSizeF map(outerSize.width() * double(resolution) / screenDpi.width(),
                     outerSize.height() * double(resolution) / screenDpi.height());
    QPageLayout turned = layout;
    turned.setOrientation(layout.orientation() == QPageLayout::Portrait ? QPageLayout::Landscape
                                                                        : QPageLayout::Portrait);
    const double asLaidOut = fitScale(map, layout.paintRectPixels(resolution).size());
    const double asTurned = fitScale(map, turned.paintRectPixels(resolution).size());
    if (asLaidOut >= 1.0 || asLaidOut >= asTurned)
        return {layout.orientation(), asLaidOut};
    return {turned.orientation(), asTurned};
}

QString PrintMap(QPainter& painter, CMapCanvas& canvas, QSize outerSize, QSize screenDpi,
                 QSize printerDpi, CProgress* progress, double scale) {
    CDeviceContext dc(painter);
    if (scale >= 1.0) {
        dc.SetWindowExt(screenDpi.width(), screenDpi.height());
        dc.SetViewportExt(printerDpi.width(), printerDpi.height());
    } else {
        // Rounded down: the scaled map never reaches past the area it was fitted to.
        dc.SetWindowExt(screenDpi.width() * kExtentUnits, screenDpi.height() * kExtentUnits);
        dc.SetViewportExt(int(std::floor(printerDpi.width() * kExtentUnits * scale)),
                          int(std::floor(printerDpi.height() * kExtentUnits * scale)));
    }
    return canvas.OnDraw(dc, outerSize, progress);
}
