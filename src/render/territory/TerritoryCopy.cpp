#include "render/territory/TerritoryCopy.h"

#include "render/territory/TerritoryStore.h"
#include "store/GeoBackend.h"
#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"
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

} // namespace

bool Copy(CGeoDatabase& from, CGeoDatabase& to, qint64* territories, QString* error) {
    *territories = 0;
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
