#pragma once

#include "store/territory/TerritorySql.h"

// The territory statements both engines write alike, with the engine's marks for values;
// each engine adds what it writes its own way (the tables, locks, the comparison of the
// stored values, the numbering after a copy). Names are written without quotes: the server
// reads them in lower case, as it made the tables.
class CTerritorySqlBuilder : public CTerritorySql {
public:
    QString Territories() const override;
    QString TerritoryForWrite() const override;
    QString InsertTerritory() const override;
    QString UpdateTerritoryIfUnchanged() const override;
    QString DeleteTerritory() const override;

    QString Rules() const override;
    QString InsertRule() const override;
    QString MoveRule() const override;
    QString DeleteRule() const override;
    QString DeleteRulesOf() const override;
    QString MoveRulesOf() const override;
    QString DeleteExceptionsOf() const override;
    QString MoveExceptionsOf() const override;

    QString Exceptions() const override;
    QString PutException() const override;

    QString InsertTerritoryWithKey() const override;
    QString InsertRuleWithKey() const override;

    QString DeleteAreasOf() const override;
    QString InsertArea() const override;

protected:
    // The mark of the n-th value of a statement, from 1.
    virtual QString Placeholder(int n) const = 0;
    // "column equals the value", NULL equal to NULL, texts compared byte for byte.
    virtual QString Unchanged(const QString& column, const QString& value) const = 0;
    // What follows the query of a territory about to be assigned to, so that it is kept
    // from being deleted until the transaction ends (empty where the transaction does so).
    virtual QString HeldForWrite() const = 0;

private:
    // "m1, m2, ..." for count values from the first.
    QString Marks(int first, int count) const;
};
