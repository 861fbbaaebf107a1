#include "render/map/MapCanvas.h"

#include "base/Progress.h"
#include "base/TextNumbers.h"
#include "render/draw/DeviceContext.h"
#include "render/map/MapCoveredMarkers.h"
#include "render/map/MapDeclutter.h"
#include "render/map/MapStyle.h"
#include "render/map/MapTerritories.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "store/GeoDatabase.h"

#include <algorithm>

namespace {
constexpr int kSizeLimit = 1 << 28;
constexpr int kMemoPlaceChars = 20;

QString text(const CGeoPlaceRows& rows, quint32 row, CGeoPlaceRows::Text field) {
    const QByteArrayView bytes = rows.TextOf(row, field);
    return QString::fromUtf8(bytes.data(), bytes.size());
}

// The rows as one pixel each in the colour pixelOf(k) gives for row k (its country's or its
// territory's), written straight into the image's lines: what SetPixel gives for every row
// inside the plot, in the same order, with the progress told as the drawing loop tells it.
template <typename Project, typename PixelOf>
void drawDots(quint32* pixels, qsizetype perLine, const QRect& area, const CGeoPlaceRows& rows,
              const Project& project, const PixelOf& pixelOf, CProgress* progress) {
    const quint32 count = rows.Size();
    const int left = area.left(), top = area.top();
    const unsigned width = unsigned(std::max(0, area.width()));
    const unsigned height = unsigned(std::max(0, area.height()));
    for (int percent = 0, first = 0; percent < 100 && quint32(first) < count; ++percent) {
        // The rows k with 100 * k / count == percent.
        const quint32 end =
            percent == 99 ? count : quint32((qint64(percent + 1) * count + 99) / 100);
        if (progress && quint32(first) < end)
            progress->SetPos(percent);
        for (quint32 k = quint32(first); k < end; ++k) {
            const CGeoPlaceRows::Point& point = rows.Coordinates(k);
            const QPoint pt = project(point.lon, point.lat);
            const unsigned dx = unsigned(pt.x() - left), dy = unsigned(pt.y() - top);
            if (dx < width && dy < height)
                pixels[qsizetype(pt.y()) * perLine + pt.x()] = pixelOf(k);
        }
        first = int(end);
    }
}
} // namespace

QString CMapCanvas::DrawDatabasePlaces(CDeviceContext& dc, CProgress* progress) {
    m_strText = m_database.m_Table.m_strTableName;
    if (progress)
        progress->Start(QStringLiteral("Mappe wird gezeichnet:"));
    QString error;
    // Without a usable database (the start said why) the map shows no rows.
    if (m_pGiven || m_database.IsOpen()) {
        // The bar follows the rows as they are read; rows kept from before are drawn so fast
        // that the bar follows the drawing instead.
        bool read = false;
        int shown = -1;
        auto readProgress = [&](int percent) {
            read = true;
            if (progress && percent != shown)
                progress->SetPos(shown = percent);
        };
        QString readError;
        m_bCountriesDrawn = false;
        // A poster's markers need no map rows: drawn while their points are read.
        if (!DrawPlotCells(dc, progress, &readError)) {
            if (m_pGiven) {
                m_pRows = m_pGiven->pRows;
                readError = m_pGiven->strReadError;
                read = m_pGiven->bRead;
            } else {
                const bool texts =
                    m_bShowNames || m_bShowMemos || m_lookup.IsActive() || UsesTerritories();
                m_pRows = CGeoPlaceRowsCache::Of(m_database).Rows(texts, readProgress, &readError);
            }
            if (m_pRows && m_lookup.IsActive())
                m_lookup.Resolve(*m_pRows);
            if (m_pRows && UsesTerritories()) {
                const QString territoryError = PlaceTerritories();
                if (readError.isEmpty())
                    readError = territoryError;
            }
            if (m_pRows)
                DrawRows(dc, *m_pRows, read ? nullptr : progress);
            if (m_pRows && m_bTerritoryOutlines)
                DrawTerritoryOutlines(dc);
            if (m_pRows && m_bTerritoryColors)
                m_pTerritories->DrawLegend(dc, m_rectPlot);
        }
        if (!readError.isEmpty())
            error = QStringLiteral("Die Karte kann nicht vollständig gezeichnet werden:\n\n%1")
                        .arg(readError);
    }
    if (error.isEmpty())
        DrawSelectedPlace(dc);
    if (progress)
        progress->Finish();
    return error;
}

// One pass over the rows in Staat, PLZ order (later rows are drawn over earlier ones):
// a pixel or square in the country's colour inside the plot, names, memo marks anywhere.
// Texts are made only for what is written.
void CMapCanvas::DrawRows(CDeviceContext& dc, const CGeoPlaceRows& rows, CProgress* progress) {
    const int n = std::clamp(m_nMarkerHalfSize, -kSizeLimit, kSizeLimit);
    const CProjection project = Projection();
    std::vector<COLORREF> colors;
    for (const QByteArray& staat : rows.Countries())
        colors.push_back(MapStyle::CountryColor(staat));
    const quint32 count = rows.Size();
    // Coloured by territory: the colour of each row, placed for these rows.
    const COLORREF* rowColors = nullptr;
    if (m_bTerritoryColors && m_pTerritories && m_pTerritories->RowColors().size() >= count)
        rowColors = m_pTerritories->RowColors().data();
    int shown = -1;
    // Without overlap, names are collected here and drawn after the pass.
    CNameDeclutter declutter;
    const bool collectNames = m_bShowNames && m_bDeclutterNames;

    dc.BatchCells(true);
    // On paper a marker that a later one covers exactly is left out: the same picture in
    // fewer shapes (a poster of a million places repeats a third of its points).
    const std::vector<bool> covered =
        dc.BatchesCells() ? MapCoveredMarkers::CoveredLater(rows, project, m_rectPlot)
                          : std::vector<bool>();
    // Dots alone on an image: set straight in its lines.
    qsizetype perLine = 0;
    QRect writable;
    quint32* pixels =
        n == 0 && !m_bShowNames && !m_bShowMemos ? dc.DirectPixels(&perLine, &writable) : nullptr;
    if (pixels && covered.empty()) {
        const QRect plot(QPoint(m_rectPlot.left, m_rectPlot.top),
                         QPoint(m_rectPlot.right - 1, m_rectPlot.bottom - 1));
        const QRect area = plot.intersected(writable);
        if (rowColors) {
            drawDots(
                pixels, perLine, area, rows, project,
                [rowColors](quint32 k) { return CDeviceContext::PixelValue(rowColors[k]); },
                progress);
        } else if (m_bTerritoryColors) {
            const quint32 none = CDeviceContext::PixelValue(CMapTerritories::kNoTerritory);
            drawDots(
                pixels, perLine, area, rows, project, [none](quint32) { return none; }, progress);
        } else {
            std::vector<quint32> values;
            for (COLORREF color : colors)
                values.push_back(CDeviceContext::PixelValue(color));
            drawDots(
                pixels, perLine, area, rows, project,
                [&values, &rows](quint32 k) { return values[rows.Country(k)]; }, progress);
        }
        dc.BatchCells(false);
        return;
    }
    // A pass that draws nothing but the markers can hand them to a layer of their own.
    const bool layer = !(m_bShowNames && !collectNames) && !m_bShowMemos && dc.OpenCellLayer();
    for (quint32 k = 0; k < count; ++k) {
        const CGeoPlaceRows::Point& point = rows.Coordinates(k);
        const QPoint pt = project(point.lon, point.lat);
        const int x = pt.x(), y = pt.y();

        if (m_rectPlot.PtInRect(x, y)) {
            const COLORREF color = rowColors            ? rowColors[k]
                                   : m_bTerritoryColors ? CMapTerritories::kNoTerritory
                                                        : colors[rows.Country(k)];
            const bool shows = covered.empty() || !covered[k];
            if (shows && n != 0)
                dc.FillSolidRect(x - n, y - n, 2 * n, 2 * n, color);
            else if (shows)
                dc.SetPixel(x, y, color);
            if (collectNames && m_rectPlot.PtInRect(x + 100, y + 25)) {
                if (!declutter.HasNames())
                    dc.SelectObject(m_fontNames); // the font later memo labels use
                declutter.AddName(x + n, y + n, rows.TextOf(k, CGeoPlaceRows::Ort),
                                  text(rows, k, CGeoPlaceRows::Ortsteil));
            } else if (m_bShowNames && m_rectPlot.PtInRect(x + 100, y + 25)) {
                dc.SelectObject(m_fontNames);
                dc.SetBkColor(RGB(240, 240, 240));
                dc.TextOut(x + n, y + n, MapStyle::FormatLabel(text(rows, k, CGeoPlaceRows::Ort)));
                dc.SetBkColor(RGB(220, 220, 0));
                const QString ortsteil = text(rows, k, CGeoPlaceRows::Ortsteil);
                if (!ortsteil.isEmpty())
                    dc.TextOut(x + n, y + n + 11, MapStyle::FormatLabel(ortsteil));
            }
        }

        // Memo marks, also outside the plot (but for the clipping without overlap); their
        // labels use the font selected last.
        if (m_bShowMemos && !rows.TextOf(k, CGeoPlaceRows::Memo).isEmpty()) {
            const QString memo = text(rows, k, CGeoPlaceRows::Memo);
            const QStringView trimmed = TextNumbers::TrimSpace(memo);
            if (!trimmed.isEmpty()) {
                DrawCross(dc, x, y);
                dc.SetTextColor(RGB(0, 0, 0));
                dc.SetBkColor(RGB(200, 200, 200));
                dc.TextOut(x + 5, y + 5,
                           QLatin1Char(' ') +
                               text(rows, k, CGeoPlaceRows::Ort).left(kMemoPlaceChars) +
                               QLatin1Char(' '));
                dc.SetBkColor(RGB(255, 255, 0));
                dc.TextOut(x + 5, y + 20, MapStyle::FormatLabel(trimmed.toString()));
            }
        }

        if (collectNames)
            declutter.CountPlace(rows.TextOf(k, CGeoPlaceRows::Ort));
        if (progress) {
            const int percent = int(std::min<qint64>(100, qint64(100) * k / count));
            if (percent != shown)
                progress->SetPos(shown = percent);
        }
    }
    if (layer)
        dc.CloseCellLayer();
    dc.BatchCells(false);
    if (declutter.HasNames())
        declutter.Draw(dc, m_fontNames);
}

void CMapCanvas::DrawCross(CDeviceContext& dc, int x, int y) {
    dc.SelectObject(m_penBlack);
    dc.MoveTo(x, y);
    dc.LineTo(x - 10, y);
    dc.MoveTo(x, y);
    dc.LineTo(x + 10, y);
    dc.MoveTo(x, y);
    dc.LineTo(x, y - 10);
    dc.MoveTo(x, y);
    dc.LineTo(x, y + 10);
}

// The place last chosen in a table window: a cross and its name, when inside the plot.
void CMapCanvas::DrawSelectedPlace(CDeviceContext& dc) {
    const QPoint pt = LonLatToPoint(m_selected.dLon, m_selected.dLat);
    if (!m_rectPlot.PtInRect(pt.x(), pt.y()))
        return;
    DrawCross(dc, pt.x(), pt.y());
    dc.SelectObject(m_fontSelected);
    dc.SetTextColor(RGB(0, 0, 0));
    dc.SetBkColor(RGB(200, 200, 100));
    dc.TextOut(pt.x() + 5, pt.y() + 5, MapStyle::FormatLabel(m_selected.strName));
}

void CMapCanvas::LoadTerritories() {
    if (!UsesTerritories())
        return;
    OwnTerritories().WantAreas(m_bTerritoryOutlines);
    OwnTerritories().Load(m_database);
}

bool CMapCanvas::TerritoriesStale() {
    return UsesTerritories() && (!m_pTerritories || m_pTerritories->Stale(m_database));
}

QString CMapCanvas::PlaceTerritories() {
    // Rows given were read on another thread, where this database's connection may not be
    // used: the territories were read before (LoadTerritories).
    if (m_pGiven)
        return OwnTerritories().Place(m_pRows);
    OwnTerritories().WantAreas(m_bTerritoryOutlines);
    return OwnTerritories().Update(m_database, m_pRows);
}

CMapTerritories& CMapCanvas::OwnTerritories() {
    if (!m_pTerritories)
        m_pTerritories = std::make_shared<CMapTerritories>();
    else if (m_pTerritories.use_count() > 1)
        m_pTerritories = std::make_shared<CMapTerritories>(*m_pTerritories);
    return *m_pTerritories;
}
