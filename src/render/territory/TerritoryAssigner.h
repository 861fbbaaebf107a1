#pragma once

#include "store/territory/Territory.h"

#include <QByteArray>
#include <QHash>
#include <QSet>

#include <vector>

class CGeoPlaceRows;

// Which territory a place is in: its exception if it has one, else the most specific rule
// of its country that covers its postal code, else none. Rules of the same width never
// overlap (the store refuses them), so the answer does not depend on the order of the rules.
class CTerritoryAssigner {
public:
    explicit CTerritoryAssigner(const CTerritoryData& data);
    // Puts these exceptions in place of those of the data (the rules stay).
    void SetExceptions(const QList<CTerritoryException>& exceptions);

    struct Placement {
        qint64 territory = 0; // 0: in no territory
        int rule = -1;        // index into Rules() of the rule that placed it; -1: none
        bool exception = false;
        bool operator==(const Placement&) const = default;
    };
    Placement Place(QByteArrayView staat, QByteArrayView plz, QByteArrayView ort,
                    QByteArrayView ortsteil) const;
    // "Regel DE 80-87", "einzeln zugewiesen" or "keine Regel": why a place is where it is.
    QString Reason(const Placement& placement) const;
    // The rule that would place the code if the placing one (or the exception) were not
    // there: the next less specific rule covering it; -1 when none does.
    int OverlappedRule(const Placement& placement, QByteArrayView staat, QByteArrayView plz) const;

    // The placement of every place row (which need their texts), in the rows' order.
    std::vector<Placement> PlaceRows(const CGeoPlaceRows& rows) const;
    // The rule that places a postal code of the country, the exceptions aside; -1: none.
    int BestRule(QByteArrayView staat, QByteArrayView plz) const;

    const QList<CTerritoryRule>& Rules() const { return m_rules; }

private:
    static QByteArray Key(QByteArrayView staat, QByteArrayView plz, QByteArrayView ort,
                          QByteArrayView ortsteil);

    QList<CTerritoryRule> m_rules;
    // The ranges of each country (upper case), most specific first; the single prefixes by
    // country, length and prefix, and the lengths they have.
    QHash<QByteArray, std::vector<int>> m_byCountry;
    QHash<QByteArray, int> m_singles;
    QHash<QByteArray, QList<int>> m_singleLengths;
    QHash<QByteArray, qint64> m_exceptions;
    // Country (upper case) and postal code of every exception: rows of other codes need no
    // look-up of their own.
    QSet<QByteArray> m_exceptionCodes;
};

// Per territory (by key; 0 for the places in none): how many places, and how many entries of
// a list and the sum of one of its numbers fall into it.
struct CTerritoryTotals {
    QHash<qint64, qint64> places;
    QHash<qint64, qint64> entries;
    QHash<qint64, double> sums;

    static CTerritoryTotals Count(const std::vector<CTerritoryAssigner::Placement>& placements);
    // The largest less the smallest number of places among the territories (those in none
    // aside); 0 with fewer than two territories.
    static qint64 Spread(const QHash<qint64, qint64>& counts, const QList<CTerritory>& territories);
};
