#include "data/GeoCopy.h"

#include "data/WriteTransaction.h"
#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"

namespace GeoCopy {

namespace {

QString where(const CGeoDatabase& db) {
    return db.IsServer() ? db.Server() : db.FilePath();
}

} // namespace

Result Copy(CGeoDatabase& from, CGeoDatabase& to, const Options& options) {
    Result result;
    const CGeoTableDesc& desc = to.m_Table;
    // The import lock first, so that no other import or copy fills GEO after it was found
    // empty.
    CWriteTransaction transaction(to);
    QString error;
    if (!transaction.Begin(&error, options.maxWaitMs, options.waiting, &result.cancelled)) {
        result.error = QStringLiteral("%1: %2").arg(where(to), error);
        return result;
    }
    // An empty target only: a count that fails says why as well.
    CGeoRecordset count(to);
    if (!count.Open(to.Sql().CountRows(desc.m_strTableName)) || !count.MoveNext()) {
        result.error = QStringLiteral("%1: %2").arg(where(to), count.Error());
        return result;
    }
    if (const qint64 present = count.FieldInt(0); present > 0) {
        result.error = QStringLiteral("Die Tabelle %1 in %2 enthält schon %3; Kelvo kopiert "
                                      "nur in eine leere Tabelle.")
                           .arg(desc.m_strTableName, where(to),
                                present == 1 ? QStringLiteral("1 Zeile")
                                             : QStringLiteral("%1 Zeilen").arg(present));
        return result;
    }
    count.Close();

    CGeoRecordset source(from), insert(to);
    if (!source.Open(from.Sql().StandardQuery(from.m_Table)))
        error = QStringLiteral("%1: %2").arg(where(from), source.Error());
    else if (!insert.Open(to.Sql().InsertRowWithKey(desc)))
        error = QStringLiteral("%1: %2").arg(where(to), insert.Error());
    QVariantList values(desc.m_nFields);
    while (error.isEmpty() && source.MoveNext()) {
        for (int i = 0; i < desc.m_nFields; ++i) {
            if (source.IsNull(i))
                values[i] = QVariant();
            else if (i == desc.m_nKeyField)
                values[i] = source.FieldInt(i);
            else
                values[i] = source.FieldText(i);
        }
        if (!insert.Rebind(values) || !insert.ExecuteInBatch()) {
            error = QStringLiteral("%1, Zeile mit %2 = %3: %4")
                        .arg(where(to), desc.FieldName(desc.m_nKeyField),
                             values[desc.m_nKeyField].toString(), insert.Error());
            break;
        }
        if (++result.rows % kProgressEvery == 0 && options.progress)
            options.progress(result.rows);
    }
    if (error.isEmpty() && source.HasError())
        error = QStringLiteral("%1: %2").arg(where(from), source.Error());
    // New rows are numbered after the largest key copied.
    const QString numbering = to.Sql().ContinueNumbering(desc);
    if (error.isEmpty() && !numbering.isEmpty() && !to.Execute(numbering))
        error = QStringLiteral("%1: %2").arg(where(to), to.LastError());
    source.Close();
    insert.Close();
    // The territories go with the rows they are about.
    QString territoryError;
    if (error.isEmpty() && options.copyTerritories &&
        !options.copyTerritories(from, to, &result.territories, &territoryError))
        error = QStringLiteral("%1: %2").arg(where(to), territoryError);
    QString failed;
    if (error.isEmpty() && !transaction.Commit(&failed))
        error = QStringLiteral("%1: %2").arg(where(to), failed);
    if (!error.isEmpty()) {
        transaction.Rollback();
        result.rows = 0;
        result.error = error;
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace GeoCopy
