#include "store/GeoCopy.h"

#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"
#include "store/territory/TerritoryCopy.h"

namespace GeoCopy {

namespace {

QString where(const CGeoDatabase& db) {
    return db.IsServer() ? db.Server() : db.FilePath();
}

} // namespace

Result Copy(CGeoDatabase& from, CGeoDatabase& to, const std::function<void(qint64)>& progress) {
    Result result;
    const CGeoTableDesc& desc = to.m_Table;
    // An empty target only: a count that fails says why as well.
    CGeoRecordset count(to);
    if (!count.Open(to.Sql().CountRows(desc.m_strTableName)) || !count.MoveNext()) {
        result.error = QStringLiteral("%1: %2").arg(where(to), count.Error());
        return result;
    }
    if (const qint64 present = count.FieldInt(0); present > 0) {
        result.error = QStringLiteral("Die Tabelle %1 in %2 enthält schon %3 Zeilen; Kelvo "
                                      "kopiert nur in eine leere Tabelle.")
                           .arg(desc.m_strTableName, where(to))
                           .arg(present);
        return result;
    }
    count.Close();

    if (!to.BeginWrite()) {
        result.error = QStringLiteral("%1: %2").arg(where(to), to.LastError());
        return result;
    }
    CGeoRecordset source(from), insert(to);
    QString error;
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
        if (++result.rows % kProgressEvery == 0 && progress)
            progress(result.rows);
    }
    if (error.isEmpty() && source.HasError())
        error = QStringLiteral("%1: %2").arg(where(from), source.Error());
    // New rows are numbered after the largest key copied.
    const QString numbering = to.Sql().ContinueNumbering(desc);
    if (error.isEmpty() && !numbering.isEmpty() && !to.Execute(numbering))
        error = QStringLiteral("%1: %2").arg(where(to), to.LastError());
    // The territories go with the rows they are about.
    QString territoryError;
    if (error.isEmpty() && !TerritoryCopy::Copy(from, to, &result.territories, &territoryError))
        error = QStringLiteral("%1: %2").arg(where(to), territoryError);
    if (error.isEmpty() && !to.CommitWrite())
        error = QStringLiteral("%1: %2").arg(where(to), to.LastError());
    if (!error.isEmpty()) {
        to.RollbackWrite();
        result.rows = 0;
        result.error = error;
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace GeoCopy
