#pragma once

#include <QString>
#include <QStringList>

// The SQL texts of the territory tables, one implementation per engine (the file's in
// sqlite/TerritorySqlSqlite.cpp, the server's in postgres/TerritorySqlPostgres.cpp), with the
// same tables, columns and results on both:
//
//   GEBIET           ID, Name (unique), Farbe, Verantwortlich, Memo
//   GEBIET_REGEL     ID, ID_Gebiet, Staat, Von, Bis      (CTerritoryRule)
//   GEBIET_AUSNAHME  Staat, PLZ, Ort, Ortsteil (the key), ID_Gebiet (NULL: in no territory)
//   GEBIET_STAND     Stand: one row, counting the changes of the three tables
//   PLZ_FLAECHE      Staat, PLZ (the key), Flaeche: the area of a postal code, imported from
//                    a polygon file, as well-known binary in hexadecimal (degrees)
//
// Keys are never reused, so a key another user still holds never names a newer territory.
// Values are bound in the order the comments give.
class CTerritorySql {
public:
    virtual ~CTerritorySql() = default;

    // One row, one integer: 1 when the tables exist.
    virtual QString TablesExist() const = 0;
    // Inside a write transaction: the tables, unless they exist.
    virtual QStringList CreateTables() const = 0;
    // Inside a write transaction: keeps other writers of rules out until it ends (empty
    // where the transaction does so anyway).
    virtual QString LockRules() const = 0;

    // One row, one integer: 1 when the table of the change count exists.
    virtual QString CounterExists() const = 0;
    // Inside a write transaction: the table with its one row, unless it exists.
    virtual QStringList CreateCounter() const = 0;
    // One row, one integer: the changes counted so far.
    virtual QString ChangeCount() const = 0;
    // Inside every write transaction that changes a territory, a rule or an exception.
    virtual QString CountChange() const = 0;

    // ID, Name, Farbe, Verantwortlich, Memo, by ID.
    virtual QString Territories() const = 0;
    // ID of the territory (ID), kept from being deleted until the transaction ends.
    virtual QString TerritoryForWrite() const = 0;
    // Name, Farbe, Verantwortlich, Memo; one row with the new ID.
    virtual QString InsertTerritory() const = 0;
    // Name, Farbe, Verantwortlich, Memo, ID, then the four stored values expected (NULL
    // equal to NULL, texts compared byte for byte).
    virtual QString UpdateTerritoryIfUnchanged() const = 0;
    virtual QString DeleteTerritory() const = 0; // ID

    // ID, ID_Gebiet, Staat, Von, Bis, by ID.
    virtual QString Rules() const = 0;
    virtual QString InsertRule() const = 0;         // ID_Gebiet, Staat, Von, Bis
    virtual QString MoveRule() const = 0;           // ID_Gebiet, ID
    virtual QString DeleteRule() const = 0;         // ID
    virtual QString DeleteRulesOf() const = 0;      // ID_Gebiet
    virtual QString MoveRulesOf() const = 0;        // new ID_Gebiet, old ID_Gebiet
    virtual QString DeleteExceptionsOf() const = 0; // ID_Gebiet
    virtual QString MoveExceptionsOf() const = 0;   // new ID_Gebiet, old ID_Gebiet

    // Staat, PLZ, Ort, Ortsteil, ID_Gebiet.
    virtual QString Exceptions() const = 0;
    // Staat, PLZ, Ort, Ortsteil, ID_Gebiet (NULL: none): stored or written over.
    virtual QString PutException() const = 0;

    // Copying another database's territories with their keys: ID, Name, Farbe,
    // Verantwortlich, Memo; ID, ID_Gebiet, Staat, Von, Bis; then the statements after which
    // new keys are numbered after the largest copied.
    virtual QString InsertTerritoryWithKey() const = 0;
    virtual QString InsertRuleWithKey() const = 0;
    virtual QStringList ContinueNumbering() const = 0;

    // One row, one integer: 1 when the table of postal-code areas exists.
    virtual QString AreasExist() const = 0;
    // Inside a write transaction: the table, unless it exists.
    virtual QStringList CreateAreas() const = 0;
    // Staat, PLZ, Flaeche of every area, by Staat and PLZ.
    virtual QString Areas() const = 0;
    virtual QString DeleteAreasOf() const = 0; // Staat
    virtual QString InsertArea() const = 0;    // Staat, PLZ, Flaeche
};
