#pragma once

#include "render/draw/DrawTypes.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

class CGeoPlaceRows;
class QDate;
struct CAgeRule;
struct CTableList;

// One entry of the map's legend: a coloured square and its text.
struct CLegendEntry {
    COLORREF color = 0;
    QString strText;
};

// A section of the legend: a title line and its entries. The legend is a list of sections,
// drawn one below the other.
struct CLegendSection {
    QString strTitle;
    QList<CLegendEntry> entries;
};

namespace MapLegend {

// The countries of the rows whose point lies in the extent (west..east, south..north, either
// way round), in the order of their codes, each in its map colour with its German name and
// the number of rows ("Deutschland: 12.345"). Title "Staaten".
CLegendSection Countries(const CGeoPlaceRows& rows, double west, double east, double south,
                         double north);
// The same of countries given by their codes (by index) and their rows in the extent.
CLegendSection Countries(const std::vector<QByteArray>& countries,
                         const std::vector<qint64>& counts);

// The distinct values of a list's group column in their marker colours, in the order met.
// Title "Gruppen"; no entries for a list without a group column.
CLegendSection Groups(const CTableList& list);

// What the markers of a list mean on `day`. Without age rules (or without dated entries)
// its groups. With them, the age classes first ("Alter am 10.12.2026": each rule's colour
// and "seit über 90 Tagen"), then the colours of the entries that fall under no rule: the
// groups, titled "Gruppen (seit höchstens 30 Tagen)", or the one marker colour of a list
// without groups; "oder ohne Datum" when some entries have no date.
QList<CLegendSection> ListSections(const CTableList& list, const QList<CAgeRule>& rules,
                                   const QDate& day);

// The German name of a country code as GEO stores it ("FL": Liechtenstein); the code itself
// for others.
QString CountryName(const QByteArray& code);

} // namespace MapLegend
