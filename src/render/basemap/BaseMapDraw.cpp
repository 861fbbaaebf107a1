#include "render/basemap/BaseMapDraw.h"

#include "render/basemap/BaseMapData.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace {

// Points closer than this to the last one kept (device pixels) are left out.
constexpr double kMinStep = 0.7;

// Below this many degrees per device pixel the next finer shorelines are drawn.
constexpr double kIntermediateBelow = 0.01;
constexpr double kHighBelow = 0.002;
constexpr double kScreenDpi = 96.0;

QColor color(unsigned rgb) {
    return QColor(QRgb(rgb));
}

// `line` drawn `shift` degrees east of where it lies.
QPolygonF project(const CGeoLine& line, const CBaseMapView& view, double shift) {
    QPolygonF out;
    out.reserve(qsizetype(line.size()));
    for (const QPointF& p : line) {
        const QPointF q = view(p.x() + shift, p.y());
        if (!out.isEmpty()) {
            const QPointF d = q - out.back();
            if (std::abs(d.x()) < kMinStep && std::abs(d.y()) < kMinStep)
                continue;
        }
        out << q;
    }
    // The last point stays where it is, so that rings close and lines meet.
    if (!line.empty() && out.size() > 1)
        out.back() = view(line.back().x() + shift, line.back().y());
    return out;
}

bool isClosed(const CGeoLine& line) {
    return line.size() > 3 && line.front() == line.back();
}

// Whether a shape reaches into the area drawn (a line's box may have no width or height).
bool reaches(const QPolygonF& polygon, const QRectF& visible) {
    return polygon.boundingRect().adjusted(-1, -1, 1, 1).intersects(visible);
}

void strokeLines(QPainter& painter, const std::vector<CGeoLine>& lines, const CBaseMapView& view,
                 double shift, const QRectF& visible) {
    for (const CGeoLine& line : lines) {
        const QPolygonF polygon = project(line, view, shift);
        if (polygon.size() > 1 && reaches(polygon, visible))
            painter.drawPolyline(polygon);
    }
}

// The detail that the map's scale calls for: a screen's pixel as the measure, so that paper
// (hundreds of dots to the inch) takes the shores a window of the same size in centimetres
// would take, not the finest of its dots.
BaseMapDetail detailFor(const CBaseMapView& view, double dotsPerInch, CBaseMapData& data) {
    const double dotsPerScreenPixel = std::max(1.0, dotsPerInch / kScreenDpi);
    const double degreesPerPixel = view.sx > 0 ? dotsPerScreenPixel / view.sx : 1.0;
    const BaseMapDetail wanted = degreesPerPixel < kHighBelow ? BaseMapDetail::High
                                 : degreesPerPixel < kIntermediateBelow
                                     ? BaseMapDetail::Intermediate
                                     : BaseMapDetail::Low;
    return data.AvailableDetail(wanted);
}

} // namespace

namespace BaseMap {

void Draw(QPainter& painter, const CBaseMapView& view, CBaseMapData& data, bool letGo) {
    if (view.plot.isEmpty() || !(view.sx > 0) || !(view.sy > 0))
        return;
    const QRectF extent =
        QRectF(QPointF(view.west, view.south), QPointF(view.east, view.north)).normalized();
    // A line's width scales with the device, as the map's one-pixel lines do.
    const double dotsPerInch = painter.device()->logicalDpiY();
    const double pixel = std::max(1.0, std::round(dotsPerInch / kScreenDpi));
    painter.save();
    // Within the painter's own clipping (a part of a poster on its page): only what reaches
    // into both is drawn at all.
    painter.setClipRect(view.plot, Qt::IntersectClip);
    const double reach = pixel + 1; // a line's half width and its smoothed edge
    const QRectF visible = painter.clipBoundingRect().adjusted(-reach, -reach, reach, reach);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(view.plot, color(kWater));

    painter.setPen(Qt::NoPen);
    painter.setBrush(color(kLand));
    for (const auto& [country, shift] : data.Countries(extent)) {
        QPainterPath path;
        path.setFillRule(Qt::OddEvenFill);
        for (const CGeoLine& ring : country->rings) {
            const QPolygonF polygon = project(ring, view, shift);
            if (polygon.size() > 2 && reaches(polygon, visible))
                path.addPolygon(polygon);
        }
        painter.drawPath(path);
    }
    if (letGo)
        data.Release();

    const auto parts = data.Lines(extent, detailFor(view, dotsPerInch, data));
    painter.setBrush(color(kWater));
    for (const auto& [part, shift] : parts) {
        for (const CGeoLine& lake : part->lakes) {
            if (!isClosed(lake))
                continue;
            const QPolygonF polygon = project(lake, view, shift);
            if (reaches(polygon, visible))
                painter.drawPolygon(polygon);
        }
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(color(kRiver), pixel));
    for (const auto& [part, shift] : parts)
        strokeLines(painter, part->rivers, view, shift, visible);
    painter.setPen(QPen(color(kShore), pixel));
    for (const auto& [part, shift] : parts) {
        strokeLines(painter, part->coasts, view, shift, visible);
        strokeLines(painter, part->lakes, view, shift, visible);
    }
    painter.setPen(QPen(color(kBorder), pixel));
    for (const auto& [part, shift] : parts)
        strokeLines(painter, part->borders, view, shift, visible);
    painter.restore();
}

} // namespace BaseMap
