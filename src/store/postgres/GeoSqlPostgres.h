#pragma once

#include "store/GeoSqlDialect.h"

#include <QString>
#include <QStringList>

#include <optional>

class CGeoTableDesc;
class CSqlSpelling;

// Every SQL text the program sends to a PostgreSQL server: the same statements as GeoSqlSqlite
// writes for the SQLite file, in PostgreSQL's dialect, with the same results in the same
// order. Where the two differ:
//
// - Names. Tables, fields and functions are written without quotes on the server, so they
//   are lower case there ("geo", "staat", "id_geo", "geonumber"); like the file, the server
//   then finds them in any spelling.
// - Placeholders. "?" becomes $1, $2, ... in order.
// - LIKE. The file's LIKE has the classic wildcards * ? # [abc] [!a-z] and compares letters
//   without regard to case, umlauts included; on the server "a LIKE p" becomes kelvo.jetlike(p, a),
//   a function of the schema "kelvo". For a pattern of ASCII characters it lower-cases the ASCII
//   letters of the text, for any other pattern all letters (ICU's lower case); a pattern
//   without # and [...] is then matched with PostgreSQL's LIKE, any other as a regular
//   expression. The pattern is turned into either when the query is planned, once, in time
//   proportional to its length; a pattern of more than 64 characters first rejects the texts
//   too short for it, and its expression is made only when a text is long enough. Lower
//   case and the file's case folding differ only for a few characters outside German
//   texts: the Kelvin sign and the long s match k and s on the file only; the micro sign,
//   final sigma, Greek symbol variants and Cherokee letters do not match their other forms
//   on the server; a dotted capital I (U+0130) counts as two characters there. An invalid
//   pattern ("[" without "]") is refused when the query is planned, also on an empty table.
// - Spellings. The file's FoldLike(p, a) is kelvo.foldlike(p, a) on the server: jetlike after ä, ö,
//   ü and ß (capitals too) became ae, oe, ue and ss in the text and outside [...] in the
//   pattern.
// - Distances. The file's GeoDistance(lon, lat, lon0, lat0) is kelvo.geodistance(...) on the
//   server, the same haversine formula in the same steps on the same doubles, so a radius
//   keeps the same places on both; the box before it uses the geonumber indexes.
// - Comparisons. The file's text fields compare with NOCASE (A-Z = a-z, bytes otherwise);
//   so do the server's, through lower(... COLLATE "C"), in ORDER BY and where a filter
//   compares a field with =, <>, <, <=, > or >=.
// - Order. The file keeps rows with equal keys in the order of ID_Geo and puts NULL first;
//   the server's ORDER BY says both (NULLS FIRST, then id_geo).
// - Numbers. kelvo.geonumber(text) gives the same double as the file's GeoNumber: NULL for a text
//   that is no decimal number, 0 for one too small for a double, NULL for one too large. The
//   server keeps an index on geonumber of each coordinate, so the nearby box is found
//   without reading every row, and one on the standard order, so the full read needs no sort
//   and a window's first screen, a search's too, is read from it.
// - Schema. The same fields with the same sizes (varchar(n) counts characters, as the file
//   does), no empty texts, the key numbered by the server (an identity column, never
//   reused), the unique index "PrimaryKey" on it. Besides GEO, a table geo_stamp holds a
//   number that a trigger raises once in every transaction that changes GEO, which tells
//   readers whether rows they keep are still current (the file asks the engine instead), and
//   the version of the program's functions. The functions are the program's own schema's,
//   "kelvo" (its comment says so; the texts are the resources sql/*.sql): nothing of the
//   database's own is replaced. Older programs kept their functions beside GEO; opening such
//   a database adds the schema and its indexes and leaves the old functions as they are.
// - Keys. The server's numbering skips the keys of rows whose insert failed or was rolled
//   back; the file's numbers on from the largest key stored. Both only ever count up.
// - Transactions. "BEGIN" instead of "BEGIN IMMEDIATE": the server locks rows, not the file.
// - Refresh. The file's 0 or 1 of a condition is a boolean on the server, turned into an
//   integer where it is read as one; the country compared as NOCASE compares it.
// - Bulk inserts. Many rows of one insert in a transaction go to the server as one COPY; a
//   row it refuses shows at the next other statement (the COMMIT), as an error of a batch.
// - Memo check. "memo IS ?" (NULL equal to NULL) is "memo IS NOT DISTINCT FROM $3".
namespace GeoSqlPostgres {

// The statements of this dialect.
const CGeoSqlDialect& Dialect();
// How it names things and marks values, for the server's other statement builders.
const CSqlSpelling& Spelling();

// The version of the schema "kelvo" this program makes (in geo_stamp); a database of an
// older program gets it, one of this or a newer program is used as it is.
inline constexpr int kSchemaVersion = 4;

// For an insert of one row whose values are $1, $2, ... in the order of its fields: the COPY
// that takes many such rows at once (a bulk insert in a transaction is sent so); empty for any
// other statement.
QString CopyForm(const QString& sql);

// The settings of every session: UTF-8, standard strings, and a row lock waited for at
// most 5 seconds (as the file waits for a locked file).
QStringList SessionSettings();
// Serialises the making of the schema between programs, until the transaction ends.
QString LockSchema();
// One row: whether GEO exists; whether the table with the change number exists; whether
// the schema "kelvo" exists, and whether it is the program's; whether the database is empty
// (nothing in it but what a new database has); whether GEO has the change trigger.
QString SchemaState(const CGeoTableDesc& desc);
// The version of the functions (kSchemaVersion when they are current).
QString SchemaVersion(const CGeoTableDesc& desc);
// Table GEO; the table with the change number; the schema "kelvo"; its functions, the
// trigger (when GEO has none) and the indexes, which also bring an older database up to
// date. In this order they make an empty database a Kelvo database.
QString CreateTable(const CGeoTableDesc& desc);
QStringList CreateStampTable(const CGeoTableDesc& desc);
QStringList CreateSchema();
QStringList CreateFunctions(const CGeoTableDesc& desc, bool trigger);
// A query of GEO's fields that reads no row: the schema check.
QString ProbeTable(const CGeoTableDesc& desc);
// The number that changes with every committed change of GEO.
QString ChangeCount(const CGeoTableDesc& desc);
// The plan of a query as the server would run it were sorting its last resort: a plan
// without a sort step then reads the rows through an index in that order. One text, so that
// the setting, the plan and the setting back take one round trip; SortAsUsual sets it back
// where the text stopped at an error.
QString PlanOf(const QString& query);
QString SortAsUsual();
// The plan of a read of the rows in a small range of both positions, were a scan of the whole
// table the server's last resort: a plan without a scan then finds them through an index of
// a position. One round trip, as PlanOf; ScanAsUsual sets the setting back after an error.
QString PositionsPlan(const CGeoTableDesc& desc);
QString ScanAsUsual();
// The plan of a query as the server runs it, one line a row.
QString PlanAsRun(const QString& query);

// The smallest and the largest key of GEO (NULL for an empty table).
QString KeySpan(const CGeoTableDesc& desc);
// The rows of the filter whose keys lie from `from` to `to`, in no particular order (the
// server may read them with several workers); a bound not given leaves that side open.
CGeoQuery KeyRangeOf(const CGeoTableDesc& desc, const CGeoFilter& filter,
                     std::optional<qint64> from, std::optional<qint64> to);

} // namespace GeoSqlPostgres
