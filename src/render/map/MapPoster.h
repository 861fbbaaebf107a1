#pragma once

#include <QDate>
#include <QPageSize>
#include <QString>

class CMapCanvas;
class QPdfWriter;

// A map poster: the map filling a large page, a title line above it, the date, the data
// credits and a scale bar below it. One logical unit of the map is one point (1/72 inch), so
// names and labels have their font heights in points, whatever the paper.
struct CPosterOptions {
    QPageSize::PageSizeId pageSize = QPageSize::A1;
    QString strTitle;
    QDate date;
    double dMarginMm = 15.0;
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

// The page sizes a poster takes by name: "A0" to "A4". False for any other name.
bool PageSizeFromName(const QString& name, QPageSize::PageSizeId* id);

// Prints the poster onto the writer's one page (landscape), the writer already set to its
// file and resolution. Returns the message of an engine error, or an empty text.
QString Print(QPdfWriter& writer, CMapCanvas& canvas, const CPosterOptions& options);

} // namespace MapPoster
