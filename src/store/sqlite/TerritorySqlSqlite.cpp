#include "store/sqlite/TerritorySqlSqlite.h"

#include "store/territory/TerritorySql.h"

namespace {

// The file's texts compare as stored, byte for byte (BINARY); "IS" treats NULL as equal to
// NULL. The write transaction (BEGIN IMMEDIATE) keeps every other writer out.
class CSqliteTerritorySql : public CTerritorySql {
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

    QString Territories() const override {
        return QStringLiteral(
            "SELECT ID, Name, Farbe, Verantwortlich, Memo FROM GEBIET ORDER BY ID");
    }
    QString TerritoryForWrite() const override {
        return QStringLiteral("SELECT ID FROM GEBIET WHERE ID = ?");
    }
    QString InsertTerritory() const override {
        return QStringLiteral("INSERT INTO GEBIET (Name, Farbe, Verantwortlich, Memo) VALUES "
                              "(?, ?, ?, ?) RETURNING ID");
    }
    QString UpdateTerritoryIfUnchanged() const override {
        return QStringLiteral("UPDATE GEBIET SET Name = ?, Farbe = ?, Verantwortlich = ?, "
                              "Memo = ? WHERE ID = ? AND Name IS ? AND Farbe IS ? AND "
                              "Verantwortlich IS ? AND Memo IS ?");
    }
    QString DeleteTerritory() const override {
        return QStringLiteral("DELETE FROM GEBIET WHERE ID = ?");
    }

    QString Rules() const override {
        return QStringLiteral("SELECT ID, ID_Gebiet, Staat, Von, Bis FROM GEBIET_REGEL ORDER "
                              "BY ID");
    }
    QString InsertRule() const override {
        return QStringLiteral(
            "INSERT INTO GEBIET_REGEL (ID_Gebiet, Staat, Von, Bis) VALUES (?, ?, ?, ?)");
    }
    QString MoveRule() const override {
        return QStringLiteral("UPDATE GEBIET_REGEL SET ID_Gebiet = ? WHERE ID = ?");
    }
    QString DeleteRule() const override {
        return QStringLiteral("DELETE FROM GEBIET_REGEL WHERE ID = ?");
    }
    QString DeleteRulesOf() const override {
        return QStringLiteral("DELETE FROM GEBIET_REGEL WHERE ID_Gebiet = ?");
    }
    QString MoveRulesOf() const override {
        return QStringLiteral("UPDATE GEBIET_REGEL SET ID_Gebiet = ? WHERE ID_Gebiet = ?");
    }
    QString DeleteExceptionsOf() const override {
        return QStringLiteral("DELETE FROM GEBIET_AUSNAHME WHERE ID_Gebiet = ?");
    }
    QString MoveExceptionsOf() const override {
        return QStringLiteral("UPDATE GEBIET_AUSNAHME SET ID_Gebiet = ? WHERE ID_Gebiet = ?");
    }

    QString Exceptions() const override {
        return QStringLiteral("SELECT Staat, PLZ, Ort, Ortsteil, ID_Gebiet FROM GEBIET_AUSNAHME");
    }
    QString PutException() const override {
        return QStringLiteral("INSERT INTO GEBIET_AUSNAHME (Staat, PLZ, Ort, Ortsteil, "
                              "ID_Gebiet) VALUES (?, ?, ?, ?, ?) ON CONFLICT (Staat, PLZ, Ort, "
                              "Ortsteil) DO UPDATE SET ID_Gebiet = excluded.ID_Gebiet");
    }

    QString InsertTerritoryWithKey() const override {
        return QStringLiteral("INSERT INTO GEBIET (ID, Name, Farbe, Verantwortlich, Memo) "
                              "VALUES (?, ?, ?, ?, ?)");
    }
    QString InsertRuleWithKey() const override {
        return QStringLiteral("INSERT INTO GEBIET_REGEL (ID, ID_Gebiet, Staat, Von, Bis) VALUES "
                              "(?, ?, ?, ?, ?)");
    }
    // AUTOINCREMENT keeps the largest key inserted, given or not.
    QStringList ContinueNumbering() const override { return {}; }
};

} // namespace

namespace TerritorySqlSqlite {

const CTerritorySql& Dialect() {
    static const CSqliteTerritorySql dialect;
    return dialect;
}

} // namespace TerritorySqlSqlite
