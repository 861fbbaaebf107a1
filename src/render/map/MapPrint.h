#pragma once

#include <QPageLayout>
#include <QSize>
#include <QString>

class CMapCanvas;
class CProgress;
class QPainter;

// How a printed map goes onto its page: the page's orientation and the scale of the map
// against its physical size on the screen (1: that size exactly).
struct CMapPageFit {
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    double scale = 1.0;
};

// A map that fits the printable area of the page as laid out is printed at its size on the
// screen. Otherwise it goes in the orientation in which it can be printed larger (the one
// laid out when both are alike) and, where even that is too small, scaled down to fit with
// its aspect ratio kept. `outerSize` is the window's outer size in screen pixels,
// `resolution` the page's dots per inch.
CMapPageFit FitMapToPage(QSize outerSize, QSize screenDpi, const QPageLayout& layout,
                         int resolution);

// Prints a map at the physical size it has on the screen, times `scale`: one logical unit is
// one screen pixel, scaled by the printer's dots per inch over the screen's. The painter is
// active on the page with its origin at the top-left corner of the printable area. The plot
// rectangle comes from the window's outer size on the screen, as on every repaint, and the
// place list's positions are stored as a screen repaint stores them. Returns the message of
// an engine error that ended the drawing, or an empty text.
QString PrintMap(QPainter& painter, CMapCanvas& canvas, QSize outerSize, QSize screenDpi,
                 QSize printerDpi, CProgress* progress = nullptr, double scale = 1.0);
