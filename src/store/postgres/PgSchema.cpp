#include "store/postgres/PgBackend.h"

#include "base/GeoTableDesc.h"
#include "store/GeoSqlDialect.h"
#include "store/postgres/GeoSqlPostgres.h"
#include "store/postgres/PgStatement.h"

// What the database holds of the program's schema.
struct CPgBackend::SchemaState {
    bool geo = false;     // table GEO
    bool stamp = false;   // the change number: a Kelvo program made the database
    bool schema = false;  // a schema "kelvo"
    bool ours = false;    // ... that is the program's
    bool empty = false;   // nothing in the database but what a new one has
    bool trigger = false; // GEO's change trigger
    int version = 0;      // the version of the functions

    bool Current() const {
        return geo && stamp && schema && ours && version >= GeoSqlPostgres::kSchemaVersion;
    }
};

bool CPgBackend::ReadSchemaState(const CGeoTableDesc& desc, SchemaState* state, QString* error) {
    CPgStatement query(*this, GeoSqlPostgres::SchemaState(desc));
    if (!query.Step()) {
        *error = query.Error();
        return false;
    }
    auto flag = [&](int field) { return query.FieldUtf8(field) == "t"; };
    *state = {flag(0), flag(1), flag(2), flag(3), flag(4), flag(5), 0};
    if (state->stamp) {
        CPgStatement read(*this, GeoSqlPostgres::SchemaVersion(desc));
        if (!read.Step()) {
            *error = read.Error();
            return false;
        }
        state->version = int(read.FieldInt(0));
    }
    return true;
}

bool CPgBackend::PrepareSchema(const CGeoTableDesc& desc, bool setUp, SchemaProblem* problem) {
    *problem = {SchemaProblem::Other, QString(), QString()};
    QString* reason = &problem->reason;
    SchemaState state;
    if (!ReadSchemaState(desc, &state, reason))
        return false;
    // Whether the program may make what is missing; false with the reason when not.
    auto allowed = [&] {
        if (state.schema && !state.ours) {
            *reason = QStringLiteral("Die Datenbank hat schon ein Schema \"kelvo\", das nicht "
                                     "von Kelvo stammt; Kelvo verändert es nicht.");
            return false;
        }
        if (!state.stamp && !state.empty && !setUp) {
            problem->kind = SchemaProblem::Foreign;
            *reason =
                QStringLiteral(
                    "Sie enthält schon Tabellen oder Funktionen, aber keine Tabelle \"%1\" von "
                    "Kelvo. Kelvo legt darin nichts an, ohne dass Sie es verlangen: \"kelvo-cli "
                    "init --db %2\" legt die Tabelle %1 und das Schema \"kelvo\" mit Kelvos "
                    "Funktionen an; was die Datenbank schon enthält, bleibt, wie es ist.")
                    .arg(desc.m_strTableName, m_location.Display());
            return false;
        }
        return true;
    };
    if (!state.Current()) {
        if (!allowed())
            return false;
        // Made or brought up to date in one transaction, by one program at a time.
        bool ok = Run(Sql().BeginWrite(), reason) && Run(GeoSqlPostgres::LockSchema(), reason) &&
                  ReadSchemaState(desc, &state, reason);
        const bool made = ok && !state.Current();
        if (made && !allowed()) {
            QString ignored;
            Run(Sql().Rollback(), &ignored);
            return false;
        }
        QStringList statements;
        if (made && !state.geo)
            statements << GeoSqlPostgres::CreateTable(desc);
        if (made && !state.stamp)
            statements << GeoSqlPostgres::CreateStampTable(desc);
        if (made && !state.schema)
            statements << GeoSqlPostgres::CreateSchema();
        if (made)
            statements << GeoSqlPostgres::CreateFunctions(desc, !state.trigger);
        for (const QString& sql : statements) {
            if (!ok)
                break;
            ok = Run(sql, reason);
        }
        if (ok)
            ok = Run(Sql().Commit(), reason);
        if (!ok) {
            QString ignored;
            Run(Sql().Rollback(), &ignored);
            *reason = QStringLiteral("Die Tabelle \"%1\" kann auf dem Server nicht angelegt "
                                     "werden (%2).")
                          .arg(desc.m_strTableName, *reason);
            return false;
        }
    }

    CPgStatement probe(*this, GeoSqlPostgres::ProbeTable(desc));
    QStringList names;
    for (int i = 0; i < probe.FieldCount(); ++i)
        names << probe.FieldName(i);
    if (!probe.Error().isEmpty()) {
        *reason = probe.Error();
        return false;
    }
    *reason = desc.FieldsMismatch(names);
    if (!reason->isEmpty())
        return false;
    problem->kind = SchemaProblem::None;
    m_strChangeCount = GeoSqlPostgres::ChangeCount(desc);
    return true;
}

bool CPgBackend::BeginWrite(QString* error, bool* busy) {
    *busy = false;
    return Run(Sql().BeginWrite(), error);
}

void CPgBackend::Stamp(qint64* version, qint64*, qint64* ownChanges) {
    if (!InTransaction() && !m_strChangeCount.isEmpty()) {
        CPgStatement query(*this, m_strChangeCount);
        if (query.Step()) {
            *version = query.FieldInt(0);
            return;
        }
    }
    *ownChanges = qint64(++m_nUnmatched);
}
