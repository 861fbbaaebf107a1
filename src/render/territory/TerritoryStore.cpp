#include "render/territory/TerritoryStore.h"

#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "render/territory/TerritoryShare.h"
#include "store/GeoBackend.h"
#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"
#include "store/territory/TerritorySql.h"

#include <QHash>

namespace {

QVariant textOrNull(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QVariant territoryOrNull(qint64 id) {
    return id > 0 ? QVariant(id) : QVariant();
}

QString goneText(const QString& name) {
    return (name.isEmpty() ? QStringLiteral("Das Gebiet")
                           : QStringLiteral("Das Gebiet \"%1\"").arg(name)) +
           QStringLiteral(" gibt es nicht mehr: ein anderer Benutzer hat es gelöscht. Es wurde "
                          "nichts geändert.");
}

} // namespace

const CTerritorySql& CTerritoryStore::Sql() const {
    return m_db.Backend()->TerritorySql();
}

void CTerritoryStore::Fail(const QString& error) {
    m_strError = error;
    m_db.RollbackWrite();
}

void CTerritoryStore::FailGone(qint64 id) {
    Fail(goneText(QString()));
    m_nGone = id;
}

QString CTerritoryStore::Error(const CTerritoryData& known) const {
    // Only while the message is still the one of that failure.
    const CTerritory* gone =
        m_nGone > 0 && m_strError == goneText(QString()) ? known.Find(m_nGone) : nullptr;
    return gone ? goneText(gone->name) : m_strError;
}

bool CTerritoryStore::TablesExist(bool* exist) {
    CGeoRecordset rs(m_db);
    if (!rs.Open(Sql().TablesExist()) || !rs.MoveNext()) {
        m_strError = rs.Error();
        return false;
    }
    *exist = rs.FieldInt(0) != 0;
    return true;
}

bool CTerritoryStore::Begin(bool createTables) {
    m_strError.clear();
    m_nGone = 0;
    if (!m_db.IsOpen()) {
        m_strError = QStringLiteral("Die Datenbank ist nicht geöffnet.");
        return false;
    }
    if (!m_db.BeginWrite()) {
        m_strError = m_db.LastError();
        return false;
    }
    // Readers of GEO keep their rows: nothing of GEO changes here.
    m_db.KeepStampAcrossWrite();
    if (createTables) {
        bool exist = false;
        if (!TablesExist(&exist)) {
            Fail(m_strError);
            return false;
        }
        for (const QString& sql : exist ? QStringList() : Sql().CreateTables()) {
            if (!Run(sql, {}))
                return false;
        }
    }
    if (!Run(Sql().LockRules(), {}))
        return false;
    // The change count, made in a database whose tables an older program made.
    CGeoRecordset rs(m_db);
    if (!rs.Open(Sql().CounterExists()) || !rs.MoveNext()) {
        Fail(rs.Error());
        return false;
    }
    if (rs.FieldInt(0) != 0)
        return true;
    for (const QString& sql : Sql().CreateCounter()) {
        if (!Run(sql, {}))
            return false;
    }
    return true;
}

bool CTerritoryStore::Run(const QString& sql, const QVariantList& values, int* changed) {
    if (sql.isEmpty())
        return true;
    CGeoRecordset rs(m_db);
    // A statement may give a row (a lock taken by a query): it is stepped through.
    if (!rs.Open(sql, values)) {
        Fail(rs.Error());
        return false;
    }
    while (rs.MoveNext()) {
    }
    if (rs.HasError()) {
        Fail(rs.Error());
        return false;
    }
    if (changed)
        *changed = rs.ChangedRows();
    return true;
}

qint64 CTerritoryStore::ChangeCount() {
    m_strError.clear();
    if (!m_db.IsOpen())
        return -1;
    CGeoRecordset rs(m_db);
    if (!rs.Open(Sql().CounterExists()) || !rs.MoveNext())
        return m_strError = rs.Error(), -1;
    if (rs.FieldInt(0) != 0) {
        if (!rs.Open(Sql().ChangeCount()) || !rs.MoveNext())
            return m_strError = rs.Error(), -1;
        return rs.FieldInt(0);
    }
    bool exist = false;
    if (!TablesExist(&exist))
        return -1;
    return exist ? -1 : 0;
}

bool CTerritoryStore::Commit() {
    // Other users' windows see the change by the count (on a server the data stamp counts
    // only changes of GEO).
    if (!Run(Sql().CountChange(), {}))
        return false;
    if (m_db.CommitWrite())
        return true;
    m_strError = m_db.LastError();
    return false;
}

bool CTerritoryStore::Load(CTerritoryData* data) {
    *data = CTerritoryData();
    m_strError.clear();
    if (!m_db.IsOpen()) {
        m_strError = QStringLiteral("Die Datenbank ist nicht geöffnet.");
        return false;
    }
    if (!TablesExist(&data->tablesExist) || !data->tablesExist)
        return m_strError.isEmpty();
    CGeoRecordset rs(m_db);
    if (!rs.Open(Sql().Territories()))
        return m_strError = rs.Error(), false;
    while (rs.MoveNext()) {
        CTerritory t;
        t.id = rs.FieldInt(0);
        t.name = rs.FieldText(1);
        t.color = rs.FieldText(2);
        t.responsible = rs.FieldText(3);
        t.memo = rs.IsNull(4) ? QVariant() : QVariant(rs.FieldText(4));
        data->territories << t;
    }
    if (rs.HasError() || !rs.Open(Sql().Rules()))
        return m_strError = rs.Error(), false;
    while (rs.MoveNext()) {
        CTerritoryRule r;
        r.id = rs.FieldInt(0);
        r.territory = rs.FieldInt(1);
        r.staat = rs.FieldUtf8(2).toByteArray();
        r.from = rs.FieldUtf8(3).toByteArray();
        r.to = rs.FieldUtf8(4).toByteArray();
        data->rules << r;
    }
    if (rs.HasError() || !rs.Open(Sql().Exceptions()))
        return m_strError = rs.Error(), false;
    while (rs.MoveNext()) {
        CTerritoryException e;
        e.staat = rs.FieldUtf8(0).toByteArray();
        e.plz = rs.FieldUtf8(1).toByteArray();
        e.ort = rs.FieldUtf8(2).toByteArray();
        e.ortsteil = rs.FieldUtf8(3).toByteArray();
        e.territory = rs.IsNull(4) ? 0 : rs.FieldInt(4);
        data->exceptions << e;
    }
    if (rs.HasError())
        return m_strError = rs.Error(), false;
    return true;
}

bool CTerritoryStore::LoadAt(qint64 changes, CTerritoryData* data) {
    m_strError.clear();
    if (TerritoryShare::Get(m_db, changes, data))
        return true;
    if (!Load(data))
        return false;
    TerritoryShare::Put(m_db, changes, *data);
    return true;
}

bool CTerritoryStore::InsertTerritory(const CTerritory& territory, qint64* id) {
    if (const QString problem = TerritoryNames::Problem(territory.name); !problem.isEmpty())
        return Fail(problem), false;
    if (!TerritoryNames::IsColor(territory.color))
        return Fail(QStringLiteral("\"%1\" ist keine Farbe (erwartet: #rrggbb).")
                        .arg(territory.color)),
               false;
    CGeoRecordset rs(m_db);
    if (!rs.Open(Sql().InsertTerritory(), {territory.name, territory.color,
                                           textOrNull(territory.responsible), territory.memo}) ||
        !rs.MoveNext()) {
        const bool taken =
            rs.EngineMessage().contains(QLatin1String("UNIQUE"), Qt::CaseInsensitive) ||
            rs.EngineMessage().contains(QLatin1String("unique"));
        Fail(taken ? QStringLiteral("Ein Gebiet \"%1\" gibt es schon.").arg(territory.name)
                   : rs.Error());
        return false;
    }
    *id = rs.FieldInt(0);
    return true;
}

qint64 CTerritoryStore::Create(const CTerritory& territory) {
    if (const QString problem = TerritoryNames::Problem(territory.name); !problem.isEmpty()) {
        m_strError = problem;
        return 0;
    }
    qint64 id = 0;
    if (!Begin(true) || !InsertTerritory(territory, &id) || !Commit())
        return 0;
    return id;
}

CTerritoryStore::Write CTerritoryStore::Update(const CTerritory& expected,
                                               const CTerritory& changed, CTerritory* stored) {
    if (const QString problem = TerritoryNames::Problem(changed.name); !problem.isEmpty()) {
        m_strError = problem;
        return Write::Failed;
    }
    if (!TerritoryNames::IsColor(changed.color)) {
        m_strError =
            QStringLiteral("\"%1\" ist keine Farbe (erwartet: #rrggbb).").arg(changed.color);
        return Write::Failed;
    }
    int written = 0;
    if (!Begin(false) || !Run(Sql().UpdateTerritoryIfUnchanged(),
                              {changed.name, changed.color, textOrNull(changed.responsible),
                               changed.memo, expected.id, expected.name, expected.color,
                               textOrNull(expected.responsible), expected.memo},
                              &written)) {
        const bool taken = m_strError.contains(QLatin1String("UNIQUE"), Qt::CaseInsensitive);
        if (taken)
            m_strError = QStringLiteral("Ein Gebiet \"%1\" gibt es schon.").arg(changed.name);
        return Write::Failed;
    }
    if (written > 0)
        return Commit() ? Write::Saved : Write::Failed;
    m_db.RollbackWrite();
    // Nothing written: changed by another user meanwhile, or deleted.
    CTerritoryData data;
    if (!Load(&data))
        return Write::Failed;
    if (const CTerritory* now = data.Find(expected.id)) {
        *stored = *now;
        return Write::Conflict;
    }
    return Write::Missing;
}

bool CTerritoryStore::TerritoryExists(qint64 id, bool* exists) {
    CGeoRecordset rs(m_db);
    if (!rs.Open(Sql().TerritoryForWrite(), {id}))
        return Fail(rs.Error()), false;
    *exists = rs.MoveNext();
    if (rs.HasError())
        return Fail(rs.Error()), false;
    return true;
}

bool CTerritoryStore::Delete(qint64 id, qint64 moveTo) {
    bool exists = false;
    if (!Begin(false))
        return false;
    if (moveTo > 0) {
        if (!TerritoryExists(moveTo, &exists))
            return false;
        if (!exists)
            return Fail(QStringLiteral("Das Gebiet, das die Orte bekommen soll, gibt es nicht "
                                       "mehr: ein anderer Benutzer hat es gelöscht. Es wurde "
                                       "nichts geändert.")),
                   false;
    }
    int deleted = 0;
    const bool ok =
        moveTo > 0
            ? Run(Sql().MoveRulesOf(), {moveTo, id}) && Run(Sql().MoveExceptionsOf(), {moveTo, id})
            : Run(Sql().DeleteRulesOf(), {id}) && Run(Sql().DeleteExceptionsOf(), {id});
    if (!ok || !Run(Sql().DeleteTerritory(), {id}, &deleted))
        return false;
    if (deleted == 0)
        return FailGone(id), false;
    return Commit();
}

QString CTerritoryStore::RuleWithoutPlace(const QList<CTerritoryRule>& rules) {
    QString error;
    const std::shared_ptr<const CGeoPlaceRows> rows =
        CGeoPlaceRowsCache::Of(m_db).Rows(true, {}, &error);
    if (!error.isEmpty())
        return error;
    std::vector<bool> matched(rules.size(), false);
    qsizetype open = rules.size();
    for (quint32 k = 0; k < rows->Size() && open > 0; ++k) {
        const QByteArray& staat = rows->Countries()[rows->Country(k)];
        const QByteArrayView plz = rows->TextOf(k, CGeoPlaceRows::Plz);
        for (qsizetype i = 0; i < rules.size(); ++i) {
            if (!matched[i] && rules[i].Matches(staat, plz)) {
                matched[i] = true;
                --open;
            }
        }
    }
    for (qsizetype i = 0; i < rules.size(); ++i) {
        if (!matched[i])
            return QStringLiteral("Die Regel %1 trifft keinen Ort in GEO; es wurde nichts "
                                  "gespeichert.")
                .arg(rules[i].Text());
    }
    return QString();
}

bool CTerritoryStore::StoreRules(CTerritoryData& data, const QList<CTerritoryRule>& rules,
                                 QStringList* notes) {
    auto nameOf = [&data](qint64 id) {
        const CTerritory* t = data.Find(id);
        return t ? t->name : QStringLiteral("?");
    };
    QList<CTerritoryRule>& inForce = data.rules;
    QHash<QByteArray, qsizetype> byRange; // the rule of each range
    auto rangeKey = [](const CTerritoryRule& r) {
        return r.staat.toUpper() + '\0' + r.from + '\0' + r.to;
    };
    for (qsizetype i = 0; i < inForce.size(); ++i)
        byRange.insert(rangeKey(inForce[i]), i);
    // A single prefix can only be as wide as another of its length, which it overlaps only
    // when it is the same; so it is checked against the ranges alone.
    QList<CTerritoryRule> ranges;
    for (const CTerritoryRule& r : inForce) {
        if (r.from != r.to)
            ranges << r;
    }
    for (const CTerritoryRule& rule : rules) {
        const qint64 territory = rule.territory;
        const bool single = rule.from == rule.to;
        if (const QString conflict =
                TerritoryRules::Conflict(single ? ranges : inForce, rule, nameOf);
            !conflict.isEmpty())
            return Fail(conflict), false;
        const qsizetype index = byRange.value(rangeKey(rule), -1);
        if (index >= 0) {
            CTerritoryRule* same = &inForce[index];
            if (same->territory == territory)
                continue;
            if (notes)
                *notes << QStringLiteral("Die Regel %1 gehörte zum Gebiet \"%2\" und gehört "
                                         "jetzt zum Gebiet \"%3\".")
                              .arg(rule.Text(), nameOf(same->territory), nameOf(territory));
            if (same->id > 0 && !Run(Sql().MoveRule(), {territory, same->id}))
                return false;
            same->territory = territory;
            continue;
        }
        if (!Run(Sql().InsertRule(), {territory, QString::fromUtf8(rule.staat),
                                      QString::fromUtf8(rule.from), QString::fromUtf8(rule.to)}))
            return false;
        byRange.insert(rangeKey(rule), inForce.size());
        inForce << rule;
        if (!single)
            ranges << rule;
    }
    return true;
}

bool CTerritoryStore::AddRules(qint64 territory, const QList<CTerritoryRule>& rules,
                               QStringList* notes) {
    m_strError.clear();
    if (const QString error = RuleWithoutPlace(rules); !error.isEmpty()) {
        m_strError = error;
        return false;
    }
    bool exists = false;
    CTerritoryData data;
    if (!Begin(false) || !TerritoryExists(territory, &exists))
        return false;
    if (!exists)
        return FailGone(territory), false;
    if (!Load(&data))
        return Fail(m_strError), false;
    QList<CTerritoryRule> added = rules;
    for (CTerritoryRule& rule : added)
        rule.territory = territory;
    return StoreRules(data, added, notes) && Commit();
}

bool CTerritoryStore::RemoveRule(qint64 ruleId) {
    return Begin(false) && Run(Sql().DeleteRule(), {ruleId}) && Commit();
}

bool CTerritoryStore::Assign(const QList<CTerritoryException>& places) {
    if (!Begin(true))
        return false;
    QHash<qint64, bool> checked;
    for (const CTerritoryException& e : places) {
        if (e.territory > 0 && !checked.contains(e.territory)) {
            bool exists = false;
            if (!TerritoryExists(e.territory, &exists))
                return false;
            if (!exists)
                return FailGone(e.territory), false;
            checked.insert(e.territory, true);
        }
    }
    // Many rows: one statement, sent without waiting for each row's end.
    CGeoRecordset put(m_db);
    if (!put.Open(Sql().PutException()))
        return Fail(put.Error()), false;
    for (const CTerritoryException& e : places) {
        if (!put.Rebind({QString::fromUtf8(e.staat), QString::fromUtf8(e.plz),
                         QString::fromUtf8(e.ort), QString::fromUtf8(e.ortsteil),
                         territoryOrNull(e.territory)}) ||
            !put.ExecuteInBatch())
            return Fail(put.Error()), false;
    }
    put.Close();
    // The count before this change, inside the transaction that keeps other writers out: the
    // territories kept at it, with these places, are those after the commit.
    CGeoRecordset count(m_db);
    if (!count.Open(Sql().ChangeCount()) || !count.MoveNext())
        return Fail(count.Error()), false;
    const qint64 before = count.FieldInt(0);
    count.Close();
    if (!Commit())
        return false;
    TerritoryShare::Assigned(m_db, before, places);
    return true;
}
