#pragma once

#include <QString>
#include <QStringList>

class CGeoSqlDialect;
class CGeoTableDesc;

// Every SQL text and filter expression the program sends to the engine, built from the
// table description. Filters use [Name] identifiers; the engine understands them as written.
namespace GeoSql {

// "CREATE TABLE ..." for a new database file, from the description: field order, types,
// sizes, the auto-numbered key and the rules (no empty strings, no over-long texts).
QString CreateTable(const CGeoTableDesc& desc);
// The one index of the table: unique, named "PrimaryKey", on the key field.
QString CreatePrimaryKey(const CGeoTableDesc& desc);

// "SELECT COUNT(*) FROM GEO": number of rows of a table.
QString CountRows(const QString& tableName);

// "SELECT 1 FROM GEO LIMIT 1": a row when the table has any.
QString AnyRow(const CGeoTableDesc& desc);

// "SELECT * FROM GEO ORDER BY Staat, PLZ;": the standard query.
QString StandardQuery(const CGeoTableDesc& desc);

// The standard query restricted by a filter expression (empty filter: the standard query).
// Gives the same rows in the same order as finding each matching row of the standard query.
QString FilteredQuery(const CGeoTableDesc& desc, const QString& filter);

// The given columns (empty: all) of the rows a filter keeps (empty: all), in Staat, PLZ order.
QString OrderedQuery(const CGeoTableDesc& desc, const QStringList& columns, const QString& filter);
// The same in the order the table keeps its rows, by key: a scan without sorting.
QString StorageOrderQuery(const CGeoTableDesc& desc, const QStringList& columns,
                          const QString& filter);
// The first `count` rows of OrderedQuery with every column, equal keys by ID_Geo.
QString FirstOrderedRows(const CGeoTableDesc& desc, const QString& filter, int count);
// "[ID_Geo] > ?": the filter of the rows after a key, to read a table a slice at a time.
QString KeyAbove(const CGeoTableDesc& desc);

// Two numbers of the engine: the data version, which changes when another connection
// commits a change, and the schema version, which changes with every change of the schema.
QString DataVersion();

// "SELECT * FROM GEO WHERE [ID_GEO]=17": one row by key. The key text is checked to be an
// integer; any other text gives a query that finds no row.
QString RowByKey(const CGeoTableDesc& desc, const QString& keyText);

// "UPDATE GEO SET [f1]=?, ... WHERE [ID_Geo] = ?" for the given field indexes, in order.
QString UpdateFields(const CGeoTableDesc& desc, const QList<int>& fields);

// "SELECT [Memo] FROM GEO WHERE [ID_Geo] = ?": the memo of one row by key.
QString MemoByKey(const CGeoTableDesc& desc);
// "UPDATE GEO SET [Memo] = ? WHERE [ID_Geo] = ? AND [Memo] IS ? COLLATE BINARY": a new memo,
// written only while the stored one is still, byte for byte, the one the user saw (IS: also
// when that was none; BINARY, not the column's NOCASE: a change of case is a change).
QString UpdateMemoIfUnchanged(const CGeoTableDesc& desc);

// "INSERT INTO GEO ([Staat], ...) VALUES (?, ...)" for every field but the key.
QString InsertRow(const CGeoTableDesc& desc);

// Refreshing the rows of countries from new data (the importer):
// The rows of the country bound to ? (compared as the column compares), in key order: every
// field in field order, then 1 when the memo holds more than white space (else 0).
QString CountryRowsForRefresh(const CGeoTableDesc& desc);
// Deletes the row with the key bound to ?.
QString DeleteRow(const CGeoTableDesc& desc);

// The ten-field search filter: the text is contained in any of Staat, PLZ, Bundesland,
// Regierungsbezirk, Landkreis, Verwaltung, Ort, Ortsteil, KFZ or Memo. Single quotes are
// doubled, so no typed text can end the quoted pattern; *, ?, # and [ keep their meaning.
// With `foldSpellings` each term is FoldLike instead of LIKE: ä = ae, ö = oe, ü = ue, ß = ss.
QString SearchFilter(const QString& text, bool foldSpellings = false);

// The nearby filter: open ranges on both coordinates, the bounds formatted with "%f".
// The coordinates are compared as numbers; a stored text that is no number never matches.
QString NearbyFilter(double lonLow, double lonHigh, double latLow, double latHigh);

// The radius filter: rows whose position lies within km of (lon, lat) on the great circle.
// A box on the coordinates as numbers comes first, so the exact distance is computed only
// for the rows inside it; no text is scanned.
QString RadiusFilter(double lon, double lat, double km);

// Filters that find a radius search's centre, with the values bound in order: two spellings
// of Staat and the PLZ, a PLZ alone, or a pattern (bound twice) the field fits with the
// German spellings folded (FoldLike) or as it stands (LIKE: "M?nchen"). Only rows whose
// position is a number.
QString CentreByPostalCode(bool withCountry);
QString CentreByPlace(const QString& fieldName);

// The filter of the rows of one place, with the values bound in order: Staat and PLZ, and
// with `withPlace` also Ort (compared as the columns compare).
QString PlaceFilter(bool withPlace);
// "[Staat] = ? AND [PLZ] = ?": the rows of one postal code of a country, the values bound.
QString AtPostalCode();
// "[ID_Geo] = ?": the row with the key bound.
QString WithKey();

// Name of the SQL function that turns a coordinate text into a number (NULL for no number).
inline constexpr const char* NumberFunction = "GeoNumber";

// The statements above as the SQLite file's dialect; the server's is GeoSqlPostgres.
const CGeoSqlDialect& Dialect();

} // namespace GeoSql
