#include "render/territory/TerritoryCopy.h"

#include "render/territory/TerritoryStore.h"
#include "store/GeoBackend.h"
#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"
#include "store/territory/TerritorySql.h"

namespace TerritoryCopy {

namespace {

bool run(CGeoDatabase& db, const QString& sql, const QVariantList& values, QString* error) {
    CGeoRecordset rs(db);
    if (rs.Open(sql, values)) {
        while (rs.MoveNext()) {
        }
    }
    if (rs.HasError()) {
        *error = rs.Error();
        return false;
    }
    return true;
}

bool areasExist(CGeoDatabase& db, bool* exist, QString* error) {
    CGeoRecordset rs(db);
    if (!rs.Open(db.Backend()->TerritorySql().AreasExist()) || !rs.MoveNext()) {
        *error = rs.Error();
        return false;
    }
    *exist = rs.FieldInt(0) != 0;
    return true;
}

// The postal-code areas, row by row as stored (well-known binary in hex), into a target
// that has none.
bool copyAreas(CGeoDatabase& from, CGeoDatabase& to, QString* error) {
    bool exist = false;
    if (!areasExist(from, &exist, error))
        return false;
    if (!exist)
        return true;
    const CTerritorySql& sql = to.Backend()->TerritorySql();
    if (!areasExist(to, &exist, error))
        return false;
    if (exist) {
        CGeoRecordset count(to);
        if (!count.Open(to.Sql().CountRows(QStringLiteral("PLZ_FLAECHE"))) || !count.MoveNext()) {
            *error = count.Error();
            return false;
        }
        if (count.FieldInt(0) > 0) {
            *error = QStringLiteral("Das Ziel enthält schon PLZ-Flächen; Kelvo kopiert PLZ-Flächen "
                                    "nur in eine Datenbank ohne PLZ-Flächen.");
            return false;
        }
    }
    for (const QString& statement : exist ? QStringList() : sql.CreateAreas()) {
        if (!run(to, statement, {}, error))
            return false;
    }
    CGeoRecordset source(from), insert(to);
    if (!source.Open(from.Backend()->TerritorySql().Areas())) {
        *error = source.Error();
        return false;
    }
    if (!insert.Open(sql.InsertArea())) {
        *error = insert.Error();
        return false;
    }
    while (source.MoveNext()) {
        if (!insert.Rebind({source.FieldText(0), source.FieldText(1), source.FieldText(2)}) ||
            !insert.ExecuteInBatch()) {
            *error = insert.Error();
            return false;
        }
    }
    if (source.HasError()) {
        *error = source.Error();
        return false;
    }
    return true;
}

} // namespace

bool Copy(CGeoDatabase& from, CGeoDatabase& to, qint64* territories, QString* error) {
    *territories = 0;
    if (!copyAreas(from, to, error))
        return false;
    CTerritoryData source, target;
    CTerritoryStore fromStore(from), toStore(to);
    if (!fromStore.Load(&source)) {
        *error = fromStore.Error();
        return false;
    }
    if (!source.tablesExist)
        return true;
    if (!toStore.Load(&target)) {
        *error = toStore.Error();
        return false;
    }
    if (!target.territories.isEmpty() || !target.rules.isEmpty() || !target.exceptions.isEmpty()) {
        *error = QStringLiteral("Das Ziel enthält schon Gebiete; Kelvo kopiert Gebiete nur in "
                                "eine Datenbank ohne Gebiete.");
        return false;
    }
    const CTerritorySql& sql = to.Backend()->TerritorySql();
    for (const QString& statement : target.tablesExist ? QStringList() : sql.CreateTables()) {
        if (!run(to, statement, {}, error))
            return false;
    }
    auto orNull = [](const QString& text) { return text.isEmpty() ? QVariant() : QVariant(text); };
    for (const CTerritory& t : source.territories) {
        if (!run(to, sql.InsertTerritoryWithKey(),
                 {t.id, t.name, t.color, orNull(t.responsible), t.memo}, error))
            return false;
    }
    for (const CTerritoryRule& r : source.rules) {
        if (!run(to, sql.InsertRuleWithKey(),
                 {r.id, r.territory, QString::fromUtf8(r.staat), QString::fromUtf8(r.from),
                  QString::fromUtf8(r.to)},
                 error))
            return false;
    }
    for (const CTerritoryException& e : source.exceptions) {
        if (!run(to, sql.PutException(),
                 {QString::fromUtf8(e.staat), QString::fromUtf8(e.plz), QString::fromUtf8(e.ort),
                  QString::fromUtf8(e.ortsteil),
                  e.territory > 0 ? QVariant(e.territory) : QVariant()},
                 error))
            return false;
    }
    for (const QString& statement : sql.ContinueNumbering()) {
        if (!run(to, statement, {}, error))
            return false;
    }
    *territories = source.territories.size();
    return true;
}

} // namespace TerritoryCopy
