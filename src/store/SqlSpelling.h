#pragma once

#include <QString>

// How an engine spells the parts of a statement that differ between engines in writing
// only: the names of tables and fields, and the marks of the values bound. Each engine's
// dialect is one; the statement builders of GEO (CGeoSqlBuilder) and of the territory
// tables (CTerritorySqlBuilder) write through it.
class CSqlSpelling {
public:
    virtual ~CSqlSpelling() = default;

    // A table's or field's name as the engine reads it.
    virtual QString Name(const QString& identifier) const = 0;
    // The mark of the n-th value of a statement, from 1.
    virtual QString Placeholder(int n) const = 0;
    // "m1, m2, ..." for count values from the first.
    QString Placeholders(int first, int count) const;

protected:
    // Whether a name needs no quotes: letters, digits and underscores, not led by a digit.
    static bool IsPlainName(const QString& identifier);
    // The name in double quotes, its own doubled.
    static QString Quoted(const QString& identifier);
};
