#pragma once

#include "base/GeoTableDesc.h"

#include <QString>
#include <QStringList>

// How the server's SQL texts name tables, fields and the program's functions; shared by
// the files of GeoSqlPostgres and by nothing else.
namespace GeoSqlPostgres::Names {

// Names are written without quotes, so they are lower case on the server.
inline QString Name(const QString& identifier) {
    return identifier.toLower();
}

inline QString Table(const CGeoTableDesc& desc) {
    return Name(desc.m_strTableName);
}

inline QString StampTable(const CGeoTableDesc& desc) {
    return Table(desc) + QStringLiteral("_stamp");
}

// The schema that holds the program's functions.
inline constexpr const char* kSchema = "kelvo";

// A function of the program: "kelvo.jetlike".
inline QString Function(const QString& name) {
    return QLatin1String(kSchema) + QLatin1Char('.') + Name(name);
}

// A field as NOCASE compares it: ASCII letters folded, then byte by byte.
inline QString NoCase(const QString& operand) {
    return QStringLiteral("lower(%1 COLLATE \"C\")").arg(operand);
}

// The standard order; an index on the same expressions gives it without sorting.
inline QString OrderKeys(const CGeoTableDesc& desc) {
    return QStringLiteral("%1 NULLS FIRST, %2 NULLS FIRST, %3")
        .arg(NoCase(Name(desc.FieldName(desc.m_nSortField1))),
             NoCase(Name(desc.FieldName(desc.m_nSortField2))),
             Name(desc.FieldName(desc.m_nKeyField)));
}

} // namespace GeoSqlPostgres::Names
