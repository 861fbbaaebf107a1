#include "store/sqlite/TerritorySqlSqlite.h"

#include "store/sqlite/GeoSqlSqlite.h"
#include "store/territory/TerritorySqlBuilder.h"

namespace {

// The file's texts compare as stored, byte for byte (BINARY); "IS" treats NULL as equal to
// NULL. The write transaction (BEGIN IMMEDIATE) keeps every other writer out.
class CSqliteTerritorySql : public CTerritorySqlBuilder {
public:
    CSqliteTerritorySql() : CTerritorySqlBuilder(GeoSqlSqlite::Spelling()) {}

protected:
    QString Unchanged(const QString& column, const QString& value) const override {
        return QStringLiteral("%1 IS %2").arg(column, value);
    }
    QString HeldForWrite() const override { return QString(); }

public:
    QString TablesExist() const override {
        return QStringLiteral("SELECT count(*) = 3 FROM sqlite_master WHERE type = 'table' AND "
                              "name IN ('GEBIET', 'GEBIET_REGEL', 'GEBIET_AUSNAHME')");
    }
    QStringList CreateTables() const override {
        return {
            QStringLiteral("CREATE TABLE IF NOT EXISTS GEBIET (ID INTEGER PRIMARY KEY "
                           "AUTOINCREMENT, Name TEXT NOT NULL UNIQUE, Farbe TEXT NOT NULL, "
                           "Verantwortlich TEXT, Memo TEXT)"),
            QStringLiteral("CREATE TABLE IF NOT EXISTS GEBIET_REGEL (ID INTEGER PRIMARY KEY "
                           "AUTOINCREMENT, ID_Gebiet INTEGER NOT NULL, Staat TEXT NOT NULL, "
                           "Von TEXT NOT NULL, Bis TEXT NOT NULL)"),
            QStringLiteral("CREATE TABLE IF NOT EXISTS GEBIET_AUSNAHME (Staat TEXT NOT NULL, "
                           "PLZ TEXT NOT NULL, Ort TEXT NOT NULL, Ortsteil TEXT NOT NULL, "
                           "ID_Gebiet INTEGER, PRIMARY KEY (Staat, PLZ, Ort, Ortsteil))"),
        };
    }
    QString LockRules() const override { return QString(); }
    QString CounterExists() const override {
        return QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND "
                              "name = 'GEBIET_STAND'");
    }
    QStringList CreateCounter() const override {
        return {QStringLiteral("CREATE TABLE IF NOT EXISTS GEBIET_STAND (Stand INTEGER NOT NULL)"),
                QStringLiteral("INSERT INTO GEBIET_STAND (Stand) SELECT 0 WHERE NOT EXISTS "
                               "(SELECT 1 FROM GEBIET_STAND)")};
    }

    // AUTOINCREMENT keeps the largest key inserted, given or not.
    QStringList ContinueNumbering() const override { return {}; }

    QString AreasExist() const override {
        return QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND "
                              "name = 'PLZ_FLAECHE'");
    }
    QStringList CreateAreas() const override {
        return {QStringLiteral("CREATE TABLE IF NOT EXISTS PLZ_FLAECHE (Staat TEXT NOT NULL, "
                               "PLZ TEXT NOT NULL, Flaeche TEXT NOT NULL, "
                               "PRIMARY KEY (Staat, PLZ))")};
    }
};

} // namespace

namespace TerritorySqlSqlite {

const CTerritorySql& Dialect() {
    static const CSqliteTerritorySql dialect;
    return dialect;
}

} // namespace TerritorySqlSqlite
