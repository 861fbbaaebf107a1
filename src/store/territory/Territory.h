#pragma once

#include "store/territory/TerritoryRule.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QVariant>

// A territory as stored in table GEBIET: an area of responsibility to which postal codes are
// assigned (by rules) and single places (by exceptions).
struct CTerritory {
    qint64 id = 0;
    QString name;
    QString color;       // "#rrggbb"
    QString responsible; // empty: nobody named
    QVariant memo;       // null: none
    bool operator==(const CTerritory&) const = default;
};

// One place taken out of the rules: the place (by the fields a refresh pairs rows by, an
// empty field for one without value) and its territory, 0 for none.
struct CTerritoryException {
    QByteArray staat, plz, ort, ortsteil;
    qint64 territory = 0;
};

// Everything stored about territories, as one read gives it.
struct CTerritoryData {
    bool tablesExist = false;
    QList<CTerritory> territories; // by key
    QList<CTerritoryRule> rules;   // by key
    QList<CTerritoryException> exceptions;

    const CTerritory* Find(qint64 id) const;
    const CTerritory* FindByName(const QString& name) const;
};

namespace TerritoryNames {

// Why a territory cannot be called so (empty, only blanks, control characters, too long);
// empty when it can.
QString Problem(const QString& name);
inline constexpr int kMaxName = 200;

// A colour for the n-th new territory, well apart from the ones before ("#rrggbb").
QString DefaultColor(int n);
// The colours of `territories`, in lower case.
QSet<QString> UsedColors(const QList<CTerritory>& territories);
// The colour of the n-th new territory, or of one of the next ones not among `used` (lower
// case): one made after a deletion does not take the colour of a territory that is left.
QString FreeColor(int n, const QSet<QString>& used);
// Whether the text is a colour "#rrggbb".
bool IsColor(const QString& color);

} // namespace TerritoryNames
