#pragma once

#include <QDate>
#include <QPageLayout>
#include <QPageSize>
#include <QSizeF>
#include <QString>

class CCellLayer;
class CMapCanvas;
class QPagedPaintDevice;
class QPainter;

// A map poster: the map filling a large page, a title line above it, the date, the data
// credits and a scale bar below it. One logical unit of the map is one point (1/72 inch), so
// names and labels have their font heights in points, whatever the paper.
struct CPosterOptions {
    QPageSize pageSize = QPageSize(QPageSize::A1);
    QPageLayout::Orientation orientation = QPageLayout::Landscape;
    double dMarginMm = 15.0;
    QString strTitle;
    QDate date; // none: no date line
    // Font height of the place names and side of a place's square, in points; 0: the
    // map's own.
    int nNamePoints = 0;
    int nMarkerPoints = 0;
    // Printed on pages of this size, with overlap and marks, instead of one page; invalid:
    // one page.
    QPageSize tilePageSize;
};

// The bar of the scale: its length in logical units and the kilometres it stands for, a
// round number (1, 2 or 5 times a power of ten) near a fifth of the plot's width, measured
// along the parallel at the map's centre latitude.
struct CScaleBar {
    int nLength = 0;
    double dKm = 0.0;
};
CScaleBar ScaleBarFor(const CMapCanvas& canvas);

namespace MapPoster {

// The page sizes a poster takes by name: "A0" to "A4", or "BxH" in millimetres (each side
// 50 to 5000). False for any other text.
bool PageSizeFromName(const QString& name, QPageSize* size);

// The poster's page: its size, orientation and margins.
QPageLayout Layout(const CPosterOptions& options);

// Prints the poster onto the device (a PDF writer or a printer), which is set to the
// poster's page, or, with a tile page size, onto as many of those pages as it takes. Returns
// the message of an engine error, or an empty text. On one page, the map's markers go to
// `markers` where the map can hand them over.
QString Print(QPagedPaintDevice& device, CMapCanvas& canvas, const CPosterOptions& options,
              CCellLayer* markers = nullptr);

// Draws the poster's area of `area` points with the painter's origin at its top-left
// corner and `dotsPerInch` device dots to the inch. The map's markers go to `markers` where
// the map can hand them over (null: the painter draws them).
QString Draw(QPainter& painter, int dotsPerInch, CMapCanvas& canvas, const CPosterOptions& options,
             QSizeF area, CCellLayer* markers = nullptr);

} // namespace MapPoster
