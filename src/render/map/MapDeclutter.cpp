#include "render/map/MapDeclutter.h"

#include "render/draw/DeviceContext.h"
#include "render/map/MapStyle.h"

#include <algorithm>
#include <numeric>

namespace {

// Side of the grid cells by which drawn labels are found, in pixels.
constexpr int kCell = 64;
// The Ortsteil's label lies this far below the Ort's.
constexpr int kOrtsteilOffset = 11;

quint64 cellKey(int cx, int cy) {
    return (quint64(quint32(cx)) << 32) | quint32(cy);
}

int cellOf(int v) {
    return v >= 0 ? v / kCell : (v - kCell + 1) / kCell;
}

} // namespace

bool CLabelSpace::Claim(const QRect& rect) {
    if (Overlaps(rect))
        return false;
    for (int cx = cellOf(rect.left()); cx <= cellOf(rect.right()); ++cx) {
        for (int cy = cellOf(rect.top()); cy <= cellOf(rect.bottom()); ++cy)
            m_mapCells[cellKey(cx, cy)].push_back(rect);
    }
    return true;
}

void CNameDeclutter::CountPlace(QByteArrayView ort) {
    ++m_mapCount[ort.toByteArray()];
}

void CNameDeclutter::AddName(int x, int y, QByteArrayView ort, const QString& ortsteil) {
    m_aNames.push_back({x, y, ort.toByteArray(), ortsteil});
}

bool CLabelSpace::Overlaps(const QRect& rect) const {
    for (int cx = cellOf(rect.left()); cx <= cellOf(rect.right()); ++cx) {
        for (int cy = cellOf(rect.top()); cy <= cellOf(rect.bottom()); ++cy) {
            const auto it = m_mapCells.constFind(cellKey(cx, cy));
            if (it == m_mapCells.constEnd())
                continue;
            for (const QRect& drawn : *it) {
                if (drawn.intersects(rect))
                    return true;
            }
        }
    }
    return false;
}

void CNameDeclutter::Draw(CDeviceContext& dc, const CFont& font) {
    // Larger places first; among equals the drawing order (Staat, PLZ) stays.
    std::vector<int> order(m_aNames.size());
    std::iota(order.begin(), order.end(), 0);
    std::vector<int> count(m_aNames.size());
    for (size_t i = 0; i < m_aNames.size(); ++i)
        count[i] = m_mapCount.value(m_aNames[i].ort);
    std::stable_sort(order.begin(), order.end(),
                     [&count](int a, int b) { return count[size_t(a)] > count[size_t(b)]; });

    dc.SelectObject(font);
    for (int i : order) {
        const Name& name = m_aNames[size_t(i)];
        const QString label = MapStyle::FormatLabel(QString::fromUtf8(name.ort));
        QRect rect(QPoint(name.x, name.y), dc.GetTextExtent(label));
        QString part;
        if (!name.ortsteil.isEmpty()) {
            part = MapStyle::FormatLabel(name.ortsteil);
            rect |= QRect(QPoint(name.x, name.y + kOrtsteilOffset), dc.GetTextExtent(part));
        }
        if (!m_space.Claim(rect))
            continue;
        dc.SetBkColor(RGB(240, 240, 240));
        dc.TextOut(name.x, name.y, label);
        if (!part.isEmpty()) {
            dc.SetBkColor(RGB(220, 220, 0));
            dc.TextOut(name.x, name.y + kOrtsteilOffset, part);
        }
    }
}
