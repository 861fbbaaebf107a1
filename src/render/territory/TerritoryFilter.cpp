#include "render/territory/TerritoryFilter.h"

#include "render/rows/GeoPlaceRows.h"

namespace {

using Op = CGeoFilter::Op;

// Terms joined by OR in groups, so that no engine meets a chain of thousands of them (SQLite
// refuses expressions deeper than 1000).
constexpr qsizetype kGroup = 64;

CGeoFilter orOf(const QList<CGeoFilter>& terms) {
    if (terms.size() <= kGroup)
        return GeoFilter::Or(terms);
    QList<CGeoFilter> groups;
    const qsizetype size = (terms.size() + kGroup - 1) / kGroup;
    for (qsizetype i = 0; i < terms.size(); i += size)
        groups << orOf(terms.mid(i, size));
    return GeoFilter::Or(groups);
}

QString textOf(QByteArrayView bytes) {
    return QString::fromUtf8(bytes.data(), bytes.size());
}

// A field that holds the text; an empty text is also a field without value.
CGeoFilter fieldIs(const QString& field, QByteArrayView bytes) {
    if (bytes.isEmpty())
        return GeoFilter::Or(
            {GeoFilter::IsNull(GeoFilter::Field(field)), GeoFilter::Equals(field, QString(""))});
    return GeoFilter::Equals(field, textOf(bytes));
}

} // namespace

namespace TerritoryFilter {

CGeoFilter PlacesIn(const CGeoPlaceRows& rows,
                    const std::vector<CTerritoryAssigner::Placement>& placements,
                    qint64 territory) {
    QList<CGeoFilter> terms;
    // The run of whole postal codes of one country being collected: its first and last row.
    qint64 runFirst = -1, runLast = -1;
    auto endRun = [&] {
        if (runFirst < 0)
            return;
        const quint32 first = quint32(runFirst), last = quint32(runLast);
        const QByteArrayView low = rows.TextOf(first, CGeoPlaceRows::Plz),
                             high = rows.TextOf(last, CGeoPlaceRows::Plz);
        const CGeoFilter staat =
            fieldIs(QStringLiteral("Staat"), rows.Countries()[rows.Country(first)]);
        if (low == high) {
            terms << GeoFilter::And({staat, fieldIs(QStringLiteral("PLZ"), low)});
        } else {
            const CGeoFilter plz = GeoFilter::Field(QStringLiteral("PLZ"));
            terms << GeoFilter::And(
                {staat, GeoFilter::Compare(plz, Op::Ge, GeoFilter::Value(textOf(low))),
                 GeoFilter::Compare(plz, Op::Le, GeoFilter::Value(textOf(high)))});
        }
        runFirst = runLast = -1;
    };
    const quint32 count = std::min<quint32>(rows.Size(), quint32(placements.size()));
    for (quint32 begin = 0; begin < count;) {
        // The rows of one postal code of one country.
        quint32 end = begin + 1;
        const QByteArrayView plz = rows.TextOf(begin, CGeoPlaceRows::Plz);
        while (end < count && rows.Country(end) == rows.Country(begin) &&
               rows.TextOf(end, CGeoPlaceRows::Plz) == plz)
            ++end;
        quint32 in = 0;
        for (quint32 k = begin; k < end; ++k)
            in += placements[k].territory == territory;
        if (in == end - begin && !plz.isEmpty()) {
            if (runFirst >= 0 && rows.Country(quint32(runFirst)) != rows.Country(begin))
                endRun();
            if (runFirst < 0)
                runFirst = begin;
            runLast = end - 1;
        } else {
            endRun();
            for (quint32 k = begin; in > 0 && k < end; ++k) {
                if (placements[k].territory != territory)
                    continue;
                terms << GeoFilter::And(
                    {fieldIs(QStringLiteral("Staat"), rows.Countries()[rows.Country(k)]),
                     fieldIs(QStringLiteral("PLZ"), plz),
                     fieldIs(QStringLiteral("Ort"), rows.TextOf(k, CGeoPlaceRows::Ort)),
                     fieldIs(QStringLiteral("Ortsteil"), rows.TextOf(k, CGeoPlaceRows::Ortsteil))});
            }
        }
        begin = end;
    }
    endRun();
    return orOf(terms);
}

} // namespace TerritoryFilter
