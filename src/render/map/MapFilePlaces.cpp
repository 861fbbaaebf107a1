#include "render/map/MapCanvas.h"

#include "base/TextNumbers.h"
#include "render/draw/DeviceContext.h"
#include "render/map/LabelCover.h"
#include "render/map/MapDeclutter.h"

#include <QPainter>

#include <algorithm>
#include <utility>

namespace {

constexpr int kSizeLimit = 1 << 28;

// Half side of an entry's marker square ("0" and texts without a number give 0).
int markerHalfSize(const CPlaceEntry& entry) {
    return std::clamp(TextNumbers::Atoi(entry.m_strMarkerSize), -kSizeLimit, kSizeLimit);
}

// The device pixels a marker of half side v at (x, y) and its centre pixel cover.
QRect markerRect(int x, int y, int v) {
    const int l = std::min(x - v, x + v), r = std::max(x - v, x + v);
    const int t = std::min(y - v, y + v), b = std::max(y - v, y + v);
    return QRect(l, t, r - l, b - t).united(QRect(x, y, 1, 1));
}

// An entry's label as drawn: its wording, or the place's name, between blanks.
QString labelText(const CPlaceEntry& entry, const CPlaceLookup::Row& row) {
    return QLatin1Char(' ') +
           (IsNotGiven(entry.m_strLabel) ? QString::fromUtf8(row.ort) : entry.m_strLabel) +
           QLatin1Char(' ');
}

} // namespace

// Labels are drawn on opaque cells, one over the other: on an image, a label that the cells
// of later labels cover whole cannot be seen and is not drawn (a list of many thousand
// entries leaves most of its labels so). True for those entries.
std::vector<bool> CMapCanvas::HiddenFileLabels(CDeviceContext& dc) {
    std::vector<bool> hidden(size_t(m_pPlaces->size()));
    CLabelCover cover(dc.DeviceSize());
    for (qsizetype i = m_pPlaces->size() - 1; i >= 0; --i) {
        const CPlaceEntry& entry = std::as_const(*m_pPlaces)[i];
        const CPlaceLookup::Row* row = m_lookup.Find(int(i));
        if (!row || IsNotGiven(entry.m_strFontHeight))
            continue;
        const QPoint pt = LonLatToPoint(row->dLon, row->dLat);
        const int v = IsNotGiven(entry.m_strMarkerSize) ? 0 : markerHalfSize(entry);
        const CFont old = dc.SelectObject(CFont(TextNumbers::Atoi(entry.m_strFontHeight)));
        QRect cell, ink;
        const bool known = dc.TextArea(pt.x() + v, pt.y() + v, labelText(entry, *row), &cell, &ink);
        dc.SelectObject(old);
        if (!known)
            continue;
        if (cover.Covers(ink))
            hidden[size_t(i)] = true;
        else
            cover.Add(cell);
    }
    return hidden;
}

// The place list over the database places: a square marker outlined black and filled with
// the entry's colour, a label in the entry's text colour and font height (on the
// background colour left by the fill or by earlier text), and a black centre pixel.
void CMapCanvas::DrawFilePlaces(CDeviceContext& dc) {
    if (!m_pPlaces)
        return;
    dc.SelectObject(m_penBlack);
    m_aPlaceState.resize(size_t(m_pPlaces->size()));
    // Without overlap, a label is drawn only where it covers no label of an earlier entry.
    CLabelSpace labels;
    const CRect inside = InsideFrame();
    const QRect visible(inside.left, inside.top, inside.Width(), inside.Height());
    const std::vector<bool> hidden = m_bDeclutterNames ? std::vector<bool>() : HiddenFileLabels(dc);
    for (int i = 0; i < m_pPlaces->size(); ++i) {
        const CPlaceLookup::Row* row = m_lookup.Find(i);
        if (!row)
            continue;
        const QPoint pt = LonLatToPoint(row->dLon, row->dLat);
        const int x = pt.x(), y = pt.y();
        if (!m_bPlaceListCopy) {
            CPlaceEntry& stored = (*m_pPlaces)[i];
            stored.m_nX = x;
            stored.m_nY = y;
        }
        const CPlaceEntry& entry = std::as_const(*m_pPlaces)[i];
        CPlaceState& state = m_aPlaceState[size_t(i)];
        if (!state.bDrawn)
            state.bBlinkPhase = entry.m_bBlinkPhase;
        state.bDrawn = true;
        state.pt = pt;

        int v = 0;
        if (!IsNotGiven(entry.m_strMarkerSize)) {
            v = markerHalfSize(entry);
            dc.Rectangle(x - v, y - v, x + v, y + v);
            dc.FillSolidRect(x - v + 1, y - v + 1, 2 * v - 2, 2 * v - 2, entry.m_crMarker);
        }
        dc.SetTextColor(entry.m_crText);
        if (!IsNotGiven(entry.m_strFontHeight) && (hidden.empty() || !hidden[size_t(i)])) {
            const CFont old = dc.SelectObject(CFont(TextNumbers::Atoi(entry.m_strFontHeight)));
            const QString label = labelText(entry, *row);
            // Only the part inside the frame is drawn, so only it takes room.
            const QRect room =
                m_bDeclutterNames
                    ? QRect(QPoint(x + v, y + v), dc.GetTextExtent(label)).intersected(visible)
                    : QRect();
            if (!m_bDeclutterNames || (!room.isEmpty() && labels.Claim(room)))
                dc.TextOut(x + v, y + v, label);
            dc.SelectObject(old);
        }
        dc.SetPixel(x, y, RGB(0, 0, 0));
    }
}

QList<QRect> CMapCanvas::OnTimer() {
    QList<QRect> painted;
    if (!m_bShowFilePlaces || !m_pPlaces || m_imgBackBuffer.isNull())
        return painted;
    // A fresh context: black pen, white brush.
    QPainter painter(&m_imgBackBuffer);
    CDeviceContext dc(painter);
    // Without overlap the markers blink inside the frame only, as the repaint drew them.
    const CRect inside = InsideFrame();
    if (m_bDeclutterNames)
        dc.SetClipRect(&inside);
    const int count = int(std::min<size_t>(size_t(m_pPlaces->size()), m_aPlaceState.size()));
    for (int i = 0; i < count; ++i) {
        // Entries never found in the database have no position and do not blink.
        CPlaceState& state = m_aPlaceState[size_t(i)];
        if (!state.bDrawn || IsNotGiven(m_pPlaces->at(i).m_strBlink))
            continue;
        CPlaceEntry& entry = (*m_pPlaces)[i];
        const int v = markerHalfSize(entry);
        const bool old = state.bBlinkPhase;
        state.bBlinkPhase = !old;
        entry.m_bBlinkPhase = !old;
        const int x = state.pt.x(), y = state.pt.y();
        // Without a marker size only the centre pixel stays, as the repaint draws it.
        if (v != 0) {
            dc.Rectangle(x - v, y - v, x + v, y + v);
            dc.FillSolidRect(x - v + 1, y - v + 1, 2 * v - 2, 2 * v - 2,
                             old ? entry.m_crMarker : RGB(255, 255, 255));
        }
        dc.SetPixel(x, y, RGB(0, 0, 0));
        painted << markerRect(x, y, v);
    }
    return painted;
}
