// The postal-code areas of a database (CTerritoryStore::LoadAreas, ImportAreas).
#include "render/territory/TerritoryStore.h"

#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"
#include "store/territory/TerritorySql.h"

#include <QSet>

bool CTerritoryStore::AreasExist(bool* exist) {
    CGeoRecordset rs(m_db);
    if (!rs.Open(Sql().AreasExist()) || !rs.MoveNext()) {
        m_strError = rs.Error();
        return false;
    }
    *exist = rs.FieldInt(0) != 0;
    return true;
}

bool CTerritoryStore::LoadAreas(CPostalAreas* areas) {
    areas->clear();
    m_strError.clear();
    if (!m_db.IsOpen()) {
        m_strError = QStringLiteral("Die Datenbank ist nicht geöffnet.");
        return false;
    }
    bool exist = false;
    if (!AreasExist(&exist) || !exist)
        return m_strError.isEmpty();
    CGeoRecordset rs(m_db);
    if (!rs.Open(Sql().Areas()))
        return m_strError = rs.Error(), false;
    while (rs.MoveNext()) {
        areas->insert(
            PostalAreas::Key(rs.FieldUtf8(0).toByteArray(), rs.FieldUtf8(1).toByteArray()),
            QByteArray::fromHex(rs.FieldUtf8(2).toByteArray()));
    }
    if (rs.HasError())
        return areas->clear(), m_strError = rs.Error(), false;
    return true;
}

bool CTerritoryStore::ImportAreas(const QList<CPostalArea>& areas) {
    m_strError.clear();
    if (areas.isEmpty()) {
        m_strError = QStringLiteral("Die Datei enthält keine PLZ-Flächen.");
        return false;
    }
    if (!Begin(true))
        return false;
    bool exist = false;
    if (!AreasExist(&exist)) {
        Fail(m_strError);
        return false;
    }
    for (const QString& sql : exist ? QStringList() : Sql().CreateAreas()) {
        if (!Run(sql, {}))
            return false;
    }
    QSet<QByteArray> countries;
    for (const CPostalArea& area : areas) {
        if (!countries.contains(area.staat)) {
            countries.insert(area.staat);
            if (!Run(Sql().DeleteAreasOf(), {QString::fromUtf8(area.staat)}))
                return false;
        }
    }
    const QString insert = Sql().InsertArea();
    for (const CPostalArea& area : areas) {
        if (!Run(insert, {QString::fromUtf8(area.staat), QString::fromUtf8(area.plz),
                          QString::fromLatin1(area.wkb.toHex())}))
            return false;
    }
    return Commit();
}
