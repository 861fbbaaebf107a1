#pragma once

#include <QString>

class CGeoSqlDialect;
class CSqlSpelling;
class CGeoTableDesc;

// The SQL texts of the SQLite file: the dialect's statements (most of them written by the
// one statement builder, CGeoSqlBuilder) and what only the file needs.
namespace GeoSqlSqlite {

// "CREATE TABLE ..." for a new database file, from the description: field order, types,
// sizes, the auto-numbered key and the rules (no empty strings, no over-long texts).
QString CreateTable(const CGeoTableDesc& desc);
// The one index of the table: unique, named "PrimaryKey", on the key field.
QString CreatePrimaryKey(const CGeoTableDesc& desc);

// Two numbers of the engine: the data version, which changes when another connection
// commits a change, and the schema version, which changes with every change of the schema.
QString DataVersion();

// The backend's own statements: the table read for its field names only (the first real
// read of a file); the schema version alone; the check of every page and record, with or
// without the columns' CHECK constraints; the number of free pages; whether pages a
// transaction changed may be written to the file before its commit; the pages in use (all
// but the free ones) and the page size.
QString ProbeTable(const CGeoTableDesc& desc);
QString SchemaVersion();
QString QuickCheck();
QString IgnoreCheckConstraints(bool on);
QString FreePages();
QString CacheSpill(bool on);
QString PagesInUse();

// The statements as the SQLite file's dialect; the server's is GeoSqlPostgres.
const CGeoSqlDialect& Dialect();
// How it names things and marks values, for the file's other statement builders.
const CSqlSpelling& Spelling();

} // namespace GeoSqlSqlite
