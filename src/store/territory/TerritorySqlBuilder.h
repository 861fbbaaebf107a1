#pragma once

#include "store/territory/TerritorySql.h"

class CSqlSpelling;

// The territory statements both engines write alike, with the names and the marks of values
// as the engine's dialect spells them (plain names: on the server in lower case, as it made
// the tables); each engine adds what it writes its own way (the tables, locks, the
// comparison of the stored values, the numbering after a copy).
class CTerritorySqlBuilder : public CTerritorySql {
public:
    explicit CTerritorySqlBuilder(const CSqlSpelling& spelling);

    QString ChangeCount() const override;
    QString CountChange() const override;

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

    QString Areas() const override;
    QString DeleteAreasOf() const override;
    QString InsertArea() const override;

protected:
    // "column equals the value", NULL equal to NULL, texts compared byte for byte.
    virtual QString Unchanged(const QString& column, const QString& value) const = 0;
    // What follows the query of a territory about to be assigned to, so that it is kept
    // from being deleted until the transaction ends (empty where the transaction does so).
    virtual QString HeldForWrite() const = 0;

private:
    // A name as the engine reads it; the first `count` names, separated by commas.
    QString N(const char* name) const;
    QString List(const char* const* names, int count) const;
    // The mark of the n-th value; the marks of the first `count` values.
    QString Mark(int n) const;
    QString Marks(int count) const;
    QString Move(const char* table, const char* key) const;
    QString Delete(const char* table, const char* key) const;

    const CSqlSpelling& m_spelling;
};
