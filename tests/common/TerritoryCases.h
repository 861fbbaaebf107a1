#pragma once

#include "common/CaseTable.h"
#include "store/territory/TerritoryRule.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

class CGeoDatabase;

// The rows of tests/cases/territory_rules.tsv taken apart.
namespace TerritoryCases {

// "A=DE 80-87 | B=DE 8*": the territory names with their rules, in order.
QList<QPair<QString, CTerritoryRule>> Rules(const QString& text);
// "DE 80331": the country and the postal code.
QPair<QByteArray, QByteArray> Place(const QString& text);

// Where every row of GEO is, as stored now: "DE 80331 München" -> "Süd (Regel DE 80-87)",
// "-" for none.
QMap<QString, QString> Placements(CGeoDatabase& db);

} // namespace TerritoryCases
