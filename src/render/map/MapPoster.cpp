#include "render/map/MapPoster.h"

#include "render/draw/DeviceContext.h"
#include "render/map/MapCanvas.h"
#include "render/map/MapPosterTiles.h"

#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr int kPoints = 72; // logical units per inch
constexpr int kTitleHeight = 48;
constexpr int kTitleFont = 36;
constexpr int kFooterHeight = 64;
constexpr int kFooterFont = 12;
constexpr int kMinSideMm = 50;
constexpr int kMaxSideMm = 5000;
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

// The map's own sizes, given back when the poster is drawn.
class CKeepCanvasSizes {
public:
    CKeepCanvasSizes(CMapCanvas& canvas, const CPosterOptions& options)
        : m_canvas(canvas), m_font(canvas.m_fontNames), m_nMarker(canvas.m_nMarkerHalfSize) {
        if (options.nNamePoints > 0)
            canvas.m_fontNames.m_nHeight = options.nNamePoints;
        // A square of side 1 is the one dot of half size 0.
        if (options.nMarkerPoints > 0)
            canvas.m_nMarkerHalfSize = options.nMarkerPoints / 2;
    }
    ~CKeepCanvasSizes() {
        m_canvas.m_fontNames = m_font;
        m_canvas.m_nMarkerHalfSize = m_nMarker;
    }
    CKeepCanvasSizes(const CKeepCanvasSizes&) = delete;
    CKeepCanvasSizes& operator=(const CKeepCanvasSizes&) = delete;

private:
    CMapCanvas& m_canvas;
    CFont m_font;
    int m_nMarker;
};

// A device context of one point to the logical unit.
void usePoints(CDeviceContext& dc, int dotsPerInch) {
    dc.SetWindowExt(kPoints, kPoints);
    dc.SetViewportExt(dotsPerInch, dotsPerInch);
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

bool PageSizeFromName(const QString& name, QPageSize* size) {
    static const QList<std::pair<QString, QPageSize::PageSizeId>> sizes = {
        {QStringLiteral("A0"), QPageSize::A0},
        {QStringLiteral("A1"), QPageSize::A1},
        {QStringLiteral("A2"), QPageSize::A2},
        {QStringLiteral("A3"), QPageSize::A3},
        {QStringLiteral("A4"), QPageSize::A4}};
    for (const auto& [text, id] : sizes) {
        if (name.compare(text, Qt::CaseInsensitive) == 0) {
            *size = QPageSize(id);
            return true;
        }
    }
    const QStringList sides = name.split(QLatin1Char('x'), Qt::KeepEmptyParts, Qt::CaseInsensitive);
    bool okW = false, okH = false;
    const int w = sides.size() == 2 ? sides[0].toInt(&okW) : 0;
    const int h = sides.size() == 2 ? sides[1].toInt(&okH) : 0;
    if (!okW || !okH || w < kMinSideMm || h < kMinSideMm || w > kMaxSideMm || h > kMaxSideMm)
        return false;
    // Upright, as the named sizes: the orientation turns it.
    *size = QPageSize(QSizeF(std::min(w, h), std::max(w, h)), QPageSize::Millimeter,
                      QStringLiteral("%1 × %2 mm").arg(w).arg(h), QPageSize::ExactMatch);
    return true;
}

QPageLayout Layout(const CPosterOptions& options) {
    const double m = options.dMarginMm;
    return QPageLayout(options.pageSize, options.orientation, QMarginsF(m, m, m, m),
                       QPageLayout::Millimeter);
}

QString Draw(QPainter& painter, int dotsPerInch, CMapCanvas& canvas, const CPosterOptions& options,
             QSizeF area, CCellLayer* markers) {
    const QSize map(int(area.width()), int(area.height()) - kTitleHeight - kFooterHeight);
    if (map.width() <= 0 || map.height() <= 0)
        return QStringLiteral("Das Poster hat keinen Platz für die Karte: Die Ränder sind zu "
                              "breit für das Papier.");
    const double dotsPerUnit = double(dotsPerInch) / kPoints;
    const CKeepCanvasSizes keep(canvas, options);
    {
        CDeviceContext dc(painter);
        usePoints(dc, dotsPerInch);
        dc.SelectObject(CFont(kTitleFont, 700));
        dc.TextOut(0, 0, options.strTitle);
    }
    QString error;
    painter.save();
    painter.translate(0, kTitleHeight * dotsPerUnit);
    {
        CDeviceContext dc(painter);
        usePoints(dc, dotsPerInch);
        dc.SetCellLayer(markers);
        error = canvas.OnDraw(dc, map);
    }
    painter.restore();
    if (!error.isEmpty())
        return error;
    CDeviceContext dc(painter);
    usePoints(dc, dotsPerInch);
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
    if (options.date.isValid())
        dc.TextOut(left, top + 22,
                   QLocale(QLocale::German, QLocale::Germany)
                       .toString(options.date, QStringLiteral("d. MMMM yyyy")));
    dc.TextOut(left, top + 40, credit);
    return {};
}

QString Print(QPagedPaintDevice& device, CMapCanvas& canvas, const CPosterOptions& options,
              CCellLayer* markers) {
    if (options.tilePageSize.isValid())
        return MapPosterTiles::Print(device, canvas, options);
    if (!device.setPageLayout(Layout(options)))
        return QStringLiteral("Das Papierformat des Posters lässt sich nicht einstellen.");
    const QSizeF area = device.pageLayout().paintRect(QPageLayout::Point).size();
    QPainter painter;
    if (!painter.begin(&device))
        return QStringLiteral("Das Poster kann nicht geschrieben werden.");
    const QString error = Draw(painter, device.logicalDpiX(), canvas, options, area, markers);
    painter.end();
    return error;
}

} // namespace MapPoster
