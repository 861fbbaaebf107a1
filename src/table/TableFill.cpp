#include "table/TableFill.h"

#include "app/Progress.h"
#include "db/GeoDatabase.h"
#include "db/GeoRecordset.h"
#include "db/GeoSqlDialect.h"
#include "db/GeoTableDesc.h"
#include "table/GeoTableModel.h"

#include <QStringDecoder>
#include <QVarLengthArray>

namespace {

using Row = CGeoTableModel::Row;

// Reads the cells of the current row straight from the engine's UTF-8 texts into one
// string, without a string per cell.
class CRowReader {
public:
    Row Read(const CGeoRecordset& rs) {
        std::array<QByteArrayView, CGeoTableModel::kColumns> fields;
        qsizetype bytes = 0;
        for (int j = 0; j < CGeoTableModel::kColumns; ++j) {
            fields[j] = rs.FieldUtf8(j);
            bytes += fields[j].size();
        }
        // UTF-8 never gives more UTF-16 units than it has bytes.
        m_buffer.resize(bytes + 1);
        QChar* const begin = m_buffer.data();
        QChar* out = begin;
        Row row;
        for (int j = 0; j < CGeoTableModel::kColumns; ++j) {
            out = m_decoder.appendToBuffer(out, fields[j]);
            row.m_aEnd[j] = quint32(out - begin);
        }
        row.m_strText = QString(begin, out - begin);
        return row;
    }

private:
    QStringDecoder m_decoder{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                       QStringDecoder::Flag::ConvertInitialBom};
    QVarLengthArray<QChar, 1024> m_buffer;
};

} // namespace

QString TableFillCaption(const CGeoTableDesc& desc) {
    return QStringLiteral(" \"%1\" Tabelle wird geoffnet:").arg(desc.m_strTableName);
}

CTableFillResult FillTableModel(CGeoDatabase& db, const CGeoTableDesc& desc, const QString& filter,
                                CGeoTableModel& model, CProgress* progress) {
    CTableFillResult result;
    const int count = db.IsOpen() ? db.GetRecordCount(desc.m_strTableName) : 0;
    if (progress)
        progress->Start(TableFillCaption(desc));
    if (!model.HasColumns())
        model.SetColumns(desc);

    QList<Row> rows;
    if (filter.isEmpty())
        rows.reserve(count);
    if (db.IsOpen()) {
        CGeoRecordset rs(db);
        if (!rs.Open(db.Sql().FilteredQuery(desc, filter))) {
            result.m_strError = rs.Error();
        } else {
            CRowReader reader;
            // At most the counted rows, and never past the end of the result: rows deleted
            // since the count simply are not there.
            for (int i = 0; i < count && rs.MoveNext(); ++i) {
                rows.append(reader.Read(rs));
                if (progress)
                    progress->SetPos(int(qint64(100) * i / count));
            }
            if (rs.HasError())
                result.m_strError = rs.Error();
        }
    }
    result.m_nRows = int(rows.size());
    result.m_nFound = filter.isEmpty() ? 0 : result.m_nRows;
    model.SetRows(std::move(rows));
    if (progress)
        progress->Finish();
    return result;
}
