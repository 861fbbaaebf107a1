#include "render/map/MapLegend.h"

#include "render/draw/DeviceContext.h"
#include "render/map/MapCanvas.h"
#include "render/map/MapStyle.h"
#include "render/places/PlaceFile.h"
#include "render/places/TableList.h"
#include "render/places/TableListAge.h"
#include "render/rows/GeoPlaceRows.h"

#include <QLocale>

#include <algorithm>

namespace {
// Pixels of the legend: its distance from the frame, its padding, a line's height and the
// side of a colour square.
constexpr int kOffset = 8;
constexpr int kPadding = 6;
constexpr int kLine = 17;
constexpr int kSquare = 10;
constexpr int kFontHeight = 14;
} // namespace

namespace MapLegend {

QString CountryName(const QByteArray& code) {
    static const QList<std::pair<QByteArray, QString>> names = {
        {"DE", QStringLiteral("Deutschland")},   {"AT", QStringLiteral("Österreich")},
        {"CH", QStringLiteral("Schweiz")},       {"BE", QStringLiteral("Belgien")},
        {"FL", QStringLiteral("Liechtenstein")}, {"LI", QStringLiteral("Liechtenstein")},
        {"LU", QStringLiteral("Luxemburg")},     {"NL", QStringLiteral("Niederlande")},
        {"FR", QStringLiteral("Frankreich")},    {"IT", QStringLiteral("Italien")},
        {"DK", QStringLiteral("Dänemark")},      {"PL", QStringLiteral("Polen")},
        {"CZ", QStringLiteral("Tschechien")}};
    for (const auto& [c, name] : names) {
        if (c == code)
            return name;
    }
    return QString::fromUtf8(code);
}

CLegendSection Countries(const CGeoPlaceRows& rows, double west, double east, double south,
                         double north) {
    const double lonMin = std::min(west, east), lonMax = std::max(west, east);
    const double latMin = std::min(south, north), latMax = std::max(south, north);
    std::vector<qint64> counts(rows.Countries().size(), 0);
    for (quint32 k = 0; k < rows.Size(); ++k) {
        const CGeoPlaceRows::Point& p = rows.Coordinates(k);
        if (p.lon >= lonMin && p.lon <= lonMax && p.lat >= latMin && p.lat <= latMax)
            ++counts[rows.Country(k)];
    }
    return Countries(rows.Countries(), counts);
}

CLegendSection Countries(const std::vector<QByteArray>& countries,
                         const std::vector<qint64>& counts) {
    std::vector<size_t> order;
    for (size_t i = 0; i < counts.size(); ++i) {
        if (counts[i] > 0)
            order.push_back(i);
    }
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return countries[a] < countries[b]; });
    CLegendSection section{QStringLiteral("Staaten"), {}};
    const QLocale german(QLocale::German, QLocale::Germany);
    for (size_t i : order) {
        const QByteArray& code = countries[i];
        section.entries.append(
            {MapStyle::CountryColor(code),
             CountryName(code) + QStringLiteral(": ") + german.toString(counts[i])});
    }
    return section;
}

CLegendSection Groups(const CTableList& list) {
    CLegendSection section{QStringLiteral("Gruppen"), {}};
    for (qsizetype i = 0; i < list.aGroups.size() && i < list.aGroupColors.size(); ++i)
        section.entries.append({list.aGroupColors[i], list.aGroups[i]});
    return section;
}

QList<CLegendSection> ListSections(const CTableList& list, const QList<CAgeRule>& rules,
                                   const QDate& day) {
    CLegendSection groups = Groups(list);
    if (rules.isEmpty() || !list.bDated)
        return {groups};
    CLegendSection ages{
        QStringLiteral("Alter am %1").arg(day.toString(QStringLiteral("dd.MM.yyyy"))), {}};
    for (const CAgeRule& rule : rules)
        ages.entries.append({rule.crMarker, TableListAge::RuleText(rule)});
    // The rules are sorted by days: an entry under none is at most the first one's old.
    const int youngest = rules.first().nDays;
    QString rest = youngest == 1 ? QStringLiteral("seit höchstens 1 Tag")
                                 : QStringLiteral("seit höchstens %1 Tagen").arg(youngest);
    if (list.bUndated)
        rest += QStringLiteral(" oder ohne Datum");
    if (groups.entries.isEmpty()) {
        ages.entries.append({kDefaultMarkerColor, rest});
        return {ages};
    }
    groups.strTitle += QStringLiteral(" (%1)").arg(rest);
    return {ages, groups};
}

} // namespace MapLegend

// The legend in the plot's top-right corner: a white box with a black frame, each section's
// title and its entries below it.
void CMapCanvas::DrawLegend(CDeviceContext& dc) {
    QList<CLegendSection> sections;
    if (m_bShowBaseMap && m_bCountriesDrawn)
        sections.append(m_countriesDrawn);
    else if (m_bShowBaseMap && m_pRows)
        sections.append(
            MapLegend::Countries(*m_pRows, m_dLonWest, m_dLonEast, m_dLatSouth, m_dLatNorth));
    sections.append(m_aLegendSections);
    sections.removeIf([](const CLegendSection& s) { return s.entries.isEmpty(); });
    if (sections.isEmpty())
        return;
    const CFont font(kFontHeight);
    dc.SelectObject(font);
    int width = 0, lines = 0;
    for (const CLegendSection& section : sections) {
        width = std::max(width, dc.GetTextExtent(section.strTitle).width());
        for (const CLegendEntry& entry : section.entries)
            width = std::max(width, kSquare + kPadding + dc.GetTextExtent(entry.strText).width());
        lines += 1 + int(section.entries.size());
    }
    const int right = m_rectPlot.right - kOffset, top = m_rectPlot.top + kOffset;
    const int left = right - width - 2 * kPadding;
    const CRect box{left, top, right, top + lines * kLine + 2 * kPadding};
    dc.SelectObject(m_penBlack);
    const CBrush oldBrush = dc.SelectObject(CBrush(RGB(255, 255, 255)));
    dc.Rectangle(box);
    dc.SelectObject(oldBrush);
    dc.SetTextColor(RGB(0, 0, 0));
    int y = top + kPadding;
    for (const CLegendSection& section : sections) {
        dc.SetBkColor(RGB(255, 255, 255));
        dc.TextOut(left + kPadding, y, section.strTitle);
        y += kLine;
        for (const CLegendEntry& entry : section.entries) {
            dc.FillSolidRect(left + kPadding, y + (kLine - kSquare) / 2 - 1, kSquare, kSquare,
                             entry.color);
            dc.SetBkColor(RGB(255, 255, 255));
            dc.TextOut(left + 2 * kPadding + kSquare, y, entry.strText);
            y += kLine;
        }
    }
}
