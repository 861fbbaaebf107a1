#pragma once

#include <QPageLayout>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

class CMapCanvas;
struct CPosterOptions;
class QPagedPaintDevice;

// A poster larger than the paper, printed in rows and columns of pages. Each page shows a
// part of the poster's area inside a band that holds the page's name and the marks; parts
// side by side share a strip, so that a page can be cut at the marks of its strip and laid
// over its neighbour up to the same marks there.
struct CPosterTiling {
    QPageLayout layout; // every page's
    int nColumns = 1;
    int nRows = 1;
    QRectF part;         // where a page shows its part, on its printable area, in points
    double dOverlap = 0; // the strip two neighbouring parts share, in points
    int Pages() const { return nColumns * nRows; }
    // Where the part of the page in `row` and `column` (from 0) begins in the poster's area.
    QPointF Origin(int row, int column) const;
};

namespace MapPosterTiles {

// The tiling of a poster's area of `area` points onto pages laid out as `layout`.
CPosterTiling Tiling(QSizeF area, const QPageLayout& layout);

// The tiling onto pages of `page` with the margins these pages get, in the orientation that
// takes fewer of them (portrait when both take as many).
CPosterTiling Tiling(QSizeF area, const QPageSize& page);

// The name on a page: "Seite 2 von 4 · Zeile 1, Spalte 2" (row and column from 1).
QString PageName(int page, int pages, int row, int column);

// Prints the poster of `options` (with its tile page size) onto as many pages of the device
// as it takes. Returns the message of an engine error, or an empty text.
QString Print(QPagedPaintDevice& device, CMapCanvas& canvas, const CPosterOptions& options);

} // namespace MapPosterTiles
