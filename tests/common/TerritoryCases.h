#pragma once

#include "common/CaseTable.h"
#include "store/territory/TerritoryRule.h"

#include <QList>
#include <QPair>
#include <QString>

// The rows of tests/cases/territory_rules.tsv taken apart.
namespace TerritoryCases {

// "A=DE 80-87 | B=DE 8*": the territory names with their rules, in order.
QList<QPair<QString, CTerritoryRule>> Rules(const QString& text);
// "DE 80331": the country and the postal code.
QPair<QByteArray, QByteArray> Place(const QString& text);

} // namespace TerritoryCases
