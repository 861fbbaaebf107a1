#include "mapview/MapCanvas.h"

#include "app/Globals.h"
#include "app/Progress.h"
#include "db/GeoDatabase.h"
#include "db/GeoRecordset.h"
#include "db/GeoSql.h"
#include "db/TextNumbers.h"
#include "draw/DeviceContext.h"
#include "mapview/MapDeclutter.h"
#include "mapview/MapStyle.h"

#include <algorithm>

namespace {
constexpr int kSizeLimit = 1 << 28;
constexpr int kMemoPlaceChars = 20;
} // namespace

QString CMapCanvas::DrawDatabasePlaces(CDeviceContext& dc, CProgress* progress) {
    const CGeoTableDesc& desc = m_database.m_Table;
    m_strText = desc.m_strTableName;
    const int count = m_database.GetRecordCount(m_strText);
    if (progress)
        progress->Start(QStringLiteral("Mappe wird gezeichnet:"));
    QString error;
    // Without a usable database (the start said why) the map shows no rows.
    if (m_database.IsOpen()) {
        m_strText = GeoSql::StandardQuery(desc);
        CGeoRecordset rs(m_database);
        if (rs.Open(m_strText))
            DrawRows(dc, rs, count, progress);
        if (rs.HasError())
            error = QStringLiteral("Die Karte kann nicht vollständig gezeichnet werden:\n\n%1")
                        .arg(rs.Error());
    }
    if (error.isEmpty())
        DrawSelectedPlace(dc);
    if (progress)
        progress->Finish();
    return error;
}

// One pass over the rows in Staat, PLZ order (later rows are drawn over earlier ones):
// a pixel or square in the country's colour inside the plot, names, memo marks anywhere.
// Fields are read as UTF-8 bytes; texts are made only for what is written.
void CMapCanvas::DrawRows(CDeviceContext& dc, CGeoRecordset& rs, int count, CProgress* progress) {
    const int iId = rs.FieldIndex(QStringLiteral("ID_Geo"));
    const int iStaat = rs.FieldIndex(QStringLiteral("Staat"));
    const int iPlz = rs.FieldIndex(QStringLiteral("PLZ"));
    const int iOrt = rs.FieldIndex(QStringLiteral("Ort"));
    const int iOrtsteil = rs.FieldIndex(QStringLiteral("OrtsTeil"));
    const int iLon = rs.FieldIndex(QStringLiteral("Langengrad"));
    const int iLat = rs.FieldIndex(QStringLiteral("Breitengrad"));
    const int iMemo = rs.FieldIndex(QStringLiteral("Memo"));
    const bool findPlaces = m_lookup.IsActive();
    const int n = std::clamp(m_nMarkerHalfSize, -kSizeLimit, kSizeLimit);
    // Without overlap, names are collected here and drawn after the pass.
    CNameDeclutter declutter;
    const bool collectNames = m_bShowNames && m_bDeclutterNames;

    for (qint64 k = 0; rs.MoveNext(); ++k) {
        // Whether Staat and PLZ hold texts must be asked before they are read.
        const bool keyIsText = findPlaces && rs.IsText(iStaat) && rs.IsText(iPlz);
        const QByteArrayView lonText = rs.FieldUtf8(iLon);
        const QByteArrayView latText = rs.FieldUtf8(iLat);
        const QPoint pt = LonLatToPoint(TextNumbers::Atof(lonText), TextNumbers::Atof(latText));
        const int x = pt.x(), y = pt.y();

        if (m_rectPlot.PtInRect(x, y)) {
            const COLORREF color = MapStyle::CountryColor(rs.FieldUtf8(iStaat));
            if (n != 0)
                dc.FillSolidRect(x - n, y - n, 2 * n, 2 * n, color);
            else
                dc.SetPixel(x, y, color);
            if (collectNames && m_rectPlot.PtInRect(x + 100, y + 25)) {
                if (!declutter.HasNames())
                    dc.SelectObject(m_fontNames); // the font later memo labels use
                declutter.AddName(x + n, y + n, rs.FieldUtf8(iOrt), rs.FieldText(iOrtsteil));
            } else if (m_bShowNames && m_rectPlot.PtInRect(x + 100, y + 25)) {
                dc.SelectObject(m_fontNames);
                dc.SetBkColor(RGB(240, 240, 240));
                dc.TextOut(x + n, y + n, MapStyle::FormatLabel(rs.FieldText(iOrt)));
                dc.SetBkColor(RGB(220, 220, 0));
                const QString ortsteil = rs.FieldText(iOrtsteil);
                if (!ortsteil.isEmpty())
                    dc.TextOut(x + n, y + n + 11, MapStyle::FormatLabel(ortsteil));
            }
        }

        // Memo marks, also outside the plot; their labels use the font selected last.
        if (m_bShowMemos && !rs.FieldUtf8(iMemo).isEmpty()) {
            const QString memo = rs.FieldText(iMemo);
            const QStringView trimmed = TextNumbers::TrimSpace(memo);
            if (!trimmed.isEmpty()) {
                DrawCross(dc, x, y);
                dc.SetTextColor(RGB(0, 0, 0));
                dc.SetBkColor(RGB(200, 200, 200));
                dc.TextOut(x + 5, y + 5,
                           QLatin1Char(' ') + rs.FieldText(iOrt).left(kMemoPlaceChars) +
                               QLatin1Char(' '));
                dc.SetBkColor(RGB(255, 255, 0));
                dc.TextOut(x + 5, y + 20, MapStyle::FormatLabel(trimmed.toString()));
            }
        }

        if (collectNames)
            declutter.CountPlace(rs.FieldUtf8(iOrt));
        if (keyIsText)
            m_lookup.Offer(rs.FieldInt(iId), rs.FieldUtf8(iStaat), rs.FieldUtf8(iPlz), lonText,
                           latText, rs.FieldUtf8(iOrt));
        if (progress)
            progress->SetPos(count > 0 ? int(std::min<qint64>(100, 100 * k / count)) : 100);
    }
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
    const QPoint pt = LonLatToPoint(g_dSelectedLon, g_dSelectedLat);
    if (!m_rectPlot.PtInRect(pt.x(), pt.y()))
        return;
    DrawCross(dc, pt.x(), pt.y());
    dc.SelectObject(m_fontSelected);
    dc.SetTextColor(RGB(0, 0, 0));
    dc.SetBkColor(RGB(200, 200, 100));
    dc.TextOut(pt.x() + 5, pt.y() + 5, MapStyle::FormatLabel(g_strSelectedPlace));
}
