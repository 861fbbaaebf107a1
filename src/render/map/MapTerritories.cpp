#include "render/map/MapTerritories.h"

#include "render/draw/DeviceContext.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/territory/TerritoryStore.h"

#include <QHash>
#include <QLocale>

#include <algorithm>

namespace {

COLORREF colorOf(const QString& text) {
    bool ok = false;
    const uint rgb = text.mid(1).toUInt(&ok, 16);
    if (!ok || !TerritoryNames::IsColor(text))
        return CMapTerritories::kNoTerritory;
    return RGB(int(rgb >> 16), int(rgb >> 8), int(rgb));
}

bool sameAssignment(const CTerritoryData& a, const CTerritoryData& b) {
    if (a.territories.size() != b.territories.size() || a.rules.size() != b.rules.size() ||
        a.exceptions.size() != b.exceptions.size())
        return false;
    for (qsizetype i = 0; i < a.territories.size(); ++i) {
        if (a.territories[i].id != b.territories[i].id ||
            a.territories[i].color != b.territories[i].color)
            return false;
    }
    for (qsizetype i = 0; i < a.rules.size(); ++i) {
        if (a.rules[i].territory != b.rules[i].territory || !a.rules[i].SameRange(b.rules[i]))
            return false;
    }
    for (qsizetype i = 0; i < a.exceptions.size(); ++i) {
        const CTerritoryException &x = a.exceptions[i], &y = b.exceptions[i];
        if (x.territory != y.territory || x.staat != y.staat || x.plz != y.plz || x.ort != y.ort ||
            x.ortsteil != y.ortsteil)
            return false;
    }
    return true;
}

} // namespace

QString CMapTerritories::Update(CGeoDatabase& database,
                                const std::shared_ptr<const CGeoPlaceRows>& rows) {
    Load(database);
    return Place(rows);
}

void CMapTerritories::Load(CGeoDatabase& database) {
    CTerritoryStore store(database);
    const quint64 opening = database.DataStamp().nOpen;
    const qint64 changes = store.ChangeCount();
    if (m_bRead && opening == m_nOpening && changes >= 0 && changes == m_nChanges &&
        m_outlines.HasWhatIsWanted())
        return;
    m_bRead = store.Load(&m_data);
    m_strLoadError.clear();
    if (!m_bRead) {
        m_strLoadError = store.Error();
        m_data = CTerritoryData();
    }
    if (const QString error = m_outlines.Load(database); m_bRead && !error.isEmpty())
        m_strLoadError = error;
    m_nOpening = opening;
    m_nChanges = changes;
}

bool CMapTerritories::Stale(CGeoDatabase& database) const {
    if (!database.IsOpen())
        return false;
    const qint64 changes = CTerritoryStore(database).ChangeCount();
    return !m_bRead || database.DataStamp().nOpen != m_nOpening || changes < 0 ||
           changes != m_nChanges;
}

QString CMapTerritories::Place(const std::shared_ptr<const CGeoPlaceRows>& rows) {
    const QString error = m_strLoadError;
    if (m_pRowsPlaced.lock() == rows && sameAssignment(m_data, m_dataPlaced))
        return error;
    QHash<qint64, quint32> position;
    m_aColors.assign(1, kNoTerritory);
    for (const CTerritory& t : m_data.territories) {
        position.insert(t.id, quint32(m_aColors.size()));
        m_aColors.push_back(colorOf(t.color));
    }
    const CTerritoryAssigner assigner(m_data);
    const std::vector<CTerritoryAssigner::Placement> placed = assigner.PlaceRows(*rows);
    m_aIndex.resize(placed.size());
    m_aRowColors.resize(placed.size());
    for (size_t k = 0; k < placed.size(); ++k) {
        m_aIndex[k] = position.value(placed[k].territory, 0);
        m_aRowColors[k] = m_aColors[m_aIndex[k]];
    }
    m_totals = CTerritoryTotals::Count(placed);
    // Places assigned to a territory that is gone count as in none.
    for (auto it = m_totals.places.begin(); it != m_totals.places.end();) {
        if (it.key() != 0 && !position.contains(it.key())) {
            m_totals.places[0] += it.value();
            it = m_totals.places.erase(it);
        } else {
            ++it;
        }
    }
    m_pRowsPlaced = rows;
    m_dataPlaced = m_data;
    m_outlines.Invalidate();
    return error;
}

const QList<CTerritoryOutline>& CMapTerritories::Outlines(const CTerritoryOutlineShape& shape) {
    static const QList<CTerritoryOutline> none;
    const std::shared_ptr<const CGeoPlaceRows> rows = m_pRowsPlaced.lock();
    return rows ? m_outlines.Outlines(*rows, m_aIndex, m_dataPlaced, shape) : none;
}

void CMapTerritories::DrawLegend(CDeviceContext& dc, const CRect& plot) const {
    struct Line {
        QString text;
        COLORREF color;
        qint64 places;
    };
    QList<Line> lines;
    for (const CTerritory& t : m_data.territories)
        lines << Line{t.name, colorOf(t.color), m_totals.places.value(t.id)};
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line& a, const Line& b) { return a.places > b.places; });
    if (lines.size() > kLegendLines) {
        const qsizetype more = lines.size() - (kLegendLines - 1);
        lines.resize(kLegendLines - 1);
        lines << Line{QStringLiteral("… %1 weitere Gebiete").arg(more), kNoTerritory, -1};
    }
    lines << Line{QStringLiteral("kein Gebiet"), kNoTerritory, m_totals.places.value(0)};

    dc.SelectObject(m_font);
    constexpr int kLine = 16, kSquare = 10, kPad = 6;
    int width = 0;
    QStringList texts;
    for (const Line& line : lines) {
        const QString text =
            line.places < 0 ? line.text
                            : QStringLiteral("%1 (%2)").arg(line.text.left(40)).arg(line.places);
        texts << text;
        width = std::max(width, dc.GetTextExtent(text).width());
    }
    const int boxWidth = kPad * 3 + kSquare + width;
    const int boxHeight = kPad * 2 + kLine * int(lines.size());
    const int left = plot.right - boxWidth - 4, top = plot.top + 4;
    dc.FillSolidRect(left, top, boxWidth, boxHeight, RGB(255, 255, 255));
    dc.SelectObject(CPen(RGB(120, 120, 120)));
    dc.MoveTo(left, top);
    dc.LineTo(left + boxWidth, top);
    dc.LineTo(left + boxWidth, top + boxHeight);
    dc.LineTo(left, top + boxHeight);
    dc.LineTo(left, top);
    dc.SetTextColor(RGB(0, 0, 0));
    for (int i = 0; i < int(lines.size()); ++i) {
        const int y = top + kPad + i * kLine;
        if (lines[i].places >= 0)
            dc.FillSolidRect(left + kPad, y + 3, kSquare, kSquare, lines[i].color);
        dc.SetBkColor(RGB(255, 255, 255)); // the square set it to its colour
        dc.TextOut(left + kPad * 2 + kSquare, y, texts[i]);
    }
}
