#pragma once

#include <QSize>
#include <QString>

class CMapCanvas;
class CProgress;
class QPainter;

// Prints a map at the physical size it has on the screen: one logical unit is one screen
// pixel, scaled by the printer's dots per inch over the screen's. The painter is active on
// the page with its origin at the top-left corner of the printable area. The plot rectangle
// comes from the window's outer size on the screen, as on every repaint, and the place
// list's positions are stored as a screen repaint stores them. Returns the message of an
// engine error that ended the drawing, or an empty text.
QString PrintMap(QPainter& painter, CMapCanvas& canvas, QSize outerSize, QSize screenDpi,
                 QSize printerDpi, CProgress* progress = nullptr);
