#pragma once

#include "render/draw/DrawObjects.h"
#include "render/draw/DrawTypes.h"
#include "render/territory/TerritoryAssigner.h"
#include "render/territory/TerritoryCount.h"
#include "render/territory/TerritoryOutlines.h"
#include "store/GeoDatabase.h"
#include "store/territory/Territory.h"

#include <QString>

#include <memory>
#include <vector>

class CDeviceContext;
class CGeoPlaceRows;

// The territory colouring of a map: each place in its territory's colour, the places in no
// territory grey, and a legend with each territory's number of places. The territories are
// read again when their change count moved (a change by any program or user) or another
// database was opened; the rows are placed again only when they or the territories changed,
// so that a repaint costs no more than one lookup of a colour per row. After a change of the
// assignment only the rows it touches are placed and coloured again (CTerritoryCount).
class CMapTerritories {
public:
    static constexpr COLORREF kNoTerritory = RGB(190, 190, 190);

    // Reads the territories and places the rows (which need their texts). Returns the
    // engine's message when the territories cannot be read (the places are then grey).
    QString Update(CGeoDatabase& database, const std::shared_ptr<const CGeoPlaceRows>& rows);
    // The two halves of Update: reading the territories where the database's connection
    // lives, and placing the rows, which touches no database and may run on another thread.
    void Load(CGeoDatabase& database);
    // Whether Load would read them again (another user changed them meanwhile).
    bool Stale(CGeoDatabase& database) const;
    QString Place(const std::shared_ptr<const CGeoPlaceRows>& rows);
    // The colour of every row placed, in the rows' order: one look-up per row while drawing.
    const std::vector<COLORREF>& RowColors() const { return m_aRowColors; }
    // The colour of the territory at `position` - 1 in Data() (0: none).
    COLORREF PositionColor(quint32 position) const {
        return position < m_aColors.size() ? m_aColors[position] : kNoTerritory;
    }
    // The outline of each territory, in the order of Data(), from the rows placed last and
    // the postal-code areas read (when wanted); made on first use after a placing.
    const QList<CTerritoryOutline>& Outlines(const CTerritoryOutlineShape& shape = {});
    // The rings of the postal-code areas of outline `index`, within `extent` (degrees) and
    // simplified to `tolerance`; kept while the view, the territories and the areas stay.
    const QList<QList<QPointF>>& AreaRings(qsizetype index, const QRectF& extent,
                                           double tolerance) {
        return m_outlines.AreaRings(index, extent, tolerance);
    }
    // Whether Load reads the postal-code areas for the outlines too.
    void WantAreas(bool on) { m_outlines.WantAreas(on); }
    // The legend in the upper right corner of the plot: colour, name and places of each
    // territory (the largest first, at most kLegendLines), then those in none.
    void DrawLegend(CDeviceContext& dc, const CRect& plot) const;

    const CTerritoryData& Data() const { return m_data; }
    const CTerritoryTotals& Totals() const { return m_totals; }

    static constexpr int kLegendLines = 20;

private:
    CTerritoryData m_data;
    bool m_bRead = false;
    QString m_strLoadError; // why the territories could not be read
    quint64 m_nOpening = 0; // the opening of the database read (CDataStamp::nOpen)
    qint64 m_nChanges = -1; // its change count then (CTerritoryStore::ChangeCount)
    std::weak_ptr<const CGeoPlaceRows> m_pRowsPlaced;
    CTerritoryData m_dataPlaced;    // the territories the rows were placed with
    bool m_bReadSincePlaced = true; // m_data read since, and perhaps unlike m_dataPlaced
    CTerritoryCount m_count;        // the placement of every row, kept across changes
    std::vector<quint32> m_aIndex;  // per row: 0 for none, else 1 + the territory's position
    std::vector<COLORREF> m_aColors;
    std::vector<COLORREF> m_aRowColors; // per row: m_aColors[m_aIndex[row]]
    CTerritoryTotals m_totals;
    CTerritoryOutlineCache m_outlines;
    CFont m_font{12};
};
