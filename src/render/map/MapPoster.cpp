#include "render/map/MapPoster.h"

#include "render/draw/DeviceContext.h"
#include "render/map/MapCanvas.h"

#include <QLocale>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>
#include <numbers>

namespace {

constexpr int kPoints = 72; // logical units per inch
constexpr int kTitleHeight = 48;
constexpr int kTitleFont = 36;
constexpr int kFooterHeight = 64;
constexpr int kFooterFont = 12;
// Kilometres of a degree of latitude (mean Earth radius 6371.0088 km).
constexpr double kKmPerDegree = 6371.0088 * std::numbers::pi / 180.0;

double roundKm(double km) {
    if (!(km > 0))
        return 0;
    const double power = std::pow(10.0, std::floor(std::log10(km)));
    for (double step : {5.0, 2.0, 1.0}) {
        if (step * power <= km)
            return step * power;
    }
    return power;
}

QString kmText(double km) {
    return QLocale(QLocale::German, QLocale::Germany).toString(km, 'g', 6) + QStringLiteral(" km");
}

} // namespace

CScaleBar ScaleBarFor(const CMapCanvas& canvas) {
    const double lonSpan = std::abs(canvas.m_dLonEast - canvas.m_dLonWest);
    const double lat = (canvas.m_dLatNorth + canvas.m_dLatSouth) / 2.0;
    const int width = canvas.m_rectPlot.Width();
    if (lonSpan == 0 || width <= 0)
        return {};
    const double kmPerUnit =
        lonSpan * kKmPerDegree * std::cos(lat * std::numbers::pi / 180.0) / width;
    if (!(kmPerUnit > 0))
        return {};
    const double km = roundKm(width / 5.0 * kmPerUnit);
    return {int(std::lround(km / kmPerUnit)), km};
}

namespace MapPoster {

bool PageSizeFromName(const QString& name, QPageSize::PageSizeId* id) {
    static const QList<std::pair<QString, QPageSize::PageSizeId>> sizes = {
        {QStringLiteral("A0"), QPageSize::A0},
        {QStringLiteral("A1"), QPageSize::A1},
        {QStringLiteral("A2"), QPageSize::A2},
        {QStringLiteral("A3"), QPageSize::A3},
        {QStringLiteral("A4"), QPageSize::A4}};
    for (const auto& [text, size] : sizes) {
        if (name.compare(text, Qt::CaseInsensitive) == 0) {
            *id = size;
            return true;
        }
    }
    return false;
}

QString Print(QPdfWriter& writer, CMapCanvas& canvas, const CPosterOptions& options) {
    writer.setPageSize(QPageSize(options.pageSize));
    writer.setPageOrientation(QPageLayout::Landscape);
    writer.setPageMargins(
        QMarginsF(options.dMarginMm, options.dMarginMm, options.dMarginMm, options.dMarginMm),
        QPageLayout::Millimeter);
    const QSizeF area = writer.pageLayout().paintRect(QPageLayout::Point).size();
    const QSize map(int(area.width()), int(area.height()) - kTitleHeight - kFooterHeight);
    QPainter painter;
    if (map.width() <= 0 || map.height() <= 0 || !painter.begin(&writer))
        return QStringLiteral("Das Poster kann nicht geschrieben werden.");
    const double dotsPerUnit = double(writer.resolution()) / kPoints;
    QString error;
    {
        CDeviceContext dc(painter);
        dc.SetWindowExt(kPoints, kPoints);
        dc.SetViewportExt(writer.resolution(), writer.resolution());
        dc.SelectObject(CFont(kTitleFont, 700));
        dc.TextOut(0, 0, options.strTitle);
    }
    painter.save();
    painter.translate(0, kTitleHeight * dotsPerUnit);
    {
        CDeviceContext dc(painter);
        dc.SetWindowExt(kPoints, kPoints);
        dc.SetViewportExt(writer.resolution(), writer.resolution());
        error = canvas.OnDraw(dc, map);
    }
    painter.restore();
    if (error.isEmpty()) {
        CDeviceContext dc(painter);
        dc.SetWindowExt(kPoints, kPoints);
        dc.SetViewportExt(writer.resolution(), writer.resolution());
        const int top = kTitleHeight + map.height();
        const CScaleBar bar = ScaleBarFor(canvas);
        const int left = canvas.m_rectPlot.left;
        dc.SelectObject(CFont(kFooterFont));
        if (bar.nLength > 0) {
            dc.FillSolidRect(left, top + 8, bar.nLength, 4, RGB(0, 0, 0));
            dc.SetBkColor(RGB(255, 255, 255));
            dc.TextOut(left + bar.nLength + 6, top + 2, kmText(bar.dKm));
        }
        QString credit = QStringLiteral("Postleitzahlen: GeoNames, CC BY 4.0");
        if (canvas.m_bShowBaseMap)
            credit += QStringLiteral(" · Grundkarte: DCW-GMT und GSHHG, GNU LGPL");
        dc.TextOut(left, top + 22,
                   QLocale(QLocale::German, QLocale::Germany)
                       .toString(options.date, QStringLiteral("d. MMMM yyyy")));
        dc.TextOut(left, top + 40, credit);
    }
    painter.end();
    return error;
}

} // namespace MapPoster
