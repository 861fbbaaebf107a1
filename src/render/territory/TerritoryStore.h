#pragma once

#include "render/territory/PostalAreas.h"
#include "store/territory/Territory.h"

#include <QString>
#include <QStringList>

class CGeoDatabase;
class CTerritorySql;

// A line of an assignment to import: a postal code (and, with a place, a single row) and
// the name of its territory. `line` is the line of the file, for messages.
struct CTerritoryImportLine {
    int line = 0;
    QByteArray staat, plz, ort, ortsteil;
    QString territory;
    bool single = false; // Ort (and Ortsteil) name one place: an exception
};

// The territory tables of a database, on either engine. Every change is one write
// transaction: it is stored whole or not at all, and after any error the assignment is as
// it was. The tables are made with the first territory; a database without them reads as
// one without territories. Messages are German (Error()).
class CTerritoryStore {
public:
    explicit CTerritoryStore(CGeoDatabase& database) : m_db(database) {}

    // Everything stored; an empty CTerritoryData (tablesExist false) for a database without
    // the tables. False on an engine error.
    bool Load(CTerritoryData* data);
    // Load, for a reader that has just read the change count `changes`: when this program
    // read or wrote the territories at that count, what it had (TerritoryShare), else read.
    bool LoadAt(qint64 changes, CTerritoryData* data);

    // A new territory; its key, or 0 (Error()) when the name is not allowed or taken.
    qint64 Create(const CTerritory& territory);

    // Writes name, colour, responsible person and memo, but only while the stored ones are
    // still those of `expected` (read before the user began to edit). Conflict: another
    // user changed them, `stored` receives what is stored now; Missing: the territory was
    // deleted.
    enum class Write { Saved, Conflict, Missing, Failed };
    Write Update(const CTerritory& expected, const CTerritory& changed, CTerritory* stored);

    // Deletes a territory. Its rules and exceptions go to the territory `moveTo`, or with 0
    // are deleted, so that its places follow the remaining rules (or are in no territory).
    bool Delete(qint64 id, qint64 moveTo);

    // Adds rules to a territory. A rule whose range another rule already has moves that rule
    // here (`notes` says so); one that overlaps another of the same width, or that matches
    // no row of GEO, is refused with everything else.
    bool AddRules(qint64 territory, const QList<CTerritoryRule>& rules, QStringList* notes);
    bool RemoveRule(qint64 ruleId);

    // Puts single places into a territory (each exception's own; 0: in none), over the rules.
    bool Assign(const QList<CTerritoryException>& places);

    // Stores an assignment read from a file: territories named there that do not exist are
    // made; a postal code becomes a rule of its full length, a place an exception. Refused
    // whole when a line names a postal code or place not in GEO, or one code twice with
    // different territories. `created` receives the names of the territories made. A line
    // whose places are in its territory already adds nothing and counts in `kept`; when no
    // line adds anything, nothing is written (and the change count stays).
    bool Import(const QList<CTerritoryImportLine>& lines, QStringList* created, int* rules,
                int* exceptions, int* kept);

    // The postal-code areas of the database (none before the first import).
    bool LoadAreas(CPostalAreas* areas);
    // Stores areas read from a polygon file: those of the countries in `areas` take the
    // place of the ones stored for these countries before; other countries keep theirs.
    bool ImportAreas(const QList<CPostalArea>& areas);

    const QString& Error() const { return m_strError; }
    // The same, naming a territory that another user deleted meanwhile by the name it had in
    // `known` (what the caller read before it asked for the change).
    QString Error(const CTerritoryData& known) const;

    // The number of changes stored in the database, by any program: readers that keep
    // territories read them again when it moved. 0 for a database without territories;
    // -1 when it cannot be told (tables an older program made, never changed since; an
    // engine error): the reader then reads them again.
    qint64 ChangeCount();

private:
    const CTerritorySql& Sql() const;
    bool Begin(bool createTables);
    bool Run(const QString& sql, const QVariantList& values, int* changed = nullptr);
    bool Commit();
    void Fail(const QString& error);
    // Fails because the territory `id` is no longer stored.
    void FailGone(qint64 id);
    bool TablesExist(bool* exist);
    bool AreasExist(bool* exist);
    bool TerritoryExists(qint64 id, bool* exists);
    bool InsertTerritory(const CTerritory& territory, qint64* id);
    // Checks the added rules (each with its territory) against those in force inside the
    // transaction (data.rules) and stores them; data.rules then holds them too.
    bool StoreRules(CTerritoryData& data, const QList<CTerritoryRule>& rules, QStringList* notes);
    // A rule that matches no row of GEO: its message; empty when all match.
    QString RuleWithoutPlace(const QList<CTerritoryRule>& rules);

    CGeoDatabase& m_db;
    QString m_strError;
    qint64 m_nGone = 0; // the territory found deleted by the last write
};
