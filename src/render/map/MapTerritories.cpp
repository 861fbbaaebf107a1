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
    m_bRead = store.LoadAt(changes, &m_data);
    m_bReadSincePlaced = true;
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
    // A repaint of unchanged territories compares nothing: they were not read again.
    if (m_pRowsPlaced.lock() == rows &&
        (!m_bReadSincePlaced || sameAssignment(m_data, m_dataPlaced)))
        return error;
    const bool sameRows = m_count.Rows() == rows;
    m_count.Update(rows, m_data);
    // The colours by position: all rows take theirs again when the territories or their
    // colours changed, else only the rows placed again.
    bool sameColors = sameRows && m_dataPlaced.territories.size() == m_data.territories.size();
    for (qsizetype i = 0; sameColors && i < m_data.territories.size(); ++i) {
        sameColors = m_data.territories[i].id == m_dataPlaced.territories[i].id &&
                     m_data.territories[i].color == m_dataPlaced.territories[i].color;
    }
    QHash<qint64, quint32> position;
    m_aColors.assign(1, kNoTerritory);
    for (const CTerritory& t : m_data.territories) {
        position.insert(t.id, quint32(m_aColors.size()));
        m_aColors.push_back(colorOf(t.color));
    }
    auto color = [&](quint32 first, quint32 end) {
        for (quint32 k = first; k < end; ++k) {
            m_aIndex[k] = position.value(m_count.Placement(k).territory, 0);
            m_aRowColors[k] = m_aColors[m_aIndex[k]];
        }
    };
    if (!sameColors) {
        m_aIndex.resize(rows->Size());
        m_aRowColors.resize(rows->Size());
        color(0, rows->Size());
    } else {
        for (const auto& [first, end] : m_count.LastRanges())
            color(first, end);
    }
    m_totals = CTerritoryTotals();
    // Places assigned to a territory that is gone count as in none.
    for (auto it = m_count.Places().cbegin(); it != m_count.Places().cend(); ++it)
        m_totals.places[position.contains(it.key()) ? it.key() : 0] += it.value();
    m_pRowsPlaced = rows;
    m_dataPlaced = m_data;
    m_bReadSincePlaced = false;
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
        lines << Line{
            QStringLiteral("… %1 weitere Gebiete").arg(QLocale(QLocale::German).toString(more)),
            kNoTerritory, -1};
    }
    lines << Line{QStringLiteral("kein Gebiet"), kNoTerritory, m_totals.places.value(0)};

    dc.SelectObject(m_font);
    constexpr int kLine = 16, kSquare = 10, kPad = 6;
    int width = 0;
    QStringList texts;
    for (const Line& line : lines) {
        // The count follows the name also when the name is written right to left (marks
        // set the line and the count left to right); a long name is cut between characters,
        // not inside one.
        QString name = line.text.left(40);
        if (name.size() < line.text.size() && name.back().isHighSurrogate())
            name.chop(1);
        const QString text = line.places < 0
                                 ? line.text
                                 : QStringLiteral("\u200E%1\u200E (%2)")
                                       .arg(name, QLocale(QLocale::German).toString(line.places));
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
