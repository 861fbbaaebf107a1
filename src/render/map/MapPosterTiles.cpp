#include "render/map/MapPosterTiles.h"

#include "render/draw/DeviceContext.h"
#include "render/map/MapPoster.h"

#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;
constexpr double kMarginMm = 10.0;  // most printers reach this close to the edge
constexpr double kOverlapMm = 10.0; // the strip neighbouring pages share
constexpr double kBand = 12.0;      // points around a page's part, for its name and marks
constexpr double kMark = 9.0;       // length of a mark, in points
constexpr int kNameFont = 8;

// How many parts of `part` points, overlapping by `overlap`, cover `length` points.
int partsFor(double length, double part, double overlap) {
    if (length <= part || part <= overlap)
        return 1;
    return int(std::ceil((length - overlap) / (part - overlap) - 1e-9));
}

// The marks of one page, in points of its printable area: where the strips it shares with
// its neighbours are to be cut and laid over, in the band beside the part, and the corners
// of the part.
void drawMarks(QPainter& painter, const CPosterTiling& tiling, int row, int column) {
    const QRectF r = tiling.part;
    const double half = tiling.dOverlap / 2;
    painter.setPen(QPen(Qt::black, 0.5));
    auto vertical = [&](double x) {
        painter.drawLine(QPointF(x, r.top() - kMark), QPointF(x, r.top() - 1));
        painter.drawLine(QPointF(x, r.bottom() + 1), QPointF(x, r.bottom() + kMark));
    };
    auto horizontal = [&](double y) {
        painter.drawLine(QPointF(r.left() - kMark, y), QPointF(r.left() - 1, y));
        painter.drawLine(QPointF(r.right() + 1, y), QPointF(r.right() + kMark, y));
    };
    vertical(r.left());
    vertical(r.right());
    horizontal(r.top());
    horizontal(r.bottom());
    // The cut and overlay lines of the shared strips, dashed.
    painter.setPen(QPen(Qt::black, 0.5, Qt::DashLine));
    if (column > 0)
        vertical(r.left() + half);
    if (column + 1 < tiling.nColumns)
        vertical(r.right() - half);
    if (row > 0)
        horizontal(r.top() + half);
    if (row + 1 < tiling.nRows)
        horizontal(r.bottom() - half);
}

} // namespace

QPointF CPosterTiling::Origin(int row, int column) const {
    return QPointF(column * (part.width() - dOverlap), row * (part.height() - dOverlap));
}

namespace MapPosterTiles {

CPosterTiling Tiling(QSizeF area, const QPageLayout& layout) {
    CPosterTiling tiling;
    tiling.layout = layout;
    const QSizeF paint = layout.paintRect(QPageLayout::Point).size();
    tiling.part = QRectF(kBand, kBand, std::max(0.0, paint.width() - 2 * kBand),
                         std::max(0.0, paint.height() - 2 * kBand));
    tiling.dOverlap = kOverlapMm * kPointsPerMm;
    tiling.nColumns = partsFor(area.width(), tiling.part.width(), tiling.dOverlap);
    tiling.nRows = partsFor(area.height(), tiling.part.height(), tiling.dOverlap);
    return tiling;
}

CPosterTiling Tiling(QSizeF area, const QPageSize& page) {
    const QMarginsF margins(kMarginMm, kMarginMm, kMarginMm, kMarginMm);
    const CPosterTiling portrait =
        Tiling(area, QPageLayout(page, QPageLayout::Portrait, margins, QPageLayout::Millimeter));
    const CPosterTiling landscape =
        Tiling(area, QPageLayout(page, QPageLayout::Landscape, margins, QPageLayout::Millimeter));
    return landscape.Pages() < portrait.Pages() ? landscape : portrait;
}

QString PageName(int page, int pages, int row, int column) {
    return QStringLiteral("Seite %1 von %2 · Zeile %3, Spalte %4")
        .arg(page)
        .arg(pages)
        .arg(row)
        .arg(column);
}

QString Print(QPagedPaintDevice& device, CMapCanvas& canvas, const CPosterOptions& options) {
    const QSizeF area = MapPoster::Layout(options).paintRect(QPageLayout::Point).size();
    CPosterTiling tiling = Tiling(area, options.tilePageSize);
    if (!device.setPageLayout(tiling.layout))
        return QStringLiteral("Das Papierformat der Seiten lässt sich nicht einstellen.");
    // A printer may keep wider margins than asked for.
    tiling = Tiling(area, device.pageLayout());
    if (tiling.part.isEmpty())
        return QStringLiteral("Die Seiten haben keinen Platz für das Poster.");
    QPainter painter;
    if (!painter.begin(&device))
        return QStringLiteral("Das Poster kann nicht geschrieben werden.");
    const int dpi = device.logicalDpiX();
    const double dotsPerPoint = dpi / 72.0;
    QString error;
    for (int row = 0; row < tiling.nRows && error.isEmpty(); ++row) {
        for (int column = 0; column < tiling.nColumns && error.isEmpty(); ++column) {
            const int page = row * tiling.nColumns + column + 1;
            if (page > 1 && !device.newPage()) {
                error = QStringLiteral("Das Poster kann nicht geschrieben werden.");
                break;
            }
            painter.save();
            painter.translate(tiling.part.topLeft() * dotsPerPoint);
            painter.setClipRect(QRectF(QPointF(0, 0), tiling.part.size() * dotsPerPoint),
                                Qt::IntersectClip);
            painter.translate(-tiling.Origin(row, column) * dotsPerPoint);
            error = MapPoster::Draw(painter, dpi, canvas, options, area);
            painter.restore();
            painter.save();
            painter.scale(dotsPerPoint, dotsPerPoint);
            drawMarks(painter, tiling, row, column);
            painter.restore();
            CDeviceContext dc(painter);
            dc.SetWindowExt(72, 72);
            dc.SetViewportExt(dpi, dpi);
            dc.SelectObject(CFont(kNameFont));
            dc.TextOut(int(tiling.part.left() + tiling.dOverlap), 1,
                       PageName(page, tiling.Pages(), row + 1, column + 1));
        }
    }
    painter.end();
    return error;
}

} // namespace MapPosterTiles
